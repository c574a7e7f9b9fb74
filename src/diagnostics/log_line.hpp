#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace tavix::diagnostics {

// What the log says of one failure: "step: reason", with every password masked
// (password_mask.hpp) and every control character, a line break among them, made a space, so
// that one failure is always one line.
std::string FailureText(std::string_view step, std::string_view reason);

// One line of a log file, newline included: the local time as the readings store it, the
// program and its process, the text. "2026-12-07 13:31:16 tavix[4711]: step: reason"
std::string FileLine(std::time_t when, int pid, std::string_view text);

}  // namespace tavix::diagnostics
