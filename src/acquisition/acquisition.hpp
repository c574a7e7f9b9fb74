#pragma once

namespace tavix::acquisition {

// The terminal prompt and, for each confirmed terminal, the entry screen. Returns to the
// main menu once the operator confirms the end of the readings.
void RunAcquisition();

}  // namespace tavix::acquisition
