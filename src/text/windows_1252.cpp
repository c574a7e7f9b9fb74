#include "windows_1252.hpp"

#include <array>
#include <cstddef>

namespace tavix::text {

namespace {

constexpr unsigned char kFirstSign = 128;
constexpr unsigned char kFirstLatin1 = 160;

// Bytes 128 to 159; 0 marks a byte the code page leaves undefined.
constexpr std::array<char32_t, 32> kSigns = {
    U'\u20AC', 0,         U'\u201A', U'\u0192', U'\u201E', U'\u2026', U'\u2020', U'\u2021',
    U'\u02C6', U'\u2030', U'\u0160', U'\u2039', U'\u0152', 0,         U'\u017D', 0,
    0,         U'\u2018', U'\u2019', U'\u201C', U'\u201D', U'\u2022', U'\u2013', U'\u2014',
    U'\u02DC', U'\u2122', U'\u0161', U'\u203A', U'\u0153', 0,         U'\u017E', U'\u0178',
};

bool IsSignByte(unsigned char byte) {
    return byte >= kFirstSign && byte < kFirstLatin1;
}

}  // namespace

bool IsUndefinedByte(unsigned char byte) {
    return IsSignByte(byte) && kSigns[byte - kFirstSign] == 0;
}

char32_t CharacterOfByte(unsigned char byte) {
    if (IsSignByte(byte) && !IsUndefinedByte(byte)) {
        return kSigns[byte - kFirstSign];
    }
    return byte;
}

std::optional<unsigned char> ByteOfCharacter(char32_t character) {
    if (character < kFirstSign || (character >= kFirstLatin1 && character <= 0xFF)) {
        return static_cast<unsigned char>(character);
    }
    if (character < kFirstLatin1 && IsUndefinedByte(static_cast<unsigned char>(character))) {
        return static_cast<unsigned char>(character);
    }
    for (std::size_t i = 0; i < kSigns.size(); ++i) {
        if (kSigns[i] != 0 && kSigns[i] == character) {
            return static_cast<unsigned char>(kFirstSign + i);
        }
    }
    return std::nullopt;
}

}  // namespace tavix::text
