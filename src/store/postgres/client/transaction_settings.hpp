#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "store/postgres/client/timeouts.hpp"

namespace tavix::store::postgres {

// A setting a transaction makes for itself (set_config(name, value, true)), gone at its end.
//
// Every transaction carries its settings rather than the connection making them once: behind a
// connection pooler in transaction mode (PgBouncer), a client's consecutive transactions may run
// on different server connections, so a session's setting would stay on whichever one ran it,
// for another client to inherit, while the client's next transaction runs without it.
struct TransactionSetting {
    std::string name;
    std::string value;
};

// The settings of every transaction of the store, whatever the server's or the database's
// defaults: a COMMIT returns only once durable; the server cancels a statement, lock waits
// included, before the client stops waiting for it (see Timeouts); dates travel as
// "YYYY-MM-DD HH:MM:SS"; and on a server that can (14 and later), a statement whose client has
// gone is abandoned within a second rather than run to its end.
std::vector<TransactionSetting> StoreSettings(const Timeouts& timeouts, int server_version);

// "SELECT set_config($1, $2, true), set_config($3, $4, true), ..." for this many settings, each
// taking its name and its value as parameters.
std::string SettingsQuery(std::size_t settings);

// Whether sql opens a transaction block (BEGIN, START TRANSACTION). The settings then follow it
// rather than precede it: a query before it would take the snapshot, and the isolation level
// it may ask for could no longer be set.
bool OpensTransactionBlock(std::string_view sql);

}  // namespace tavix::store::postgres
