#include "store/postgres/backend.hpp"

#include "store/core/failure.hpp"
#include "store/core/sql_name.hpp"
#include "store/postgres/table.hpp"

namespace tavix::store::postgres {

namespace {

class Store final : public StoreDatabase {
  public:
    explicit Store(std::shared_ptr<Session> session) : session_(std::move(session)) {}

    const std::string& Name() const override { return session_->Name(); }

    std::unique_ptr<StoreTable> OpenTable(const std::string& table) override {
        if (session_->IsClosed()) {
            Fail(session_->Name(), "open the table " + QuoteIdentifier(table),
                 "the database has been closed");
        }
        return std::make_unique<Table>(session_, table);
    }

    void Close() noexcept override { session_->Close(); }

  private:
    std::shared_ptr<Session> session_;
};

}  // namespace

std::shared_ptr<StoreDatabase> OpenStore(const std::string& target,
                                         std::chrono::milliseconds busy_timeout) {
    postgres::Timeouts timeouts;
    timeouts.lock = busy_timeout;
    auto session = std::make_shared<Session>(target, timeouts);
    try {
        session->Connect("open the database");
    } catch (const StoreError& error) {
        if (!error.MayPass()) {
            throw;
        }
        // A server out of reach or busy: the first use connects, as an SQLite file that could
        // not be opened yet is opened by its first use.
    }
    return std::make_shared<Store>(std::move(session));
}

}  // namespace tavix::store::postgres
