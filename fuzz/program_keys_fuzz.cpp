// The whole program headless: any key sequence into Main through a scripted terminal, on a
// small readings database in memory-backed storage. When the keys run out the program is
// ended as a termination signal ends it. Every run must end, give the terminal back, close
// the database and leave it intact.
//
// The first input byte chooses the database the run starts from (StartOfByte); every other
// byte is one key, so seed inputs can be written by hand:
//   0x01-0x7F  the key of that code (Enter 0x0D, Esc 0x1B, BkSp 0x08, Tab 0x09, letters...)
//   0x80-0x9F  the extended keys of kExtendedKeys (0x80 Up, 0x81 Down, 0x82 Left, 0x83 Right,
//              0x8A F1, 0x8C F3, 0x8E F5, ...)
//   0xA0-0xEF  the single-byte letters of those codes
//   0x00, 0xF0-0xFF  codes no key has (kRawCodes), which a terminal layer might still pass on

#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "console/scripted_terminal.hpp"
#include "diagnostics/diagnostic_log.hpp"
#include "fuzz_check.hpp"
#include "program/executable_path.hpp"
#include "program/main_program.hpp"
#include "program/process_end.hpp"
#include "screen_helpers/main_form.hpp"
#include "screen_helpers/shared_state.hpp"
#include "store/database.hpp"

namespace {

namespace console = tavix::console;
namespace keys = console::keys;
namespace program = tavix::program;
namespace screen_helpers = tavix::screen_helpers;
using console::KeyCode;
using tavix::fuzz::Fail;
using tavix::fuzz::Require;

constexpr std::array<KeyCode, 32> kExtendedKeys = {
    keys::kUp,       keys::kDown,    keys::kLeft,       keys::kRight,        keys::kHome,
    keys::kEnd,      keys::kPageUp,  keys::kPageDown,   keys::kInsert,       keys::kDelete,
    keys::kF1,       keys::kF2,      keys::kF3,         keys::kF4,           keys::kF5,
    keys::kF6,       keys::kF7,      keys::kF8,         keys::kF9,           keys::kF10,
    keys::kF11,      keys::kF12,     keys::kShiftTab,   keys::kCtrlLeft,     keys::kCtrlRight,
    keys::kCtrlHome, keys::kCtrlEnd, keys::kCtrlPageUp, keys::kCtrlPageDown, keys::kCtrlUp,
    keys::kCtrlDown, keys::kExtended};

// Codes in the key range that no key of the console has: no key, DEL, holes of the code
// page, the error value of terminal libraries, extended codes without a name.
constexpr std::array<KeyCode, 17> kRawCodes = {0,   -1,  127, 129, 141, 143, 144, 157, 257,
                                               258, 300, 330, 383, 400, 450, 510, 511};

KeyCode KeyOfByte(std::uint8_t byte) {
    if (byte == 0) {
        return kRawCodes[0];
    }
    if (byte >= 0x80 && byte < 0xA0) {
        return kExtendedKeys[byte - 0x80];
    }
    if (byte >= 0xF0) {
        return kRawCodes[byte - 0xF0 + 1];
    }
    return byte;
}

enum class Start { kReadings, kEmpty, kNoDatabase };

// Half the runs have readings to browse, list and delete; the rest reach what an empty
// table and a missing file show.
Start StartOfByte(std::uint8_t byte) {
    switch (byte % 4) {
        case 2:
            return Start::kEmpty;
        case 3:
            return Start::kNoDatabase;
        default:
            return Start::kReadings;
    }
}

// More frames than this without a wait for a key is a loop that has stopped listening.
constexpr int kMostFramesPerKey = 1000;
constexpr int kStatusOnTermination = 128;

// Forwards to a scripted terminal that outlives the program's console. When the script has
// run out it asks the program to end, once: a program that asks for a key again has
// swallowed the request and would never end.
class EndingTerminal : public console::Terminal {
  public:
    explicit EndingTerminal(console::ScriptedTerminal& script) : script_(script) {}

    void Attach() override { script_.Attach(); }
    void Detach() override { script_.Detach(); }
    void SetTitle(const std::string& title) override { script_.SetTitle(title); }
    console::TerminalSize Size() const override { return script_.Size(); }
    void Present(const console::CellGrid& grid, const console::CursorState& cursor) override {
        Require(++frames_since_key_ <= kMostFramesPerKey,
                "the program keeps drawing without asking for a key");
        script_.Present(grid, cursor);
    }
    KeyCode ReadKey() override {
        frames_since_key_ = 0;
        if (script_.PendingKeys() == 0) {
            Require(!end_requested_, "the program asked for a key after it was told to end");
            end_requested_ = true;
            throw console::TerminationRequested{0};
        }
        return script_.ReadKey();
    }
    void DiscardTypeAhead() override { script_.DiscardTypeAhead(); }

  private:
    console::ScriptedTerminal& script_;
    int frames_since_key_ = 0;
    bool end_requested_ = false;
};

struct ProcessEnded {
    int status = 0;
};

struct Workspace {
    std::string folder;
    std::string readings_path;  // the database a run with readings starts from
    std::string empty_path;
    std::string database_path;  // where the program looks for its database
};

Workspace& Work() {
    static Workspace workspace;
    return workspace;
}

// /dev/shm keeps every sync of the store in memory; elsewhere the temporary folder serves.
// A run that breaks a property aborts without cleaning up, so the scripts name a folder of
// theirs (TAVIX_FUZZ_WORKSPACE) that they remove however the target ends.
std::string MakeFolder() {
    std::error_code error;
    if (const char* given = std::getenv("TAVIX_FUZZ_WORKSPACE"); given != nullptr) {
        std::filesystem::create_directories(given, error);
        Require(!error, "cannot make the folder TAVIX_FUZZ_WORKSPACE names");
        return given;
    }
    const std::filesystem::path shm = "/dev/shm";
    const std::filesystem::path base =
        std::filesystem::is_directory(shm, error) && ::access(shm.c_str(), W_OK) == 0
            ? shm
            : std::filesystem::temp_directory_path();
    std::string pattern = (base / "tavix-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        Fail("cannot make the fuzz folder");
    }
    return pattern;
}

void Execute(sqlite3* db, const char* sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "fuzz: %s\n", error != nullptr ? error : "?");
        sqlite3_free(error);
        Fail("cannot prepare the readings database");
    }
}

// The database every run starts from: more readings than the list shows, codes that share
// a prefix and repeat, and the values another SQLite program might have left: nulls,
// texts where numbers belong, impossible dates, very long and non-ASCII codes, separators.
void WriteDatabaseWithReadings(const std::string& path) {
    tavix::store::CreateReadingsDatabase(path);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        Fail("cannot open the database with readings");
    }
    Execute(db,
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 54) "
            "INSERT INTO Readings (code, qt, terminal, DateTime) "
            "SELECT 'A' || (i % 17), i * 1.5, 1 + i % 3, "
            "printf('2024-05-%02d %02d:%02d:00', 1 + i % 28, i % 24, i % 60) FROM n;"
            "INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
            "(NULL, NULL, NULL, NULL),"
            "('', 0, '', ''),"
            "('ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789', 123456789.125, '007', 'garbage'),"
            "('X#Y~Z|W', -0.5, 2.5, '2024-02-30 25:61:61'),"
            "(x'E8E0C0FF', 1e300, -3, '9999-12-31 23:59:59'),"
            "('   ', -1e-9, 'text', '0000-00-00 00:00:00'),"
            "(42, 'many', x'00', 20240501);");
    sqlite3_close(db);
}

void RemoveIfThere(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
}

void ResetDatabase(Start start) {
    const Workspace& work = Work();
    RemoveIfThere(work.database_path + "-wal");
    RemoveIfThere(work.database_path + "-shm");
    RemoveIfThere(work.database_path);
    if (start == Start::kNoDatabase) {
        return;
    }
    std::error_code error;
    std::filesystem::copy_file(start == Start::kReadings ? work.readings_path : work.empty_path,
                               work.database_path, error);
    Require(!error, "cannot reset the readings database");
}

std::string IntegrityCheck(const std::string& path) {
    sqlite3* db = nullptr;
    std::string answer = "cannot open";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            answer = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return answer;
}

int RunMain(console::ScriptedTerminal& script) {
    screen_helpers::SetTerminalFactory(
        [&script] { return std::make_unique<EndingTerminal>(script); });
    program::SetExecutablePathSource([] { return Work().folder + "/tavix"; });
    program::SetProcessEnd([](int status) { throw ProcessEnded{status}; });
    int status = -1;
    try {
        program::Main();
    } catch (const ProcessEnded& ended) {
        status = ended.status;
    }
    screen_helpers::UnloadForms();
    screen_helpers::SetTerminalFactory(nullptr);
    program::SetExecutablePathSource(nullptr);
    program::SetProcessEnd(nullptr);
    return status;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Workspace& work = Work();
    work.folder = MakeFolder();
    work.readings_path = work.folder + "/readings.mdb";
    work.empty_path = work.folder + "/empty.mdb";
    work.database_path = work.folder + "/tavix.mdb";
    WriteDatabaseWithReadings(work.readings_path);
    tavix::store::CreateReadingsDatabase(work.empty_path);
    // Every run without a database logs its failures: not into the machine's system log.
    tavix::diagnostics::SendLogTo({tavix::diagnostics::LogDestination::Kind::kFile, "/dev/null"});
    std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(Work().folder, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const Start start = StartOfByte(data[0]);
    ResetDatabase(start);
    console::ScriptedTerminal script(80, 25);
    for (std::size_t i = 1; i < size; ++i) {
        script.Key(KeyOfByte(data[i]));
    }

    const int status = RunMain(script);

    Require(status == 0 || status == kStatusOnTermination,
            "the program ended with a status other than a normal or a requested end");
    Require(script.AttachCount() == 1 && script.DetachCount() == 1,
            "the terminal was not taken over once and given back once");
    Require(!screen_helpers::ReadingsDb && !screen_helpers::ReadingsSet,
            "the readings are still open after the end");
    const std::string& database = Work().database_path;
    Require(!std::filesystem::exists(database + "-wal"),
            "the write-ahead log is left behind: the database was not closed");
    if (start == Start::kNoDatabase) {
        Require(!std::filesystem::exists(database), "the program created a database file");
    } else {
        Require(IntegrityCheck(database) == "ok", "the database fails integrity_check");
    }
    return 0;
}
