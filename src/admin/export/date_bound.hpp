#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "store/timestamp.hpp"

namespace tavix::admin {

enum class DayEdge { kStart, kEnd };

// "YYYY-MM-DD HH:MM:SS", or "YYYY-MM-DD" alone, meaning the start (00:00:00) or the end
// (23:59:59) of that day. Nothing when the text is neither, or not a real date and time.
std::optional<store::Timestamp> ParseDateBound(std::string_view text, DayEdge edge);

// The error message for a text ParseDateBound refuses; empty when it takes it.
std::string DateBoundError(const std::string& text);

}  // namespace tavix::admin
