#include "acquisition/acquisition.hpp"
#include "screen_helpers/shared_state.hpp"
#include "store/pending_edit.hpp"
#include "store/readings_table.hpp"
#include "store/timestamp.hpp"
#include "store/value_text.hpp"

namespace tavix::acquisition {

void AppendReading(const std::string& code, const std::string& quantity,
                   const std::string& terminal) {
    namespace table = store::readings_table;
    store::Recordset& readings = screen_helpers::Readings();
    store::PendingEdit reading = store::PendingEdit::OfNewRecord(readings);
    readings.SetField(table::kCode, code);
    readings.SetField(table::kQuantity, store::NumberFromText(quantity));
    // Taken here, not when the screen opened: every reading carries its own moment.
    readings.SetField(table::kDateTime, store::Timestamp::Now());
    readings.SetField(table::kTerminal, terminal);
    reading.Commit();
}

}  // namespace tavix::acquisition
