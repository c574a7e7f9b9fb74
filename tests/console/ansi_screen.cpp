#include "ansi_screen.hpp"

#include <algorithm>
#include <stdexcept>

namespace tavix::console {

namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kBel = 0x07;
constexpr int kAutowrapMode = 7;
constexpr int kBrightColours = 8;

}  // namespace

AnsiScreen::AnsiScreen(int columns, int rows, bool erases_in_colour)
    : columns_(columns),
      rows_(rows),
      erases_in_colour_(erases_in_colour),
      cells_(static_cast<std::size_t>(columns * rows)) {}

const AnsiScreen::Cell& AnsiScreen::At(int x, int y) const {
    if (x < 1 || x > columns_ || y < 1 || y > rows_) {
        throw std::out_of_range("no such cell on the screen");
    }
    return cells_[static_cast<std::size_t>((y - 1) * columns_ + x - 1)];
}

void AnsiScreen::Scribble(char32_t glyph) {
    std::fill(cells_.begin(), cells_.end(), Cell{glyph});
}

void AnsiScreen::Feed(std::string_view bytes) {
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (parse_) {
            case Parse::kGround:
                Ground(byte);
                break;
            case Parse::kEscape:
                Escape(byte);
                break;
            case Parse::kCsi:
                if (byte >= 0x40 && byte <= 0x7E) {
                    parse_ = Parse::kGround;
                    Dispatch(static_cast<char>(byte));
                } else {
                    sequence_ += static_cast<char>(byte);
                }
                break;
            case Parse::kString:  // a title: it ends with BEL or ST
                if (byte == kBel) {
                    parse_ = Parse::kGround;
                } else if (byte == kEsc) {
                    parse_ = Parse::kStringEscape;
                }
                break;
            case Parse::kStringEscape:
                parse_ = byte == '\\' ? Parse::kGround : Parse::kString;
                break;
            case Parse::kCharset:
                parse_ = Parse::kGround;
                break;
        }
    }
}

void AnsiScreen::Ground(unsigned char byte) {
    if (utf8_remaining_ > 0 && (byte & 0xC0) == 0x80) {
        utf8_glyph_ = (utf8_glyph_ << 6) | (byte & 0x3F);
        if (--utf8_remaining_ == 0) {
            Print(utf8_glyph_);
        }
        return;
    }
    utf8_remaining_ = 0;
    if (byte >= 0xF0) {
        utf8_glyph_ = byte & 0x07;
        utf8_remaining_ = 3;
    } else if (byte >= 0xE0) {
        utf8_glyph_ = byte & 0x0F;
        utf8_remaining_ = 2;
    } else if (byte >= 0xC0) {
        utf8_glyph_ = byte & 0x1F;
        utf8_remaining_ = 1;
    } else if (byte >= 0x20 && byte < 0x7F) {
        Print(byte);
    } else if (byte == kEsc) {
        parse_ = Parse::kEscape;
    } else if (byte == '\r') {
        x_ = 0;
        wrap_pending_ = false;
    } else if (byte == '\n') {
        y_ = std::min(y_ + 1, rows_ - 1);
        wrap_pending_ = false;
    } else if (byte == '\b') {
        x_ = std::max(x_ - 1, 0);
        wrap_pending_ = false;
    }
}

void AnsiScreen::Escape(unsigned char byte) {
    parse_ = Parse::kGround;
    if (byte == '[') {
        sequence_.clear();
        parse_ = Parse::kCsi;
    } else if (byte == ']' || byte == '_' || byte == 'P') {
        parse_ = Parse::kString;
    } else if (byte == '(' || byte == ')') {
        parse_ = Parse::kCharset;
    }
    // Keypad modes and the like change nothing shown.
}

std::vector<int> AnsiScreen::Parameters() const {
    std::vector<int> values(1, 0);
    for (char c : sequence_) {
        if (c == ';') {
            values.push_back(0);
        } else if (c >= '0' && c <= '9') {
            values.back() = values.back() * 10 + (c - '0');
        }
    }
    return values;
}

void AnsiScreen::Dispatch(char final) {
    const std::vector<int> p = Parameters();
    const int n = std::max(p[0], 1);
    if (sequence_.starts_with('?')) {
        if ((final == 'h' || final == 'l') && p[0] == kAutowrapMode) {
            autowrap_ = final == 'h';
        }
        return;  // other private modes change nothing shown
    }
    if (sequence_.find_first_not_of("0123456789;") != std::string::npos) {
        return;  // the cursor's shape and the like
    }
    wrap_pending_ = false;
    switch (final) {
        case 'H':
        case 'f':
            y_ = std::clamp(n - 1, 0, rows_ - 1);
            x_ = std::clamp((p.size() > 1 ? std::max(p[1], 1) : 1) - 1, 0, columns_ - 1);
            break;
        case 'A':
            y_ = std::max(y_ - n, 0);
            break;
        case 'B':
            y_ = std::min(y_ + n, rows_ - 1);
            break;
        case 'C':
            x_ = std::min(x_ + n, columns_ - 1);
            break;
        case 'D':
            x_ = std::max(x_ - n, 0);
            break;
        case 'J':
            if (p[0] == 2) {
                Erase(0, 0, columns_ - 1, rows_ - 1);
            } else if (p[0] == 0) {
                Erase(x_, y_, columns_ - 1, rows_ - 1);
            }
            break;
        case 'K':
            Erase(x_, y_, columns_ - 1, y_);
            break;
        case 'X':
            Erase(x_, y_, std::min(x_ + n, columns_) - 1, y_);
            break;
        case 'm':
            SelectGraphicRendition();
            break;
        default:
            break;  // scroll margins, insert mode off, window operations
    }
}

void AnsiScreen::SelectGraphicRendition() {
    const std::vector<int> p = Parameters();
    for (std::size_t i = 0; i < p.size(); ++i) {
        const int code = p[i];
        if (code == 0) {
            look_ = TerminalLook{kDefaultColour, kDefaultColour, false, false};
        } else if (code == 1) {
            look_.bold = true;
        } else if (code == 22) {
            look_.bold = false;
        } else if (code == 7) {
            look_.reverse = true;
        } else if (code == 27) {
            look_.reverse = false;
        } else if (code >= 30 && code <= 37) {
            look_.fg = code - 30;
        } else if (code == 39) {
            look_.fg = kDefaultColour;
        } else if (code >= 40 && code <= 47) {
            look_.bg = code - 40;
        } else if (code == 49) {
            look_.bg = kDefaultColour;
        } else if (code >= 90 && code <= 97) {
            look_.fg = code - 90 + kBrightColours;
        } else if (code >= 100 && code <= 107) {
            look_.bg = code - 100 + kBrightColours;
        } else if ((code == 38 || code == 48) && i + 2 < p.size() && p[i + 1] == 5) {
            (code == 38 ? look_.fg : look_.bg) = p[i + 2];
            i += 2;
        }
    }
}

void AnsiScreen::Print(char32_t glyph) {
    if (wrap_pending_ && autowrap_) {
        x_ = 0;
        y_ = std::min(y_ + 1, rows_ - 1);
    }
    wrap_pending_ = false;
    CellAt(x_, y_) = Cell{glyph, look_};
    if (x_ == columns_ - 1) {
        wrap_pending_ = true;
    } else {
        ++x_;
    }
}

void AnsiScreen::Erase(int from_x, int from_y, int to_x, int to_y) {
    TerminalLook erased{kDefaultColour, kDefaultColour, false, false};
    if (erases_in_colour_) {
        erased.bg = look_.bg;
    }
    for (int y = from_y; y <= to_y; ++y) {
        const int first = y == from_y ? from_x : 0;
        const int last = y == to_y ? to_x : columns_ - 1;
        for (int x = first; x <= last; ++x) {
            CellAt(x, y) = Cell{U' ', erased};
        }
    }
}

}  // namespace tavix::console
