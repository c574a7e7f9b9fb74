#include "screen_helpers/first_reading.hpp"

#include "diagnostics/diagnostic_log.hpp"
#include "screen_helpers/shared_state.hpp"
#include "store/store_error.hpp"

namespace tavix::screen_helpers {

void MoveToFirstReading(std::string_view step) {
    try {
        Readings().MoveFirst();
    } catch (const store::StoreError&) {
        diagnostics::LogCurrentFailure(step);  // an empty table is no failure: it stands at Eof
    }
}

}  // namespace tavix::screen_helpers
