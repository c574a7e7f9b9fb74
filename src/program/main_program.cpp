#include "program/main_program.hpp"

#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

#include "console/saved_console_scope.hpp"
#include "demo/info_screen.hpp"
#include "diagnostics/diagnostic_log.hpp"
#include "program/background_forwarding.hpp"
#include "program/command_line.hpp"
#include "program/executable_path.hpp"
#include "program/main_menu.hpp"
#include "program/path_text.hpp"
#include "program/process_end.hpp"
#include "program/spool_keeper.hpp"
#include "program/termination_signals_held.hpp"
#include "screen_helpers/blank_text.hpp"
#include "screen_helpers/colour_scheme.hpp"
#include "screen_helpers/guarded.hpp"
#include "screen_helpers/main_form.hpp"
#include "screen_helpers/shared_state.hpp"
#include "screen_helpers/work_area.hpp"
#include "store/database_target.hpp"
#include "store/readings_table.hpp"

namespace tavix::program {

using screen_helpers::AppFolder;
using screen_helpers::ApplyColourScheme;
using screen_helpers::Console;
using screen_helpers::DatabasePath;
using screen_helpers::Guarded;
using screen_helpers::InDevHost;
using screen_helpers::kWorkBottom;
using screen_helpers::kWorkLeft;
using screen_helpers::kWorkRight;
using screen_helpers::kWorkTop;
using screen_helpers::ReadingsDb;
using screen_helpers::ReadingsSet;
using screen_helpers::TrimSpaces;
using screen_helpers::UnloadForms;

namespace {

using console::DispatchId;

constexpr int kVersionMajor = TAVIX_VERSION_MAJOR;
constexpr int kVersionMinor = TAVIX_VERSION_MINOR;

const std::string kTitle = "Demo in Kalviro";
constexpr int kColumns = 24;
constexpr int kRows = 20;
constexpr int kStatusOnSignal = 128;
constexpr int kStatusWithoutTerminal = 1;

std::optional<std::chrono::milliseconds> busy_timeout;

// What the program found when it took the console over, to give it back at the end: its
// settings, its size and its cells. Given back by hand, since Shutdown ends the process
// without leaving any scope.
using ConsoleAsFound = std::optional<console::SavedConsoleScope>;

store::StoreOptions OptionsOfTheStore(const std::string& target, const std::string& spool) {
    store::StoreOptions options;
    if (busy_timeout) {
        options.busy_timeout = *busy_timeout;
    }
    if (store::IsPostgresTarget(target) && !spool.empty()) {
        Guarded("opening the spool", [&] { options.keeper = SpoolKeeper(spool); });
    }
    return options;
}

// `target` is the store the command line chose; empty for none (the program does not know
// its own folder, which the log then says). `spool` keeps what a server's store could not
// settle; empty for none.
void OpenReadings(const std::string& target, const std::string& spool) {
    InDevHost = false;
    AppFolder.clear();
    DatabasePath = target;
    ReadingsSet.reset();
    ReadingsDb.reset();
    Guarded("finding the program's folder",
            [] { AppFolder = FolderOf(TrimSpaces(ExecutablePath())); });
    if (DatabasePath.empty()) {
        return;
    }
    Guarded("opening the readings database", [&] {
        ReadingsDb.emplace(store::OpenDatabase(DatabasePath, OptionsOfTheStore(target, spool)));
    });
    // Without a database the reason is logged above; there is no table to open.
    Guarded("opening the Readings table", [] {
        if (ReadingsDb) {
            ReadingsSet.emplace(ReadingsDb->OpenRecordset(store::readings_table::kTable));
        }
    });
}

// Without a terminal nothing can be shown and no key will come: say why and end at once,
// rather than wait unseen for ever.
void RequireConsole() {
    try {
        Console().Attach(-1);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "tavix: %s\n", failure.what());
        diagnostics::LogCurrentFailure("setting up the terminal");
        Shutdown(kStatusWithoutTerminal);
    }
}

void TakeOverConsole(ConsoleAsFound& found) {
    RequireConsole();
    Guarded("start-up: saving the console's settings", [&] { found.emplace(Console()); });
    Guarded("start-up: setting the title", [] { Console().Title(kTitle); });
    Guarded("start-up: activating the console", [] { Console().Activate(); });
    Guarded("start-up: saving the screen", [&] {
        if (found) {
            found->KeepWholeConsole();
        }
    });
    Guarded("start-up: resizing the console", [] { Console().Resize(kColumns, kRows); });
    Guarded("start-up: applying the colour scheme", ApplyColourScheme);
    Guarded("start-up: setting the popup and frame styles", [] {
        Console().Put(DispatchId::kPopupStyle, 0);
        Console().Put(DispatchId::kSetting16, 0);
        Console().Put(DispatchId::kFrameStyle, 2);
    });
    Guarded("start-up: clearing the screen", [] { Console().Clear(); });
    Guarded("start-up: drawing the outer frame",
            [] { Console().DrawFrame(1, 1, kColumns - 1, kRows - 1); });
}

void ShowSplash() {
    std::string splash;
    Guarded("splash: hiding the cursor", [] { Console().CursorMode = 0; });
    Guarded("splash: showing the version", [&] {
        splash = Console().ShowMessage("Demo Tavix v" + std::to_string(kVersionMajor) + "." +
                                       std::to_string(kVersionMinor));
    });
    Guarded("splash: waiting for a key", [] { Console().GetKey(); });
    Guarded("splash: closing it", [&] { Console().CloseMessage(splash); });
}

void GiveConsoleBack(ConsoleAsFound& found) {
    if (found) {
        found->Restore();
    }
}

[[noreturn]] void Run(const StartOptions& start) {
    ConsoleAsFound found;
    try {
        // Forked first: the child is to hold no terminal and none of the store's connections.
        StartBackgroundForwarding(start.database, start.forward, start.spool);
        OpenReadings(start.database, start.spool);
        TakeOverConsole(found);
        Guarded("information screen", demo::ShowInfoScreen);
        Guarded("start-up: clearing the work area",
                [] { Console().ClearArea(kWorkLeft, kWorkTop, kWorkRight, kWorkBottom); });
        ShowSplash();
        RunMainMenu();
    } catch (const console::TerminationRequested& request) {
        // A signal or the loss of the keyboard: what is stored stays stored; give the
        // terminal back and close the database as a normal exit would.
        GiveConsoleBack(found);
        Shutdown(kStatusOnSignal + request.signal);
    }
    GiveConsoleBack(found);
    Shutdown();
}

// What the command line says when the program is not to run, and the end of the process.
void EndUnlessStarting(const CommandLine& command_line) {
    if (!command_line.start) {
        std::cout << command_line.out << std::flush;
        std::cerr << command_line.err << std::flush;
        EndProcess(command_line.status);
    }
}

}  // namespace

void Main(int argc, const char* const* argv) {
    const CommandLine command_line = ReadCommandLine(argc, argv);
    EndUnlessStarting(command_line);
    diagnostics::SendLogTo(command_line.start->log);
    Run(*command_line.start);
}

void Main() {
    const char* const argv[] = {"tavix", nullptr};
    const CommandLine command_line = ReadCommandLine(1, argv);
    EndUnlessStarting(command_line);
    Run(*command_line.start);
}

void SetBusyTimeout(std::optional<std::chrono::milliseconds> timeout) {
    busy_timeout = timeout;
}

void Shutdown(int status) {
    // From here on a termination signal could only cut the ending short.
    const TerminationSignalsHeld held;
    if (!InDevHost) {
        Guarded("end: releasing the terminal", [] { Console().Detach(); });
    }
    UnloadForms();
    Guarded("end: closing the readings", [] {
        if (ReadingsSet) {
            ReadingsSet->Close();
        }
        if (ReadingsDb) {
            ReadingsDb->Close();
        }
    });
    ReadingsSet.reset();
    ReadingsDb.reset();
    EndBackgroundForwarding();
    EndProcess(status);
}

}  // namespace tavix::program
