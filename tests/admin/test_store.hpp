#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/temp_dir.hpp"

namespace tavix::testing {

enum class StoreKind { kSqlite, kPostgres };

// An empty readings store as `tavix-admin init` makes it, of one kind, and what a test does
// with it as another program would.
class TestStore {
  public:
    virtual ~TestStore() = default;

    virtual StoreKind Kind() const = 0;
    // What tavix-admin is given: the file's path, or the database's URI (with a password).
    virtual const std::string& Target() const = 0;
    // How tavix-admin's messages name the store: the path, or the URI with the password
    // masked.
    virtual std::string Name() const = 0;
    // A text that must never appear in tavix-admin's output; empty when there is none.
    virtual std::string Secret() const = 0;

    // Runs SQL on the store; a failure fails the test.
    virtual void Sql(const std::string& sql) = 0;
    // The single whole number a query gives; -1 when it gives none.
    virtual std::int64_t Count(const std::string& sql) = 0;
    // n readings with codes C1..Cn, qt = their number, terminal "1", one day's DateTime.
    virtual void AddReadings(int n) = 0;
    // Stores readings coded prefix0, prefix1... one transaction each, as the program does,
    // without waiting for any lock another program holds: throws when one cannot be stored.
    virtual void StoreReadingsWithoutWaiting(int count, const std::string& code_prefix) = 0;
};

std::unique_ptr<TestStore> MakeSqliteTestStore(const TempDir& dir);
std::unique_ptr<TestStore> MakePostgresTestStore();

// Each test program runs the tests of every kind on the kinds it is for (one definition per
// program): the SQLite file in tests_admin, PostgreSQL in tests_admin_postgres, which starts a
// server.
std::vector<StoreKind> KindsUnderTest();
std::unique_ptr<TestStore> MakeTestStore(StoreKind kind, const TempDir& dir);

// "sqlite" or "postgres", for the names of parameterised tests and their messages.
std::string KindName(const ::testing::TestParamInfo<StoreKind>& info);
void PrintTo(StoreKind kind, std::ostream* out);

}  // namespace tavix::testing
