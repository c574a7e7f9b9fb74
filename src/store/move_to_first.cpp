#include "move_to_first.hpp"

#include "store_error.hpp"

namespace tavix::store {

void MoveToFirst(Recordset& recordset) {
    try {
        recordset.MoveFirst();
    } catch (const StoreError&) {
        // An empty table is the usual cause, and Eof() then tells the caller so.
    }
}

}  // namespace tavix::store
