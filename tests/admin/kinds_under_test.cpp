// This program runs the tests of every kind of store on the SQLite file; tests_admin_postgres
// runs them on PostgreSQL.

#include "test_store.hpp"

namespace tavix::testing {

std::vector<StoreKind> KindsUnderTest() {
    return {StoreKind::kSqlite};
}

std::unique_ptr<TestStore> MakeTestStore(StoreKind kind, const TempDir& dir) {
    if (kind != StoreKind::kSqlite) {
        throw std::logic_error("tests_admin runs on SQLite files only");
    }
    return MakeSqliteTestStore(dir);
}

}  // namespace tavix::testing
