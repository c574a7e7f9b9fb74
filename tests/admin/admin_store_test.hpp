#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/admin_process.hpp"
#include "support/file_content.hpp"
#include "support/temp_dir.hpp"
#include "test_store.hpp"

namespace tavix::testing {

// A fresh, empty readings store of one kind, and ways to fill it and run tavix-admin on it.
class StoreFixture {
  protected:
    explicit StoreFixture(StoreKind kind);

    void Sql(const std::string& sql) { store_->Sql(sql); }
    std::int64_t Count(const std::string& sql) { return store_->Count(sql); }
    void AddReadings(int n) { store_->AddReadings(n); }

    // A value written in the SQL both kinds read, in the form each holds it: on an SQLite
    // file the program stores an edited terminal as a number, on PostgreSQL as its text.
    const std::string& Literal(const std::string& in_sqlite, const std::string& in_postgres) const {
        return store_->Kind() == StoreKind::kSqlite ? in_sqlite : in_postgres;
    }

    // tavix-admin with these arguments; whatever it says, it never shows the store's password.
    AdminResult Admin(const std::vector<std::string>& arguments, const AdminSetup& setup = {});
    // `tavix-admin export ARGUMENTS... <store>`, which must succeed; its standard output.
    std::string Export(std::vector<std::string> arguments);
    // `tavix-admin check <store>`, which must find problems; each problem it prints, without
    // the store's name before it.
    std::vector<std::string> CheckProblems();

    TempDir dir_;
    std::unique_ptr<TestStore> store_;
    std::string path_;  // the store's target: a file's path or a URI
};

// The tests of an SQLite file alone.
class AdminStoreTest : public ::testing::Test, public StoreFixture {
  protected:
    AdminStoreTest() : StoreFixture(StoreKind::kSqlite) {}
};

// The tests that hold for every kind of store, run once per kind this program is for.
class AnyStoreTest : public ::testing::TestWithParam<StoreKind>, public StoreFixture {
  protected:
    AnyStoreTest() : StoreFixture(GetParam()) {}
};

// Runs a parameterised suite of AnyStoreTest on the kinds of this program.
#define TAVIX_ON_EVERY_STORE_KIND(suite)                                                       \
    INSTANTIATE_TEST_SUITE_P(, suite, ::testing::ValuesIn(::tavix::testing::KindsUnderTest()), \
                             ::tavix::testing::KindName)

// The names in a folder.
std::vector<std::string> FolderEntries(const std::string& folder);

}  // namespace tavix::testing
