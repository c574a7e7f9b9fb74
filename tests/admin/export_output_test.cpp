// Where the export goes and what happens when that fails: --output appears whole or not at
// all, a file already there survives a failed export, a closed pipe or a full disk is an error
// that names the destination, a missing or foreign store one that names the store, and the
// store itself is never written.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "admin_store_test.hpp"

namespace tavix::testing {
namespace {

class ExportOutputTest : public AdminStoreTest {
  protected:
    ExportOutputTest() : output_(dir_.File("readings.csv")) {}

    void WriteOldOutput() { std::ofstream(output_, std::ios::binary) << "old content\n"; }

    // The folder's entries but the store's own files (SQLite's -wal and -shm come and go).
    std::vector<std::string> OtherEntries() const {
        std::vector<std::string> others;
        for (const std::string& name : FolderEntries(dir_.Path())) {
            if (!name.starts_with("tavix.mdb")) {
                others.push_back(name);
            }
        }
        return others;
    }

    bool HiddenFileIsThere() const {
        for (const std::string& name : OtherEntries()) {
            if (name.starts_with(".readings.csv.part-")) {
                return true;
            }
        }
        return false;
    }

    std::string output_;
};

using Names = std::vector<std::string>;

TEST_F(ExportOutputTest, OutputFileHoldsWhatStandardOutputWouldAndReplacesAnOldOne) {
    AddReadings(3000);
    WriteOldOutput();
    const AdminResult result = RunAdmin({"export", "--output", output_, path_});
    EXPECT_EQ(result.exit_status, 0) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "3000 readings written to " + output_ + "\n");
    EXPECT_EQ(FileContent(output_), Export({}));
    EXPECT_EQ(OtherEntries(), Names{"readings.csv"});
    const std::filesystem::perms others_read = std::filesystem::perms::others_read;
    EXPECT_NE(std::filesystem::status(output_).permissions() & others_read,
              std::filesystem::perms::none);
}

TEST_F(ExportOutputTest, AFailedWriteLeavesNoFileAndKeepsAnOldOne) {
    AddReadings(5000);
    AdminSetup small_disk;
    small_disk.file_size_limit = 64 * 1024;  // the export is about 180 KiB
    const AdminResult fresh = RunAdmin({"export", "-o", output_, path_}, small_disk);
    EXPECT_EQ(fresh.exit_status, 1);
    EXPECT_NE(fresh.err.find("cannot write to " + output_ + ": File too large"), std::string::npos)
        << fresh.err;
    EXPECT_EQ(OtherEntries(), Names{});

    WriteOldOutput();
    const AdminResult replacing = RunAdmin({"export", "-o", output_, path_}, small_disk);
    EXPECT_EQ(replacing.exit_status, 1);
    EXPECT_EQ(FileContent(output_), "old content\n");
    EXPECT_EQ(OtherEntries(), Names{"readings.csv"});
}

TEST_F(ExportOutputTest, AnExportEndedBySignalLeavesNoFile) {
    AddReadings(300000);
    AdminProcess process({"export", "--output", output_, path_});
    // Stopped while it writes its hidden file, then told to end.
    while (!HiddenFileIsThere()) {
        ASSERT_FALSE(std::filesystem::exists(output_)) << "the export ended before it was seen";
    }
    ::kill(process.Pid(), SIGSTOP);
    ::kill(process.Pid(), SIGTERM);
    ::kill(process.Pid(), SIGCONT);
    const AdminResult result = process.Finish();
    EXPECT_EQ(result.signal, SIGTERM);
    EXPECT_EQ(OtherEntries(), Names{});
}

TEST_F(ExportOutputTest, ALinkStaysAndAFolderOrAPipeIsRefused) {
    AddReadings(5);
    const std::string target = dir_.File("real.csv");
    std::ofstream(target) << "old content\n";
    std::filesystem::create_symlink("real.csv", output_);
    const AdminResult through_link = RunAdmin({"export", "-o", output_, path_});
    EXPECT_EQ(through_link.exit_status, 0) << through_link.err;
    EXPECT_TRUE(std::filesystem::is_symlink(output_));
    EXPECT_EQ(FileContent(target), Export({}));

    const std::string pipe = dir_.File("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const AdminResult to_pipe = RunAdmin({"export", "-o", pipe, path_});
    EXPECT_EQ(to_pipe.exit_status, 1);
    EXPECT_NE(to_pipe.err.find("cannot write " + pipe + ": it is a device, a pipe or a socket"),
              std::string::npos)
        << to_pipe.err;
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));

    const AdminResult to_folder = RunAdmin({"export", "-o", dir_.Path(), path_});
    EXPECT_EQ(to_folder.exit_status, 1);
    EXPECT_NE(to_folder.err.find("it is a folder"), std::string::npos) << to_folder.err;
    EXPECT_EQ(OtherEntries(), (Names{"pipe", "readings.csv", "real.csv"}));
}

// Each kind of --output target, with standard output appended to all.csv as a cron job does:
// a name of one of the process's own descriptors is written through, so all.csv keeps what it
// held; a link is followed to a target that need not exist yet (and stays a link); the names
// SQLite may give files beside the store are refused though none exists (the store is not in
// WAL mode); a replaced file keeps its mode and owner; an empty name is a usage error.
TEST_F(ExportOutputTest, EachKindOfTargetGetsTheExportWhereItLeadsOrIsRefused) {
    AddReadings(5);
    Sql("PRAGMA journal_mode = DELETE");
    std::filesystem::create_directory(dir_.File("inbox"));
    struct Case {
        std::string output;
        std::vector<std::pair<std::string, std::string>> links;  // name, where it points
        int status;
        std::string receiver;  // the file the export lands in
    };
    const std::vector<Case> cases = {
        {"/dev/stdout", {}, 0, "all.csv"},
        {"/dev/fd/1", {}, 0, "all.csv"},
        {"/proc/self/fd/1", {}, 0, "all.csv"},
        {"out.csv", {{"out.csv", "/dev/stdout"}}, 0, "all.csv"},
        {"latest.csv", {{"latest.csv", "inbox/readings.csv"}}, 0, "inbox/readings.csv"},
        {"a.csv", {{"a.csv", "inbox/b.csv"}, {"inbox/b.csv", "c.csv"}}, 0, "inbox/c.csv"},
        {"lost.csv", {{"lost.csv", "nodir/x.csv"}}, 1, ""},
        {"tavix.mdb-journal", {}, 1, ""},
        {"tavix.mdb-wal", {}, 1, ""},
        {"tavix.mdb-shm", {}, 1, ""},
        {"tavix.mdb-writers", {}, 1, ""},
        {"kept.csv", {}, 0, "kept.csv"},
        {"", {}, 2, ""},
    };
    const std::string all = dir_.File("all.csv");
    std::ofstream(dir_.File("kept.csv")) << "old content\n";
    ASSERT_EQ(::chown(dir_.File("kept.csv").c_str(), 65534, 65534), 0);
    std::filesystem::permissions(dir_.File("kept.csv"), std::filesystem::perms::owner_read |
                                                            std::filesystem::perms::owner_write);
    for (const Case& c : cases) {
        for (const auto& [name, target] : c.links) {
            std::filesystem::create_symlink(target, dir_.File(name));
        }
        std::ofstream(all) << "earlier\n";
        AdminSetup appending;
        appending.stdout_fd = ::open(all.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        const std::string output =
            c.output.starts_with("/") || c.output.empty() ? c.output : dir_.File(c.output);
        const AdminResult result = RunAdmin({"export", "-o", output, path_}, appending);
        ::close(appending.stdout_fd);
        EXPECT_EQ(result.exit_status, c.status) << c.output << ": " << result.err;
        EXPECT_EQ(FileContent(all), "earlier\n" + (c.receiver == "all.csv" ? Export({}) : ""))
            << c.output;
        if (!c.receiver.empty() && c.receiver != "all.csv") {
            EXPECT_EQ(FileContent(dir_.File(c.receiver)), Export({})) << c.output;
        }
        if (c.status != 0 && !c.output.empty()) {
            EXPECT_FALSE(std::filesystem::exists(output)) << c.output;
        }
        for (const auto& link : c.links) {
            EXPECT_TRUE(std::filesystem::is_symlink(dir_.File(link.first))) << c.output;
        }
    }
    struct stat kept {};
    ASSERT_EQ(::stat(dir_.File("kept.csv").c_str(), &kept), 0);
    EXPECT_EQ(kept.st_mode & 07777, 0600u);
    EXPECT_EQ(kept.st_uid, 65534u);
    EXPECT_EQ(kept.st_gid, 65534u);
}

TEST_F(ExportOutputTest, AClosedPipeIsAnErrorNamingStandardOutput) {
    AddReadings(5000);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    AdminSetup closed_pipe;
    closed_pipe.stdout_fd = ends[1];
    const AdminResult result = RunAdmin({"export", path_}, closed_pipe);
    ::close(ends[1]);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err, "tavix-admin: cannot write to standard output: Broken pipe\n");
}

TEST_F(ExportOutputTest, AFullDiskIsAnErrorNamingStandardOutput) {
    AddReadings(10);
    AdminSetup full_disk;
    full_disk.stdout_fd = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full_disk.stdout_fd, 0);
    const AdminResult result = RunAdmin({"export", path_}, full_disk);
    ::close(full_disk.stdout_fd);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err,
              "tavix-admin: cannot write to standard output: No space left on device\n");
}

TEST_F(ExportOutputTest, AStoreThatCannotBeReadIsNamedAndNoOutputAppears) {
    WriteOldOutput();
    const std::string missing = dir_.File("missing.mdb");
    const AdminResult result = RunAdmin({"export", "-o", output_, missing});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err.rfind("tavix-admin: " + missing +
                                   ": cannot open the database: "
                                   "the file does not exist",
                               0),
              0u)
        << result.err;
    EXPECT_EQ(FileContent(output_), "old content\n");

    const AdminResult not_a_store = RunAdmin({"export", output_});
    EXPECT_EQ(not_a_store.exit_status, 1);
    EXPECT_NE(not_a_store.err.find(output_ + ": cannot open the database: the file is not an "
                                             "SQLite database"),
              std::string::npos)
        << not_a_store.err;
    EXPECT_EQ(not_a_store.out, "");
}

TEST_F(ExportOutputTest, ExportNeverWritesTheStoreNorOverwritesIt) {
    AddReadings(100);
    const std::string before = FileContent(path_);
    const auto modified = std::filesystem::last_write_time(path_);
    Export({});
    Export({"--totals"});
    const AdminResult over_store = RunAdmin({"export", "--output", path_, path_});
    EXPECT_EQ(over_store.exit_status, 1);
    EXPECT_NE(over_store.err.find("refusing to write the export over the store's own file"),
              std::string::npos);
    const AdminResult over_wal = RunAdmin({"export", "--output", path_ + "-wal", path_});
    EXPECT_EQ(over_wal.exit_status, 1);
    EXPECT_EQ(FileContent(path_), before);
    EXPECT_EQ(std::filesystem::last_write_time(path_), modified);
    EXPECT_EQ(Count("SELECT count(*) FROM Readings"), 100);
}

TEST_F(ExportOutputTest, ATableWithoutTheReadingsColumnsIsAnErrorNamingTheStore) {
    Sql("DROP TABLE Readings; CREATE TABLE Readings (code TEXT)");
    const AdminResult result = RunAdmin({"export", path_});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.err.rfind("tavix-admin: " + path_ + ": cannot read the readings: ", 0), 0u)
        << result.err;
}

}  // namespace
}  // namespace tavix::testing
