#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "store/readings_source.hpp"
#include "store/sqlite/connection.hpp"

namespace tavix::store::sqlite {

// One query on a connection, its rows read forwards exactly as stored. Parameters are bound by
// name before the first Next().
class RowCursor final : public store::RowCursor {
  public:
    // Prepares sql; throws StoreError naming the file and action when it cannot.
    RowCursor(Connection& connection, std::string_view sql, std::string_view action);

    // Binds the parameter ":name" when the query has one: a text's bytes as they are.
    void Bind(const char* name, const std::string& text);
    void Bind(const char* name, double number);

    bool Next() override;
    std::span<const StoredField> Fields() const override { return fields_; }

  private:
    Statement statement_;
    std::string action_;
    std::vector<StoredField> fields_;
};

}  // namespace tavix::store::sqlite
