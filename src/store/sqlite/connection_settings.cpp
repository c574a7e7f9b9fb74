#include "store/sqlite/connection_settings.hpp"

#include "store/sqlite/connection.hpp"
#include "store/store_error.hpp"

namespace tavix::store::sqlite {

void CheckReadable(Connection& connection) {
    connection.Execute("SELECT count(*) FROM sqlite_schema", "read the database");
}

void UseFullSync(Connection& connection) {
    connection.Execute("PRAGMA synchronous = FULL", "set synchronous writes");
}

bool SwitchToWal(Connection& connection) {
    if (connection.IsReadOnly()) {
        return true;
    }
    try {
        connection.Execute("PRAGMA journal_mode = WAL", "switch to WAL");
    } catch (const TransientStoreError& error) {
        return error.Why() != TransientStoreError::Cause::kDisk;
    } catch (const StoreError&) {
        // Keeps the journal mode the file has; see above.
    }
    return true;
}

}  // namespace tavix::store::sqlite
