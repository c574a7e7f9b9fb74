#pragma once

#include <exception>
#include <string_view>

#include "diagnostics/diagnostic_log.hpp"

namespace tavix::screen_helpers {

// Runs one step of the program and swallows its failure: the program goes on with the next
// step. The operator sees nothing; the diagnostic log gets the step's name and the reason.
// Only failures (std::exception) are swallowed; the end of the program (a termination request)
// passes through.
template <typename Step>
bool Guarded(std::string_view step_name, Step&& step) {
    try {
        step();
        return true;
    } catch (const std::exception&) {
        diagnostics::LogCurrentFailure(step_name);
        return false;
    }
}

}  // namespace tavix::screen_helpers
