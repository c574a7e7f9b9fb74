// The real program on a PostgreSQL server: the flows that visit every screen, run in a tmux pane
// with the readings on the test program's own server, show at every step what the program
// shows headless on a database file from the same readings, and leave the same readings behind.
// So the screens cannot tell the two stores apart.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/flows.hpp"
#include "e2e/same_screens.hpp"
#include "store/database.hpp"
#include "store/postgres/client/connection.hpp"
#include "support/file_content.hpp"
#include "support/postgres/shared_server.hpp"
#include "support/program/headless_screens.hpp"
#include "support/temp_dir.hpp"

namespace tavix::testing {
namespace {

const TermCase kTerm = {"Tmux256", "tmux-256color", 256};

std::string ShellQuoted(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// The readings table on a fresh database of the server, as `tavix-admin init URI` makes it.
class ScreensOnPostgresTest : public ::testing::Test {
  protected:
    ScreensOnPostgresTest() { store::CreateReadingsDatabase(database_.Uri()); }

    // The program reaches the server through --database and logs to a file of its folder.
    PaneStore OnTheServer() {
        return PaneStore{
            [this](const ProgramFolder&, const std::vector<SeedReading>& readings) {
                Seed(readings);
            },
            "--database " + ShellQuoted(database_.Uri()) + " --log " + ShellQuoted(log_)};
    }

    void Seed(const std::vector<SeedReading>& readings) {
        for (const SeedReading& reading : readings) {
            server_.Execute(
                "INSERT INTO readings (code, qt, terminal, datetime) VALUES ($1, $2, $3, $4)",
                {reading.code, std::to_string(reading.qt), reading.terminal, reading.date_time},
                "seed a reading");
        }
    }

    // code|qt|terminal of every reading, in the order stored, with qt in its general form.
    std::vector<std::string> ReadingsOnTheServer() {
        const store::postgres::Result rows = server_.Execute(
            "SELECT code || '|' || qt::text || '|' || terminal FROM readings ORDER BY id",
            "read the readings");
        std::vector<std::string> readings;
        for (int row = 0; row < rows.Rows(); ++row) {
            readings.emplace_back(rows.Text(row, 0));
        }
        return readings;
    }

    static std::vector<std::string> ReadingsLeft(const HeadlessRun& run) {
        std::vector<std::string> readings;
        for (const StoredReading& reading : run.readings_left) {
            char qt[32];
            std::snprintf(qt, sizeof qt, "%g", reading.Quantity());
            readings.push_back(reading.code + "|" + qt + "|" + reading.terminal);
        }
        return readings;
    }

    // Nothing failed on the server: the diagnostic log got no line.
    std::string Log() const {
        return std::filesystem::exists(log_) ? FileContent(log_) : std::string();
    }

    FreshDatabase database_;
    store::postgres::Connection server_{database_.ConnInfo()};
    TempDir log_folder_;
    std::string log_ = log_folder_.File("tavix.log");
};

TEST_F(ScreensOnPostgresTest, AcquisitionReadingsListAndArchive) {
    const std::vector<FlowKey> flow = AcquisitionListAndArchiveFlow();
    EXPECT_TRUE(ShowsTheSameScreens(flow, kTerm, ArchiveReadings(), OnTheServer()));

    const HeadlessRun headless = RunHeadless(
        KeyCodes(flow), [](const std::string& path) { SeedReadings(path, ArchiveReadings()); });
    EXPECT_EQ(ReadingsOnTheServer(), ReadingsLeft(headless));
    EXPECT_EQ(Log(), "");
}

TEST_F(ScreensOnPostgresTest, EmptyArchiveBlankInputAndTheQuantityFieldsKeys) {
    EXPECT_TRUE(ShowsTheSameScreens(EmptyArchiveAndBlankInputFlow(), kTerm, {}, OnTheServer()));
    EXPECT_EQ(ReadingsOnTheServer(), std::vector<std::string>{});
    EXPECT_EQ(Log(), "");
}

}  // namespace
}  // namespace tavix::testing
