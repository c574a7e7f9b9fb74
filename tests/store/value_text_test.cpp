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

TEST(GeneralFormTest, OrdinaryNumbersHaveNoExponentTrailingZerosOrBlanks) {
    EXPECT_EQ(GeneralForm(5.0), "5");
    EXPECT_EQ(GeneralForm(12.0), "12");
    EXPECT_EQ(GeneralForm(2.5), "2.5");
    EXPECT_EQ(GeneralForm(-0.25), "-0.25");
    EXPECT_EQ(GeneralForm(0.1), "0.1");
    EXPECT_EQ(GeneralForm(-0.0), "-0");
    EXPECT_EQ(GeneralForm(0.0001), "0.0001");
    EXPECT_EQ(GeneralForm(123456.0), "123456");
    EXPECT_EQ(GeneralForm(1e16), "10000000000000000");
    EXPECT_EQ(GeneralForm(std::int64_t{-42}), "-42");
}

// Fixed notation would show 1e308 as 309 digits, all but the first 17 of them made up by
// the binary value, and 1e-300 as 300 zeros.
TEST(GeneralFormTest, HugeAndTinyNumbersTakeTheExponentForm) {
    EXPECT_EQ(GeneralForm(1e308), "1e+308");
    EXPECT_EQ(GeneralForm(1e17), "1e+17");
    EXPECT_EQ(GeneralForm(-2.5e20), "-2.5e+20");
    EXPECT_EQ(GeneralForm(1e-7), "1e-07");
    EXPECT_EQ(GeneralForm(-1.5e-300), "-1.5e-300");
    EXPECT_EQ(GeneralForm(std::numeric_limits<double>::infinity()), "Inf");
}

TEST(GeneralFormTest, OtherValues) {
    EXPECT_EQ(GeneralForm(Value("007")), "007");
    EXPECT_EQ(GeneralForm(Value("")), "");
    EXPECT_EQ(GeneralForm(Value()), "");
    EXPECT_EQ(GeneralForm(Timestamp{2026, 12, 6, 7, 5, 9}), "2026-12-06 07:05:09");
}

TEST(GeneralFormTest, NumbersWithoutExponentReadBackAsTheSameNumber) {
    for (const double number :
         {0.1, 1.0 / 3, -2.0 / 7, 123456.789, 0.00012345, 9007199254740993.0, 1e16}) {
        EXPECT_EQ(NumberFromText(GeneralForm(number)), number) << GeneralForm(number);
    }
}

TEST(GeneralFormWithinTest, TextsAndDatesAreCutToTheWidth) {
    EXPECT_EQ(GeneralFormWithin(Value("ABCDEFGHIJKLMNOPQRSTUVW"), 20), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(GeneralFormWithin(Value("SHORT"), 20), "SHORT");
    EXPECT_EQ(GeneralFormWithin(Value(std::string(20'000'000, 'C')), 19), std::string(19, 'C'));
    EXPECT_EQ(GeneralFormWithin(Timestamp{2026, 12, 6, 7, 5, 9}, 10), "2026-12-06");
    EXPECT_EQ(GeneralFormWithin(Value(), 5), "");
}

TEST(GeneralFormWithinTest, NumbersThatFitKeepTheirGeneralForm) {
    EXPECT_EQ(GeneralFormWithin(12.0, 20), "12");
    EXPECT_EQ(GeneralFormWithin(-0.25, 20), "-0.25");
    EXPECT_EQ(GeneralFormWithin(1e308, 20), "1e+308");
    EXPECT_EQ(GeneralFormWithin(1e308, 6), "1e+308");
    EXPECT_EQ(GeneralFormWithin(std::int64_t{123456}, 6), "123456");
}

TEST(GeneralFormWithinTest, LongerNumbersAreRoundedToFitNeverCut) {
    EXPECT_EQ(GeneralFormWithin(0.00012345678901234567, 20), "0.000123456789012346");
    EXPECT_EQ(GeneralFormWithin(-1.2345678901234567e-300, 20), "-1.234567890123e-300");
    EXPECT_EQ(GeneralFormWithin(1.0 / 3, 6), "0.3333");
    EXPECT_EQ(GeneralFormWithin(1234567.0, 6), "1e+06");
    EXPECT_EQ(GeneralFormWithin(std::int64_t{-9223372036854775807 - 1}, 19), "-9.223372036855e+18");
}

TEST(GeneralFormWithinTest, APlaceOfNoWidthShowsNothing) {
    EXPECT_EQ(GeneralFormWithin(12.0, 0), "");
    EXPECT_EQ(GeneralFormWithin(Value("A"), 0), "");
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
