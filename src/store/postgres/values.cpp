#include "store/postgres/values.hpp"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

#include "store/core/stored_text.hpp"
#include "store/value_text.hpp"

namespace tavix::store::postgres {

namespace {

template <typename Number>
std::optional<Number> Parsed(std::string_view text) {
    Number number{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return number;
}

Value TextValue(std::string_view text) {
    return ProgramFormOf(text);
}

}  // namespace

ColumnType ColumnTypeOf(std::string_view type_name) {
    if (type_name == "int8" || type_name == "int4" || type_name == "int2") {
        return ColumnType::kInteger;
    }
    if (type_name == "float8" || type_name == "float4" || type_name == "numeric") {
        return ColumnType::kFloat;
    }
    if (type_name == "text" || type_name == "varchar" || type_name == "bpchar") {
        return ColumnType::kText;
    }
    if (type_name == "timestamp") {
        return ColumnType::kTimestamp;
    }
    return ColumnType::kOther;
}

std::string NumberText(double number) {
    if (std::isinf(number)) {
        return number > 0 ? "Infinity" : "-Infinity";
    }
    if (std::isnan(number)) {
        return "NaN";
    }
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, number);
    return std::string(text, result.ptr);
}

postgres::Parameter ParameterFor(const Value& value, ColumnType type) {
    if (IsNull(value)) {
        return std::nullopt;
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        return StoredFormOf(*text);
    }
    if (const auto* timestamp = std::get_if<Timestamp>(&value)) {
        return timestamp->ToSqlText();
    }
    if (const auto* number = std::get_if<double>(&value);
        number != nullptr && type != ColumnType::kText) {
        return NumberText(*number);
    }
    return GeneralForm(value);  // a whole number, or a double for a text column
}

postgres::Parameter RowidParameter(std::int64_t rowid) {
    return std::to_string(rowid);
}

Value ValueFrom(const postgres::Result& result, int row, int column, ColumnType type) {
    if (result.IsNull(row, column)) {
        return std::monostate{};
    }
    const std::string_view text = result.Text(row, column);
    switch (type) {
        case ColumnType::kInteger:
            if (const auto number = Parsed<std::int64_t>(text)) {
                return *number;
            }
            break;
        case ColumnType::kFloat:
            if (const auto number = Parsed<double>(text)) {
                return *number;
            }
            break;
        case ColumnType::kTimestamp:
            if (const auto timestamp = Timestamp::FromSqlText(text)) {
                return *timestamp;
            }
            break;
        case ColumnType::kText:
        case ColumnType::kOther:
            break;
    }
    return TextValue(text);
}

}  // namespace tavix::store::postgres
