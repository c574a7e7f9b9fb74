#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/archive_browser.hpp"
#include "console/key_codes.hpp"
#include "screen_helpers/shared_state.hpp"
#include "store/timestamp.hpp"
#include "support/program/program_harness.hpp"
#include "support/screen_expect.hpp"

namespace tavix::archive {

namespace keys = console::keys;

inline store::Timestamp At(int year, int month, int day, int hour, int minute, int second) {
    return *store::Timestamp::FromParts(year, month, day, hour, minute, second);
}

// The program's state with the browser about to run on four readings stored out of code
// order, two of them with the same code:
//   table order  PANE 3, LATTE 2.5, UOVA 12, LATTE 7
//   code order   LATTE 2.5, LATTE 7, PANE 3, UOVA 12
struct BrowserTest : ::testing::Test {
    testing::ProgramHarness h;

    BrowserTest() {
        h.StoreReading("PANE", 3, "1", At(2026, 12, 6, 7, 5, 9));
        h.StoreReading("LATTE", 2.5, "2", At(2026, 12, 7, 8, 0, 0));
        h.StoreReading("UOVA", 12, "1", At(2026, 12, 8, 9, 10, 11));
        h.StoreReading("LATTE", 7, "3", At(2026, 12, 9, 10, 20, 30));
    }

    console::ScriptedTerminal& T() { return h.Terminal(); }
    const console::CellGrid& Screen() { return h.Terminal().Screen(); }

    // The text of columns 3 to 22 of a row without its trailing blanks.
    std::string RowText(int row) { return testing::TrimmedRowSpan(Screen(), row, 3, 22); }

    // The shown reading's code and quantity, such as "LATTE 2.5".
    std::string Shown() { return RowText(4) + " " + RowText(6); }

    // Records the shown reading when the browser next waits for a key.
    void Note(std::vector<std::string>& seen) {
        T().Then([this, &seen] { seen.push_back(Shown()); });
    }

    // The field-menu item under the highlight, 0 when no row of the menu has it.
    int HighlightedItem() {
        const console::Colour bar = h.Console().SlotColour(console::DispatchId::kMenuBarBack);
        for (int item = 1; item <= 10; ++item) {
            if (Screen().At(3, item + 2).bg == bar) {
                return item;
            }
        }
        return 0;
    }

    void NoteHighlight(std::vector<int>& seen) {
        T().Then([this, &seen] { seen.push_back(HighlightedItem()); });
    }

    // Runs the browser to its end; every scripted key must have been used.
    void RunBrowser() {
        ArchiveBrowser();
        EXPECT_EQ(T().PendingKeys(), 0u) << "the browser ended before its last key";
    }
};

}  // namespace tavix::archive
