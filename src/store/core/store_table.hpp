#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/core/record_order.hpp"
#include "store/value.hpp"

namespace tavix::store {

// The values assigned to a record's fields, by column.
using FieldValues = std::map<std::size_t, Value>;  // ordered, so equal column sets give equal SQL

// An edit's hold on its record from Edit until Update, so that what was read after Edit is what
// gets overwritten. Dropping it lets go and changes nothing.
// Of the three ideas of a pending change this is the engine's part, the only one that differs
// between engines (the file's write lock, a row locked FOR UPDATE); the recordset's
// PendingChange owns it, and the caller's PendingEdit settles that.
class EditLock {
  public:
    virtual ~EditLock() = default;
};

// An order as a recordset selects it.
struct SelectedOrder {
    std::unique_ptr<RecordOrder> order;
    std::string name;                       // the index's name as the store spells it, or ""
    std::optional<std::size_t> key_column;  // the column an index order is keyed on
};

// One table of a store, as a recordset reads and changes it: what each kind of store (the
// SQLite file, a PostgreSQL server) provides, so that the recordset's own rules (its place,
// its moves, its pending change) are the same over both. Every failure throws StoreError whose
// message names the store.
class StoreTable {
  public:
    virtual ~StoreTable() = default;

    // The file's path or the server's target (password masked), for messages.
    virtual const std::string& StoreName() const = 0;

    // False while the store could not be reached yet (not opened, not connected): the table is
    // then read at the first use.
    virtual bool Reachable() const = 0;

    // Makes the store usable for action, opening or connecting when needed. True when the table
    // was read afresh (the first time, or from a file that replaced the one read before):
    // whatever a recordset knew of the table is void, and it starts again as on opening.
    virtual bool Attach(std::string_view action) = 0;

    // The column of a field, matched without regard to case as SQL does.
    virtual std::optional<std::size_t> ColumnIndex(std::string_view field) const = 0;

    // The table's own order for "", otherwise the order of the index of that name.
    virtual SelectedOrder Order(std::string_view index_name) = 0;

    // A field of the record, as the program reads it (texts in its code page).
    virtual Value ReadField(std::int64_t rowid, std::size_t column, std::string_view action) = 0;

    // Holds the record for an edit; nothing (and no hold) when it no longer exists.
    virtual std::unique_ptr<EditLock> LockForEdit(std::int64_t rowid, std::string_view action) = 0;

    // Stores a new record; it is durable when this returns, and not stored when it throws.
    virtual void Insert(const FieldValues& values) = 0;

    // Writes the edited record and lets go of it; durable when this returns.
    virtual void Update(std::unique_ptr<EditLock> lock, std::int64_t rowid,
                        const FieldValues& values) = 0;

    // Deletes the record, durably. Returns its keys, one per column, so that it can be placed
    // in an order selected later; nothing when it no longer existed.
    virtual std::optional<std::vector<OrderKey>> Delete(std::int64_t rowid) = 0;
};

// A kind of store: the SQLite file or a PostgreSQL server.
class StoreDatabase {
  public:
    virtual ~StoreDatabase() = default;

    // The file's path or the server's target (password masked).
    virtual const std::string& Name() const = 0;

    // The table's side of a recordset. Fails when the store is closed.
    virtual std::unique_ptr<StoreTable> OpenTable(const std::string& table) = 0;

    // Lets go of the file or the server; every table of it fails from then on.
    virtual void Close() noexcept = 0;
};

}  // namespace tavix::store
