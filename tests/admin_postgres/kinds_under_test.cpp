// This program runs the tests of every kind of store on PostgreSQL (an SQLite file is there
// too, as the other end of a copy).

#include "admin/test_store.hpp"

namespace tavix::testing {

std::vector<StoreKind> KindsUnderTest() {
    return {StoreKind::kPostgres};
}

std::unique_ptr<TestStore> MakeTestStore(StoreKind kind, const TempDir& dir) {
    return kind == StoreKind::kPostgres ? MakePostgresTestStore() : MakeSqliteTestStore(dir);
}

}  // namespace tavix::testing
