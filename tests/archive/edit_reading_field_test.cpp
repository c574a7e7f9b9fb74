#include "browser_fixture.hpp"

namespace tavix::archive {
namespace {

using testing::StoredReading;

std::string QuantityOf(const testing::ProgramHarness& h, const std::string& code) {
    for (const StoredReading& reading : h.StoredReadings()) {
        if (reading.code == code) {
            return reading.qt;
        }
    }
    return "no reading " + code;
}

std::string DateTimeOf(const testing::ProgramHarness& h, std::size_t row) {
    return h.StoredReadings().at(row).date_time;
}

// Every stored reading as one text, types included: "code|qt|terminal (type)|DateTime".
std::vector<std::string> Described(const std::vector<StoredReading>& readings) {
    std::vector<std::string> texts;
    for (const StoredReading& r : readings) {
        texts.push_back(r.code + "|" + r.qt + "|" + r.terminal + " (" + r.terminal_type + ")|" +
                        r.date_time);
    }
    return texts;
}

TEST_F(BrowserTest, ANewQuantityIsStoredAndShownWithTheHighlightOnItsLabel) {
    T().Keys({'q', '1', '5', keys::kEnter}).Then([&] {
        EXPECT_EQ(RowText(6), "15");
        EXPECT_EQ(HighlightedItem(), 3);
    });
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(QuantityOf(h, "PANE"), "15.0");
}

TEST_F(BrowserTest, AShownDecimalQuantityReadsBackWithItsPoint) {
    // On LATTE 2.5: the last digit replaced, the rest of the shown text kept.
    T().Keys({keys::kRight, 'q', keys::kEnd, keys::kBackspace, '7', keys::kEnter}).Then([&] {
        EXPECT_EQ(RowText(6), "2.7");
    });
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(h.StoredReadings().at(1).qt, "2.7");
}

TEST_F(BrowserTest, TheTerminalEditorTakesFiveDigitsAndStoresTheirNumber) {
    T().Key('t').Then([&] { EXPECT_EQ(RowText(8), "1"); });
    T().Text("123456").Key(keys::kEnter).Then([&] { EXPECT_EQ(RowText(8), "12345"); });
    T().Key(keys::kEsc);
    RunBrowser();
    const StoredReading pane = h.StoredReadings().at(0);
    EXPECT_EQ(pane.terminal, "12345.0");
    EXPECT_EQ(pane.terminal_type, "real");
}

TEST_F(BrowserTest, ACodeIsStoredAsTypedInCapitalsWithoutTrimming) {
    T().Key('c').Text("latte #2 ").Key(keys::kEnter);  // the editor refuses "#"
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(h.StoredReadings().at(0).code, "LATTE 2 ");
}

TEST_F(BrowserTest, ADateEditKeepsTheTimeOfDayAndATimeEditKeepsTheDay) {
    T().Key('d').Then([&] { EXPECT_EQ(RowText(10), "06/12/2026"); });
    T().Text("24122026").Key(keys::kEnter).Then([&] {
        EXPECT_EQ(RowText(10), "24/12/2026");
        EXPECT_EQ(RowText(12), "07:05:09");
    });
    T().Key('o').Then([&] { EXPECT_EQ(RowText(12), "07:05:09"); });
    T().Text("183000").Key(keys::kEnter).Then([&] {
        EXPECT_EQ(RowText(10), "24/12/2026");
        EXPECT_EQ(RowText(12), "18:30:00");
    });
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(DateTimeOf(h, 0), "2026-12-24 18:30:00");
}

TEST_F(BrowserTest, TheDateJoinsTheTimeStoredWhenTheEditIsWritten) {
    // Another program changes the time while the date is being typed: the new date goes with
    // the time stored at the moment of writing, not the one shown.
    T().Key('d').Then([&] {
        h.Execute("UPDATE Readings SET DateTime = '2026-12-06 11:22:33' WHERE code = 'PANE'");
    });
    T().Text("01012027").Key(keys::kEnter);
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(DateTimeOf(h, 0), "2027-01-01 11:22:33");
}

TEST_F(BrowserTest, BlankEntriesAndEscWriteNothing) {
    const std::vector<std::string> before = Described(h.StoredReadings());
    T().Key('c').Text("   ").Key(keys::kEnter);
    T().Keys({'q', keys::kEnd, keys::kBackspace, keys::kEnter});
    T().Keys({'t', '7', keys::kEsc});
    T().Keys({'d', '0', '1', keys::kEsc});
    T().Keys({'o', '2', '3', keys::kEsc});
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(Described(h.StoredReadings()), before);
}

TEST_F(BrowserTest, ReconfirmingEveryUnchangedValueRewritesTheSameValue) {
    // Values another tool could have written: a code with blanks and menu characters, a
    // quantity longer than its editor, a text terminal with a leading zero, a numeric one.
    h.Execute("DELETE FROM Readings");
    h.Execute(
        "INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "('A#B~C|D ', 2.5, '007', '2026-02-28 23:59:59'),"
        "('LATTE', 1234.5678, 12.0, '2027-01-01 00:00:00'),"
        "('PANE', -0.25, 3, '2026-12-06 07:05:09')");
    const std::vector<std::string> before = Described(h.StoredReadings());
    for (int reading = 0; reading < 3; ++reading) {
        for (const console::KeyCode letter : {'c', 'q', 't', 'd', 'o'}) {
            T().Keys({letter, keys::kEnter});
        }
        T().Key(keys::kRight);
    }
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(Described(h.StoredReadings()), before);
}

TEST_F(BrowserTest, ADayOrTimeThatDoesNotExistIsSkippedAndLeavesTheFileFree) {
    const std::vector<std::string> before = Described(h.StoredReadings());
    auto expect_file_free = [&] {
        // A write lock left behind would make this wait and then fail.
        EXPECT_NO_THROW(h.Execute("UPDATE Readings SET terminal = terminal WHERE code = 'UOVA'"));
    };
    T().Key('d').Text("31022026").Key(keys::kEnter).Then(expect_file_free);
    T().Key('o').Text("250000").Key(keys::kEnter).Then(expect_file_free);
    T().Key('d').Text("00002026").Key(keys::kEnter).Then(expect_file_free);
    T().Then([&] {
        EXPECT_EQ(Described(h.StoredReadings()), before);
        EXPECT_EQ(RowText(10), "06/12/2026");
        EXPECT_EQ(RowText(12), "07:05:09");
    });
    T().Keys({'q', '8', keys::kEnter});  // the browser goes on and edits as before
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(QuantityOf(h, "PANE"), "8.0");
    EXPECT_EQ(DateTimeOf(h, 0), "2026-12-06 07:05:09");
}

TEST_F(BrowserTest, AReadingWithoutDateTimeTakesADateAtMidnightButNoTime) {
    h.Execute("UPDATE Readings SET DateTime = NULL WHERE code = 'PANE'");
    T().Then([&] {
        EXPECT_EQ(RowText(10), "");
        EXPECT_EQ(RowText(12), "");
    });
    T().Key('o').Text("101010").Key(keys::kEnter).Then([&] { EXPECT_EQ(RowText(12), ""); });
    T().Key('d').Text("05052026").Key(keys::kEnter);
    T().Key(keys::kEsc);
    RunBrowser();
    EXPECT_EQ(DateTimeOf(h, 0), "2026-05-05 00:00:00");
}

}  // namespace
}  // namespace tavix::archive
