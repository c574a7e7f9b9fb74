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
#include "support/recordset_walk.hpp"
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

// The same file opened, with a recordset on its readings, as many tests begin.
class OpenReadingsFile : public ReadingsFile {
  protected:
    Database database_ = OpenDatabase(path_);
    Recordset readings_ = database_.OpenRecordset(readings_table::kTable);
};

using testing::AddReading;
using testing::CurrentId;
using testing::IdsBackward;
using testing::IdsForward;

}  // namespace tavix::store
