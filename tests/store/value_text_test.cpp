#include "store/value_text.hpp"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "support/temp_dir.hpp"

namespace tavix::store {
namespace {

TEST(GeneralFormTest, NumbersHaveNoExponentTrailingZerosOrBlanks) {
    EXPECT_EQ(GeneralForm(5.0), "5");
    EXPECT_EQ(GeneralForm(12.0), "12");
    EXPECT_EQ(GeneralForm(2.5), "2.5");
    EXPECT_EQ(GeneralForm(-0.25), "-0.25");
    EXPECT_EQ(GeneralForm(0.1), "0.1");
    EXPECT_EQ(GeneralForm(-0.0), "0");
    EXPECT_EQ(GeneralForm(1e20), "100000000000000000000");
    EXPECT_EQ(GeneralForm(1e-7), "0.0000001");
    EXPECT_EQ(GeneralForm(std::int64_t{-42}), "-42");
}

TEST(GeneralFormTest, OtherValues) {
    EXPECT_EQ(GeneralForm(Value("007")), "007");
    EXPECT_EQ(GeneralForm(Value("")), "");
    EXPECT_EQ(GeneralForm(Value()), "");
    EXPECT_EQ(GeneralForm(Timestamp{2026, 12, 6, 7, 5, 9}), "2026-12-06 07:05:09");
}

TEST(GeneralFormTest, ReadsBackAsTheSameNumber) {
    for (const double number :
         {0.1, 1.0 / 3, -2.0 / 7, 123456.789, 1e-300, 1.7976931348623157e308, 9007199254740993.0}) {
        EXPECT_EQ(NumberFromText(GeneralForm(number)), number) << GeneralForm(number);
    }
}

// Switches the C library to a locale with a decimal comma, building one in a temporary folder
// when none is installed; false when neither works.
bool UseDecimalCommaLocale(const testing::TempDir& dir) {
    constexpr const char* kLocale = "it_IT.UTF-8";
    if (std::setlocale(LC_ALL, kLocale) != nullptr) {
        return true;
    }
    const std::string command =
        "localedef -i it_IT -f UTF-8 '" + dir.File(kLocale) + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) {
        return false;
    }
    setenv("LOCPATH", dir.Path().c_str(), 1);
    const bool switched = std::setlocale(LC_ALL, kLocale) != nullptr;
    unsetenv("LOCPATH");
    return switched;
}

TEST(GeneralFormTest, DecimalPointWhateverTheLocale) {
    testing::TempDir dir;
    if (!UseDecimalCommaLocale(dir)) {
        GTEST_SKIP() << "no locale with a decimal comma can be installed";
    }
    char c_library_form[16];
    std::snprintf(c_library_form, sizeof c_library_form, "%g", 2.5);
    const std::string shown = GeneralForm(2.5);
    const double read = NumberFromText("2.5");
    std::setlocale(LC_ALL, "C");
    ASSERT_STREQ(c_library_form, "2,5");  // the locale really is in force
    EXPECT_EQ(shown, "2.5");
    EXPECT_EQ(read, 2.5);
}

TEST(NumberFromTextTest, ReadsTheLeadingNumberSkippingBlanks) {
    EXPECT_EQ(NumberFromText("12"), 12);
    EXPECT_EQ(NumberFromText("0"), 0);
    EXPECT_EQ(NumberFromText("  1 2 "), 12);
    EXPECT_EQ(NumberFromText("- 3.5"), -3.5);
    EXPECT_EQ(NumberFromText("+4"), 4);
    EXPECT_EQ(NumberFromText(".5"), 0.5);
    EXPECT_EQ(NumberFromText("5."), 5);
    EXPECT_EQ(NumberFromText("\t7"), 7);
}

TEST(NumberFromTextTest, StopsAtTheFirstCharacterThatCannotContinue) {
    EXPECT_EQ(NumberFromText("1.2.3"), 1.2);
    EXPECT_EQ(NumberFromText("1e5"), 1);  // no exponent
    EXPECT_EQ(NumberFromText("1,5"), 1);  // "," is never a decimal point
    EXPECT_EQ(NumberFromText("12abc"), 12);
    EXPECT_EQ(NumberFromText("3-4"), 3);
    EXPECT_EQ(NumberFromText("+-5"), 0);
}

TEST(NumberFromTextTest, NoLeadingNumberGivesZero) {
    for (const char* text : {"", "   ", "abc", "-", ".", "-.", "x12"}) {
        EXPECT_EQ(NumberFromText(text), 0) << '"' << text << '"';
    }
}

TEST(NumberFromTextTest, TooManyDigitsGiveTheNearestDouble) {
    EXPECT_EQ(NumberFromText(std::string(400, '9')), std::numeric_limits<double>::infinity());
    EXPECT_EQ(NumberFromText("-" + std::string(400, '9')),
              -std::numeric_limits<double>::infinity());
    EXPECT_EQ(NumberFromText("0." + std::string(400, '0') + "1"), 0);
}

}  // namespace
}  // namespace tavix::store
