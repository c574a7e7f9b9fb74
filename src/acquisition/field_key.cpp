#include "acquisition/field_key.hpp"

namespace tavix::acquisition {

void FieldKey(console::KeyCode& /*key*/, console::KeyAction& /*action*/,
              std::int32_t /*field_id*/) {}

}  // namespace tavix::acquisition
