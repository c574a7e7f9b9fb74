#include "store/reading_filter.hpp"

#include <charconv>
#include <cmath>

namespace tavix::store {

std::optional<double> NumberOfTerminal(const std::string& terminal) {
    double number = 0;
    const char* end = terminal.data() + terminal.size();
    const auto [stop, error] = std::from_chars(terminal.data(), end, number);
    if (error != std::errc() || stop != end || !std::isfinite(number)) {
        return std::nullopt;
    }
    return number;
}

}  // namespace tavix::store
