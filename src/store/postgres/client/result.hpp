#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct pg_result;

namespace tavix::store::postgres {

// The rows (or the command status) a statement returned, in text form. Rows and columns are
// numbered from 0; a row or column outside the result throws std::out_of_range.
class Result {
  public:
    explicit Result(pg_result* result);

    int Rows() const;
    int Columns() const;
    std::string_view ColumnName(int column) const;

    bool IsNull(int row, int column) const;
    // The value as text; empty for NULL.
    std::string_view Text(int row, int column) const;
    // The value, or nothing for NULL.
    std::optional<std::string> Field(int row, int column) const;

    // The command tag, as "INSERT 0 1", "COMMIT" or "ROLLBACK".
    std::string_view CommandStatus() const;
    // Rows inserted, updated, deleted or returned; 0 for other commands.
    std::int64_t AffectedRows() const;

    pg_result* Raw() const { return result_.get(); }

  private:
    void CheckColumn(int column) const;
    void CheckCell(int row, int column) const;

    struct Clear {
        void operator()(pg_result* result) const;
    };
    std::unique_ptr<pg_result, Clear> result_;
};

}  // namespace tavix::store::postgres
