#pragma once

#include <exception>

namespace tavix::screen_helpers {

// Runs one step of the program and swallows its failure without a word: the program goes on
// with the next step. Only failures (std::exception) are swallowed; the end of the program
// (a termination request) passes through.
template <typename Step>
bool Guarded(Step&& step) {
    try {
        step();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace tavix::screen_helpers
