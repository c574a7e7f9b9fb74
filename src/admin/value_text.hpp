#pragma once

#include <string>

#include "store/stored_field.hpp"

namespace tavix::admin {

// A stored value for a person to read: a text as stored, a number in the general form,
// "(none)" for NULL.
std::string ValueText(const store::StoredField& field);

}  // namespace tavix::admin
