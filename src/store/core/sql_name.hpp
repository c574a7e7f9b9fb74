#pragma once

#include <string>
#include <string_view>

namespace tavix::store {

// Whether two names (of tables, columns, indexes, types) or keywords are the same, without
// regard to case as SQL matches them.
bool SameSqlName(std::string_view a, std::string_view b);

// "name" with inner quotes doubled, for table, column and index names inside SQL text.
std::string QuoteIdentifier(std::string_view name);

}  // namespace tavix::store
