#include "store/sqlite/errors.hpp"
#include "store/sqlite/record_orders.hpp"

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

}  // namespace

std::unique_ptr<RecordOrder> MakeTableOrder(Connection& connection, const TableSchema& table) {
    return std::make_unique<TableOrder>(connection, table);
}

}  // namespace tavix::store::sqlite
