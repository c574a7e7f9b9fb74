#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "store/database.hpp"
#include "store/readings_table.hpp"
#include "store/recordset.hpp"
#include "store/store_error.hpp"
#include "support/program_folder.hpp"
#include "support/sqlite_file.hpp"

namespace tavix::store {

using testing::SqliteFile;

// A fresh readings database in a folder of its own, as the program's.
class ReadingsFile : public ::testing::Test {
  protected:
    testing::ProgramFolder folder_{testing::ProgramFolder::Database::kEmpty,
                                   testing::ProgramFolder::Executable::kNone};
    std::string path_ = folder_.DatabasePath();
};

inline void AddReading(Recordset& readings, const Value& code, const Value& terminal = Value("1")) {
    readings.AddNew();
    readings.SetField(readings_table::kCode, code);
    readings.SetField(readings_table::kQuantity, 1.0);
    readings.SetField(readings_table::kDateTime, Timestamp::Now());
    readings.SetField(readings_table::kTerminal, terminal);
    readings.Update();
}

inline std::int64_t CurrentId(const Recordset& readings) {
    return std::get<std::int64_t>(readings.Fields(readings_table::kId));
}

inline std::vector<std::int64_t> IdsForward(Recordset& readings) {
    std::vector<std::int64_t> ids;
    for (readings.MoveFirst(); !readings.Eof(); readings.MoveNext()) {
        ids.push_back(CurrentId(readings));
    }
    return ids;
}

inline std::vector<std::int64_t> IdsBackward(Recordset& readings) {
    std::vector<std::int64_t> ids;
    for (readings.MoveLast(); !readings.Bof(); readings.MovePrevious()) {
        ids.push_back(CurrentId(readings));
    }
    return ids;
}

}  // namespace tavix::store
