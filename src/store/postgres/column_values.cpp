#include "store/postgres/column_values.hpp"

#include <charconv>

#include "store/postgres/values.hpp"
#include "store/timestamp.hpp"
#include "store/value_text.hpp"
#include "text/glyphs.hpp"
#include "text/utf8.hpp"

namespace tavix::store::postgres {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// The bytes of text that stand for one character from at on, or 0 for a byte that stands for
// none (not UTF-8, or a NUL).
std::size_t CharacterLength(std::string_view text, std::size_t at) {
    return text[at] == '\0' ? 0 : text::Utf8SequenceLength(text, at);
}

// True when the text is well-formed UTF-8 and holds no NUL, as a PostgreSQL text must.
bool IsStorableUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = CharacterLength(text, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

// The text with each byte that is not part of a well-formed UTF-8 sequence, and each NUL,
// replaced by U+FFFD (the replacement character).
std::string WithReplacementCharacters(std::string_view text) {
    std::string repaired;
    repaired.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = CharacterLength(text, at);
        if (length == 0) {
            repaired += kReplacementCharacter;
            ++at;
        } else {
            repaired.append(text, at, length);
            at += length;
        }
    }
    return repaired;
}

constexpr std::size_t kLongestShownText = 40;
constexpr std::size_t kDateTimeLength = 19;  // "YYYY-MM-DD HH:MM:SS"

// A stored text as a message shows it: quoted, valid UTF-8, control codes as the screens show
// them (so on one line), cut when long.
std::string Shown(std::string_view text) {
    const std::string valid = text::TerminalText(WithReplacementCharacters(text));
    std::string shown = "\"";
    std::size_t characters = 0;
    for (std::size_t at = 0; at < valid.size(); ++characters) {
        if (characters == kLongestShownText) {
            shown += "...";
            break;
        }
        const std::size_t length = text::Utf8SequenceLength(valid, at);
        shown.append(valid, at, length);
        at += length;
    }
    return shown + "\"";
}

std::string ShownNumber(const StoredField& field) {
    return field.kind == StoredField::Kind::kInteger ? GeneralForm(Value(field.integer))
                                                     : GeneralForm(Value(field.real));
}

// A value the column cannot hold: "<column> <shown> <what it is>: stored as NULL".
ColumnValue StoredAsNull(std::string_view column, std::string_view shown, std::string_view what) {
    std::string change(column);
    change.append(" ").append(shown).append(" ").append(what).append(": stored as NULL");
    return {std::nullopt, std::move(change)};
}

std::optional<double> WholeNumberIn(std::string_view text) {
    double number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return number;
}

}  // namespace

ColumnValue TextColumnValue(const StoredField& field, std::string_view column) {
    switch (field.kind) {
        case StoredField::Kind::kNull:
            return {};
        case StoredField::Kind::kInteger:
        case StoredField::Kind::kReal:
            return {ShownNumber(field), {}};
        case StoredField::Kind::kText:
            break;
    }
    if (IsStorableUtf8(field.text)) {
        return {field.text, {}};
    }
    return {WithReplacementCharacters(field.text),
            std::string(column) +
                " holds bytes that are not UTF-8 or a NUL: each such byte stored as U+FFFD"};
}

ColumnValue NumberColumnValue(const StoredField& field, std::string_view column) {
    switch (field.kind) {
        case StoredField::Kind::kNull:
            return {};
        case StoredField::Kind::kInteger:
            return {NumberText(static_cast<double>(field.integer)), {}};
        case StoredField::Kind::kReal:
            return {NumberText(field.real), {}};
        case StoredField::Kind::kText:
            break;
    }
    if (const auto number = WholeNumberIn(field.text)) {
        return {NumberText(*number), {}};
    }
    return StoredAsNull(column, Shown(field.text), "is not a number");
}

ColumnValue DateTimeColumnValue(const StoredField& field, std::string_view column) {
    switch (field.kind) {
        case StoredField::Kind::kNull:
            return {};
        case StoredField::Kind::kInteger:
        case StoredField::Kind::kReal:
            return StoredAsNull(column, ShownNumber(field), "is a number, not a date and time");
        case StoredField::Kind::kText:
            break;
    }
    const std::string_view text = field.text;
    const std::optional<Timestamp> timestamp = Timestamp::FromStoredText(text);
    if (!timestamp) {
        return StoredAsNull(column, Shown(text), "is not a date and time");
    }
    if (text.size() > kDateTimeLength) {  // a fraction of a second, cut off
        return {timestamp->ToSqlText(), std::string(column) + " " + Shown(text) +
                                            " has a fraction of a second: stored as " +
                                            timestamp->ToSqlText()};
    }
    return {timestamp->ToSqlText(), {}};
}

}  // namespace tavix::store::postgres
