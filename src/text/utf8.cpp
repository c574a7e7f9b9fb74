#include "utf8.hpp"

namespace tavix::text {

namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the sequence a lead byte starts and the bits it carries; 0 for a byte that
// cannot start one.
struct Lead {
    std::size_t length = 0;
    char32_t bits = 0;
};

Lead LeadOf(unsigned char byte) {
    if (byte < 0x80) {
        return {1, byte};
    }
    if (byte >= 0xC2 && byte <= 0xDF) {
        return {2, static_cast<char32_t>(byte & 0x1F)};
    }
    if (byte >= 0xE0 && byte <= 0xEF) {
        return {3, static_cast<char32_t>(byte & 0x0F)};
    }
    if (byte >= 0xF0 && byte <= 0xF4) {
        return {4, static_cast<char32_t>(byte & 0x07)};
    }
    return {};
}

// The smallest code point each sequence length may carry; anything less is overlong.
char32_t SmallestOfLength(std::size_t length) {
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    return kSmallest[length];
}

bool IsSurrogate(char32_t code_point) {
    return code_point >= 0xD800 && code_point <= 0xDFFF;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::optional<std::u32string> DecodeUtf8(std::string_view text) {
    std::u32string code_points;
    code_points.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const Lead lead = LeadOf(static_cast<unsigned char>(text[i]));
        if (lead.length == 0 || text.size() - i < lead.length) {
            return std::nullopt;
        }
        char32_t code_point = lead.bits;
        for (std::size_t k = 1; k < lead.length; ++k) {
            const auto byte = static_cast<unsigned char>(text[i + k]);
            if (!IsContinuation(byte)) {
                return std::nullopt;
            }
            code_point = (code_point << 6) | (byte & 0x3F);
        }
        if (code_point < SmallestOfLength(lead.length) || IsSurrogate(code_point) ||
            code_point > 0x10FFFF) {
            return std::nullopt;
        }
        code_points.push_back(code_point);
        i += lead.length;
    }
    return code_points;
}

}  // namespace tavix::text
