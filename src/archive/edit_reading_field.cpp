#include "archive/edit_reading_field.hpp"

namespace tavix::archive {

void EditReadingField(int /*item*/) {}

}  // namespace tavix::archive
