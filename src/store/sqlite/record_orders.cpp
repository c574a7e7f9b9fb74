#include "store/sqlite/record_orders.hpp"

#include "store/core/stored_text.hpp"
#include "store/sqlite/errors.hpp"

namespace tavix::store::sqlite {

namespace {

class TableOrder final : public RecordOrder {
  public:
    TableOrder(Connection& connection, const TableSchema& table)
        : connection_(&connection),
          first_(Select(table, "ORDER BY rowid LIMIT 1")),
          last_(Select(table, "ORDER BY rowid DESC LIMIT 1")),
          after_(Select(table, "WHERE rowid > ?1 ORDER BY rowid LIMIT 1")),
          before_(Select(table, "WHERE rowid < ?1 ORDER BY rowid DESC LIMIT 1")),
          find_(Select(table, "WHERE rowid = ?1")) {}

    std::optional<Position> First() override {
        return ReadPosition(*connection_, first_, "move to the first record", [](Statement&) {});
    }
    std::optional<Position> Last() override {
        return ReadPosition(*connection_, last_, "move to the last record", [](Statement&) {});
    }
    std::optional<Position> After(const Position& position) override {
        return ReadPosition(*connection_, after_, "move to the next record",
                            [&](Statement& s) { s.Bind(1, position.rowid); });
    }
    std::optional<Position> Before(const Position& position) override {
        return ReadPosition(*connection_, before_, "move to the previous record",
                            [&](Statement& s) { s.Bind(1, position.rowid); });
    }
    std::optional<Position> Find(std::int64_t rowid) override {
        return ReadPosition(*connection_, find_, "find a record",
                            [&](Statement& s) { s.Bind(1, rowid); });
    }
    std::optional<Position> FirstWithKey(const Value&) override {
        Fail(connection_->Path(), "seek a record",
             "no index is selected, and the table's own order has no key to seek");
    }

  private:
    static std::string Select(const TableSchema& table, std::string_view rest) {
        return "SELECT rowid FROM " + QuoteIdentifier(table.name) + " " + std::string(rest);
    }

    Connection* connection_;
    std::string first_, last_, after_, before_, find_;
};

auto BindKey(const Position& position) {
    return [&position](Statement& s) { s.Bind(1, KeyOf(position)); };
}

auto BindKeyAndRowid(const Position& position) {
    return [&position](Statement& s) {
        s.Bind(1, KeyOf(position));
        s.Bind(2, position.rowid);
    };
}

// Each step is split in two queries because SQLite 3.40 seeks a row-value comparison
// "(key, rowid) > (?, ?)" on the key alone and then walks every record that shares it: with
// thousands of readings of one code, every step would walk them all. "key IS ? AND rowid > ?"
// and "key > ?" are both single seeks in the index. NULL keys sort first, as in the index, and
// "key < ?" never reaches them, hence the third query going backwards.
class IndexOrder final : public RecordOrder {
  public:
    IndexOrder(Connection& connection, const TableSchema& table, const IndexOnColumn& index)
        : connection_(&connection),
          key_(QuoteIdentifier(index.column_name)),
          select_("SELECT rowid, " + key_ + " FROM " + QuoteIdentifier(table.name)),
          from_index_(select_ + " INDEXED BY " + QuoteIdentifier(index.index_name) + " "),
          ascending_(" ORDER BY " + key_ + ", rowid LIMIT 1"),
          descending_(" ORDER BY " + key_ + " DESC, rowid DESC LIMIT 1"),
          first_(from_index_ + ascending_),
          last_(from_index_ + descending_),
          same_key_after_(Where(key_ + " IS ?1 AND rowid > ?2", ascending_)),
          greater_key_(Where(key_ + " > ?1", ascending_)),
          first_non_null_(Where(key_ + " IS NOT NULL", ascending_)),
          same_key_before_(Where(key_ + " IS ?1 AND rowid < ?2", descending_)),
          smaller_key_(Where(key_ + " < ?1", descending_)),
          last_null_(Where(key_ + " IS NULL", descending_)),
          equal_key_(Where(key_ + " IN (?1, ?2)", ascending_)),
          find_(select_ + " WHERE rowid = ?1") {}

    std::optional<Position> First() override {
        return ReadPosition(*connection_, first_, "move to the first record", [](Statement&) {});
    }

    std::optional<Position> Last() override {
        return ReadPosition(*connection_, last_, "move to the last record", [](Statement&) {});
    }

    std::optional<Position> After(const Position& position) override {
        constexpr std::string_view kAction = "move to the next record";
        if (auto same_key =
                ReadPosition(*connection_, same_key_after_, kAction, BindKeyAndRowid(position))) {
            return same_key;
        }
        if (KeyOf(position).IsNull()) {
            return ReadPosition(*connection_, first_non_null_, kAction, [](Statement&) {});
        }
        return ReadPosition(*connection_, greater_key_, kAction, BindKey(position));
    }

    std::optional<Position> Before(const Position& position) override {
        constexpr std::string_view kAction = "move to the previous record";
        if (auto same_key =
                ReadPosition(*connection_, same_key_before_, kAction, BindKeyAndRowid(position))) {
            return same_key;
        }
        if (KeyOf(position).IsNull()) {
            return std::nullopt;
        }
        if (auto smaller = ReadPosition(*connection_, smaller_key_, kAction, BindKey(position))) {
            return smaller;
        }
        return ReadPosition(*connection_, last_null_, kAction, [](Statement&) {});
    }

    std::optional<Position> Find(std::int64_t rowid) override {
        return ReadPosition(*connection_, find_, "find a record",
                            [&](Statement& s) { s.Bind(1, rowid); });
    }

    // A text key is sought in both forms that read as it (core/stored_text.hpp).
    std::optional<Position> FirstWithKey(const Value& key) override {
        const auto* text = std::get_if<std::string>(&key);
        const std::optional<std::string> older = text ? OlderStoredFormOf(*text) : std::nullopt;
        return ReadPosition(*connection_, equal_key_, "seek a record", [&](Statement& s) {
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

    Connection* connection_;
    std::string key_, select_, from_index_, ascending_, descending_;
    std::string first_, last_, same_key_after_, greater_key_, first_non_null_;
    std::string same_key_before_, smaller_key_, last_null_, equal_key_, find_;
};

}  // namespace

const SqlValue& KeyOf(const Position& position) {
    static const SqlValue kNull;
    const auto* key = dynamic_cast<const Key*>(position.key.get());
    return key != nullptr ? key->Stored() : kNull;
}

std::unique_ptr<RecordOrder> MakeIndexOrder(Connection& connection, const TableSchema& table,
                                            const IndexOnColumn& index) {
    return std::make_unique<IndexOrder>(connection, table, index);
}

std::unique_ptr<RecordOrder> MakeTableOrder(Connection& connection, const TableSchema& table) {
    return std::make_unique<TableOrder>(connection, table);
}

}  // namespace tavix::store::sqlite
