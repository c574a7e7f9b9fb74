#include "screen_helpers/shared_state.hpp"

#include "store/store_error.hpp"

namespace tavix::screen_helpers {

bool InDevHost = false;
std::string AppFolder;
std::string DatabasePath;
std::optional<store::Database> ReadingsDb;
std::optional<store::Recordset> ReadingsSet;

store::Recordset& Readings() {
    if (!ReadingsSet) {
        throw store::StoreError("the readings database " + DatabasePath + " is not open");
    }
    return *ReadingsSet;
}

}  // namespace tavix::screen_helpers
