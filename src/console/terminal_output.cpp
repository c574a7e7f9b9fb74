#include "terminal_output.hpp"

#include <curses.h>
#include <termcap.h>  // tputs, without term.h's capability macros
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace tavix::console {

namespace {

// DECSCUSR shapes.
constexpr int kDefaultCursorShape = 0;
constexpr int kSteadyBlockCursor = 2;

// After a reset of the attributes the colours are not known for sure: terminfo does not say
// whether the reset takes them too.
constexpr int kColourNotKnown = -2;

bool IsCapability(const char* value) {
    return value != nullptr && value != reinterpret_cast<const char*>(-1);
}

const char* Capability(const char* name) {
    const char* value = tigetstr(name);
    return IsCapability(value) ? value : nullptr;
}

// tputs hands its bytes to a plain function.
std::string* bytes_being_composed = nullptr;

int AppendByte(int byte) {
    bytes_being_composed->push_back(static_cast<char>(byte));
    return byte;
}

void WriteAll(std::string_view bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count =
            ::write(STDOUT_FILENO, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return;  // the terminal is gone: the next wait for a key ends the program
        }
        written += static_cast<std::size_t>(count);
    }
}

}  // namespace

void TerminalOutput::Load() {
    cursor_address_ = Capability("cup");
    if (cursor_address_ == nullptr) {
        throw std::runtime_error("it cannot move its cursor to a given place");
    }
    clear_ = Capability("clear");
    reset_attributes_ = Capability("sgr0");
    original_colours_ = Capability("op");
    bold_ = Capability("bold");
    reverse_ = Capability("rev");
    foreground_ = Capability("setaf");
    background_ = Capability("setab");
    margins_off_ = Capability("rmam");
    margins_on_ = Capability("smam");
    cursor_invisible_ = Capability("civis");
    cursor_normal_ = Capability("cnorm");
    cursor_very_visible_ = Capability("cvvis");
    cursor_shape_ = Capability("Ss");
    auto_margins_ = tigetflag("am") > 0;
    margin_glitch_ = tigetflag("xenl") > 0;
    can_shape_cursor_ = cursor_shape_ != nullptr;
    const int colours = tigetnum("colors");
    colour_count_ = foreground_ != nullptr && background_ != nullptr && colours > 0 ? colours : 0;
    block_cursor_ = false;
    line_drawing_on_ = Capability("smacs");
    line_drawing_off_ = Capability("rmacs");
    charset_ = TerminalCharset::OfLocale(TerminalLines());
    Forget();
    if (!charset_.IsUtf8()) {
        // Some terminals draw lines only once their alternate set is designated.
        Emit(Capability("enacs"));
    }
}

// The terminal's line-drawing set, when it can switch to it and back.
LineDrawingSet TerminalOutput::TerminalLines() const {
    const char* pairs = Capability("acsc");
    const bool switchable = line_drawing_on_ != nullptr && line_drawing_off_ != nullptr;
    return LineDrawingSet(switchable && pairs != nullptr ? pairs : "");
}

void TerminalOutput::Forget() {
    look_.reset();
    cursor_row_ = -1;
    cursor_column_ = -1;
    visibility_ = -1;
    // A UTF-8 terminal's alternate set is never switched on.
    line_drawing_ = charset_.IsUtf8() ? std::optional<bool>(false) : std::nullopt;
}

void TerminalOutput::PutBack() {
    ShapeCursor(false);
    UseLineDrawing(false);
    ResetAttributes();
    Emit(original_colours_);
    look_.reset();
}

void TerminalOutput::Clear(const TerminalLook& look) {
    SetLook(look);
    if (clear_ == nullptr) {
        return;
    }
    Emit(clear_);
    cursor_row_ = 0;
    cursor_column_ = 0;
}

void TerminalOutput::MoveTo(int row, int column) {
    if (row == cursor_row_ && column == cursor_column_) {
        return;
    }
    Emit(tiparm(cursor_address_, row, column));
    cursor_row_ = row;
    cursor_column_ = column;
}

std::size_t TerminalOutput::MoveSize(int row, int column) const {
    return std::strlen(tiparm(cursor_address_, row, column));
}

void TerminalOutput::SetLook(const TerminalLook& look) {
    if (look_ == look) {
        return;
    }
    // Attributes can only be turned off all together, and a look not known is reset.
    const bool keeps_attributes =
        look_ && (look.bold || !look_->bold) && (look.reverse || !look_->reverse);
    TerminalLook now = TerminalLook{kColourNotKnown, kColourNotKnown, false, false};
    if (keeps_attributes) {
        now = *look_;
    } else {
        ResetAttributes();
    }
    if (look.bold && !now.bold) {
        Emit(bold_);
    }
    if (look.reverse && !now.reverse) {
        Emit(reverse_);
    }
    if (look.fg != TerminalLook::kNoColour && look.fg != now.fg) {
        Emit(tiparm(foreground_, look.fg));
    }
    if (look.bg != TerminalLook::kNoColour && look.bg != now.bg) {
        Emit(tiparm(background_, look.bg));
    }
    look_ = look;
}

void TerminalOutput::WriteCell(int row, int column, char32_t glyph, const TerminalLook& look) {
    const TerminalGlyph& shown = charset_.Glyph(glyph);
    MoveTo(row, column);
    // With automatic margins, the bottom-right cell scrolls the screen on terminals that
    // wrap at once; there it is written with the margins off, or not at all.
    const bool corner = row == LINES - 1 && column == COLS - 1;
    const bool wraps_at_once = auto_margins_ && !margin_glitch_;
    const bool margins_switchable = margins_off_ != nullptr && margins_on_ != nullptr;
    if (corner && wraps_at_once && !margins_switchable) {
        return;
    }
    SetLook(look);
    UseLineDrawing(shown.line_drawing);
    if (corner && wraps_at_once) {
        Emit(margins_off_);
    }
    frame_ += shown.bytes;
    if (corner && wraps_at_once) {
        Emit(margins_on_);
    }
    if (column == COLS - 1) {
        cursor_row_ = -1;
        cursor_column_ = -1;
    } else {
        cursor_column_ = column + 1;
    }
}

std::optional<std::string> TerminalOutput::BytesInPlace(char32_t glyph) {
    const TerminalGlyph& shown = charset_.Glyph(glyph);
    if (line_drawing_ != shown.line_drawing) {
        return std::nullopt;
    }
    return shown.bytes;
}

// Curses takes the reset of the attributes to end the alternate set too, as VT100-class
// terminals' own resets do.
void TerminalOutput::ResetAttributes() {
    Emit(reset_attributes_);
    if (reset_attributes_ != nullptr) {
        line_drawing_ = false;
    }
}

void TerminalOutput::UseLineDrawing(bool on) {
    if (line_drawing_ == on) {
        return;
    }
    Emit(on ? line_drawing_on_ : line_drawing_off_);
    line_drawing_ = on;
}

void TerminalOutput::ShowCursor(int visibility) {
    if (visibility == visibility_) {
        return;
    }
    if (visibility == 0) {
        Emit(cursor_invisible_);
    } else {
        // Some terminals' "very visible" only changes a visible cursor's look.
        Emit(cursor_normal_);
        if (visibility == 2) {
            Emit(cursor_very_visible_);
        }
    }
    visibility_ = visibility;
}

void TerminalOutput::ShapeCursor(bool block) {
    if (!can_shape_cursor_ || block == block_cursor_) {
        return;
    }
    Emit(tiparm(cursor_shape_, block ? kSteadyBlockCursor : kDefaultCursorShape));
    block_cursor_ = block;
}

void TerminalOutput::Send() {
    WriteAll(frame_);
    frame_.clear();
}

void TerminalOutput::SendAside(std::string_view bytes) {
    WriteAll(bytes);
}

void TerminalOutput::Emit(const char* capability) {
    if (capability == nullptr) {
        return;
    }
    bytes_being_composed = &frame_;
    tputs(capability, 1, AppendByte);
    bytes_being_composed = nullptr;
}

}  // namespace tavix::console
