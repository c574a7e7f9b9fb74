#include "store/postgres/record_orders.hpp"

#include <charconv>

#include "store/core/failure.hpp"

namespace tavix::store::postgres {

namespace {

using Parameters = std::vector<postgres::Parameter>;

std::int64_t RowidOf(const postgres::Result& result, std::string_view store) {
    const std::string_view text = result.Text(0, 0);
    std::int64_t rowid = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rowid);
    if (error != std::errc() || end != text.data() + text.size()) {
        Fail(std::string(store), "read a record's key", "it is not a whole number");
    }
    return rowid;
}

// Runs a query whose first row (if any) holds a rowid and, in an index order, the key after it.
std::optional<Position> ReadPosition(Session& session, const std::string& sql,
                                     const Parameters& parameters, std::string_view action) {
    return session.Run(action, [&](postgres::Connection& connection) -> std::optional<Position> {
        const postgres::Result result = connection.Execute(sql, parameters, action);
        if (result.Rows() == 0) {
            return std::nullopt;
        }
        Position position{RowidOf(result, session.Name()), nullptr};
        if (result.Columns() > 1) {
            position.key = std::make_shared<Key>(result.Field(0, 1));
        }
        return position;
    });
}

class TableOrder final : public RecordOrder {
  public:
    TableOrder(Session& session, const TableShape& shape)
        : session_(&session),
          key_(shape.Key().quoted),
          select_("SELECT " + key_ + " FROM " + shape.quoted_name),
          first_(select_ + " ORDER BY " + key_ + " LIMIT 1"),
          last_(select_ + " ORDER BY " + key_ + " DESC LIMIT 1"),
          after_(select_ + " WHERE " + key_ + " > $1 ORDER BY " + key_ + " LIMIT 1"),
          before_(select_ + " WHERE " + key_ + " < $1 ORDER BY " + key_ + " DESC LIMIT 1"),
          find_(select_ + " WHERE " + key_ + " = $1") {}

    std::optional<Position> First() override {
        return ReadPosition(*session_, first_, {}, "move to the first record");
    }
    std::optional<Position> Last() override {
        return ReadPosition(*session_, last_, {}, "move to the last record");
    }
    std::optional<Position> After(const Position& position) override {
        return ReadPosition(*session_, after_, {RowidParameter(position.rowid)},
                            "move to the next record");
    }
    std::optional<Position> Before(const Position& position) override {
        return ReadPosition(*session_, before_, {RowidParameter(position.rowid)},
                            "move to the previous record");
    }
    std::optional<Position> Find(std::int64_t rowid) override {
        return ReadPosition(*session_, find_, {RowidParameter(rowid)}, "find a record");
    }
    std::optional<Position> FirstWithKey(const Value&) override {
        Fail(session_->Name(), "seek a record",
             "no index is selected, and the table's own order has no key to seek");
    }

  private:
    Session* session_;
    std::string key_, select_, first_, last_, after_, before_, find_;
};

// NULL keys come first, as in the SQLite file, while the index (key, rowid) holds them last:
// a step that crosses between NULL and other keys is the first answer of two seeks, each in
// the index's own order, so no query sorts more than the two rows they find. A step between
// non-NULL keys is one seek on the row value (key, rowid).
class IndexOrder final : public RecordOrder {
  public:
    IndexOrder(Session& session, const TableShape& shape, std::size_t key_column)
        : session_(&session),
          key_type_(shape.columns[key_column].type),
          rowid_(shape.Key().quoted),
          key_(shape.columns[key_column].quoted),
          columns_(rowid_ + " AS found_rowid, " + key_ + " AS found_key"),
          from_(" FROM " + shape.quoted_name),
          select_("SELECT " + columns_ + from_),
          ascending_(" ORDER BY " + key_ + ", " + rowid_ + " LIMIT 1"),
          descending_(" ORDER BY " + key_ + " DESC, " + rowid_ + " DESC LIMIT 1"),
          first_(Either(key_ + " IS NULL", key_ + " IS NOT NULL", ascending_)),
          last_(Either(key_ + " IS NOT NULL", key_ + " IS NULL", descending_)),
          after_null_(
              Either(key_ + " IS NULL AND " + rowid_ + " > $1", key_ + " IS NOT NULL", ascending_)),
          after_key_(Where(Pair() + " > ($1, $2)", ascending_)),
          before_null_(Where(key_ + " IS NULL AND " + rowid_ + " < $1", descending_)),
          before_key_(Either(Pair() + " < ($1, $2)", key_ + " IS NULL", descending_)),
          equal_key_(Where(key_ + " = $1", ascending_)),
          find_(select_ + " WHERE " + rowid_ + " = $1") {}

    std::optional<Position> First() override {
        return ReadPosition(*session_, first_, {}, "move to the first record");
    }
    std::optional<Position> Last() override {
        return ReadPosition(*session_, last_, {}, "move to the last record");
    }
    std::optional<Position> After(const Position& position) override {
        constexpr std::string_view kAction = "move to the next record";
        const std::optional<std::string>& key = KeyOf(position);
        if (!key) {
            return ReadPosition(*session_, after_null_, {RowidParameter(position.rowid)}, kAction);
        }
        return ReadPosition(*session_, after_key_, {key, RowidParameter(position.rowid)}, kAction);
    }
    std::optional<Position> Before(const Position& position) override {
        constexpr std::string_view kAction = "move to the previous record";
        const std::optional<std::string>& key = KeyOf(position);
        if (!key) {
            return ReadPosition(*session_, before_null_, {RowidParameter(position.rowid)}, kAction);
        }
        return ReadPosition(*session_, before_key_, {key, RowidParameter(position.rowid)}, kAction);
    }
    std::optional<Position> Find(std::int64_t rowid) override {
        return ReadPosition(*session_, find_, {RowidParameter(rowid)}, "find a record");
    }
    // NULL equals nothing, as in SQL.
    std::optional<Position> FirstWithKey(const Value& key) override {
        if (IsNull(key)) {
            return std::nullopt;
        }
        return ReadPosition(*session_, equal_key_, {ParameterFor(key, key_type_)}, "seek a record");
    }

  private:
    static const std::optional<std::string>& KeyOf(const Position& position) {
        static const std::optional<std::string> kNull;
        const auto* key = dynamic_cast<const Key*>(position.key.get());
        return key != nullptr ? key->Text() : kNull;
    }

    std::string Pair() const { return "(" + key_ + ", " + rowid_ + ")"; }

    std::string Where(const std::string& condition, const std::string& order) const {
        return select_ + " WHERE " + condition + order;
    }

    // The first answer of the first seek, or else of the second.
    std::string Either(const std::string& first, const std::string& second,
                       const std::string& order) const {
        return "SELECT found_rowid, found_key FROM (" + Part(0, first, order) + " UNION ALL " +
               Part(1, second, order) + ") AS either_seek ORDER BY part LIMIT 1";
    }

    std::string Part(int part, const std::string& condition, const std::string& order) const {
        return "(SELECT " + std::to_string(part) + " AS part, " + columns_ + from_ + " WHERE " +
               condition + order + ")";
    }

    Session* session_;
    ColumnType key_type_;
    std::string rowid_, key_, columns_, from_, select_, ascending_, descending_;
    std::string first_, last_, after_null_, after_key_, before_null_, before_key_, equal_key_;
    std::string find_;
};

}  // namespace

std::unique_ptr<RecordOrder> MakeTableOrder(Session& session, const TableShape& shape) {
    return std::make_unique<TableOrder>(session, shape);
}

std::unique_ptr<RecordOrder> MakeIndexOrder(Session& session, const TableShape& shape,
                                            std::size_t key_column) {
    return std::make_unique<IndexOrder>(session, shape, key_column);
}

}  // namespace tavix::store::postgres
