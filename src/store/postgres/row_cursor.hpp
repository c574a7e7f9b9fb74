#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/postgres/client/connection.hpp"
#include "store/readings_source.hpp"

namespace tavix::store::postgres {

// How a column's text from the server becomes a StoredField.
enum class ColumnKind { kInteger, kReal, kText };

// The rows of one query read through a server-side cursor, fetched in batches: however many
// rows the query gives, one batch is in memory. The cursor lives in the connection's open
// transaction and sees that transaction's snapshot.
class RowCursor final : public store::RowCursor {
  public:
    // Declares the cursor for select, whose $1, $2... are the parameters and whose columns
    // are of the kinds given. Throws PostgresError naming action.
    RowCursor(postgres::Connection& connection, const std::string& select,
              const std::vector<postgres::Parameter>& parameters, std::vector<ColumnKind> kinds,
              std::string_view action);
    RowCursor(const RowCursor&) = delete;
    RowCursor& operator=(const RowCursor&) = delete;
    ~RowCursor() override;

    bool Next() override;
    std::span<const StoredField> Fields() const override { return fields_; }

  private:
    void FetchBatch();
    void ReadRow();

    postgres::Connection* connection_;
    std::string name_;
    std::string action_;
    std::vector<ColumnKind> kinds_;
    std::optional<postgres::Result> batch_;
    int next_row_ = 0;
    bool last_batch_ = false;
    std::vector<StoredField> fields_;
};

// A value as the server writes it in text form, as a field of the kind given: "Infinity",
// "-Infinity" and "NaN" are the numbers they name.
void ReadStoredField(std::string_view text, ColumnKind kind, StoredField& field);

}  // namespace tavix::store::postgres
