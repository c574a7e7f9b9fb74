#include "store/sqlite/record_orders.hpp"

#include "store/core/stored_text.hpp"
#include "store/sqlite/errors.hpp"

namespace tavix::store::sqlite {

namespace {

// What a step runs and where its answer goes: the columns of its row are the rowid, then every
// column of the record, which becomes current. In an index order the key is the record's own
// column, not selected twice: another tool may have stored megabytes in it.
struct Seeker {
    Connection* connection;
    std::shared_ptr<CurrentRecord> current;
    std::optional<int> key_column;  // in the row, in an index order

    template <typename Binder>
    std::optional<Position> Read(const std::string& sql, std::string_view action,
                                 Binder bind) const {
        // Taken before the statement: a commit after it, even while the statement reads, makes
        // the record read again rather than taken as current.
        const std::optional<ChangeMark> mark = connection->ChangeMarkNow();
        Query query(*connection, sql, action);
        bind(*query);
        if (!query.Step()) {
            return std::nullopt;
        }
        Position position{query->ColumnInt64(0), nullptr};
        if (key_column) {
            position.key = std::make_shared<Key>(query->ColumnSqlValue(*key_column));
        }
        current->Keep(position.rowid, mark, *query, 1);
        return position;
    }
};

void BindNothing(Statement&) {}

int KeyColumnInRow(const Connection& connection, const TableSchema& table,
                   const IndexOnColumn& index) {
    const std::optional<std::size_t> column = table.ColumnIndex(index.column_name);
    if (!column) {
        Fail(connection.Path(), "select the index " + QuoteIdentifier(index.index_name),
             "its column " + QuoteIdentifier(index.column_name) + " is not in the table");
    }
    return 1 + static_cast<int>(*column);
}

class TableOrder final : public RecordOrder {
  public:
    TableOrder(Connection& connection, const TableSchema& table,
               std::shared_ptr<CurrentRecord> current)
        : seeker_{&connection, std::move(current), std::nullopt},
          first_(Select(table, "ORDER BY rowid LIMIT 1")),
          last_(Select(table, "ORDER BY rowid DESC LIMIT 1")),
          after_(Select(table, "WHERE rowid > ?1 ORDER BY rowid LIMIT 1")),
          before_(Select(table, "WHERE rowid < ?1 ORDER BY rowid DESC LIMIT 1")),
          find_(Select(table, "WHERE rowid = ?1")) {}

    std::optional<Position> First() override {
        return seeker_.Read(first_, "move to the first record", BindNothing);
    }
    std::optional<Position> Last() override {
        return seeker_.Read(last_, "move to the last record", BindNothing);
    }
    std::optional<Position> After(const Position& position) override {
        return seeker_.Read(after_, "move to the next record",
                            [&](Statement& s) { s.Bind(1, position.rowid); });
    }
    std::optional<Position> Before(const Position& position) override {
        return seeker_.Read(before_, "move to the previous record",
                            [&](Statement& s) { s.Bind(1, position.rowid); });
    }
    std::optional<Position> Find(std::int64_t rowid) override {
        return seeker_.Read(find_, "find a record", [&](Statement& s) { s.Bind(1, rowid); });
    }
    std::optional<Position> FirstWithKey(const Value&) override {
        Fail(seeker_.connection->Path(), "seek a record",
             "no index is selected, and the table's own order has no key to seek");
    }

  private:
    static std::string Select(const TableSchema& table, std::string_view rest) {
        return "SELECT rowid, * FROM " + QuoteIdentifier(table.name) + " " + std::string(rest);
    }

    Seeker seeker_;
    std::string first_, last_, after_, before_, find_;
};

auto BindKeyAndRowid(const Position& position) {
    return [&position](Statement& s) {
        s.Bind(1, KeyOf(position));
        s.Bind(2, position.rowid);
    };
}

// The first answer of several queries, in turn, as one statement: SQLite stops at the first
// row, so a later query runs only when those before it find nothing.
std::string FirstOf(std::initializer_list<std::string> queries) {
    std::string sql;
    for (const std::string& query : queries) {
        sql += (sql.empty() ? "SELECT * FROM (" : " UNION ALL SELECT * FROM (") + query + ")";
    }
    return sql + " LIMIT 1";
}

// A step is the first answer of several queries because SQLite 3.40 seeks a row-value
// comparison "(key, rowid) > (?, ?)" on the key alone and then walks every record that shares
// it: with thousands of readings of one code, every step would walk them all. "key IS ? AND
// rowid > ?" and "key > ?" are each a single seek in the index. NULL keys sort first, as in the
// index, and "key < ?" never reaches them, hence the third query going backwards.
class IndexOrder final : public RecordOrder {
  public:
    IndexOrder(Connection& connection, const TableSchema& table, const IndexOnColumn& index,
               std::shared_ptr<CurrentRecord> current)
        : seeker_{&connection, std::move(current), KeyColumnInRow(connection, table, index)},
          key_(QuoteIdentifier(index.column_name)),
          select_("SELECT rowid, * FROM " + QuoteIdentifier(table.name)),
          from_index_(select_ + " INDEXED BY " + QuoteIdentifier(index.index_name) + " "),
          ascending_(" ORDER BY " + key_ + ", rowid LIMIT 1"),
          descending_(" ORDER BY " + key_ + " DESC, rowid DESC LIMIT 1"),
          first_(from_index_ + ascending_),
          last_(from_index_ + descending_),
          after_key_(FirstOf({Where(key_ + " IS ?1 AND rowid > ?2", ascending_),
                              Where(key_ + " > ?1", ascending_)})),
          after_null_(FirstOf({Where(key_ + " IS NULL AND rowid > ?1", ascending_),
                               Where(key_ + " IS NOT NULL", ascending_)})),
          before_key_(
              FirstOf({Where(key_ + " IS ?1 AND rowid < ?2", descending_),
                       Where(key_ + " < ?1", descending_), Where(key_ + " IS NULL", descending_)})),
          before_null_(Where(key_ + " IS NULL AND rowid < ?1", descending_)),
          equal_key_(Where(key_ + " IN (?1, ?2)", ascending_)),
          find_(select_ + " WHERE rowid = ?1") {}

    std::optional<Position> First() override {
        return seeker_.Read(first_, "move to the first record", BindNothing);
    }

    std::optional<Position> Last() override {
        return seeker_.Read(last_, "move to the last record", BindNothing);
    }

    std::optional<Position> After(const Position& position) override {
        constexpr std::string_view kAction = "move to the next record";
        if (KeyOf(position).IsNull()) {
            return seeker_.Read(after_null_, kAction,
                                [&](Statement& s) { s.Bind(1, position.rowid); });
        }
        return seeker_.Read(after_key_, kAction, BindKeyAndRowid(position));
    }

    std::optional<Position> Before(const Position& position) override {
        constexpr std::string_view kAction = "move to the previous record";
        if (KeyOf(position).IsNull()) {
            return seeker_.Read(before_null_, kAction,
                                [&](Statement& s) { s.Bind(1, position.rowid); });
        }
        return seeker_.Read(before_key_, kAction, BindKeyAndRowid(position));
    }

    std::optional<Position> Find(std::int64_t rowid) override {
        return seeker_.Read(find_, "find a record", [&](Statement& s) { s.Bind(1, rowid); });
    }

    // A text key is sought in both forms that read as it (core/stored_text.hpp).
    std::optional<Position> FirstWithKey(const Value& key) override {
        const auto* text = std::get_if<std::string>(&key);
        const std::optional<std::string> older = text ? OlderStoredFormOf(*text) : std::nullopt;
        return seeker_.Read(equal_key_, "seek a record", [&](Statement& s) {
            s.Bind(1, key);
            if (older) {
                s.BindStoredText(2, *older);
            } else {
                s.Bind(2, key);
            }
        });
    }

  private:
    std::string Where(const std::string& condition, const std::string& order) const {
        return from_index_ + "WHERE " + condition + order;
    }

    Seeker seeker_;
    std::string key_, select_, from_index_, ascending_, descending_;
    std::string first_, last_, after_key_, after_null_, before_key_, before_null_;
    std::string equal_key_, find_;
};

}  // namespace

const SqlValue& KeyOf(const Position& position) {
    static const SqlValue kNull;
    const auto* key = dynamic_cast<const Key*>(position.key.get());
    return key != nullptr ? key->Stored() : kNull;
}

std::unique_ptr<RecordOrder> MakeIndexOrder(Connection& connection, const TableSchema& table,
                                            const IndexOnColumn& index,
                                            std::shared_ptr<CurrentRecord> current) {
    return std::make_unique<IndexOrder>(connection, table, index, std::move(current));
}

std::unique_ptr<RecordOrder> MakeTableOrder(Connection& connection, const TableSchema& table,
                                            std::shared_ptr<CurrentRecord> current) {
    return std::make_unique<TableOrder>(connection, table, std::move(current));
}

}  // namespace tavix::store::sqlite
