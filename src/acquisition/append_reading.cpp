#include "acquisition/acquisition.hpp"
#include "screen_helpers/shared_state.hpp"
#include "store/timestamp.hpp"
#include "store/value_text.hpp"

namespace tavix::acquisition {

void AppendReading(const std::string& code, const std::string& quantity,
                   const std::string& terminal) {
    store::Recordset& readings = screen_helpers::Readings();
    readings.AddNew();
    readings.SetField("code", code);
    readings.SetField("qt", store::NumberFromText(quantity));
    // Taken here, not when the screen opened: every reading carries its own moment.
    readings.SetField("DateTime", store::Timestamp::Now());
    readings.SetField("terminal", terminal);
    readings.Update();
}

}  // namespace tavix::acquisition
