#include "support/captured_pane.hpp"

#include <array>
#include <stdexcept>
#include <string_view>

#include "text/utf8.hpp"

namespace tavix::testing {

namespace {

using namespace pane_attributes;

constexpr char kEscape = '\x1b';

// The SGR parameters of one sequence; an empty parameter counts as 0.
std::vector<int> SgrParameters(std::string_view text) {
    std::vector<int> parameters{0};
    for (char c : text) {
        if (c == ';' || c == ':') {
            parameters.push_back(0);
        } else if (c >= '0' && c <= '9') {
            parameters.back() = parameters.back() * 10 + (c - '0');
        }
    }
    return parameters;
}

// An extended colour (38 or 48 followed by 5;n or 2;r;g;b) from parameters[i] on; moves i
// past it. Indices 0-15 are the same colours as the plain SGR codes.
PaneColour ExtendedColour(const std::vector<int>& parameters, std::size_t& i) {
    if (i + 2 < parameters.size() && parameters[i + 1] == 5) {
        i += 2;
        return PaneColour{parameters[i]};
    }
    if (i + 4 < parameters.size() && parameters[i + 1] == 2) {
        i += 4;
        return PaneColour::Rgb(parameters[i - 2], parameters[i - 1], parameters[i]);
    }
    throw std::runtime_error("capture-pane printed an extended colour this parser cannot read");
}

void ApplyAttribute(int code, PaneLook& look) {
    struct Switch {
        int on;
        int off;
        unsigned flags;
    };
    constexpr std::array kSwitches = {
        Switch{1, 22, kBold},      Switch{2, 22, kDim},           Switch{3, 23, kItalic},
        Switch{4, 24, kUnderline}, Switch{5, 25, kBlink},         Switch{7, 27, kReverse},
        Switch{8, 28, kHidden},    Switch{9, 29, kStrikethrough}, Switch{53, 55, kOverline},
    };
    for (const Switch& attribute : kSwitches) {
        if (code == attribute.on) {
            look.attributes |= attribute.flags;
        } else if (code == attribute.off) {
            look.attributes &= ~attribute.flags;
        }
    }
}

void ApplySgr(const std::vector<int>& parameters, PaneLook& look) {
    for (std::size_t i = 0; i < parameters.size(); ++i) {
        const int code = parameters[i];
        if (code == 0) {
            look = PaneLook{};
        } else if (code >= 30 && code <= 37) {
            look.fg = PaneColour{code - 30};
        } else if (code >= 90 && code <= 97) {
            look.fg = PaneColour{code - 90 + 8};
        } else if (code >= 40 && code <= 47) {
            look.bg = PaneColour{code - 40};
        } else if (code >= 100 && code <= 107) {
            look.bg = PaneColour{code - 100 + 8};
        } else if (code == 39) {
            look.fg = PaneColour{};
        } else if (code == 49) {
            look.bg = PaneColour{};
        } else if (code == 38) {
            look.fg = ExtendedColour(parameters, i);
        } else if (code == 48) {
            look.bg = ExtendedColour(parameters, i);
        } else if (code == 58) {
            ExtendedColour(parameters, i);  // the underline's colour: not shown here
        } else {
            ApplyAttribute(code, look);
        }
    }
}

// The length of the UTF-8 sequence that starts with `lead`.
std::size_t Utf8Length(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        return 2;
    }
    if ((lead & 0xF0) == 0xE0) {
        return 3;
    }
    return 4;
}

char32_t DecodeUtf8(std::string_view bytes) {
    if (bytes.size() == 1) {
        return static_cast<unsigned char>(bytes[0]);
    }
    constexpr std::array<unsigned char, 5> kLeadMask = {0, 0, 0x1F, 0x0F, 0x07};
    char32_t code_point = static_cast<unsigned char>(bytes[0]) & kLeadMask[bytes.size()];
    for (std::size_t i = 1; i < bytes.size(); ++i) {
        code_point = (code_point << 6) | (static_cast<unsigned char>(bytes[i]) & 0x3F);
    }
    return code_point;
}

std::string ColourText(const PaneColour& colour, bool background) {
    if (colour.value == PaneColour::kDefault) {
        return "default";
    }
    if ((colour.value & PaneColour::kRgbFlag) != 0) {
        const int rgb = colour.value & 0xFFFFFF;
        return std::string(background ? "48" : "38") + ";2;" + std::to_string(rgb >> 16) + ";" +
               std::to_string((rgb >> 8) & 0xFF) + ";" + std::to_string(rgb & 0xFF);
    }
    if (colour.value < 8) {
        return std::to_string((background ? 40 : 30) + colour.value);
    }
    if (colour.value < 16) {
        return std::to_string((background ? 100 : 90) + colour.value - 8);
    }
    return std::string(background ? "48" : "38") + ";5;" + std::to_string(colour.value);
}

}  // namespace

PaneGrid::PaneGrid(int columns, int rows)
    : columns_(columns), rows_(rows), cells_(static_cast<std::size_t>(columns * rows)) {}

const PaneCell& PaneGrid::At(int x, int y) const {
    return cells_.at(static_cast<std::size_t>((y - 1) * columns_ + (x - 1)));
}

void PaneGrid::Set(int x, int y, const PaneCell& cell) {
    if (x >= 1 && x <= columns_ && y >= 1 && y <= rows_) {
        cells_[static_cast<std::size_t>((y - 1) * columns_ + (x - 1))] = cell;
    }
}

std::string PaneGrid::RowText(int y) const {
    std::string text;
    for (int x = 1; x <= columns_; ++x) {
        text::AppendUtf8(text, At(x, y).glyph);
    }
    return text;
}

PaneGrid ParseCapturedPane(const std::string& capture, int columns, int rows) {
    PaneGrid grid(columns, rows);
    PaneLook look;
    int x = 1;
    int y = 1;
    for (std::size_t i = 0; i < capture.size();) {
        const char c = capture[i];
        if (c == kEscape && i + 1 < capture.size() && capture[i + 1] == '[') {
            const std::size_t end = capture.find_first_of(
                "@ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                "[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~",
                i + 2);
            if (end == std::string::npos) {
                break;
            }
            if (capture[end] == 'm') {
                ApplySgr(SgrParameters(std::string_view(capture).substr(i + 2, end - i - 2)), look);
            }
            i = end + 1;
            continue;
        }
        if (c == '\n') {
            ++y;
            x = 1;
            ++i;
            continue;
        }
        const std::size_t length =
            std::min(Utf8Length(static_cast<unsigned char>(c)), capture.size() - i);
        grid.Set(x++, y, PaneCell{DecodeUtf8(std::string_view(capture).substr(i, length)), look});
        i += length;
    }
    return grid;
}

std::string DescribeLook(const PaneLook& look) {
    std::string text = ColourText(look.fg, false) + " on " + ColourText(look.bg, true);
    constexpr std::array<std::pair<unsigned, const char*>, 9> kNames = {{
        {kBold, "bold"},
        {kDim, "dim"},
        {kItalic, "italic"},
        {kUnderline, "underline"},
        {kBlink, "blink"},
        {kReverse, "reverse"},
        {kHidden, "hidden"},
        {kStrikethrough, "strikethrough"},
        {kOverline, "overline"},
    }};
    for (const auto& [flag, name] : kNames) {
        if ((look.attributes & flag) != 0) {
            text += std::string(" ") + name;
        }
    }
    return text;
}

}  // namespace tavix::testing
