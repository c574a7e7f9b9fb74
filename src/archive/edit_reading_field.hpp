#pragma once

namespace tavix::archive {

// Edits, in place, the value under the browser's field-menu label `item` (1 code, 3 quantity,
// 5 terminal, 7 date, 9 time) and stores a confirmed, non-blank entry in the current reading.
// Any other item does nothing.
void EditReadingField(int item);

}  // namespace tavix::archive
