#pragma once

#include <string>

namespace tavix::store::postgres {

// A new reading's own key: 128 random bits from the kernel, as a version 4 UUID in its text
// form ("1b4e28ba-2fa1-4d2e-883f-0016d3cca427"). The program chooses it before sending the
// reading, so that it can look the reading up when the answer to its commit is lost. Throws
// StoreError when the kernel gives no random bytes.
std::string NewReadingKey();

}  // namespace tavix::store::postgres
