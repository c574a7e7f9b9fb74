#pragma once

#include "recordset.hpp"

namespace tavix::store {

// Moves to the first record in the current order and ignores a failure: with no records the
// recordset simply stays at Eof.
void MoveToFirst(Recordset& recordset);

}  // namespace tavix::store
