#include "archive/search_by_code.hpp"

namespace tavix::archive {

void SearchByCode() {}

}  // namespace tavix::archive
