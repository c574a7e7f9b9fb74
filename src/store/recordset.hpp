#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "store/value.hpp"

namespace tavix::store {

class StoreTable;

// A table-type recordset: one current record and one current order over a table.
//
// The order is the table's own (the order in which records were stored) until SetIndex
// selects "Code"; then it is ascending code, equal codes in the table's own order. Every
// move costs a keyset query on the primary key or the Code index: the table is never held
// in memory.
//
// Eof() and Bof() become true past either end and are both true on an empty table. Every
// failure throws StoreError.
//
// The same rules hold over every kind of store (the SQLite file, a PostgreSQL server); the
// store's part is its StoreTable.
//
// When the store could not be reached at first, or the SQLite file is opened anew (it was
// removed or replaced, see Connection), the next operation reads the table then and starts as
// on opening, on its first record, in the order selected before. An Edit or Delete in that same
// call fails instead, since it would fall on a record nobody saw.
class Recordset {
  public:
    // Made by Database::OpenRecordset.
    Recordset(std::unique_ptr<StoreTable> table, std::string table_name);
    Recordset(Recordset&&) noexcept;
    Recordset& operator=(Recordset&&) noexcept;
    ~Recordset();

    // Moves. MoveFirst and MoveLast on an empty table are no failure: the recordset is then at
    // Eof and Bof. MoveNext at Eof and MovePrevious at Bof fail.
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();
    bool Eof() const;
    bool Bof() const;

    // The current record's field by name, a text in the program's code page (see
    // core/stored_text.hpp). Fails for an unknown name and when there is no current record (at Eof
    // or Bof, or after Delete until the next move). On a server the record is read as a move lands
    // on it, and its fields show it as read then until the next move.
    Value Fields(std::string_view name) const;

    // How many records MoveNext reads at once on a server (1, the default: each as the move
    // lands on it). A list read from top to bottom sets more, so that the records after the
    // current one come without a round trip each, showing what the server held when they were
    // read; any other move or change reads afresh. The SQLite file reads each record anyway.
    void SetCacheSize(int records) noexcept;

    // AddNew starts a new record; Edit starts changing the current one inside an immediate
    // transaction (so the values read after Edit are the stored ones and nobody else writes
    // until Update). SetField assigns a field of the pending record; Update commits it
    // durably before it returns. After AddNew and Update the record that was current before
    // stays current; after Edit and Update the edited record stays current, at its place in
    // the current order (an edited code moves it in code order, and the moves go on from
    // there). A text written back exactly as Fields read it keeps its stored bytes (see
    // core/stored_text.hpp). CancelUpdate forgets the pending change; so does any move.
    void AddNew();
    void Edit();
    void SetField(std::string_view name, const Value& value);
    void Update();
    void CancelUpdate();

    // Removes the current record. Until the next move there is no current record; MoveNext
    // then goes to the record that followed it in the current order, MovePrevious to the one
    // before it.
    void Delete();

    // "Code" selects ascending code order; "" (or "PrimaryKey") the table's own order.
    void SetIndex(std::string_view index_name);
    const std::string& Index() const;

    // With the Code index selected: Seek("=", code) makes the first record with exactly that
    // code current, or sets NoMatch and keeps the current record. A code is found in either
    // stored form that reads as it: UTF-8, or the bytes themselves as an older file holds
    // them (see core/stored_text.hpp).
    void Seek(std::string_view comparison, const Value& key);
    bool NoMatch() const;

    // An opaque text naming the current record; setting it makes that record current again.
    // Setting the bookmark of a record that no longer exists fails.
    std::string Bookmark() const;
    void SetBookmark(const std::string& bookmark);

    void Close();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tavix::store
