#include "connection_settings.hpp"

#include "sqlite_connection.hpp"
#include "store_error.hpp"

namespace tavix::store {

void CheckReadable(Connection& connection) {
    connection.Execute("SELECT count(*) FROM sqlite_schema", "read the database");
}

void UseFullSync(Connection& connection) {
    connection.Execute("PRAGMA synchronous = FULL", "set synchronous writes");
}

void SwitchToWal(Connection& connection) {
    if (connection.IsReadOnly()) {
        return;
    }
    try {
        connection.Execute("PRAGMA journal_mode = WAL", "switch to WAL");
    } catch (const StoreError&) {
        // Keeps the journal mode the file has; see above.
    }
}

}  // namespace tavix::store
