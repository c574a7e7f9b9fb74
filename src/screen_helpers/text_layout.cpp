#include "screen_helpers/text_layout.hpp"

#include <stdexcept>
#include <string_view>

namespace tavix::screen_helpers {
namespace {

constexpr char kSpace = ' ';
constexpr char kCarriageReturn = '\r';

// Appends c to the row being built; a row never starts with a space.
void AppendToRow(std::string& row, char c) {
    if (row.empty() && c == kSpace) {
        return;
    }
    row += c;
}

bool IsSpaceAt(std::string_view text, std::size_t pos) {
    return pos < text.size() && text[pos] == kSpace;
}

// The full row as it goes out. It stays whole when a space follows (that space is then
// dropped as the next row's leading blank) or when it is one word, which is thus cut.
// Otherwise its last word is carried to the next row by rewinding pos over it: a row's
// trailing word is always the characters read last. A row never starts with a space, so
// at least one character is kept and the wrapping always moves on.
std::string CloseFullRow(std::string_view text, std::size_t& pos, const std::string& row) {
    const auto last_space = row.rfind(kSpace);
    if (IsSpaceAt(text, pos) || last_space == std::string::npos) {
        return row;
    }
    pos -= row.size() - (last_space + 1);
    return row.substr(0, last_space + 1) + std::string(row.size() - (last_space + 1), kSpace);
}

}  // namespace

std::string CentreText(const std::string& text, int width) {
    const long long spare = static_cast<long long>(width) - static_cast<long long>(text.size());
    if (spare < 0) {
        throw std::invalid_argument("CentreText: text of " + std::to_string(text.size()) +
                                    " characters does not fit in width " + std::to_string(width));
    }
    const auto left = static_cast<std::size_t>(spare / 2);
    const auto right = static_cast<std::size_t>(spare) - left;
    return std::string(left, kSpace) + text + std::string(right, kSpace);
}

std::string PadText(const std::string& text, int width, const std::string& pad) {
    if (pad.empty()) {
        throw std::invalid_argument("PadText: the pad text is empty");
    }
    if (width < 0) {
        throw std::invalid_argument("PadText: negative width " + std::to_string(width));
    }
    const auto size = static_cast<std::size_t>(width);
    if (size <= text.size()) {
        return text.substr(0, size);
    }
    return text + std::string(size - text.size(), pad.front());
}

std::string WrapText(const std::string& text, int width) {
    if (width < 1) {
        throw std::invalid_argument("WrapText: width " + std::to_string(width) + " is less than 1");
    }
    const auto row_width = static_cast<std::size_t>(width);
    std::string out;
    std::string row;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == kCarriageReturn) {
            out += PadText(row, width, " ");
            row.clear();
            continue;
        }
        AppendToRow(row, c);
        if (row.size() == row_width) {
            out += CloseFullRow(text, pos, row);
            row.clear();
        }
    }
    return out + row;
}

}  // namespace tavix::screen_helpers
