#pragma once

#include <stdexcept>
#include <string>

namespace tavix::store {

// Every failure of the store: the message says what failed and on which file, in words a
// person can act on.
class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace tavix::store
