#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "demo/colour_names.hpp"
#include "demo/key_names.hpp"

namespace tavix::demo {
namespace {

// Bare codes on purpose: they also check the key constants the table is written with.
TEST(KeyNameTest, NamesKeysAcrossTheTable) {
    const std::vector<std::pair<int, std::string>> cases = {
        {2, "K_CTRL_B"},    {10, "K_CTRL_RETURN"}, {13, "K_ENTER"},    {27, "K_ESC"},
        {32, "K_SPACE"},    {271, "K_SHIFT_TAB"},  {315, "K_F1"},      {324, "K_F10"},
        {329, "K_PAG_UP"},  {336, "K_DOWN"},       {337, "K_PAG_DW"},  {375, "K_CTRL_HM"},
        {388, "K_CTRL_PU"}, {389, "K_F11"},        {401, "K_CTRL_DW"},
    };
    for (const auto& [code, name] : cases) {
        EXPECT_EQ(KeyName(code), name) << "code " << code;
    }
}

TEST(KeyNameTest, GivesNdForCodesWithoutAConstant) {
    for (const int code :
         {-1, 0, 1, 3, 33, 65, 126, 254, 255, 256, 314, 325, 330, 400, 402, 65536}) {
        EXPECT_EQ(KeyName(code), "[ND]") << "code " << code;
    }
}

TEST(KeyNameTest, NamesExactly45DistinctCodes) {
    std::set<std::string> names;
    int named_codes = 0;
    for (int code = -32768; code <= 65535; ++code) {
        const std::string name = KeyName(code);
        if (name != "[ND]") {
            ++named_codes;
            names.insert(name);
        }
    }
    EXPECT_EQ(named_codes, 45);
    EXPECT_EQ(names.size(), 45u);
}

TEST(ColourNameTest, NamesThePaletteInOrder) {
    const std::vector<std::pair<int, std::string>> cases = {
        {0, "BLACK"},    {1, "BLUE"},      {4, "RED"},           {6, "BROWN"},   {7, "LIGHTGRAY"},
        {8, "DARKGRAY"}, {12, "LIGHTRED"}, {13, "LIGHTMAGENTA"}, {14, "YELLOW"}, {15, "WHITE"},
    };
    for (const auto& [number, name] : cases) {
        EXPECT_EQ(ColourName(number), name) << "colour " << number;
    }
    std::set<std::string> names;
    for (int number = 0; number <= 15; ++number) {
        names.insert(ColourName(number));
    }
    EXPECT_EQ(names.size(), 16u);
    EXPECT_EQ(names.count(""), 0u);
}

TEST(ColourNameTest, GivesNothingOutsideThePalette) {
    for (const int number : {-32768, -1, 16, 17, 255, 32767}) {
        EXPECT_EQ(ColourName(number), "") << "colour " << number;
    }
}

}  // namespace
}  // namespace tavix::demo
