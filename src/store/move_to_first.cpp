#include "move_to_first.hpp"

namespace tavix::store {

void MoveToFirst(Recordset& recordset) {
    recordset.MoveFirst();
}

}  // namespace tavix::store
