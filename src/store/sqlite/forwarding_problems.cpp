#include "store/sqlite/forwarding_problems.hpp"

#include <cctype>
#include <optional>

#include "store/sqlite/connection.hpp"

namespace tavix::store::sqlite {

namespace {

constexpr std::string_view kAction = "check the forwarding tables";

// SQLite keeps a CREATE statement's text as it was given; spacing aside, a different text is a
// different object.
std::string Spaced(std::string_view sql) {
    std::string spaced;
    for (const char c : sql) {
        const bool space = std::isspace(static_cast<unsigned char>(c)) != 0;
        if (!space) {
            spaced.push_back(c);
        } else if (!spaced.empty() && spaced.back() != ' ') {
            spaced.push_back(' ');
        }
    }
    while (!spaced.empty() && spaced.back() == ' ') {
        spaced.pop_back();
    }
    return spaced;
}

// The object's CREATE statement in the file; nothing when there is no such object.
std::optional<std::string> StoredSql(Connection& connection, const ForwardingObject& object) {
    Query query(connection,
                "SELECT sql FROM sqlite_schema WHERE type = ?1 AND name = ?2 COLLATE NOCASE",
                kAction);
    query->BindStoredText(1, object.type);
    query->BindStoredText(2, object.name);
    if (!query.Step()) {
        return std::nullopt;
    }
    StoredField sql;
    query->ReadStoredField(0, sql);
    return sql.text;
}

std::optional<std::string> ObjectProblem(Connection& connection, const ForwardingObject& object) {
    const std::optional<std::string> stored = StoredSql(connection, object);
    const std::string what = "the " + object.type + " " + object.name;
    if (!stored) {
        return what + " is missing";
    }
    if (Spaced(*stored) != Spaced(object.sql)) {
        return what + " is not as forwarding made it";
    }
    return std::nullopt;
}

std::optional<std::string> SourceProblem(Connection& connection) {
    Query query(connection, std::string("SELECT count(*) FROM ") + forwarding_tables::kForwarding,
                kAction);
    const std::int64_t rows = query.Step() ? query->ColumnInt64(0) : 0;
    if (rows == 1) {
        return std::nullopt;
    }
    return std::string("the table ") + forwarding_tables::kForwarding + " holds " +
           std::to_string(rows) + " rows instead of one, the file's source key";
}

}  // namespace

std::vector<std::string> ForwardingProblems(Connection& connection, ForwardingKind kind) {
    std::vector<std::string> problems;
    if (kind == ForwardingKind::kNone) {
        return problems;
    }
    bool source_table_sound = true;
    for (const ForwardingObject& object :
         kind == ForwardingKind::kSpool ? SpoolObjects() : ReadingsFileObjects()) {
        if (std::optional<std::string> problem = ObjectProblem(connection, object)) {
            problems.push_back(std::move(*problem));
            source_table_sound =
                source_table_sound && object.name != forwarding_tables::kForwarding;
        }
    }
    if (source_table_sound) {
        if (std::optional<std::string> problem = SourceProblem(connection)) {
            problems.push_back(std::move(*problem));
        }
    }
    return problems;
}

}  // namespace tavix::store::sqlite
