#pragma once

#include <cstdint>
#include <vector>

#include "store/readings_table.hpp"
#include "store/recordset.hpp"
#include "store/timestamp.hpp"

namespace tavix::testing {

// Adds a reading with that code through the recordset, as the entry screen does.
inline void AddReading(store::Recordset& readings, const store::Value& code,
                       const store::Value& terminal = store::Value("1")) {
    readings.AddNew();
    readings.SetField(store::readings_table::kCode, code);
    readings.SetField(store::readings_table::kQuantity, 1.0);
    readings.SetField(store::readings_table::kDateTime, store::Timestamp::Now());
    readings.SetField(store::readings_table::kTerminal, terminal);
    readings.Update();
}

inline std::int64_t CurrentId(const store::Recordset& readings) {
    return std::get<std::int64_t>(readings.Fields(store::readings_table::kId));
}

// The ids of every record, walking the current order from the first to the last.
inline std::vector<std::int64_t> IdsForward(store::Recordset& readings) {
    std::vector<std::int64_t> ids;
    for (readings.MoveFirst(); !readings.Eof(); readings.MoveNext()) {
        ids.push_back(CurrentId(readings));
    }
    return ids;
}

// The same from the last to the first.
inline std::vector<std::int64_t> IdsBackward(store::Recordset& readings) {
    std::vector<std::int64_t> ids;
    for (readings.MoveLast(); !readings.Bof(); readings.MovePrevious()) {
        ids.push_back(CurrentId(readings));
    }
    return ids;
}

}  // namespace tavix::testing
