#include "store/sqlite/backend.hpp"

#include "store/core/failure.hpp"
#include "store/core/sql_name.hpp"
#include "store/database.hpp"
#include "store/sqlite/connection.hpp"
#include "store/sqlite/readings_schema.hpp"
#include "store/sqlite/readings_sink.hpp"
#include "store/sqlite/readings_source.hpp"
#include "store/sqlite/table.hpp"

namespace tavix::store::sqlite {

namespace {

// The file as a Database holds it: one connection, shared by the tables of its recordsets.
class Store final : public StoreDatabase {
  public:
    explicit Store(std::shared_ptr<Connection> connection) : connection_(std::move(connection)) {}

    const std::string& Name() const override { return connection_->Path(); }

    std::unique_ptr<StoreTable> OpenTable(const std::string& table) override {
        if (connection_->IsClosed()) {
            Fail(connection_->Path(), "open the table " + QuoteIdentifier(table),
                 "the database has been closed");
        }
        return std::make_unique<Table>(connection_, table);
    }

    void Close() noexcept override { connection_->Close(); }

  private:
    std::shared_ptr<Connection> connection_;
};

}  // namespace

Database Backend::OpenDatabase(const std::string& path, const StoreOptions& options) const {
    auto connection = std::make_shared<Connection>(path, options.busy_timeout);
    // Without waiting: the program opens its store before its first screen, which must not
    // stand blank while another program holds the file.
    try {
        connection->AttachWithoutWaiting("open the database");
    } catch (const StoreError& error) {
        if (!error.MayPass()) {
            throw;
        }
        // A file not made yet, a full disk or a lock: the first use tries again.
    }
    return Database(std::make_shared<Store>(std::move(connection)));
}

std::unique_ptr<store::ReadingsSource> Backend::OpenReadingsSource(const std::string& path) const {
    return std::make_unique<ReadingsSource>(path);
}

std::unique_ptr<store::ReadingsSink> Backend::OpenReadingsSink(const std::string& path) const {
    return std::make_unique<ReadingsSink>(path);
}

void Backend::CreateReadingsDatabase(const std::string& path) const {
    CreateReadingsFile(path);
}

std::string Backend::DisplayedTarget(std::string_view path) const {
    return std::string(path);
}

}  // namespace tavix::store::sqlite
