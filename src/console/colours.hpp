#pragma once

#include <cstdint>

namespace tavix::console {

// The sixteen colours of the PC text palette, by number.
using Colour = std::uint8_t;

namespace colours {
inline constexpr Colour kBlack = 0;
inline constexpr Colour kBlue = 1;
inline constexpr Colour kGreen = 2;
inline constexpr Colour kCyan = 3;
inline constexpr Colour kRed = 4;
inline constexpr Colour kMagenta = 5;
inline constexpr Colour kBrown = 6;
inline constexpr Colour kLightGray = 7;
inline constexpr Colour kDarkGray = 8;
inline constexpr Colour kLightBlue = 9;
inline constexpr Colour kLightGreen = 10;
inline constexpr Colour kLightCyan = 11;
inline constexpr Colour kLightRed = 12;
inline constexpr Colour kLightMagenta = 13;
inline constexpr Colour kYellow = 14;
inline constexpr Colour kWhite = 15;
inline constexpr int kCount = 16;
}  // namespace colours

// Any number the program passes is folded into the palette rather than rejected, as the
// hardware text modes did: only the low four bits name a colour.
inline constexpr Colour PaletteColour(int number) {
    return static_cast<Colour>(number & 0x0F);
}

}  // namespace tavix::console
