#include "store/postgres/row_cursor.hpp"

#include <charconv>
#include <limits>

namespace tavix::store::postgres {

namespace {

// Rows per FETCH: large enough that the round trips cost little next to the rows, small
// enough that a batch stays a few hundred kilobytes.
constexpr int kBatchRows = 2000;

std::string NewCursorName() {
    static int declared = 0;
    return "tavix_rows_" + std::to_string(++declared);
}

double RealFrom(std::string_view text) {
    if (text == "Infinity") {
        return std::numeric_limits<double>::infinity();
    }
    if (text == "-Infinity") {
        return -std::numeric_limits<double>::infinity();
    }
    if (text == "NaN") {
        return std::numeric_limits<double>::quiet_NaN();
    }
    double number = 0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

}  // namespace

void ReadStoredField(std::string_view text, ColumnKind kind, StoredField& field) {
    switch (kind) {
        case ColumnKind::kInteger:
            field.kind = StoredField::Kind::kInteger;
            field.integer = 0;
            std::from_chars(text.data(), text.data() + text.size(), field.integer);
            return;
        case ColumnKind::kReal:
            field.kind = StoredField::Kind::kReal;
            field.real = RealFrom(text);
            return;
        case ColumnKind::kText:
            field.kind = StoredField::Kind::kText;
            field.text.assign(text);
            return;
    }
}

RowCursor::RowCursor(postgres::Connection& connection, const std::string& select,
                     const std::vector<postgres::Parameter>& parameters,
                     std::vector<ColumnKind> kinds, std::string_view action)
    : connection_(&connection),
      name_(NewCursorName()),
      action_(action),
      kinds_(std::move(kinds)),
      fields_(kinds_.size()) {
    connection.Execute("DECLARE " + name_ + " NO SCROLL CURSOR FOR " + select, parameters, action_);
}

RowCursor::~RowCursor() {
    if (!connection_->IsOpen()) {
        return;
    }
    try {
        connection_->Execute("CLOSE " + name_, action_);
    } catch (const postgres::PostgresError&) {
        // The transaction failed or the connection went: the cursor went with them.
    }
}

bool RowCursor::Next() {
    if (!batch_ || next_row_ == batch_->Rows()) {
        if (last_batch_) {
            return false;
        }
        FetchBatch();
        if (batch_->Rows() == 0) {
            return false;
        }
    }
    ReadRow();
    ++next_row_;
    return true;
}

void RowCursor::FetchBatch() {
    batch_.reset();  // the last batch goes before the next one comes
    batch_.emplace(connection_->Execute(
        "FETCH FORWARD " + std::to_string(kBatchRows) + " FROM " + name_, action_));
    next_row_ = 0;
    last_batch_ = batch_->Rows() < kBatchRows;
}

void RowCursor::ReadRow() {
    for (int column = 0; column < static_cast<int>(kinds_.size()); ++column) {
        StoredField& field = fields_[static_cast<std::size_t>(column)];
        if (batch_->IsNull(next_row_, column)) {
            field.kind = StoredField::Kind::kNull;
        } else {
            ReadStoredField(batch_->Text(next_row_, column),
                            kinds_[static_cast<std::size_t>(column)], field);
        }
    }
}

}  // namespace tavix::store::postgres
