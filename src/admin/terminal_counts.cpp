#include "terminal_counts.hpp"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <tuple>

#include "value_text.hpp"

namespace tavix::admin {

namespace {

// Sorts numbers by value, then texts, then the missing terminal.
struct SortKey {
    int group;  // 0 number, 1 text, 2 none
    double number;
    std::string text;

    friend bool operator<(const SortKey& a, const SortKey& b) {
        return std::tie(a.group, a.number, a.text) < std::tie(b.group, b.number, b.text);
    }
};

std::optional<double> NumberIn(const std::string& text) {
    double number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    return error == std::errc() && stop == end && !text.empty() ? std::optional(number)
                                                                : std::nullopt;
}

SortKey KeyOf(const store::StoredField& terminal, const std::string& text) {
    if (terminal.kind == store::StoredField::Kind::kNull) {
        return {2, 0, text};
    }
    if (const auto number = NumberIn(text)) {
        return {0, *number, text};
    }
    return {1, 0, text};
}

}  // namespace

std::vector<TerminalLine> MergeTerminalCounts(const std::vector<store::TerminalCount>& counts) {
    std::map<SortKey, std::int64_t> merged;
    for (const store::TerminalCount& count : counts) {
        const std::string text = ValueText(count.terminal);
        merged[KeyOf(count.terminal, text)] += count.readings;
    }
    std::vector<TerminalLine> lines;
    for (const auto& [key, readings] : merged) {
        lines.push_back({key.text, readings});
    }
    return lines;
}

}  // namespace tavix::admin
