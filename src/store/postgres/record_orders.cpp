#include "store/postgres/record_orders.hpp"

#include <charconv>

#include "store/core/failure.hpp"

namespace tavix::store::postgres {

namespace {

using Parameters = std::vector<postgres::Parameter>;

std::int64_t RowidOf(const postgres::Result& result, int row, std::string_view store) {
    const std::string_view text = result.Text(row, 0);
    std::int64_t rowid = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rowid);
    if (error != std::errc() || end != text.data() + text.size()) {
        Fail(std::string(store), "read a record's key", "it is not a whole number");
    }
    return rowid;
}

// What a step runs and where its answer goes: the columns of each answer are the rowid, in an
// index order the key, then every column of the record, which becomes current. The rows after
// the first (a step forward reading ahead) are the records that follow, in order.
struct Seeker {
    Session* session;
    std::shared_ptr<CurrentRow> current;
    int key_columns;  // before the record's own: 1 (the rowid) or 2 (and the index's key)
    int read_ahead = 1;

    std::optional<Position> Read(const std::string& sql, const Parameters& parameters,
                                 std::string_view action, const void* reader = nullptr) const {
        return session->Run(
            action, [&](postgres::Connection& connection) -> std::optional<Position> {
                auto result =
                    std::make_shared<const Result>(connection.Execute(sql, parameters, action));
                if (result->Rows() == 0) {
                    return std::nullopt;
                }
                std::vector<std::int64_t> rowids;
                for (int row = 0; row < result->Rows(); ++row) {
                    rowids.push_back(RowidOf(*result, row, session->Name()));
                }
                current->Keep(std::move(rowids), std::move(result), key_columns, reader);
                return CurrentPosition();
            });
    }

    // The record after position when a step forward has read it already.
    std::optional<Position> ReadAlready(const void* reader, const Position& position) const {
        if (!current->StepAhead(reader, position.rowid)) {
            return std::nullopt;
        }
        return CurrentPosition();
    }

    Position CurrentPosition() const {
        Position position{current->Rowid(), nullptr};
        if (key_columns > 1) {
            position.key = std::make_shared<Key>(current->Leading(1));
        }
        return position;
    }

    // A step forward's LIMIT.
    std::string Limit() const { return " LIMIT " + std::to_string(read_ahead); }
};

class TableOrder final : public RecordOrder {
  public:
    TableOrder(Session& session, const TableShape& shape, std::shared_ptr<CurrentRow> current)
        : seeker_{&session, std::move(current), 1},
          key_(shape.Key().quoted),
          select_("SELECT " + key_ + ", " + shape.ColumnList() + " FROM " + shape.quoted_name),
          first_(select_ + " ORDER BY " + key_ + " LIMIT 1"),
          last_(select_ + " ORDER BY " + key_ + " DESC LIMIT 1"),
          after_(select_ + " WHERE " + key_ + " > $1 ORDER BY " + key_),
          before_(select_ + " WHERE " + key_ + " < $1 ORDER BY " + key_ + " DESC LIMIT 1"),
          find_(select_ + " WHERE " + key_ + " = $1") {}

    std::optional<Position> First() override {
        return seeker_.Read(first_, {}, "move to the first record");
    }
    std::optional<Position> Last() override {
        return seeker_.Read(last_, {}, "move to the last record");
    }
    std::optional<Position> After(const Position& position) override {
        if (std::optional<Position> read = seeker_.ReadAlready(this, position)) {
            return read;
        }
        return seeker_.Read(after_ + seeker_.Limit(), {RowidParameter(position.rowid)},
                            "move to the next record", this);
    }
    std::optional<Position> Before(const Position& position) override {
        return seeker_.Read(before_, {RowidParameter(position.rowid)},
                            "move to the previous record");
    }
    std::optional<Position> Find(std::int64_t rowid) override {
        return seeker_.Read(find_, {RowidParameter(rowid)}, "find a record");
    }
    std::optional<Position> FirstWithKey(const Value&) override {
        Fail(seeker_.session->Name(), "seek a record",
             "no index is selected, and the table's own order has no key to seek");
    }
    void ReadAhead(int records) override { seeker_.read_ahead = records; }

  private:
    Seeker seeker_;
    std::string key_, select_, first_, last_, after_, before_, find_;
};

// NULL keys come first, as in the SQLite file, while the index (key, rowid) holds them last:
// a step that crosses between NULL and other keys is the first answer of two seeks, each in
// the index's own order, so no query sorts more than the two rows they find. A step between
// non-NULL keys is one seek on the row value (key, rowid).
class IndexOrder final : public RecordOrder {
  public:
    IndexOrder(Session& session, const TableShape& shape, std::size_t key_column,
               std::shared_ptr<CurrentRow> current)
        : seeker_{&session, std::move(current), 2},
          key_type_(shape.columns[key_column].type),
          rowid_(shape.Key().quoted),
          key_(shape.columns[key_column].quoted),
          fields_(FieldNames(shape.columns.size())),
          columns_(rowid_ + " AS found_rowid, " + key_ + " AS found_key, " + Fields(shape)),
          from_(" FROM " + shape.quoted_name),
          select_("SELECT " + columns_ + from_),
          ascending_(" ORDER BY " + key_ + ", " + rowid_),
          descending_(" ORDER BY " + key_ + " DESC, " + rowid_ + " DESC LIMIT 1"),
          first_(Either(key_ + " IS NULL", key_ + " IS NOT NULL", ascending_ + " LIMIT 1")),
          last_(Either(key_ + " IS NOT NULL", key_ + " IS NULL", descending_)),
          after_null_(Either(key_ + " IS NULL AND " + rowid_ + " > $1", key_ + " IS NOT NULL",
                             ascending_ + " LIMIT $2", ", found_key, found_rowid LIMIT $2")),
          after_key_(Where(Pair() + " > ($1, $2)", ascending_ + " LIMIT $3")),
          before_null_(Where(key_ + " IS NULL AND " + rowid_ + " < $1", descending_)),
          before_key_(Either(Pair() + " < ($1, $2)", key_ + " IS NULL", descending_)),
          equal_key_(Where(key_ + " = $1", ascending_ + " LIMIT 1")),
          find_(select_ + " WHERE " + rowid_ + " = $1") {}

    std::optional<Position> First() override {
        return seeker_.Read(first_, {}, "move to the first record");
    }
    std::optional<Position> Last() override {
        return seeker_.Read(last_, {}, "move to the last record");
    }
    std::optional<Position> After(const Position& position) override {
        constexpr std::string_view kAction = "move to the next record";
        if (std::optional<Position> read = seeker_.ReadAlready(this, position)) {
            return read;
        }
        const std::optional<std::string>& key = KeyOf(position);
        const std::string limit = std::to_string(seeker_.read_ahead);
        if (!key) {
            return seeker_.Read(after_null_, {RowidParameter(position.rowid), limit}, kAction,
                                this);
        }
        return seeker_.Read(after_key_, {key, RowidParameter(position.rowid), limit}, kAction,
                            this);
    }
    std::optional<Position> Before(const Position& position) override {
        constexpr std::string_view kAction = "move to the previous record";
        const std::optional<std::string>& key = KeyOf(position);
        if (!key) {
            return seeker_.Read(before_null_, {RowidParameter(position.rowid)}, kAction);
        }
        return seeker_.Read(before_key_, {key, RowidParameter(position.rowid)}, kAction);
    }
    std::optional<Position> Find(std::int64_t rowid) override {
        return seeker_.Read(find_, {RowidParameter(rowid)}, "find a record");
    }
    // NULL equals nothing, as in SQL.
    std::optional<Position> FirstWithKey(const Value& key) override {
        if (IsNull(key)) {
            return std::nullopt;
        }
        return seeker_.Read(equal_key_, {ParameterFor(key, key_type_)}, "seek a record");
    }
    void ReadAhead(int records) override { seeker_.read_ahead = records; }

  private:
    static const std::optional<std::string>& KeyOf(const Position& position) {
        static const std::optional<std::string> kNull;
        const auto* key = dynamic_cast<const Key*>(position.key.get());
        return key != nullptr ? key->Text() : kNull;
    }

    // The record's columns as field_0, field_1...: the names the two seeks' union passes on,
    // whatever the table's own columns are called.
    static std::string FieldNames(std::size_t count) {
        std::string names;
        for (std::size_t column = 0; column < count; ++column) {
            names += ", field_" + std::to_string(column);
        }
        return names;
    }
    static std::string Fields(const TableShape& shape) {
        std::string fields;
        for (std::size_t column = 0; column < shape.columns.size(); ++column) {
            fields += (column == 0 ? "" : ", ") + shape.columns[column].quoted + " AS field_" +
                      std::to_string(column);
        }
        return fields;
    }

    std::string Pair() const { return "(" + key_ + ", " + rowid_ + ")"; }

    std::string Where(const std::string& condition, const std::string& order) const {
        return select_ + " WHERE " + condition + order;
    }

    // The answers of the first seek, then of the second: the first only, unless told more
    // (how the rows of a part follow one another, and how many in all).
    std::string Either(const std::string& first, const std::string& second,
                       const std::string& order, const std::string& rest = " LIMIT 1") const {
        return "SELECT found_rowid, found_key" + fields_ + " FROM (" + Part(0, first, order) +
               " UNION ALL " + Part(1, second, order) + ") AS either_seek ORDER BY part" + rest;
    }

    std::string Part(int part, const std::string& condition, const std::string& order) const {
        return "(SELECT " + std::to_string(part) + " AS part, " + columns_ + from_ + " WHERE " +
               condition + order + ")";
    }

    Seeker seeker_;
    ColumnType key_type_;
    std::string rowid_, key_, fields_, columns_, from_, select_, ascending_, descending_;
    std::string first_, last_, after_null_, after_key_, before_null_, before_key_, equal_key_;
    std::string find_;
};

}  // namespace

std::string TableShape::ColumnList() const {
    std::string list;
    for (const Column& column : columns) {
        list += (list.empty() ? "" : ", ") + column.quoted;
    }
    return list;
}

std::unique_ptr<RecordOrder> MakeTableOrder(Session& session, const TableShape& shape,
                                            std::shared_ptr<CurrentRow> current) {
    return std::make_unique<TableOrder>(session, shape, std::move(current));
}

std::unique_ptr<RecordOrder> MakeIndexOrder(Session& session, const TableShape& shape,
                                            std::size_t key_column,
                                            std::shared_ptr<CurrentRow> current) {
    return std::make_unique<IndexOrder>(session, shape, key_column, std::move(current));
}

}  // namespace tavix::store::postgres
