#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "acquisition/entry_loop.hpp"
#include "acquisition/list_line.hpp"
#include "screen_helpers/shared_state.hpp"
#include "support/program/program_harness.hpp"
#include "support/temp_dir.hpp"

namespace tavix::acquisition {
namespace {

// Switches the C library to a locale with a decimal comma, building one in a temporary folder
// when none is installed; false when neither works. The C locale comes back when it goes.
class DecimalCommaLocale {
  public:
    DecimalCommaLocale() {
        constexpr const char* kLocale = "it_IT.UTF-8";
        if (std::setlocale(LC_ALL, kLocale) != nullptr) {
            in_force_ = true;
            return;
        }
        const std::string command =
            "localedef -i it_IT -f UTF-8 '" + folder_.File(kLocale) + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) {
            return;
        }
        setenv("LOCPATH", folder_.Path().c_str(), 1);
        in_force_ = std::setlocale(LC_ALL, kLocale) != nullptr;
        unsetenv("LOCPATH");
    }
    ~DecimalCommaLocale() { std::setlocale(LC_ALL, "C"); }

    bool InForce() const { return in_force_; }

  private:
    testing::TempDir folder_;
    bool in_force_ = false;
};

std::string CLibraryForm(double number) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", number);
    return text;
}

// What is stored and what the list shows read back as the same number on any system.
TEST(DecimalPointTest, QuantitiesAndListNumbersUseAPointWhateverTheLocale) {
    testing::ProgramHarness harness;
    std::string line;
    {
        DecimalCommaLocale locale;
        if (!locale.InForce()) {
            GTEST_SKIP() << "no locale with a decimal comma can be installed";
        }
        ASSERT_EQ(CLibraryForm(2.5), "2,5");  // the locale really is in force
        AppendReading("Q", "2.5", "7");
        AppendReading("R", "1,5", "7");  // a comma ends the number
        screen_helpers::ReadingsSet->MoveFirst();
        line = ListLine(*screen_helpers::ReadingsSet, 19);
    }
    const auto readings = harness.StoredReadings();
    ASSERT_EQ(readings.size(), 2u);
    EXPECT_EQ(readings[0].qt, "2.5");
    EXPECT_EQ(readings[1].qt, "1.0");
    EXPECT_EQ(line.substr(0, 10), "Q, qt 2.5,");
    EXPECT_EQ(line.substr(line.size() - 3), ", 7");
}

}  // namespace
}  // namespace tavix::acquisition
