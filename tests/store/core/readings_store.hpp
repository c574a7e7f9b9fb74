#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "store/database.hpp"
#include "store/readings_table.hpp"
#include "store/recordset.hpp"
#include "store/store_error.hpp"
#include "support/postgres/shared_server.hpp"
#include "support/recordset_walk.hpp"
#include "support/temp_dir.hpp"

namespace tavix::store {

using testing::AddReading;
using testing::CurrentId;
using testing::IdsBackward;
using testing::IdsForward;

// The kinds of store the recordset's rules must hold on, the same on each. A file prepared for
// forwarding has triggers on its readings that the rules must not notice.
enum class StoreKind { kSqliteFile, kForwardedSqliteFile, kPostgres };

// Another program (or session) using the same store, outside the store's code: a plain SQLite
// connection to the file, or a plain connection to the server.
class OtherSession {
  public:
    enum class Outcome { kDone, kBusy, kFailed };

    virtual ~OtherSession() = default;

    // Runs sql; a lock held by someone else is given up on at once (kBusy).
    virtual Outcome Execute(const std::string& sql) = 0;
    // The first value of a query, as a whole number; -1 when there is none.
    virtual std::int64_t Number(const std::string& sql) = 0;
    // The first value of a query as text; "" when there is none or it is NULL.
    virtual std::string Text(const std::string& sql) = 0;
};

// An empty readings store as `tavix-admin init` makes it: a new SQLite file in a temporary
// folder (prepared for forwarding, or not), or the readings table in a fresh database on the
// test program's own server.
class EmptyReadingsStore {
  public:
    explicit EmptyReadingsStore(StoreKind kind);

    // What OpenDatabase takes: the file's path or the database's URI.
    const std::string& Target() const { return target_; }
    std::unique_ptr<OtherSession> Other() const;

  private:
    StoreKind kind_;
    std::optional<testing::TempDir> folder_;
    std::optional<testing::FreshDatabase> database_;
    std::string target_;
};

// A test of the recordset's rules, run once on each kind of store.
class ReadingsStoreTest : public ::testing::TestWithParam<StoreKind> {
  protected:
    EmptyReadingsStore store_{GetParam()};
    const std::string& target_ = store_.Target();
};

// The same, with the store opened and a recordset on its readings, as most tests begin.
class OpenReadingsStoreTest : public ReadingsStoreTest {
  protected:
    Database database_ = OpenDatabase(target_);
    Recordset readings_ = database_.OpenRecordset(readings_table::kTable);
};

// "SqliteFile", "ForwardedSqliteFile" or "Postgres", for the tests' names.
std::string StoreKindName(const ::testing::TestParamInfo<StoreKind>& info);

}  // namespace tavix::store

// Runs every test of a fixture derived from ReadingsStoreTest on every kind of store.
#define TAVIX_ON_BOTH_STORES(fixture)                                                           \
    INSTANTIATE_TEST_SUITE_P(BothStores, fixture,                                               \
                             ::testing::Values(::tavix::store::StoreKind::kSqliteFile,          \
                                               ::tavix::store::StoreKind::kForwardedSqliteFile, \
                                               ::tavix::store::StoreKind::kPostgres),           \
                             ::tavix::store::StoreKindName)
