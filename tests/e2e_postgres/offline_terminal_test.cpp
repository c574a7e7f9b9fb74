// A terminal storing into its own file and forwarding to the server (--forward): readings typed
// while the server is down are confirmed as usual, reach the server once it is back without a
// key pressed, and a correction and a deletion made in the archive browser follow them.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "store/database.hpp"
#include "store/postgres/client/connection.hpp"
#include "support/postgres/shared_server.hpp"
#include "support/program_folder.hpp"
#include "support/tmux_session.hpp"

namespace tavix::testing {
namespace {

class OfflineTerminalTest : public ::testing::Test {
  protected:
    OfflineTerminalTest() { store::CreateReadingsDatabase(database_.Uri()); }

    // code|qt of the forwarded readings on the server, in the order stored; "" when the server
    // cannot be asked.
    std::string OnTheServer() {
        try {
            store::postgres::Connection server(database_.ConnInfo());
            const store::postgres::Result rows = server.Execute(
                "SELECT coalesce(string_agg(code || '|' || qt::text, ',' ORDER BY source_id), '') "
                "FROM readings WHERE source IS NOT NULL",
                "look at the server");
            return std::string(rows.Text(0, 0));
        } catch (const std::exception&) {
            return "";
        }
    }

    bool ServerComesToHold(const std::string& expected) {
        // The forwarder tries ever less often while the server is down, up to every 30 s.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(70);
        while (OnTheServer() != expected && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return OnTheServer() == expected;
    }

    void Key(TmuxSession& pane, const std::string& key) {
        pane.SendKey(key);
        pane.WaitForStableScreen();
    }

    void Type(TmuxSession& pane, const std::string& text) {
        pane.SendText(text);
        pane.WaitForStableScreen();
    }

    FreshDatabase database_;
    ProgramFolder folder_;
};

TEST_F(OfflineTerminalTest, ReadingsTypedOfflineReachTheServerOnceAndTheirChangesFollow) {
    PostgresServer& server = SharedPostgresServer();
    TmuxSession pane(folder_.Command("TAVIX_CONFIG=/dev/null", "",
                                     "--forward '" + database_.Uri() + "' --log '" +
                                         folder_.File("tavix.log") + "'"),
                     {24, 20, "xterm-256color"});
    // Keys typed before the program reads them would be lost with the terminal's set-up.
    ASSERT_TRUE(pane.WaitForText("Premere ESC per"));
    server.ShutDown();
    // Started again however the test ends: the next test needs it.
    const std::unique_ptr<PostgresServer, void (*)(PostgresServer*)> restart(
        &server, [](PostgresServer* stopped) {
            if (stopped->ServerProcessId() == 0) {
                stopped->StartAgain();
            }
        });
    Key(pane, "Escape");
    Type(pane, "x");
    Type(pane, "i");
    Key(pane, "Enter");
    for (const std::string code : {"A1", "B2"}) {
        Type(pane, code);
        Key(pane, "Enter");
        Type(pane, "4");
        Key(pane, "Enter");
        EXPECT_EQ(pane.Screen().find("Lettura non salvata!"), std::string::npos) << code;
    }
    server.StartAgain();
    EXPECT_TRUE(ServerComesToHold("A1|4,B2|4")) << OnTheServer() << "\n" << pane.Screen();

    Key(pane, "F3");  // the browser, on A1
    Type(pane, "q");
    Type(pane, "7");  // the first character typed replaces the quantity
    Key(pane, "Enter");
    Key(pane, "Right");  // B2, deleted
    Key(pane, "BSpace");
    Key(pane, "Enter");
    EXPECT_TRUE(ServerComesToHold("A1|7")) << OnTheServer() << "\n" << pane.Screen();
}

}  // namespace
}  // namespace tavix::testing
