#include "demo/colour_names.hpp"

#include <array>
#include <string_view>

namespace tavix::demo {
namespace {

constexpr std::array<std::string_view, 16> kColourNames{
    "BLACK",    "BLUE",         "GREEN",    "CYAN",      "RED",        "MAGENTA",
    "BROWN",    "LIGHTGRAY",    "DARKGRAY", "LIGHTBLUE", "LIGHTGREEN", "LIGHTCYAN",
    "LIGHTRED", "LIGHTMAGENTA", "YELLOW",   "WHITE",
};

}  // namespace

std::string ColourName(int number) {
    if (number < 0 || number >= static_cast<int>(kColourNames.size())) {
        return "";
    }
    return std::string(kColourNames[static_cast<std::size_t>(number)]);
}

}  // namespace tavix::demo
