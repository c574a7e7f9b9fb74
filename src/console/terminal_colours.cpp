#include "terminal_colours.hpp"

#include <array>

namespace tavix::console {

namespace {

// Terminals number their eight colours from red, the PC palette from blue: blue and red,
// cyan and brown trade places.
constexpr std::array<int, 8> kTerminalColourOfPc = {0, 4, 2, 6, 1, 5, 3, 7};
constexpr int kBrightColours = 8;

// How light each PC colour looks (0 to 255).
constexpr std::array<int, colours::kCount> kLightness = {
    0, 19, 100, 119, 51, 70, 101, 170, 85, 105, 185, 204, 136, 156, 235, 255,
};

int TerminalColour(Colour colour, bool bright_available) {
    const int base = kTerminalColourOfPc[colour % kBrightColours];
    return bright_available && colour >= kBrightColours ? base + kBrightColours : base;
}

}  // namespace

TerminalLook LookOnTerminal(int fg, int bg, int colour_count) {
    const Colour text = PaletteColour(fg);
    const Colour back = PaletteColour(bg);
    if (colour_count < 8) {
        return TerminalLook{TerminalLook::kNoColour, TerminalLook::kNoColour, false,
                            kLightness[back] > kLightness[text]};
    }
    const bool sixteen = colour_count >= 16;
    return TerminalLook{TerminalColour(text, sixteen), TerminalColour(back, sixteen),
                        !sixteen && text >= kBrightColours, false};
}

}  // namespace tavix::console
