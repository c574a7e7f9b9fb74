#pragma once

#include <optional>
#include <string>

#include "store/readings_sink.hpp"
#include "store/sqlite/connection.hpp"
#include "store/sqlite/transaction.hpp"

namespace tavix::store::sqlite {

// A readings file filled inside one write transaction (BEGIN IMMEDIATE: no other program
// stores a reading meanwhile, while readers go on), committed with full synchronisation.
// Every value goes in as the source holds it, text or number, its bytes untouched.
class ReadingsSink final : public store::ReadingsSink {
  public:
    // Opens the file at path, which must exist, and begins the transaction. Throws StoreError
    // when it cannot, or when the file is not an initialised, empty readings database.
    explicit ReadingsSink(std::string path);

    const std::string& Name() const override { return connection_.Path(); }
    std::vector<std::string> Append(std::span<const StoredField> reading) override;
    void Commit() override;

  private:
    std::int64_t ReadingsHeld();

    Connection connection_;
    std::optional<ImmediateTransaction> transaction_;  // rolled back unless committed
    Statement* insert_ = nullptr;
};

}  // namespace tavix::store::sqlite
