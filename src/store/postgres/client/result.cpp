#include "store/postgres/client/result.hpp"

#include <libpq-fe.h>

#include <charconv>
#include <stdexcept>

namespace tavix::store::postgres {

void Result::Clear::operator()(pg_result* result) const {
    PQclear(result);
}

Result::Result(pg_result* result) : result_(result) {}

int Result::Rows() const {
    return PQntuples(result_.get());
}

int Result::Columns() const {
    return PQnfields(result_.get());
}

std::string_view Result::ColumnName(int column) const {
    CheckColumn(column);
    return PQfname(result_.get(), column);
}

bool Result::IsNull(int row, int column) const {
    CheckCell(row, column);
    return PQgetisnull(result_.get(), row, column) == 1;
}

std::string_view Result::Text(int row, int column) const {
    CheckCell(row, column);
    return {PQgetvalue(result_.get(), row, column),
            static_cast<std::size_t>(PQgetlength(result_.get(), row, column))};
}

std::optional<std::string> Result::Field(int row, int column) const {
    if (IsNull(row, column)) {
        return std::nullopt;
    }
    return std::string(Text(row, column));
}

std::string_view Result::CommandStatus() const {
    return PQcmdStatus(result_.get());
}

std::int64_t Result::AffectedRows() const {
    const std::string_view count = PQcmdTuples(result_.get());
    std::int64_t rows = 0;
    std::from_chars(count.data(), count.data() + count.size(), rows);
    return rows;
}

void Result::CheckColumn(int column) const {
    if (column < 0 || column >= Columns()) {
        throw std::out_of_range("no column " + std::to_string(column) + " in a result of " +
                                std::to_string(Columns()) + " columns");
    }
}

void Result::CheckCell(int row, int column) const {
    CheckColumn(column);
    if (row < 0 || row >= Rows()) {
        throw std::out_of_range("no row " + std::to_string(row) + " in a result of " +
                                std::to_string(Rows()) + " rows");
    }
}

}  // namespace tavix::store::postgres
