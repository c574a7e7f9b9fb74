#include "store/database.hpp"

#include "store/backend.hpp"
#include "store/core/store_table.hpp"
#include "store/store_error.hpp"

namespace tavix::store {

Database::Database(std::shared_ptr<StoreDatabase> store) : store_(std::move(store)) {}
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;
Database::~Database() = default;

Recordset Database::OpenRecordset(std::string_view table) {
    if (!store_) {
        throw StoreError("cannot open a recordset: this database object was moved away");
    }
    std::string name(table);
    return Recordset(store_->OpenTable(name), name);
}

void Database::Close() {
    if (store_) {
        store_->Close();
    }
}

const std::string& Database::Path() const {
    static const std::string kNoPath;
    return store_ ? store_->Name() : kNoPath;
}

Database OpenDatabase(const std::string& target) {
    return OpenDatabase(target, kDefaultBusyTimeout);
}

Database OpenDatabase(const std::string& target, std::chrono::milliseconds busy_timeout) {
    StoreOptions options;
    options.busy_timeout = busy_timeout;
    return OpenDatabase(target, options);
}

Database OpenDatabase(const std::string& target, const StoreOptions& options) {
    return BackendFor(target).OpenDatabase(target, options);
}

void CreateReadingsDatabase(const std::string& target) {
    BackendFor(target).CreateReadingsDatabase(target);
}

}  // namespace tavix::store
