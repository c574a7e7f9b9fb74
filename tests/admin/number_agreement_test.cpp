// Every part of the program writes a double the same way: the screens, the CSV export (with
// either decimal point), the JSON lines export and copy, into a text column of the server. The
// form is the shortest digits that read back as the same double, -0 kept.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "export/output.hpp"
#include "export/row_writer.hpp"
#include "store/postgres/column_values.hpp"
#include "store/value_text.hpp"

namespace tavix::admin {
namespace {

using Limits = std::numeric_limits<double>;

std::vector<double> SweepOfDoubles() {
    std::vector<double> numbers = {0.0,
                                   -0.0,
                                   Limits::infinity(),
                                   -Limits::infinity(),
                                   Limits::quiet_NaN(),
                                   Limits::denorm_min(),
                                   -Limits::min(),
                                   Limits::max(),
                                   Limits::lowest(),
                                   Limits::epsilon(),
                                   0.1,
                                   0.30000000000000004,
                                   1e-4,
                                   std::nextafter(1e-4, 0.0),
                                   1e15,
                                   std::nextafter(1e15, 0.0),
                                   1e16,
                                   1e17,
                                   std::nextafter(1e17, 0.0),
                                   9007199254740993.0,
                                   90108905783401312.0,
                                   123456789.125,
                                   -2.5e-7};
    std::mt19937_64 random(20261207);
    for (int i = 0; i < 3000; ++i) {
        numbers.push_back(std::bit_cast<double>(random()));  // every exponent, NaNs included
        numbers.push_back(
            static_cast<double>(static_cast<std::int64_t>(random() % 2000001) - 1000000) /
            std::pow(10.0, static_cast<double>(random() % 8)));  // quantities
    }
    return numbers;
}

// The lines a writer makes of one row per number, the header and the line ends left out.
std::vector<std::string> ExportedLines(const std::vector<double>& numbers, CsvDialect* csv) {
    std::FILE* file = std::tmpfile();
    {
        Output output(fileno(file), "a temporary file");
        auto writer = csv ? MakeCsvWriter(output, *csv) : MakeJsonLinesWriter(output);
        const std::string_view names[] = {"qt"};
        writer->Begin(names);
        for (const double number : numbers) {
            const store::StoredField field{store::StoredField::Kind::kReal, 0, number, {}};
            writer->Row({&field, 1});
        }
        output.Flush();
    }
    std::rewind(file);
    std::string text;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        text.push_back(static_cast<char>(c));
    }
    std::fclose(file);
    std::vector<std::string> lines;
    // The CSV export begins with its header line.
    std::istringstream stream(text.substr(csv ? text.find('\n') + 1 : 0));
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line.back() == '\r' ? line.substr(0, line.size() - 1) : line);
    }
    return lines;
}

// The significant digits of a number's text, its padding zeros left out.
std::size_t SignificantDigits(std::string_view text) {
    std::string digits;
    for (const char c : text.substr(0, text.find('e'))) {
        if (c >= '0' && c <= '9') {
            digits.push_back(c);
        }
    }
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? 0 : digits.find_last_not_of('0') + 1 - first;
}

std::size_t ShortestDigits(double number) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, number, std::chars_format::scientific);
    return SignificantDigits(std::string_view(text, end.ptr));
}

TEST(NumberAgreementTest, ScreensExportsAndCopyWriteEveryDoubleAlikeInItsShortestForm) {
    const std::vector<double> numbers = SweepOfDoubles();
    CsvDialect csv = kCsv;
    CsvDialect csv_italian = kCsvItalian;
    const std::vector<std::string> csv_lines = ExportedLines(numbers, &csv);
    const std::vector<std::string> csv_italian_lines = ExportedLines(numbers, &csv_italian);
    const std::vector<std::string> jsonl_lines = ExportedLines(numbers, nullptr);
    ASSERT_EQ(csv_lines.size(), numbers.size());
    ASSERT_EQ(csv_italian_lines.size(), numbers.size());
    ASSERT_EQ(jsonl_lines.size(), numbers.size());
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        const double number = numbers[i];
        const std::string shown = store::GeneralForm(number);
        SCOPED_TRACE(shown);
        EXPECT_EQ(store::GeneralFormWithin(number, 40), shown);
        EXPECT_EQ(csv_lines[i], shown);
        std::string italian = shown;
        std::replace(italian.begin(), italian.end(), '.', ',');
        EXPECT_EQ(csv_italian_lines[i], italian);
        EXPECT_EQ(jsonl_lines[i], "{\"qt\":" + (std::isfinite(number) ? shown : "null") + "}");
        const store::StoredField field{store::StoredField::Kind::kReal, 0, number, {}};
        EXPECT_EQ(store::postgres::TextColumnValue(field, "terminal").parameter, shown);
        if (!std::isfinite(number)) {
            EXPECT_EQ(shown, std::isnan(number) ? "NaN" : (number > 0 ? "Inf" : "-Inf"));
            continue;
        }
        double read_back = 1;
        std::from_chars(shown.data(), shown.data() + shown.size(), read_back);
        EXPECT_EQ(read_back, number);
        EXPECT_EQ(std::signbit(read_back), std::signbit(number));
        EXPECT_EQ(SignificantDigits(shown), ShortestDigits(number));
    }
}

}  // namespace
}  // namespace tavix::admin
