#include "store/postgres/readings_schema.hpp"

#include "store/postgres/client/connection.hpp"
#include "store/postgres/client/transaction.hpp"
#include "store/store_error.hpp"

namespace tavix::store::postgres {

namespace {

constexpr std::string_view kCreateAction = "create the readings table";

// code sorts byte by byte (COLLATE "C"), as in the SQLite file: the code order the program
// steps through, and what ORDER BY code gives any other reader, do not depend on the
// database's locale. The identity never hands a deleted reading's id to a new one, so a
// bookmark of a deleted reading cannot come back on another. terminal is text: a number
// written to it is stored in its general form ("6", "2.5").
std::string CreateTableSql() {
    return std::string(R"sql(
CREATE TABLE readings (
    id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    code text COLLATE "C",
    qt double precision,
    terminal text,
    datetime timestamp(0) without time zone,
    )sql") +
           kReadingKeyColumn + " " + kReadingKeyDefinition + ",\n    " + kSourceColumn + " " +
           kSourceDefinition + ",\n    " + kSourceIdColumn + " " + kSourceIdDefinition + "\n)";
}

constexpr const char* kCreateIndex = "CREATE INDEX readings_code ON readings (code, id)";

}  // namespace

void CreateReadingsTable(const std::string& target) {
    postgres::Connection connection(target);
    const postgres::Result existing = connection.Execute(
        "SELECT to_regclass($1) IS NOT NULL, to_regclass($2) IS NOT NULL",
        {std::string(kReadingsTable), std::string(kForwardingTable)}, kCreateAction);
    if (existing.Text(0, 0) == "t") {
        throw StoreError(connection.MaskedTarget() + ": cannot " + std::string(kCreateAction) +
                         ": a table readings exists already; nothing was changed");
    }
    // What it says was applied refers to readings that are not in a new table: forwarding into
    // it would skip them.
    if (existing.Text(0, 1) == "t") {
        throw StoreError(connection.MaskedTarget() + ": cannot " + std::string(kCreateAction) +
                         ": a table tavix_forwarding exists already, left by an earlier readings "
                         "table; nothing was changed");
    }
    postgres::Transaction transaction(connection, kCreateAction);
    connection.Execute(CreateTableSql(), kCreateAction);
    connection.Execute(kCreateIndex, kCreateAction);
    connection.Execute(kCreateForwardingTable, kCreateAction);
    transaction.Commit();
}

}  // namespace tavix::store::postgres
