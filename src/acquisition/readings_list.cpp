#include "acquisition/readings_list.hpp"

namespace tavix::acquisition {

void ShowReadingsList() {}

void ListKey(console::KeyCode& /*key*/, console::KeyAction& /*action*/, std::int32_t /*list_id*/) {}

}  // namespace tavix::acquisition
