#include "store/postgres/store_problems.hpp"

#include <optional>
#include <string_view>

#include "store/postgres/readings_schema.hpp"

namespace tavix::store::postgres {

namespace {

constexpr std::string_view kCheckAction = "check the database";

// The columns as `tavix-admin init` creates them, in the server's words for their types.
struct ExpectedColumn {
    const char* name;
    const char* type;
};
constexpr ExpectedColumn kExpectedColumns[] = {
    {"id", "bigint"},
    {"code", "text"},
    {"qt", "double precision"},
    {"terminal", "text"},
    {"datetime", "timestamp(0) without time zone"},
    {"reading_key", "uuid"},
};
// Added by `tavix-admin upgrade` to a table made before forwarding: missing is no problem, a
// column of another type is.
constexpr ExpectedColumn kForwardingColumns[] = {
    {kSourceColumn, "uuid"},
    {kSourceIdColumn, "bigint"},
};

struct ActualColumn {
    std::string name;
    std::string type;
    bool not_null;
    std::string identity;  // "a" always, "d" by default, empty for none
    std::string default_value;
};

bool IsTrue(std::string_view text) {
    return text == "t";
}

// "a", "a and b", "a, b and c".
std::string ListedInWords(const std::vector<std::string>& items) {
    std::string listed;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            listed += i + 1 == items.size() ? " and " : ", ";
        }
        listed += items[i];
    }
    return listed;
}

std::string Quoted(std::string_view text) {
    std::string quoted = "\"";
    quoted += text;
    return quoted += "\"";
}

// The kind of relation the name readings stands for in the search path; nothing when none.
std::optional<std::string> ReadingsRelationKind(postgres::Connection& connection) {
    const postgres::Result result = connection.Execute(
        "SELECT relkind FROM pg_class WHERE oid = to_regclass('readings')", kCheckAction);
    if (result.Rows() == 0) {
        return std::nullopt;
    }
    return std::string(result.Text(0, 0));
}

std::vector<ActualColumn> ColumnsOfReadings(postgres::Connection& connection) {
    const postgres::Result result = connection.Execute(
        "SELECT a.attname, format_type(a.atttypid, a.atttypmod), a.attnotnull, a.attidentity, "
        "pg_get_expr(d.adbin, d.adrelid) "
        "FROM pg_attribute a LEFT JOIN pg_attrdef d "
        "ON d.adrelid = a.attrelid AND d.adnum = a.attnum "
        "WHERE a.attrelid = to_regclass('readings') AND a.attnum > 0 AND NOT a.attisdropped "
        "ORDER BY a.attnum",
        kCheckAction);
    std::vector<ActualColumn> columns;
    for (int row = 0; row < result.Rows(); ++row) {
        columns.push_back({std::string(result.Text(row, 0)), std::string(result.Text(row, 1)),
                           IsTrue(result.Text(row, 2)), std::string(result.Text(row, 3)),
                           std::string(result.Text(row, 4))});
    }
    return columns;
}

const ActualColumn* Find(const std::vector<ActualColumn>& columns, std::string_view name) {
    for (const ActualColumn& column : columns) {
        if (column.name == name) {
            return &column;
        }
    }
    return nullptr;
}

void CheckColumns(const std::vector<ActualColumn>& columns, std::vector<std::string>& problems) {
    for (const ExpectedColumn& expected : kExpectedColumns) {
        const ActualColumn* column = Find(columns, expected.name);
        if (column == nullptr) {
            problems.push_back("the table readings has no column " + std::string(expected.name));
        } else if (column->type != expected.type) {
            problems.push_back("the column " + std::string(expected.name) + " has the type " +
                               Quoted(column->type) + " instead of " + Quoted(expected.type));
        }
    }
    for (const ExpectedColumn& expected : kForwardingColumns) {
        const ActualColumn* column = Find(columns, expected.name);
        if (column != nullptr && column->type != expected.type) {
            problems.push_back("the column " + std::string(expected.name) + " has the type " +
                               Quoted(column->type) + " instead of " + Quoted(expected.type));
        }
    }
    const ActualColumn* id = Find(columns, "id");
    if (id != nullptr && id->identity != "a") {
        problems.push_back(
            "the column id is not GENERATED ALWAYS AS IDENTITY, so the server does not give "
            "each reading its id");
    }
    const ActualColumn* key = Find(columns, "reading_key");
    if (key != nullptr && !key->not_null) {
        problems.push_back("the column reading_key is not NOT NULL");
    }
    if (key != nullptr && key->default_value != "gen_random_uuid()") {
        problems.push_back("the column reading_key does not default to gen_random_uuid()");
    }
}

// Whether an index of every reading (no condition, no expression) on exactly the named
// column exists: the primary key, or a unique index.
bool HasSingleColumnIndex(postgres::Connection& connection, std::string_view which,
                          const std::string& column) {
    const postgres::Result result = connection.Execute(
        "SELECT count(*) FROM pg_index i JOIN pg_attribute a "
        "ON a.attrelid = i.indrelid AND a.attnum = i.indkey[0] "
        "WHERE i.indrelid = to_regclass('readings') AND i.indnatts = 1 AND i.indisvalid "
        "AND i.indpred IS NULL AND i.indexprs IS NULL AND a.attname = $1 AND " +
            std::string(which),
        {column}, kCheckAction);
    return result.Text(0, 0) != "0";
}

void CheckKeys(postgres::Connection& connection, const std::vector<ActualColumn>& columns,
               std::vector<std::string>& problems) {
    if (Find(columns, "id") != nullptr &&
        !HasSingleColumnIndex(connection, "i.indisprimary", "id")) {
        problems.push_back("the column id is not the table's PRIMARY KEY");
    }
    if (Find(columns, "reading_key") != nullptr &&
        !HasSingleColumnIndex(connection, "i.indisunique", "reading_key")) {
        problems.push_back(
            "the column reading_key is not UNIQUE, so a reading stored twice could not be told "
            "apart");
    }
}

void CheckCodeIndex(postgres::Connection& connection, std::vector<std::string>& problems) {
    const postgres::Result result = connection.Execute(
        "SELECT i.indisvalid AND i.indpred IS NULL AND i.indexprs IS NULL AND am.amname = 'btree' "
        "AND (SELECT string_agg(a.attname, ',' ORDER BY k.position) "
        "FROM unnest(i.indkey::int2[]) WITH ORDINALITY AS k(attnum, position) "
        "JOIN pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = k.attnum) = 'code,id' "
        "FROM pg_index i JOIN pg_class c ON c.oid = i.indexrelid JOIN pg_am am ON am.oid = c.relam "
        "WHERE i.indrelid = to_regclass('readings') AND c.relname = 'readings_code'",
        kCheckAction);
    if (result.Rows() == 0) {
        problems.push_back("the table readings has no index readings_code (on code, id)");
    } else if (!IsTrue(result.Text(0, 0))) {
        problems.push_back(
            "the index readings_code is not a valid btree index of every reading on (code, id)");
    }
}

}  // namespace

std::vector<std::string> SchemaProblems(postgres::Connection& connection) {
    std::vector<std::string> problems;
    const std::optional<std::string> kind = ReadingsRelationKind(connection);
    if (!kind) {
        problems.push_back("there is no table readings");
        return problems;
    }
    if (*kind != "r") {
        problems.push_back("readings is not a plain table");
        return problems;
    }
    const std::vector<ActualColumn> columns = ColumnsOfReadings(connection);
    CheckColumns(columns, problems);
    CheckKeys(connection, columns, problems);
    CheckCodeIndex(connection, problems);
    return problems;
}

std::vector<std::string> MissingForForwarding(postgres::Connection& connection) {
    std::vector<std::string> missing;
    if (ReadingsRelationKind(connection) != "r") {
        return missing;
    }
    const std::vector<ActualColumn> columns = ColumnsOfReadings(connection);
    for (const char* column : {kReadingKeyColumn, kSourceColumn, kSourceIdColumn}) {
        if (Find(columns, column) == nullptr) {
            missing.push_back("the column " + std::string(column));
        }
    }
    const postgres::Result table = connection.Execute(
        "SELECT to_regclass($1) IS NULL", {std::string(kForwardingTable)}, kCheckAction);
    if (IsTrue(table.Text(0, 0))) {
        missing.push_back("the table " + std::string(kForwardingTable));
    }
    return missing;
}

std::optional<std::string> ForwardingLack(postgres::Connection& connection) {
    const std::vector<std::string> missing = MissingForForwarding(connection);
    if (missing.empty()) {
        return std::nullopt;
    }
    return "forwarding from terminals' files needs " + ListedInWords(missing) +
           ", which `tavix-admin upgrade URI` adds";
}

std::vector<std::string> SchemaNotes(postgres::Connection& connection) {
    std::vector<std::string> notes;
    if (std::optional<std::string> lack = ForwardingLack(connection)) {
        notes.push_back(std::move(*lack));
    }
    return notes;
}

}  // namespace tavix::store::postgres
