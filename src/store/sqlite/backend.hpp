#pragma once

#include "store/backend.hpp"

namespace tavix::store::sqlite {

// The SQLite file at a path as a store: the target is the path.
class Backend final : public store::Backend {
  public:
    Database OpenDatabase(const std::string& path, const StoreOptions& options) const override;
    std::unique_ptr<store::ReadingsSource> OpenReadingsSource(
        const std::string& path) const override;
    std::unique_ptr<store::ReadingsSink> OpenReadingsSink(const std::string& path) const override;
    void CreateReadingsDatabase(const std::string& path) const override;
    std::string DisplayedTarget(std::string_view path) const override;
};

}  // namespace tavix::store::sqlite
