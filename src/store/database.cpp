#include "store/database.hpp"

#include "store/core/store_table.hpp"
#include "store/database_target.hpp"
#include "store/postgres/backend.hpp"
#include "store/postgres/readings_schema.hpp"
#include "store/sqlite/backend.hpp"
#include "store/sqlite/connection.hpp"
#include "store/sqlite/readings_schema.hpp"
#include "store/store_error.hpp"

namespace tavix::store {

Database::Database(std::shared_ptr<StoreDatabase> backend) : backend_(std::move(backend)) {}
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;
Database::~Database() = default;

Recordset Database::OpenRecordset(std::string_view table) {
    if (!backend_) {
        throw StoreError("cannot open a recordset: this database object was moved away");
    }
    std::string name(table);
    return Recordset(backend_->OpenTable(name), name);
}

void Database::Close() {
    if (backend_) {
        backend_->Close();
    }
}

const std::string& Database::Path() const {
    static const std::string kNoPath;
    return backend_ ? backend_->Name() : kNoPath;
}

Database OpenDatabase(const std::string& target) {
    return OpenDatabase(target, sqlite::kDefaultBusyTimeout);
}

void CreateReadingsDatabase(const std::string& target) {
    if (IsPostgresTarget(target)) {
        postgres::CreateReadingsTable(target);
        return;
    }
    sqlite::CreateReadingsFile(target);
}

Database OpenDatabase(const std::string& target, std::chrono::milliseconds busy_timeout) {
    if (IsPostgresTarget(target)) {
        return Database(postgres::OpenStore(target, busy_timeout));
    }
    return Database(sqlite::OpenStore(target, busy_timeout));
}

}  // namespace tavix::store
