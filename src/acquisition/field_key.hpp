#pragma once

#include <cstdint>

#include "console/key_events.hpp"

namespace tavix::acquisition {

// Identifiers of the line editors whose keys this handler gives a meaning.
inline constexpr std::int32_t kCodeField = 1;
inline constexpr std::int32_t kQuantityField = 2;

// The entry screen's keys while a code or a quantity is typed: F1 empties the field, F3
// runs the archive browser, F5 the readings list, Down confirms like Enter and, in the
// quantity field, so does Up. Other fields' keys are left untouched.
void FieldKey(console::KeyCode& key, console::KeyAction& action, std::int32_t field_id);

}  // namespace tavix::acquisition
