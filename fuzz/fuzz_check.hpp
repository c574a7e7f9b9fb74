#pragma once

#include <cstdio>
#include <cstdlib>

namespace tavix::fuzz {

// A property the target checks did not hold. libFuzzer takes the abort for a crash and keeps
// the input that caused it, so the failure can be replayed.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "fuzz: property broken: %s\n", what);
    std::abort();
}

inline void Require(bool holds, const char* what) {
    if (!holds) {
        Fail(what);
    }
}

}  // namespace tavix::fuzz
