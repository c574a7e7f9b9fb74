#pragma once

#include "store/backend.hpp"

namespace tavix::store::postgres {

// A PostgreSQL server as a store, reached through a connection URI, the target. A lock another
// session holds is waited for as long as the busy timeout given to OpenDatabase.
class Backend final : public store::Backend {
  public:
    Database OpenDatabase(const std::string& uri, const StoreOptions& options) const override;
    std::unique_ptr<store::ReadingsSource> OpenReadingsSource(
        const std::string& uri) const override;
    std::unique_ptr<store::ReadingsSink> OpenReadingsSink(const std::string& uri) const override;
    void CreateReadingsDatabase(const std::string& uri) const override;
    std::string DisplayedTarget(std::string_view uri) const override;
};

}  // namespace tavix::store::postgres
