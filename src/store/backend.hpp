#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace tavix::store {

class Database;
class ReadingsSink;
class ReadingsSource;
struct StoreOptions;

// One engine that keeps readings: the SQLite file or a PostgreSQL server. Whatever differs
// between them on the way in goes through it, so that the engine a target names is told apart
// in one place, BackendFor. Each function is described where the layers above call it (the
// functions of the same names in database.hpp, readings_source.hpp, readings_sink.hpp and
// database_target.hpp).
class Backend {
  public:
    virtual ~Backend() = default;

    virtual Database OpenDatabase(const std::string& target,
                                  const StoreOptions& options) const = 0;
    virtual std::unique_ptr<ReadingsSource> OpenReadingsSource(const std::string& target) const = 0;
    virtual std::unique_ptr<ReadingsSink> OpenReadingsSink(const std::string& target) const = 0;
    virtual void CreateReadingsDatabase(const std::string& target) const = 0;
    virtual std::string DisplayedTarget(std::string_view target) const = 0;
};

// The engine a target names: a PostgreSQL server for a connection URI (IsPostgresTarget), else
// the SQLite file at that path.
const Backend& BackendFor(std::string_view target);

}  // namespace tavix::store
