#include "support/program_environment.hpp"

#include <cstdlib>

namespace tavix::testing {

void ClearProgramEnvironment() {
    ::unsetenv("TAVIX_DATABASE");
    ::unsetenv("TAVIX_LOG");
    ::setenv("TAVIX_CONFIG", "/dev/null", 1);
}

}  // namespace tavix::testing
