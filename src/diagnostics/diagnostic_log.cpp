#include "diagnostics/diagnostic_log.hpp"

#include <unistd.h>

#include <ctime>
#include <exception>
#include <mutex>
#include <optional>

#include "diagnostics/log_file.hpp"
#include "diagnostics/log_line.hpp"
#include "diagnostics/system_log.hpp"

namespace tavix::diagnostics {

namespace {

struct Log {
    std::mutex mutex;
    LogDestination destination;
    std::string system_log_socket = kSystemLogSocket;
    // Held, so that no later failure can take its place in memory and pass for it.
    std::exception_ptr last_logged;
};

Log& TheLog() {
    static Log log;
    return log;
}

void Write(Log& log, const std::string& text) {
    if (log.destination.kind == LogDestination::Kind::kFile) {
        const std::optional<std::string> failure =
            AppendToFile(log.destination.file, FileLine(std::time(nullptr), ::getpid(), text));
        if (!failure) {
            return;
        }
        SendToSystemLog(
            text + " (not written to the log file " + log.destination.file + ": " + *failure + ")",
            log.system_log_socket);
        return;
    }
    SendToSystemLog(text, log.system_log_socket);
}

std::string WhatFailed(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& exception) {
        return exception.what();
    } catch (...) {
        return "a failure that gives no reason";
    }
}

}  // namespace

void SendLogTo(const LogDestination& destination) {
    Log& log = TheLog();
    const std::lock_guard lock(log.mutex);
    log.destination = destination;
}

void LogFailure(std::string_view step, std::string_view reason) noexcept {
    try {
        Log& log = TheLog();
        const std::string text = FailureText(step, reason);
        const std::lock_guard lock(log.mutex);
        Write(log, text);
    } catch (...) {
        // Out of memory or out of locks: the log is the one thing that may be lost.
    }
}

void LogCurrentFailure(std::string_view step) noexcept {
    try {
        const std::exception_ptr failure = std::current_exception();
        if (!failure) {
            return;
        }
        Log& log = TheLog();
        {
            const std::lock_guard lock(log.mutex);
            if (failure == log.last_logged) {
                return;
            }
            log.last_logged = failure;
        }
        LogFailure(step, WhatFailed(failure));
    } catch (...) {
        // As in LogFailure.
    }
}

void SetSystemLogSocket(const std::string& path) {
    Log& log = TheLog();
    const std::lock_guard lock(log.mutex);
    log.system_log_socket = path.empty() ? kSystemLogSocket : path;
}

}  // namespace tavix::diagnostics
