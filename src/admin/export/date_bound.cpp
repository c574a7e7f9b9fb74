#include "date_bound.hpp"

namespace tavix::admin {

namespace {

constexpr std::size_t kDateLength = 10;  // YYYY-MM-DD

}  // namespace

std::optional<store::Timestamp> ParseDateBound(std::string_view text, DayEdge edge) {
    if (text.size() == kDateLength) {
        const std::string time = edge == DayEdge::kStart ? " 00:00:00" : " 23:59:59";
        return store::Timestamp::FromSqlText(std::string(text) + time);
    }
    return store::Timestamp::FromSqlText(text);
}

std::string DateBoundError(const std::string& text) {
    if (ParseDateBound(text, DayEdge::kStart)) {
        return {};
    }
    return "'" + text + "' is not a date: give \"YYYY-MM-DD\" or \"YYYY-MM-DD HH:MM:SS\"";
}

}  // namespace tavix::admin
