#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "admin_process.hpp"
#include "support/file_content.hpp"
#include "support/temp_dir.hpp"

namespace tavix::testing {

// A fresh readings database made by `tavix-admin init`, in a folder of its own, and ways to
// fill it and run tavix-admin on it.
class AdminStoreTest : public ::testing::Test {
  protected:
    AdminStoreTest();

    // Runs SQL on the database as another program would; a failure fails the test.
    void Sql(const std::string& sql);
    // n readings with codes C1..Cn, qt = their number, terminal "1", one day's DateTime.
    void AddReadings(int n);
    std::int64_t Count(const std::string& sql);

    // `tavix-admin export ARGUMENTS... <database>`, which must succeed; its standard output.
    std::string Export(std::vector<std::string> arguments);

    TempDir dir_;
    std::string path_;
};

// The names in a folder.
std::vector<std::string> FolderEntries(const std::string& folder);

}  // namespace tavix::testing
