#pragma once

#include <string>
#include <vector>

#include "store/postgres/client/connection.hpp"
#include "store/readings_source.hpp"

namespace tavix::store::postgres {

// The readings table on a PostgreSQL server, read inside one REPEATABLE READ, READ ONLY
// transaction: its snapshot is taken when the object opens, so readings stored meanwhile are
// wholly in or wholly out. Such a transaction takes no lock that a program storing a reading
// waits for. Rows come through server-side cursors, one batch at a time.
class ReadingsSource final : public store::ReadingsSource {
  public:
    // Connects to the server the URI names and starts the transaction. Throws StoreError (a
    // PostgresError) when it cannot; every message names the target with its password masked.
    explicit ReadingsSource(const std::string& uri);

    const std::string& Name() const override { return connection_.MaskedTarget(); }
    std::unique_ptr<store::RowCursor> Readings(const ReadingFilter& filter) override;
    std::unique_ptr<store::RowCursor> CodeTotals(const ReadingFilter& filter) override;
    StoreSummary Summary() override;
    std::vector<std::string> Problems() override;
    std::vector<std::string> Notes() override;

  private:
    postgres::Connection connection_;
};

}  // namespace tavix::store::postgres
