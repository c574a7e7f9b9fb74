#include "screen_helpers/first_reading.hpp"

#include "diagnostics/diagnostic_log.hpp"
#include "screen_helpers/shared_state.hpp"
#include "store/store_error.hpp"

namespace tavix::screen_helpers {

namespace {

// Asked after the move failed: an empty table stands at both ends at once. A recordset that
// cannot even say so is not taken for an empty one.
bool HoldsNoRecords() {
    try {
        return Readings().Eof() && Readings().Bof();
    } catch (const store::StoreError&) {
        return false;
    }
}

}  // namespace

void MoveToFirstReading(std::string_view step) {
    try {
        Readings().MoveFirst();
    } catch (const store::StoreError&) {
        if (!HoldsNoRecords()) {
            diagnostics::LogCurrentFailure(step);
        }
    }
}

}  // namespace tavix::screen_helpers
