#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/postgres/client/connection.hpp"
#include "store/postgres/client/transaction.hpp"
#include "store/readings_sink.hpp"

namespace tavix::store::postgres {

// The readings table on a PostgreSQL server, filled inside one transaction that holds the
// table in EXCLUSIVE mode: readers go on, while no program stores a reading into it until the
// copy has committed or failed. Readings go in batches of multi-row INSERTs; each takes the
// next id of the table's identity and a new reading_key.
class ReadingsSink final : public store::ReadingsSink {
  public:
    // Connects, begins the transaction and checks that the table is as `tavix-admin init`
    // creates it and empty. Throws StoreError (every message with the password masked).
    explicit ReadingsSink(const std::string& uri);

    const std::string& Name() const override { return connection_.MaskedTarget(); }
    std::vector<std::string> Append(std::span<const StoredField> reading) override;
    void Commit() override;

  private:
    void InsertPending();

    postgres::Connection connection_;
    std::optional<postgres::Transaction> transaction_;
    std::vector<postgres::Parameter> pending_;  // four per reading not yet sent
    std::string full_batch_insert_;
};

}  // namespace tavix::store::postgres
