#include "postgres_test_store.hpp"

#include "admin/test_store.hpp"
#include "store/database.hpp"
#include "store/postgres/client/connection.hpp"
#include "store/postgres/client/password_mask.hpp"
#include "store/postgres/client/transaction.hpp"
#include "support/postgres/shared_server.hpp"

namespace tavix::testing {

namespace {

using store::postgres::Connection;
using store::postgres::PostgresError;

class PostgresTestStore final : public TestStore {
  public:
    PostgresTestStore()
        : target_(WithPassword(database_.Uri())), connection_(database_.ConnInfo()) {
        store::CreateReadingsDatabase(target_);  // as `tavix-admin init URI` does
    }

    StoreKind Kind() const override { return StoreKind::kPostgres; }
    const std::string& Target() const override { return target_; }
    std::string Name() const override { return store::postgres::MaskPassword(target_); }
    std::string Secret() const override { return std::string(kTestPassword); }

    void Sql(const std::string& sql) override {
        try {
            connection_.Execute(sql, "run the test's SQL");
        } catch (const PostgresError& error) {
            ADD_FAILURE() << sql << ": " << error.what();
        }
    }

    std::int64_t Count(const std::string& sql) override {
        try {
            const auto result = connection_.Execute(sql, "count");
            return result.Rows() == 1 ? std::stoll(std::string(result.Text(0, 0))) : -1;
        } catch (const PostgresError& error) {
            ADD_FAILURE() << sql << ": " << error.what();
            return -1;
        }
    }

    void AddReadings(int n) override {
        Sql("INSERT INTO readings (code, qt, terminal, datetime) "
            "SELECT 'C' || i, i, '1', '2024-05-01 10:00:00' FROM generate_series(1, " +
            std::to_string(n) + ") AS i");
    }

    // Each reading its own committed transaction, and a lock wait of 1 ms at most: any lock
    // another session held would fail a store at once.
    void StoreReadingsWithoutWaiting(int count, const std::string& code_prefix) override {
        Connection writer(database_.ConnInfo(), {.lock = std::chrono::milliseconds(1)});
        for (int i = 0; i < count; ++i) {
            store::postgres::Transaction transaction(writer, "store a reading");
            writer.Execute(
                "INSERT INTO readings (code, qt, terminal, datetime) "
                "VALUES ($1, 1, '9', localtimestamp(0))",
                {code_prefix + std::to_string(i)}, "store a reading");
            transaction.Commit();
        }
    }

  private:
    FreshDatabase database_;
    std::string target_;
    Connection connection_;
};

}  // namespace

std::string WithPassword(const std::string& uri) {
    std::string with_password = uri;
    with_password.insert(uri.find('@'), ":" + std::string(kTestPassword));
    return with_password;
}

std::unique_ptr<TestStore> MakePostgresTestStore() {
    return std::make_unique<PostgresTestStore>();
}

}  // namespace tavix::testing
