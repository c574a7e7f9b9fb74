// The browser goes on past what fails, as the operator always saw it; the diagnostic log gets
// each failure it passed.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser_fixture.hpp"

namespace tavix::archive {
namespace {

// The log lines' texts after their time and process.
std::vector<std::string> LoggedTexts(const testing::ProgramHarness& h) {
    std::vector<std::string> texts;
    for (const std::string& line : h.LogLines()) {
        texts.push_back(line.substr(line.find("]: ") + 3));
    }
    return texts;
}

bool Logged(const std::vector<std::string>& texts, const std::string& step) {
    for (const std::string& text : texts) {
        if (text.starts_with(step + ": " + screen_helpers::DatabasePath + ": ")) {
            return true;
        }
    }
    return false;
}

TEST_F(BrowserTest, EachStepThatFailsOnAReadingRemovedByAnotherProgramIsLogged) {
    screen_helpers::DatabasePath = h.DatabasePath();
    T().Then([&] { h.Execute("DELETE FROM Readings WHERE code = 'PANE'"); });
    T().Keys({'q', '5', keys::kEnter});
    T().Keys({keys::kBackspace, keys::kEnter});
    T().Key(keys::kRight).Then([&] { EXPECT_EQ(Shown(), "LATTE 2.5"); });
    T().Key(keys::kEsc);
    RunBrowser();
    const std::vector<std::string> texts = LoggedTexts(h);
    EXPECT_TRUE(Logged(texts, "archive: reading the values of the reading shown"))
        << ::testing::PrintToString(texts);
    EXPECT_TRUE(Logged(texts, "archive: editing the reading shown"))
        << ::testing::PrintToString(texts);
    EXPECT_TRUE(Logged(texts, "archive: deleting the reading shown"))
        << ::testing::PrintToString(texts);
}

TEST_F(BrowserTest, BrowsingEditingDeletingAndSearchingLogNothing) {
    T().Keys({keys::kRight, keys::kRight, keys::kRight, keys::kRight, keys::kLeft});
    T().Keys({'q', '5', keys::kEnter, keys::kBackspace, keys::kEnter});
    T().Key(keys::kF3).Text("LATTE").Key(keys::kEnter);
    T().Key(keys::kF3).Text("NONE").Key(keys::kEnter);
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(h.LogLines(), std::vector<std::string>{});
}

TEST_F(BrowserTest, AnEmptyTableIsNoFailure) {
    h.Execute("DELETE FROM Readings");
    T().Key(keys::kEnter);
    RunBrowser();
    EXPECT_EQ(h.LogLines(), std::vector<std::string>{});
}

}  // namespace
}  // namespace tavix::archive
