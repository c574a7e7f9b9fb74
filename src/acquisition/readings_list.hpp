#pragma once

#include <cstdint>

#include "console/key_events.hpp"

namespace tavix::acquisition {

// The pick list "Record in memoria" of the first 50 readings in the current order, or
// "Nessun record in archivio!" when there are none.
void ShowReadingsList();

// The readings list's keys: Esc and the arrows are the list's own, every other key closes it.
void ListKey(console::KeyCode& key, console::KeyAction& action, std::int32_t list_id);

}  // namespace tavix::acquisition
