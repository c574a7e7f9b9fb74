#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "store/core/store_table.hpp"
#include "store/postgres/record_orders.hpp"
#include "store/postgres/session.hpp"

namespace tavix::store::postgres {

// Changing a record of a table on the server, as a Table does it: each change a transaction of
// its own, reported done only once the server has acknowledged its commit. A text written back
// exactly as the program read it keeps its stored characters (see core/stored_text.hpp).

// Begins the edit's transaction with the record locked (FOR UPDATE) and read again, as current,
// in one round trip; nothing (and no lock) when the record no longer exists.
std::unique_ptr<EditLock> LockRecord(Session& session, const TableShape& shape, CurrentRow& current,
                                     std::int64_t rowid, std::string_view action);

// A new record gets the table's reading_key (when it has one) before it is sent: when the
// connection is lost during its commit, the record is looked up by it after connecting again.
// There: stored. Not there: sent once more with the same key on the new connection, which the
// key's unique index keeps from storing it twice, however late the first sending lands (with no
// such index, its outcome stays unknown). Neither found out nor answered: given to the
// session's keeper (new readings of the readings table), and as good as stored once kept;
// otherwise reported not stored, the message naming the key and whether it is known to be
// absent or unknown.
void InsertRecord(Session& session, const TableShape& shape, const FieldValues& values);

// Writes and commits in one round trip. The record read as it was locked stops being current:
// the next move reads it as written.
void UpdateRecord(Session& session, const TableShape& shape, std::unique_ptr<EditLock> lock,
                  CurrentRow& current, std::int64_t rowid, const FieldValues& values);

// The deleted record's keys, one per column; nothing when it no longer existed.
std::optional<std::vector<OrderKey>> DeleteRecord(Session& session, const TableShape& shape,
                                                  std::int64_t rowid);

}  // namespace tavix::store::postgres
