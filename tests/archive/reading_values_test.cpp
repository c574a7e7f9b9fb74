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

}  // namespace
}  // namespace tavix::archive
