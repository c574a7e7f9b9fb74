#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "output.hpp"
#include "store/stored_field.hpp"

namespace tavix::admin {

// Turns rows of stored fields into the bytes of one export format.
class RowWriter {
  public:
    virtual ~RowWriter() = default;

    // Once, before the rows: the column names in the order of every row's fields.
    virtual void Begin(std::span<const std::string_view> names) = 0;
    virtual void Row(std::span<const store::StoredField> fields) = 0;
};

// RFC 4180: fields quoted when they hold the separator, a double quote, CR or LF (and an empty
// text, so that it differs from a NULL, which is an empty field), lines ended by CRLF.
struct CsvDialect {
    char separator;
    char decimal_point;
    bool byte_order_mark;
};
inline constexpr CsvDialect kCsv{',', '.', false};
// For a spreadsheet set to Italian: ';' between fields, a decimal comma, and a UTF-8 byte-order
// mark, by which it knows the encoding.
inline constexpr CsvDialect kCsvItalian{';', ',', true};

// Texts are written byte for byte as stored.
std::unique_ptr<RowWriter> MakeCsvWriter(Output& output, CsvDialect dialect);

// One JSON object per line, keyed by the column names: numbers as JSON numbers (null when not
// finite), texts as JSON strings, NULL as null.
std::unique_ptr<RowWriter> MakeJsonLinesWriter(Output& output);

}  // namespace tavix::admin
