#pragma once

#include <string>
#include <string_view>

#include "diagnostics/log_destination.hpp"

namespace tavix::diagnostics {

// The program's diagnostic log: one line for each failure the program skipped or reported, so
// that an administrator can find out why a reading was not stored or why the archive was
// empty. The operator never sees it: it goes to the system log or to a file, never to the
// screen or standard error. Writing it never fails and never stops the program: a line the
// file does not take goes to the system log, saying why, and one the system log does not take
// is lost.

// Where the lines go from now on; the system log until this is called.
void SendLogTo(const LogDestination& destination);

// One line: the time, the step that failed ("storing the reading ..."), the reason (the
// store's message, which names the file or server).
void LogFailure(std::string_view step, std::string_view reason) noexcept;

// For a catch block: logs the failure being handled (its what(), for a std::exception), unless
// this very failure was logged already. A failure logged where it is best described and then
// thrown on is thus written once, however many callers skip it on its way out.
void LogCurrentFailure(std::string_view step) noexcept;

// Tests: the socket the system log is sent to (kSystemLogSocket); an empty path restores it.
void SetSystemLogSocket(const std::string& path);

}  // namespace tavix::diagnostics
