#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "store/backend.hpp"
#include "store/reading_filter.hpp"
#include "store/stored_field.hpp"

namespace tavix::store {

// Rows of one query, read forwards once. A row's fields are valid until the next Next().
class RowCursor {
  public:
    virtual ~RowCursor() = default;

    // Moves to the next row; false after the last. Throws StoreError naming the store.
    virtual bool Next() = 0;
    virtual std::span<const StoredField> Fields() const = 0;
};

// The readings per value of terminal, as stored (the text "6" and the number 6 apart).
struct TerminalCount {
    StoredField terminal;
    std::int64_t readings = 0;
};

struct StoreSummary {
    std::int64_t readings = 0;
    StoredField first_date_time;  // the smallest stored DateTime; null when there is none
    StoredField last_date_time;
    std::vector<TerminalCount> per_terminal;
};

// A readings store as tavix-admin reads it. Everything one object returns comes from one read
// transaction, opened with the object: readings stored meanwhile are wholly in or wholly out.
// Reading never writes to the store and never stops another program from storing a reading.
// Each kind of store (an SQLite file, a PostgreSQL database) implements it; every failure is a
// StoreError whose message names the store.
class ReadingsSource {
  public:
    virtual ~ReadingsSource() = default;

    // The store's name for messages.
    virtual const std::string& Name() const = 0;

    // id, code, qt, terminal, DateTime of the readings in table order.
    virtual std::unique_ptr<RowCursor> Readings(const ReadingFilter& filter) = 0;

    // code, the sum of qt, the number of readings: one row per code, in code order.
    virtual std::unique_ptr<RowCursor> CodeTotals(const ReadingFilter& filter) = 0;

    virtual StoreSummary Summary() = 0;

    // What is wrong with the store (damage, a table, column or index that is missing or not
    // as the program creates it), one sentence each; empty when nothing is.
    virtual std::vector<std::string> Problems() = 0;

    // What the store lacks only for what it does not use yet, with the command that adds it
    // (a server's table made before forwarding), one sentence each: not a problem.
    virtual std::vector<std::string> Notes() { return {}; }
};

// The store a target names: a PostgreSQL database for a postgresql:// or postgres:// URI, else
// the SQLite file at that path. Throws StoreError when it is missing or cannot be read.
inline std::unique_ptr<ReadingsSource> OpenReadingsSource(const std::string& target) {
    return BackendFor(target).OpenReadingsSource(target);
}

}  // namespace tavix::store
