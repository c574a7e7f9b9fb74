#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/archive_browser.hpp"
#include "console/key_codes.hpp"
#include "store/timestamp.hpp"
#include "support/program/program_harness.hpp"
#include "support/screen_expect.hpp"

namespace tavix::archive {
namespace {

namespace keys = console::keys;
using Codes = std::vector<std::string>;

// The browser on AAA, BBB, CCC and DDD, stored in that order, after a search has put it in
// code order. An edited code moves its reading within that order, and the browser goes on from
// where the reading stands now.
class EditedCodeTest : public ::testing::Test {
  protected:
    EditedCodeTest() {
        const store::Timestamp when{2026, 12, 6, 7, 5, 9};
        for (const char* code : {"AAA", "BBB", "CCC", "DDD"}) {
            h.StoreReading(code, 1, "1", when);
        }
    }

    console::ScriptedTerminal& T() { return h.Terminal(); }

    // Records the shown code when the browser next waits for a key.
    void Note() {
        T().Then([this] {
            std::string code = testing::RowSpan(T().Screen(), 4, 3, 22);
            code.erase(code.find_last_not_of(' ') + 1);
            seen_.push_back(code);
        });
    }

    void SearchAndRename(const std::string& code, const std::string& new_code) {
        T().Key(keys::kF3).Text(code).Key(keys::kEnter);
        T().Key('c').Text(new_code).Key(keys::kEnter);
        Note();
    }

    Codes RunBrowser() {
        T().Key(keys::kEsc);
        ArchiveBrowser();
        EXPECT_EQ(T().PendingKeys(), 0u) << "the browser ended before its last key";
        return seen_;
    }

    testing::ProgramHarness h;
    Codes seen_;
};

TEST_F(EditedCodeTest, StepsStartFromTheNewPlaceOfAnEditedCode) {
    SearchAndRename("CCC", "A0");  // A0 AAA BBB DDD
    for (const console::KeyCode key :
         {keys::kLeft, keys::kRight, keys::kRight, keys::kRight, keys::kRight, keys::kLeft}) {
        T().Key(key);
        Note();
    }
    EXPECT_EQ(RunBrowser(), (Codes{"A0", "A0", "AAA", "BBB", "DDD", "DDD", "BBB"}));
}

TEST_F(EditedCodeTest, DeletingRightAfterAnEditShowsTheNextFromTheNewPlace) {
    SearchAndRename("BBB", "ZZZ");  // AAA CCC DDD ZZZ: ZZZ is now the last
    T().Keys({keys::kBackspace, keys::kEnter});
    Note();                         // the last in order went: the first is shown
    SearchAndRename("AAA", "CCD");  // CCC CCD DDD
    T().Keys({keys::kBackspace, keys::kEnter});
    Note();
    EXPECT_EQ(RunBrowser(), (Codes{"ZZZ", "AAA", "CCD", "DDD"}));
    EXPECT_EQ(h.StoredReadings().size(), 2u);
}

}  // namespace
}  // namespace tavix::archive
