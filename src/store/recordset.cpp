#include "store/recordset.hpp"

#include <algorithm>
#include <charconv>
#include <vector>

#include "store/core/recordset_state.hpp"
#include "store/core/sql_name.hpp"
#include "store/store_error.hpp"

namespace tavix::store {

namespace {

constexpr std::string_view kTableOrderName = "PrimaryKey";

// A change must not fall on a record nobody has seen: the one made current by opening the
// file anew in the same call.
constexpr std::string_view kReopenedReason =
    "the database file was opened anew, so the record to change is not the one shown before";

bool IsTableOrderName(std::string_view name) {
    return name.empty() || name == kTableOrderName;
}

}  // namespace

Recordset::Recordset(std::unique_ptr<StoreTable> table, std::string table_name)
    : state_(std::make_unique<State>()) {
    State& state = *state_;
    state.table = std::move(table);
    state.table_name = std::move(table_name);
    if (!state.table->Reachable()) {
        return;  // the store could not be reached yet: the first use reads the table
    }
    try {
        state.CheckUsable("open the table " + QuoteIdentifier(state.table_name));
    } catch (const StoreError& error) {
        if (!error.MayPass()) {
            throw;
        }
        // The same, for a failure that may pass.
    }
}

Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;
Recordset::~Recordset() = default;

void Recordset::MoveFirst() {
    constexpr std::string_view kAction = "move to the first record";
    state_->CheckUsable(kAction);
    state_->pending.reset();
    state_->MoveToOr(state_->order->First(), Place::kEmpty);
}

void Recordset::MoveLast() {
    constexpr std::string_view kAction = "move to the last record";
    state_->CheckUsable(kAction);
    state_->pending.reset();
    state_->MoveToOr(state_->order->Last(), Place::kEmpty);
}

void Recordset::MoveNext() {
    constexpr std::string_view kAction = "move to the next record";
    State& state = *state_;
    state.CheckUsable(kAction);
    state.pending.reset();
    if (Eof()) {
        state.Fail(kAction, "already past the last record");
    }
    if (state.place == Place::kBeforeFirst) {
        state.MoveToOr(state.order->First(), Place::kEmpty);
    } else {
        state.MoveToOr(state.order->After(state.position), Place::kAfterLast);
    }
}

void Recordset::MovePrevious() {
    constexpr std::string_view kAction = "move to the previous record";
    State& state = *state_;
    state.CheckUsable(kAction);
    state.pending.reset();
    if (Bof()) {
        state.Fail(kAction, "already before the first record");
    }
    if (state.place == Place::kAfterLast) {
        state.MoveToOr(state.order->Last(), Place::kEmpty);
    } else {
        state.MoveToOr(state.order->Before(state.position), Place::kBeforeFirst);
    }
}

bool Recordset::Eof() const {
    state_->CheckUsable("test for the end of the records");
    return state_->place == Place::kAfterLast || state_->place == Place::kEmpty;
}

bool Recordset::Bof() const {
    state_->CheckUsable("test for the start of the records");
    return state_->place == Place::kBeforeFirst || state_->place == Place::kEmpty;
}

Value Recordset::Fields(std::string_view name) const {
    const std::string action = "read the field " + QuoteIdentifier(name);
    State& state = *state_;
    state.CheckUsable(action);
    const std::size_t column = state.ColumnOf(name, action);
    if (state.pending) {
        if (const Value* assigned = state.pending->Assigned(column)) {
            return *assigned;
        }
        if (!state.pending->IsEdit()) {
            return std::monostate{};  // a new record's fields start empty
        }
    }
    state.CheckCurrentRecord(action);
    return state.table->ReadField(state.position.rowid, column, action);
}

void Recordset::AddNew() {
    state_->CheckUsable("add a record");
    state_->pending.reset();
    state_->pending = PendingChange::ForNewRecord();
}

void Recordset::Edit() {
    constexpr std::string_view kAction = "edit the current record";
    State& state = *state_;
    state.pending.reset();
    if (state.CheckUsable(kAction)) {
        state.Fail(kAction, kReopenedReason);
    }
    state.CheckCurrentRecord(kAction);
    std::unique_ptr<EditLock> lock = state.table->LockForEdit(state.position.rowid, kAction);
    if (!lock) {
        state.Fail(kAction, "the current record no longer exists (another program deleted it)");
    }
    state.pending = PendingChange::ForEdit(state.position.rowid, std::move(lock));
}

void Recordset::SetField(std::string_view name, const Value& value) {
    const std::string action = "set the field " + QuoteIdentifier(name);
    State& state = *state_;
    state.CheckUsable(action);
    const std::size_t column = state.ColumnOf(name, action);
    if (!state.pending) {
        state.Fail(action, "no AddNew or Edit is pending");
    }
    state.pending->Assign(column, value);
}

void Recordset::Update() {
    constexpr std::string_view kAction = "update the record";
    State& state = *state_;
    state.CheckUsable(kAction);
    if (!state.pending) {
        state.Fail(kAction, "no AddNew or Edit is pending");
    }
    // Taken out first: a failed write leaves nothing pending and no transaction open.
    PendingChange change = std::move(*state.pending);
    state.pending.reset();
    change.Write(*state.table);
    if (change.IsEdit()) {
        state.FollowEditedRecord(change.Rowid());
    }
}

void Recordset::CancelUpdate() {
    state_->CheckUsable("cancel the pending change");
    state_->pending.reset();
}

void Recordset::Delete() {
    constexpr std::string_view kAction = "delete the current record";
    State& state = *state_;
    state.pending.reset();
    if (state.CheckUsable(kAction)) {
        state.Fail(kAction, kReopenedReason);
    }
    state.CheckCurrentRecord(kAction);
    std::optional<std::vector<OrderKey>> row = state.table->Delete(state.position.rowid);
    if (!row) {
        state.Fail(kAction, "the record no longer exists (another program deleted it)");
    }
    state.place = Place::kDeleted;
    state.deleted_row = std::move(*row);
}

void Recordset::SetIndex(std::string_view index_name) {
    const std::string action = "select the index " + QuoteIdentifier(index_name);
    State& state = *state_;
    state.CheckUsable(action);
    state.pending.reset();
    SelectedOrder selected = state.table->Order(IsTableOrderName(index_name) ? "" : index_name);
    if (state.place == Place::kOnRecord || state.place == Place::kDeleted) {
        const std::optional<Position> position = state.PositionIn(selected);
        if (position) {
            state.position = *position;
        } else {
            state.place = Place::kBeforeFirst;  // the record vanished under another program
        }
    }
    state.order = std::move(selected.order);
    state.order->ReadAhead(state.cache_size);
    state.index_name = std::move(selected.name);
}

// Asks nothing of the store, so that setting it back never fails.
void Recordset::SetCacheSize(int records) noexcept {
    State& state = *state_;
    state.cache_size = std::max(records, 1);
    if (state.order) {
        state.order->ReadAhead(state.cache_size);
    }
}

const std::string& Recordset::Index() const {
    return state_->index_name;
}

void Recordset::Seek(std::string_view comparison, const Value& key) {
    constexpr std::string_view kAction = "seek a record";
    State& state = *state_;
    state.CheckUsable(kAction);
    state.pending.reset();
    if (comparison != "=") {
        state.Fail(kAction, "only the comparison \"=\" is supported, not \"" +
                                std::string(comparison) + "\"");
    }
    const std::optional<Position> found = state.order->FirstWithKey(key);
    state.no_match = !found;
    if (found) {
        state.MoveTo(*found);
    }
}

bool Recordset::NoMatch() const {
    return state_->no_match;
}

std::string Recordset::Bookmark() const {
    state_->CheckCurrentRecord("take a bookmark");
    return std::to_string(state_->position.rowid);
}

void Recordset::SetBookmark(const std::string& bookmark) {
    constexpr std::string_view kAction = "return to a bookmark";
    State& state = *state_;
    state.CheckUsable(kAction);
    state.pending.reset();
    std::int64_t rowid = 0;
    const auto [end, error] =
        std::from_chars(bookmark.data(), bookmark.data() + bookmark.size(), rowid);
    if (error != std::errc() || end != bookmark.data() + bookmark.size()) {
        state.Fail(kAction, "\"" + bookmark + "\" is not a bookmark of this recordset");
    }
    const std::optional<Position> position = state.order->Find(rowid);
    if (!position) {
        state.Fail(kAction, "the bookmarked record no longer exists");
    }
    state.MoveTo(*position);
}

void Recordset::Close() {
    state_->pending.reset();
    state_->closed = true;
}

}  // namespace tavix::store
