#include "store/postgres/backend.hpp"

#include "store/core/failure.hpp"
#include "store/core/sql_name.hpp"
#include "store/database.hpp"
#include "store/postgres/client/password_mask.hpp"
#include "store/postgres/readings_schema.hpp"
#include "store/postgres/readings_sink.hpp"
#include "store/postgres/readings_source.hpp"
#include "store/postgres/table.hpp"

namespace tavix::store::postgres {

namespace {

// The server as a Database holds it: one session, shared by the tables of its recordsets.
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

Database Backend::OpenDatabase(const std::string& uri, const StoreOptions& options) const {
    Timeouts timeouts;
    timeouts.lock = options.busy_timeout;
    auto session = std::make_shared<Session>(uri, timeouts, options.keeper);
    try {
        session->Connect("open the database");
    } catch (const StoreError& error) {
        if (!error.MayPass()) {
            throw;
        }
        // A server out of reach or busy: the first use connects, as an SQLite file that could
        // not be opened yet is opened by its first use.
    }
    return Database(std::make_shared<Store>(std::move(session)));
}

std::unique_ptr<store::ReadingsSource> Backend::OpenReadingsSource(const std::string& uri) const {
    return std::make_unique<ReadingsSource>(uri);
}

std::unique_ptr<store::ReadingsSink> Backend::OpenReadingsSink(const std::string& uri) const {
    return std::make_unique<ReadingsSink>(uri);
}

void Backend::CreateReadingsDatabase(const std::string& uri) const {
    CreateReadingsTable(uri);
}

std::string Backend::DisplayedTarget(std::string_view uri) const {
    return MaskPassword(uri);
}

}  // namespace tavix::store::postgres
