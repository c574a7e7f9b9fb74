#include "support/program_environment.hpp"

#include <cstdlib>

namespace tavix::testing {

void ClearProgramEnvironment() {
    ::unsetenv("TAVIX_DATABASE");
    ::unsetenv("TAVIX_LOG");
    ::unsetenv("TAVIX_FORWARD");
    ::unsetenv("TAVIX_SPOOL");
    ::setenv("TAVIX_CONFIG", "/dev/null", 1);
}

}  // namespace tavix::testing
