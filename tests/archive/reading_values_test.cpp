#include "browser_fixture.hpp"

namespace tavix::archive {
namespace {

using testing::RowsAre;

TEST_F(BrowserTest, ValuesAreShownInTheirGeneralForm) {
    h.Execute("DELETE FROM Readings");
    h.Execute(
        "INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "('A#B~C|D', 12, '007', '2027-01-01 00:00:00'),"
        "('X', 0.125, 12.0, '2026-12-31 23:59:59'),"
        "(NULL, NULL, NULL, NULL)");
    T().Then([&] {
        EXPECT_TRUE(RowsAre(
            Screen(), 3, 3,
            {"Codice:   ", "A‡B˜C¦D   ", "Quantita':", "12        ", "Terminale:", "007       ",
             "Data:     ", "01/01/2027", "Ora:      ", "00:00:00  "}));
    });
    T().Key(keys::kRight).Then([&] {
        EXPECT_TRUE(RowsAre(Screen(), 3, 4, {"X         "}));
        EXPECT_TRUE(RowsAre(Screen(), 3, 6, {"0.125     "}));
        EXPECT_TRUE(RowsAre(Screen(), 3, 8, {"12        "}));
        EXPECT_TRUE(RowsAre(Screen(), 3, 12, {"23:59:59  "}));
    });
    T().Key(keys::kRight).Then([&] {
        EXPECT_TRUE(RowsAre(
            Screen(), 3, 3,
            {"Codice:   ", "          ", "Quantita':", "          ", "Terminale:", "          ",
             "Data:     ", "          ", "Ora:      ", "          "}));
    });
    // Menu characters in a stored code show as look-alikes and leave every label in its row;
    // the code editor starts from the stored code, menu characters and all.
    T().Keys({keys::kLeft, keys::kLeft, 'c'}).Then([&] { EXPECT_EQ(RowText(4), "A#B~C|D"); });
    T().Keys({keys::kEnter, keys::kEsc});
    RunBrowser();
    EXPECT_EQ(h.StoredReadings().at(0).code, "A#B~C|D");
}

// The right column of the outer frame from row 2 to 18, and the column beyond it: what a
// value too long for its place would write over.
std::string RightEdge(const console::CellGrid& screen) {
    std::string edge;
    for (int row = 2; row <= 18; ++row) {
        edge += testing::RowSpan(screen, row, 23, 24) + "/";
    }
    return edge;
}

TEST_F(BrowserTest, ValuesLongerThanTheirPlaceAreCutAndLeaveTheFrameWhole) {
    h.Execute("DELETE FROM Readings");
    h.Execute(
        "INSERT INTO Readings (code, qt, terminal, DateTime) VALUES "
        "('ABCDEFGHIJKLMNOPQRSTUVW', 1e308, '1234567890123456789012345', "
        "'2027-01-01 00:00:00'),"
        "('SHORT', 0.00012345678901234567, '3', '2027-01-01 00:00:00')");
    std::string whole_edge;
    for (int row = 2; row <= 18; ++row) {
        whole_edge += "║ /";
    }
    T().Then([&] {
        EXPECT_EQ(RowText(4), "ABCDEFGHIJKLMNOPQRST");
        EXPECT_EQ(RowText(6), "1e+308");
        EXPECT_EQ(RowText(8), "12345678901234567890");
        EXPECT_EQ(RightEdge(Screen()), whole_edge);
    });
    T().Key(keys::kRight).Then([&] {
        EXPECT_EQ(RowText(4), "SHORT");
        EXPECT_EQ(RowText(6), "0.000123456789012346");
        EXPECT_EQ(RightEdge(Screen()), whole_edge);
    });
    // The editor starts from the beginning of the stored code, and an unchanged entry keeps
    // the code whole.
    T().Keys({keys::kLeft, 'c'}).Then([&] { EXPECT_EQ(RowText(4), "ABCDEFGHIJKLMNOPQR"); });
    T().Keys({keys::kEnter, keys::kEsc});
    RunBrowser();
    EXPECT_EQ(RightEdge(Screen()), whole_edge);
    EXPECT_EQ(h.StoredReadings().at(0).code, "ABCDEFGHIJKLMNOPQRSTUVW");
}

}  // namespace
}  // namespace tavix::archive
