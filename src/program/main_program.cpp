#include "program/main_program.hpp"

#include <cstdio>
#include <exception>
#include <string>

#include "console/saved_console_scope.hpp"
#include "demo/info_screen.hpp"
#include "program/executable_path.hpp"
#include "program/main_menu.hpp"
#include "program/path_text.hpp"
#include "program/process_end.hpp"
#include "program/termination_signals_held.hpp"
#include "screen_helpers/blank_text.hpp"
#include "screen_helpers/colour_scheme.hpp"
#include "screen_helpers/guarded.hpp"
#include "screen_helpers/main_form.hpp"
#include "screen_helpers/shared_state.hpp"
#include "screen_helpers/work_area.hpp"

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

const std::string kDatabaseName = "tavix.mdb";
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

void OpenReadings() {
    InDevHost = false;
    AppFolder.clear();
    DatabasePath.clear();
    ReadingsSet.reset();
    ReadingsDb.reset();
    Guarded([] { AppFolder = FolderOf(TrimSpaces(ExecutablePath())); });
    Guarded([] { DatabasePath = FileInFolder(AppFolder, kDatabaseName); });
    Guarded([] {
        ReadingsDb.emplace(busy_timeout ? store::OpenDatabase(DatabasePath, *busy_timeout)
                                        : store::OpenDatabase(DatabasePath));
    });
    Guarded([] { ReadingsSet.emplace(ReadingsDb.value().OpenRecordset("Readings")); });
}

// Without a terminal nothing can be shown and no key will come: say why and end at once,
// rather than wait unseen for ever.
void RequireConsole() {
    try {
        Console().Attach(-1);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "tavix: %s\n", failure.what());
        Shutdown(kStatusWithoutTerminal);
    }
}

void TakeOverConsole(ConsoleAsFound& found) {
    RequireConsole();
    Guarded([&] { found.emplace(Console()); });
    Guarded([] { Console().Title(kTitle); });
    Guarded([] { Console().Activate(); });
    Guarded([&] {
        if (found) {
            found->KeepWholeConsole();
        }
    });
    Guarded([] { Console().Resize(kColumns, kRows); });
    Guarded(ApplyColourScheme);
    Guarded([] {
        Console().Put(DispatchId::kPopupStyle, 0);
        Console().Put(DispatchId::kSetting16, 0);
        Console().Put(DispatchId::kFrameStyle, 2);
    });
    Guarded([] { Console().Clear(); });
    Guarded([] { Console().DrawFrame(1, 1, kColumns - 1, kRows - 1); });
}

void ShowSplash() {
    std::string splash;
    Guarded([] { Console().CursorMode = 0; });
    Guarded([&] {
        splash = Console().ShowMessage("Demo Tavix v" + std::to_string(kVersionMajor) + "." +
                                       std::to_string(kVersionMinor));
    });
    Guarded([] { Console().GetKey(); });
    Guarded([&] { Console().CloseMessage(splash); });
}

void GiveConsoleBack(ConsoleAsFound& found) {
    if (found) {
        found->Restore();
    }
}

}  // namespace

void Main() {
    ConsoleAsFound found;
    try {
        OpenReadings();
        TakeOverConsole(found);
        Guarded(demo::ShowInfoScreen);
        Guarded([] { Console().ClearArea(kWorkLeft, kWorkTop, kWorkRight, kWorkBottom); });
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

void SetBusyTimeout(std::optional<std::chrono::milliseconds> timeout) {
    busy_timeout = timeout;
}

void Shutdown(int status) {
    // From here on a termination signal could only cut the ending short.
    const TerminationSignalsHeld held;
    if (!InDevHost) {
        Guarded([] { Console().Detach(); });
    }
    UnloadForms();
    Guarded([] {
        if (ReadingsSet) {
            ReadingsSet->Close();
        }
        if (ReadingsDb) {
            ReadingsDb->Close();
        }
    });
    ReadingsSet.reset();
    ReadingsDb.reset();
    EndProcess(status);
}

}  // namespace tavix::program
