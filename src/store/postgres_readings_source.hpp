#pragma once

#include <string>
#include <vector>

#include "postgres/connection.hpp"
#include "readings_source.hpp"

namespace tavix::store {

// The readings table on a PostgreSQL server, read inside one REPEATABLE READ, READ ONLY
// transaction: its snapshot is taken when the object opens, so readings stored meanwhile are
// wholly in or wholly out. Such a transaction takes no lock that a program storing a reading
// waits for. Rows come through server-side cursors, one batch at a time.
class PostgresReadingsSource final : public ReadingsSource {
  public:
    // Connects to the server the URI names and starts the transaction. Throws StoreError (a
    // PostgresError) when it cannot; every message names the target with its password masked.
    explicit PostgresReadingsSource(const std::string& uri);

    const std::string& Name() const override { return connection_.MaskedTarget(); }
    std::unique_ptr<RowCursor> Readings(const ReadingFilter& filter) override;
    std::unique_ptr<RowCursor> CodeTotals(const ReadingFilter& filter) override;
    StoreSummary Summary() override;
    std::vector<std::string> Problems() override;

  private:
    postgres::Connection connection_;
};

// What is wrong with the readings table the connection sees (table, columns and their types,
// the identity and primary key, the reading_key column and the index readings_code), one
// sentence each, as `tavix-admin check` prints them; empty when it is as `tavix-admin init`
// creates it. Reads the catalogue only.
std::vector<std::string> PostgresSchemaProblems(postgres::Connection& connection);

}  // namespace tavix::store
