#include "screen_helpers/text_layout.hpp"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavix::screen_helpers {
namespace {

std::string Spaces(int count) {
    return std::string(static_cast<std::size_t>(count), ' ');
}

// The rows a text box of width columns cuts a wrapped text into.
std::vector<std::string> RowsOf(const std::string& wrapped, int width) {
    std::vector<std::string> rows;
    for (std::size_t pos = 0; pos < wrapped.size(); pos += static_cast<std::size_t>(width)) {
        rows.push_back(wrapped.substr(pos, static_cast<std::size_t>(width)));
    }
    return rows;
}

TEST(CentreTextTest, SharesTheSpacesWithTheExtraOneOnTheRight) {
    struct Case {
        std::string text;
        int width;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"ESEMPIO", 21, Spaces(7) + "ESEMPIO" + Spaces(7)},
        {"TESTO  DI", 21, Spaces(6) + "TESTO  DI" + Spaces(6)},
        {"(ESC esce)", 21, Spaces(5) + "(ESC esce)" + Spaces(6)},
        {"Terminale: 12345", 21, Spaces(2) + "Terminale: 12345" + Spaces(3)},
        {"", 21, Spaces(21)},
        {"", 0, ""},
        {"abc", 3, "abc"},
        {"a", 2, "a "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CentreText(c.text, c.width), c.expected) << '"' << c.text << "\" in " << c.width;
    }
}

TEST(CentreTextTest, RejectsATextLongerThanTheWidth) {
    EXPECT_THROW(CentreText("abcd", 3), std::invalid_argument);
    EXPECT_THROW(CentreText("", -1), std::invalid_argument);
}

TEST(PadTextTest, CutsOrFillsWithTheFirstCharacterOfThePad) {
    struct Case {
        std::string text;
        int width;
        std::string pad;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"abc", 2, " ", "ab"},  {"ab", 5, "xy", "abxxx"}, {"K_UP", 20, " ", "K_UP" + Spaces(16)},
        {"abc", 3, " ", "abc"}, {"abc", 0, " ", ""},      {"", 4, "-", "----"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PadText(c.text, c.width, c.pad), c.expected)
            << '"' << c.text << "\" to " << c.width << " with \"" << c.pad << '"';
    }
}

TEST(PadTextTest, RejectsAnEmptyPadAndANegativeWidth) {
    EXPECT_THROW(PadText("ab", 5, ""), std::invalid_argument);
    EXPECT_THROW(PadText("ab", 2, ""), std::invalid_argument);
    EXPECT_THROW(PadText("ab", -1, " "), std::invalid_argument);
}

TEST(WrapTextTest, BreaksIntoPaddedRowsButTheLast) {
    struct Case {
        std::string name;
        std::string text;
        int width;
        std::vector<std::string> rows;
    };
    const std::vector<Case> cases = {
        {"full row followed by a space stays whole", "abcde fg", 5, {"abcde", "fg"}},
        {"full row of two words at the end loses its last word", "ab cd", 5, {"ab   ", "cd"}},
        {"full row of two words before a letter", "ab cd fgh", 5, {"ab cd", "fgh"}},
        {"last word carried before a letter", "ab cde", 5, {"ab   ", "cde"}},
        {"single word filling the row at the end", "abcde", 5, {"abcde"}},
        {"long word cut into pieces", "abcdefgh", 3, {"abc", "def", "gh"}},
        {"long word after a short one", "a bcdefgh", 3, {"a  ", "bcd", "efg", "h"}},
        {"two carriage returns leave an empty row", "ab\r\rcd", 5, {"ab   ", "     ", "cd"}},
        {"full word before a carriage return", "abcde\rxy", 5, {"abcde", "     ", "xy"}},
        {"two words filling the row before a carriage return",
         "ab cd\rxy",
         5,
         {"ab   ", "cd   ", "xy"}},
        {"trailing carriage return pads the last row", "ab\r", 5, {"ab   "}},
        {"leading blanks of every row dropped", "   ab  cd    ef", 5, {"ab   ", "cd   ", "ef"}},
        {"only blanks", "     ", 3, {}},
        {"line feed is an ordinary character", "a\nb", 5, {"a\nb"}},
        {"width one", "a bc", 1, {"a", "b", "c"}},
        {"empty text", "", 5, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RowsOf(WrapText(c.text, c.width), c.width), c.rows) << c.name;
    }
}

TEST(WrapTextTest, RejectsAWidthBelowOne) {
    EXPECT_THROW(WrapText("ab", 0), std::invalid_argument);
    EXPECT_THROW(WrapText("", -3), std::invalid_argument);
}

// Random texts over the characters that matter to the wrapping: every character but spaces
// and carriage returns survives in order, rows have the width, no row starts with a blank.
TEST(WrapTextTest, KeepsEveryVisibleCharacterOfRandomTexts) {
    std::mt19937 random(20260101);
    const std::string alphabet = "ab  \r";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 40);
    for (int round = 0; round < 2000; ++round) {
        const int width = round % 7 + 1;
        std::string text;
        for (int i = length(random); i > 0; --i) {
            text += alphabet[pick(random)];
        }
        const std::string wrapped = WrapText(text, width);

        std::string visible_in;
        for (const char c : text) {
            if (c != ' ' && c != '\r') {
                visible_in += c;
            }
        }
        std::string visible_out;
        for (const auto& row : RowsOf(wrapped, width)) {
            if (row.find_first_not_of(' ') != std::string::npos) {
                EXPECT_NE(row.front(), ' ') << "text \"" << text << "\" width " << width;
            }
            for (const char c : row) {
                if (c != ' ') {
                    visible_out += c;
                }
            }
        }
        ASSERT_EQ(visible_out, visible_in) << "text \"" << text << "\" width " << width;
    }
}

}  // namespace
}  // namespace tavix::screen_helpers
