#pragma once

#include <string>

namespace tavix::store::sqlite {

// Creates a new SQLite file at path holding the empty Readings table and its Code index, as
// `tavix-admin init` makes it. Refuses (StoreError) when anything exists at path, or when a
// journal or WAL is left beside it; nothing that exists is ever changed.
void CreateReadingsFile(const std::string& path);

}  // namespace tavix::store::sqlite
