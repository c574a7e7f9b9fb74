#include "support/sqlite_file.hpp"

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace tavix::testing {

namespace {

struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

int OpenFlags(SqliteFile::Open open) {
    switch (open) {
        case SqliteFile::Open::kCreate:
            return SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        case SqliteFile::Open::kReadOnly:
            return SQLITE_OPEN_READONLY;
        case SqliteFile::Open::kReadWrite:
            break;
    }
    return SQLITE_OPEN_READWRITE;
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text == nullptr ? std::string() : reinterpret_cast<const char*>(text);
}

void Bind(sqlite3_stmt* statement, int position, const SqlParameter& parameter) {
    if (const auto* text = std::get_if<std::string>(&parameter)) {
        sqlite3_bind_text(statement, position, text->c_str(), -1, SQLITE_TRANSIENT);
    } else if (const auto* number = std::get_if<double>(&parameter)) {
        sqlite3_bind_double(statement, position, *number);
    } else if (const auto* integer = std::get_if<std::int64_t>(&parameter)) {
        sqlite3_bind_int64(statement, position, *integer);
    } else {
        sqlite3_bind_null(statement, position);
    }
}

}  // namespace

SqliteFile::SqliteFile(const std::string& path, Open open, std::chrono::milliseconds busy_timeout)
    : path_(path) {
    if (sqlite3_open_v2(path.c_str(), &db_, OpenFlags(open), nullptr) != SQLITE_OK) {
        const std::string message = sqlite3_errmsg(db_);
        sqlite3_close(db_);
        throw std::runtime_error("test cannot open " + path + ": " + message);
    }
    sqlite3_busy_timeout(db_, static_cast<int>(busy_timeout.count()));
}

SqliteFile::~SqliteFile() {
    sqlite3_close(db_);
}

void SqliteFile::Fail(const std::string& sql) const {
    throw std::runtime_error("test SQL on " + path_ + " failed: " + sql + ": " +
                             sqlite3_errmsg(db_));
}

int SqliteFile::Execute(const std::string& sql) {
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
}

void SqliteFile::Run(const std::string& sql) {
    if (Execute(sql) != SQLITE_OK) {
        Fail(sql);
    }
}

void SqliteFile::Run(const std::string& sql, const std::vector<SqlParameter>& parameters) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
        Fail(sql);
    }
    const Statement statement(raw);
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        Bind(statement.get(), static_cast<int>(i) + 1, parameters[i]);
    }
    int result = SQLITE_ROW;
    while ((result = sqlite3_step(statement.get())) == SQLITE_ROW) {
    }
    if (result != SQLITE_DONE) {
        Fail(sql);
    }
}

std::vector<std::vector<std::string>> SqliteFile::Rows(const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
        Fail(sql);
    }
    const Statement statement(raw);
    std::vector<std::vector<std::string>> rows;
    int result = SQLITE_ROW;
    while ((result = sqlite3_step(statement.get())) == SQLITE_ROW) {
        std::vector<std::string>& row = rows.emplace_back();
        for (int column = 0; column < sqlite3_column_count(statement.get()); ++column) {
            row.push_back(ColumnText(statement.get(), column));
        }
    }
    if (result != SQLITE_DONE) {
        Fail(sql);
    }
    return rows;
}

std::string SqliteFile::Text(const std::string& sql) {
    const auto rows = Rows(sql);
    return rows.empty() || rows.front().empty() ? std::string() : rows.front().front();
}

std::int64_t SqliteFile::Number(const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK) {
        Fail(sql);
    }
    const Statement statement(raw);
    switch (sqlite3_step(statement.get())) {
        case SQLITE_ROW:
            return sqlite3_column_int64(statement.get(), 0);
        case SQLITE_DONE:
            return -1;
        default:
            Fail(sql);
    }
}

}  // namespace tavix::testing
