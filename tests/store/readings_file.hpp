#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "store/database.hpp"
#include "store/recordset.hpp"
#include "store/store_error.hpp"
#include "support/recordset_walk.hpp"
#include "support/temp_dir.hpp"

namespace tavix::store {

// A fresh readings database in its own temporary folder.
class ReadingsFile : public ::testing::Test {
  protected:
    ReadingsFile() : path_(dir_.File("tavix.mdb")) { CreateReadingsDatabase(path_); }

    testing::TempDir dir_;
    std::string path_;
};

using testing::AddReading;
using testing::CurrentId;
using testing::IdsBackward;
using testing::IdsForward;

// A plain SQLite connection, standing for another program with the same file open.
class OtherProgram {
  public:
    explicit OtherProgram(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "cannot open " << path << ": " << sqlite3_errmsg(db_);
        }
    }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;
    ~OtherProgram() { sqlite3_close(db_); }

    // The SQLite result code of running sql.
    int Execute(const std::string& sql) {
        return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    }

    // The first column of the first row of a query, as an integer.
    std::int64_t Number(const std::string& sql) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr);
        const std::int64_t number =
            sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
        sqlite3_finalize(statement);
        return number;
    }

    std::string Text(const std::string& sql) {
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr);
        std::string text;
        if (sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0) != nullptr) {
            text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        }
        sqlite3_finalize(statement);
        return text;
    }

  private:
    sqlite3* db_ = nullptr;
};

}  // namespace tavix::store
