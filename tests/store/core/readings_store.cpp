#include "readings_store.hpp"

#include <sqlite3.h>

#include <charconv>
#include <chrono>

#include "store/forwarding.hpp"
#include "store/postgres/client/connection.hpp"
#include "store/postgres/client/error.hpp"

namespace tavix::store {

namespace {

using namespace std::chrono_literals;

std::int64_t NumberIn(const std::string& text) {
    std::int64_t number = -1;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

class OtherSqliteProgram final : public OtherSession {
  public:
    explicit OtherSqliteProgram(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << "cannot open " << path << ": " << sqlite3_errmsg(db_);
        }
    }
    ~OtherSqliteProgram() override { sqlite3_close(db_); }

    Outcome Execute(const std::string& sql) override {
        const int result = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
        if (result == SQLITE_OK) {
            return Outcome::kDone;
        }
        return result == SQLITE_BUSY ? Outcome::kBusy : Outcome::kFailed;
    }

    std::int64_t Number(const std::string& sql) override { return NumberIn(Text(sql)); }

    std::string Text(const std::string& sql) override {
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

class OtherPostgresSession final : public OtherSession {
  public:
    explicit OtherPostgresSession(const std::string& uri)
        : connection_(uri, postgres::Timeouts{5s, 5s, 1s, 50ms}) {}

    Outcome Execute(const std::string& sql) override {
        try {
            connection_.Execute(sql, "run the other session's statement");
            return Outcome::kDone;
        } catch (const postgres::PostgresError& error) {
            return error.Kind() == ErrorKind::kBusy ? Outcome::kBusy : Outcome::kFailed;
        }
    }

    std::int64_t Number(const std::string& sql) override { return NumberIn(Text(sql)); }

    std::string Text(const std::string& sql) override {
        const postgres::Result result = connection_.Execute(sql, "read a value");
        return result.Rows() == 0 ? "" : std::string(result.Text(0, 0));
    }

  private:
    postgres::Connection connection_;
};

}  // namespace

EmptyReadingsStore::EmptyReadingsStore(StoreKind kind) : kind_(kind) {
    if (kind == StoreKind::kPostgres) {
        database_.emplace();
        target_ = database_->Uri();
    } else {
        folder_.emplace();
        target_ = folder_->File("tavix.mdb");
    }
    CreateReadingsDatabase(target_);
    if (kind == StoreKind::kForwardedSqliteFile) {
        PrepareForwarding(target_, History::kQueue);
    }
}

std::unique_ptr<OtherSession> EmptyReadingsStore::Other() const {
    if (kind_ == StoreKind::kPostgres) {
        return std::make_unique<OtherPostgresSession>(target_);
    }
    return std::make_unique<OtherSqliteProgram>(target_);
}

std::string StoreKindName(const ::testing::TestParamInfo<StoreKind>& info) {
    switch (info.param) {
        case StoreKind::kSqliteFile:
            return "SqliteFile";
        case StoreKind::kForwardedSqliteFile:
            return "ForwardedSqliteFile";
        case StoreKind::kPostgres:
            break;
    }
    return "Postgres";
}

}  // namespace tavix::store
