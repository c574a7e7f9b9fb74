#include "database.hpp"

#include "sqlite_connection.hpp"
#include "store_error.hpp"

namespace tavix::store {

Database::Database(std::shared_ptr<Connection> connection) : connection_(std::move(connection)) {}
Database::Database(Database&&) noexcept = default;
Database& Database::operator=(Database&&) noexcept = default;
Database::~Database() = default;

Recordset Database::OpenRecordset(std::string_view table) {
    if (!connection_) {
        throw StoreError("cannot open a recordset: this database object was moved away");
    }
    return Recordset(connection_, std::string(table));
}

void Database::Close() {
    if (connection_) {
        connection_->Close();
    }
}

const std::string& Database::Path() const {
    static const std::string kNoPath;
    return connection_ ? connection_->Path() : kNoPath;
}

Database OpenDatabase(const std::string& path) {
    return OpenDatabase(path, kDefaultBusyTimeout);
}

Database OpenDatabase(const std::string& path, std::chrono::milliseconds busy_timeout) {
    auto connection = std::make_shared<Connection>(path, busy_timeout);
    try {
        connection->Attach("open the database");
    } catch (const StoreError& error) {
        if (!error.MayPass()) {
            throw;
        }
        // A full disk or a lock that may pass: the first use tries again.
    }
    return Database(std::move(connection));
}

}  // namespace tavix::store
