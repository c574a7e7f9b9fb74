#pragma once

namespace tavix::archive {

// Asks for a code in a popup and makes the first reading with exactly that code current,
// switching the readings to code order for the rest of the run. With no match the reading
// current before stays current.
void SearchByCode();

}  // namespace tavix::archive
