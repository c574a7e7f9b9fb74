#include "screen_model.hpp"

#include <algorithm>

#include "text/utf8.hpp"

namespace tavix::bench {

namespace {

constexpr unsigned char kEsc = 0x1B;
constexpr unsigned char kBel = 0x07;
constexpr int kTabWidth = 8;
constexpr int kInsertModeParameter = 4;

}  // namespace

ScreenModel::ScreenModel(int columns, int rows)
    : columns_(columns),
      rows_(rows),
      cells_(static_cast<std::size_t>(columns * rows), U' '),
      row_text_(static_cast<std::size_t>(rows)),
      row_changed_(static_cast<std::size_t>(rows), true),
      bottom_margin_(rows - 1) {}

void ScreenModel::Feed(std::string_view bytes) {
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
                Csi(byte);
                break;
            case Parse::kString:
                // An OSC or DCS string: the window title, a colour. It ends with BEL or ST.
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
                parse_ = Parse::kGround;  // the designated set: box glyphs come as UTF-8
                break;
        }
    }
}

void ScreenModel::Ground(unsigned char byte) {
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
        MoveTo(0, y_);
    } else if (byte == '\n' || byte == '\v' || byte == '\f') {
        LineFeed();
    } else if (byte == '\b') {
        MoveTo(x_ - 1, y_);
    } else if (byte == '\t') {
        MoveTo(std::min(columns_ - 1, (x_ / kTabWidth + 1) * kTabWidth), y_);
    }
}

void ScreenModel::Escape(unsigned char byte) {
    parse_ = Parse::kGround;
    switch (byte) {
        case '[':
            sequence_.clear();
            parse_ = Parse::kCsi;
            break;
        case ']':
        case 'P':
        case '_':
        case '^':
            parse_ = Parse::kString;
            break;
        case '(':
        case ')':
        case '*':
        case '+':
            parse_ = Parse::kCharset;
            break;
        case '7':
            saved_x_ = x_;
            saved_y_ = y_;
            break;
        case '8':
            MoveTo(saved_x_, saved_y_);
            break;
        case 'D':
            LineFeed();
            break;
        case 'E':
            MoveTo(0, y_);
            LineFeed();
            break;
        case 'M':
            ReverseLineFeed();
            break;
        case 'c':
            *this = ScreenModel(columns_, rows_);
            break;
        default:
            break;  // keypad modes and the like change nothing shown
    }
}

void ScreenModel::Csi(unsigned char byte) {
    if (byte >= 0x40 && byte <= 0x7E) {
        parse_ = Parse::kGround;
        DispatchCsi(static_cast<char>(byte));
    } else if (byte >= 0x20 && byte <= 0x3F) {
        sequence_ += static_cast<char>(byte);
    } else if (byte == kEsc) {
        parse_ = Parse::kEscape;  // a sequence cut short by another one
    }
}

void ScreenModel::SetPrivateModes(bool set) {
    constexpr int kCursorVisibleMode = 25;
    std::size_t start = 1;
    while (start <= sequence_.size()) {
        const std::size_t end = std::min(sequence_.find(';', start), sequence_.size());
        if (sequence_.substr(start, end - start) == std::to_string(kCursorVisibleMode)) {
            cursor_visible_ = set;
        }
        start = end + 1;
    }
}

int ScreenModel::Parameter(std::size_t index, int fallback) const {
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) {
        start = sequence_.find(';', start);
        if (start == std::string::npos) {
            return fallback;
        }
        ++start;
    }
    int value = 0;
    bool any = false;
    for (std::size_t i = start; i < sequence_.size() && sequence_[i] >= '0' && sequence_[i] <= '9';
         ++i) {
        value = value * 10 + (sequence_[i] - '0');
        any = true;
    }
    return any && value != 0 ? value : fallback;
}

void ScreenModel::DispatchCsi(char final) {
    if (sequence_.starts_with('?') && (final == 'h' || final == 'l')) {
        SetPrivateModes(final == 'h');
        return;
    }
    // Other private sequences and those with intermediates (cursor shape, soft reset) change
    // nothing that a screen shows.
    const bool plain = std::all_of(sequence_.begin(), sequence_.end(),
                                   [](char c) { return (c >= '0' && c <= '9') || c == ';'; });
    if (!plain) {
        return;
    }
    const int n = Parameter(0, 1);
    switch (final) {
        case 'A':
            MoveTo(x_, std::max(y_ - n, y_ >= top_margin_ ? top_margin_ : 0));
            break;
        case 'B':
            MoveTo(x_, std::min(y_ + n, y_ <= bottom_margin_ ? bottom_margin_ : rows_ - 1));
            break;
        case 'C':
            MoveTo(x_ + n, y_);
            break;
        case 'D':
            MoveTo(x_ - n, y_);
            break;
        case 'E':
            MoveTo(0, y_ + n);
            break;
        case 'F':
            MoveTo(0, y_ - n);
            break;
        case 'G':
        case '`':
            MoveTo(n - 1, y_);
            break;
        case 'd':
            MoveTo(x_, n - 1);
            break;
        case 'H':
        case 'f':
            MoveTo(Parameter(1, 1) - 1, n - 1);
            break;
        case 'J': {
            const int mode = Parameter(0, 0);
            if (mode == 0) {
                EraseInLine(x_, columns_ - 1);
                EraseRows(y_ + 1, rows_ - 1);
            } else if (mode == 1) {
                EraseRows(0, y_ - 1);
                EraseInLine(0, x_);
            } else {
                EraseRows(0, rows_ - 1);
            }
            break;
        }
        case 'K': {
            const int mode = Parameter(0, 0);
            EraseInLine(mode == 0 ? x_ : 0, mode == 1 ? x_ : columns_ - 1);
            break;
        }
        case 'X':
            EraseInLine(x_, std::min(columns_ - 1, x_ + n - 1));
            break;
        case '@': {
            const int count = std::min(n, columns_ - x_);
            for (int x = columns_ - 1; x >= x_ + count; --x) {
                Cell(x, y_) = Cell(x - count, y_);
            }
            EraseInLine(x_, x_ + count - 1);
            break;
        }
        case 'P': {
            const int count = std::min(n, columns_ - x_);
            for (int x = x_; x < columns_ - count; ++x) {
                Cell(x, y_) = Cell(x + count, y_);
            }
            EraseInLine(columns_ - count, columns_ - 1);
            break;
        }
        case 'L':
            if (y_ >= top_margin_ && y_ <= bottom_margin_) {
                ScrollDown(y_, n);
            }
            break;
        case 'M':
            if (y_ >= top_margin_ && y_ <= bottom_margin_) {
                ScrollUp(y_, n);
            }
            break;
        case 'S':
            ScrollUp(top_margin_, n);
            break;
        case 'T':
            ScrollDown(top_margin_, n);
            break;
        case 'b':
            for (int i = 0; i < n; ++i) {
                Print(last_printed_);
            }
            break;
        case 'r':
            top_margin_ = Parameter(0, 1) - 1;
            bottom_margin_ = Parameter(1, rows_) - 1;
            MoveTo(0, 0);
            break;
        case 'h':
        case 'l':
            if (Parameter(0, 0) == kInsertModeParameter) {
                insert_mode_ = final == 'h';
            }
            break;
        case 's':
            saved_x_ = x_;
            saved_y_ = y_;
            break;
        case 'u':
            MoveTo(saved_x_, saved_y_);
            break;
        default:
            break;  // colours and attributes (m), window operations (t), reports (n)
    }
}

void ScreenModel::Print(char32_t glyph) {
    if (wrap_pending_) {
        MoveTo(0, y_);
        LineFeed();
    }
    if (insert_mode_) {
        for (int x = columns_ - 1; x > x_; --x) {
            Cell(x, y_) = Cell(x - 1, y_);
        }
    }
    Cell(x_, y_) = glyph;
    last_printed_ = glyph;
    if (x_ == columns_ - 1) {
        wrap_pending_ = true;
    } else {
        ++x_;
    }
}

void ScreenModel::LineFeed() {
    wrap_pending_ = false;
    if (y_ == bottom_margin_) {
        ScrollUp(top_margin_, 1);
    } else if (y_ < rows_ - 1) {
        ++y_;
    }
}

void ScreenModel::ReverseLineFeed() {
    wrap_pending_ = false;
    if (y_ == top_margin_) {
        ScrollDown(top_margin_, 1);
    } else if (y_ > 0) {
        --y_;
    }
}

// Moves rows top..bottom_margin_ up by count, blank rows coming in at the bottom.
void ScreenModel::ScrollUp(int top, int count) {
    count = std::min(count, bottom_margin_ - top + 1);
    for (int y = top; y <= bottom_margin_; ++y) {
        for (int x = 0; x < columns_; ++x) {
            Cell(x, y) = y + count <= bottom_margin_ ? CellAt(x, y + count) : U' ';
        }
    }
}

// Moves rows top..bottom_margin_ down by count, blank rows coming in at the top.
void ScreenModel::ScrollDown(int top, int count) {
    count = std::min(count, bottom_margin_ - top + 1);
    for (int y = bottom_margin_; y >= top; --y) {
        for (int x = 0; x < columns_; ++x) {
            Cell(x, y) = y - count >= top ? CellAt(x, y - count) : U' ';
        }
    }
}

void ScreenModel::MoveTo(int x, int y) {
    x_ = std::clamp(x, 0, columns_ - 1);
    y_ = std::clamp(y, 0, rows_ - 1);
    wrap_pending_ = false;
}

void ScreenModel::EraseRows(int from, int to) {
    for (int y = from; y <= to; ++y) {
        for (int x = 0; x < columns_; ++x) {
            Cell(x, y) = U' ';
        }
    }
}

void ScreenModel::EraseInLine(int from, int to) {
    for (int x = std::max(from, 0); x <= std::min(to, columns_ - 1); ++x) {
        Cell(x, y_) = U' ';
    }
}

char32_t ScreenModel::At(int x, int y) const {
    if (x < 1 || x > columns_ || y < 1 || y > rows_) {
        return U' ';
    }
    return CellAt(x - 1, y - 1);
}

std::string ScreenModel::Text(int x, int y, int length) const {
    std::string text;
    for (int i = 0; i < length; ++i) {
        text::AppendUtf8(text, At(x + i, y));
    }
    return text;
}

const std::string& ScreenModel::Row(int y) const {
    const auto row = static_cast<std::size_t>(y - 1);
    if (row_changed_[row]) {
        row_text_[row] = Text(1, y, columns_);
        row_changed_[row] = false;
    }
    return row_text_[row];
}

bool ScreenModel::Contains(std::string_view text) const {
    for (int y = 1; y <= rows_; ++y) {
        if (Row(y).find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

std::string ScreenModel::Dump() const {
    std::string dump;
    for (int y = 1; y <= rows_; ++y) {
        dump += Row(y) + "\n";
    }
    return dump;
}

}  // namespace tavix::bench
