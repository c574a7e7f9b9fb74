#pragma once

#include <optional>
#include <string>

// Console(), the program's one console, is the main form's; every screen reaches it here.
#include "screen_helpers/main_form.hpp"
#include "store/database.hpp"
#include "store/recordset.hpp"

namespace tavix::screen_helpers {

// State shared by every screen for the whole run. Main sets it at start-up; nothing else
// opens or closes the database.
extern bool InDevHost;         // true only in a hosted development run; false when delivered
extern std::string AppFolder;  // the executable's folder, ending with "/"
extern std::string DatabasePath;
extern std::optional<store::Database> ReadingsDb;  // unset when the file could not be opened
extern std::optional<store::Recordset> ReadingsSet;

// ReadingsSet, or a StoreError saying the readings database is not open: a screen that
// needs the readings fails when it uses them, like any other store failure.
store::Recordset& Readings();

}  // namespace tavix::screen_helpers
