#pragma once

namespace tavix::archive {

// Shows the stored readings one at a time: step, correct, delete, search by code. Returns
// with the cells of the work area and the console's settings as it found them.
void ArchiveBrowser();

}  // namespace tavix::archive
