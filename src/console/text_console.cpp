#include "text_console.hpp"

#include <algorithm>
#include <stdexcept>

#include "code_page.hpp"
#include "key_handler_scope.hpp"
#include "saved_area.hpp"
#include "setting_table.hpp"

namespace tavix::console {

namespace {

// Far beyond any terminal, small enough that a mistaken size cannot exhaust memory.
constexpr int kMaxConsoleSide = 1000;

constexpr int kDoubleLineStyle = 2;

[[noreturn]] void WrongKind(DispatchId id) {
    throw std::invalid_argument("dispatch id " + std::to_string(static_cast<int>(id)) +
                                " takes another kind of value");
}

const SettingInfo& RequireSetting(DispatchId id) {
    const SettingInfo* info = FindSetting(id);
    if (info == nullptr) {
        throw std::invalid_argument("the console has no setting with dispatch id " +
                                    std::to_string(static_cast<int>(id)));
    }
    return *info;
}

}  // namespace

TextConsole::TextConsole(std::unique_ptr<Terminal> terminal) : terminal_(std::move(terminal)) {
    if (!terminal_) {
        throw std::invalid_argument("a console needs a terminal");
    }
}

TextConsole::~TextConsole() {
    if (attached_) {
        try {
            terminal_->Detach();
        } catch (...) {
            // The terminal is gone; there is nothing left to give back.
        }
    }
}

// ---- Life ----

void TextConsole::Attach(std::int32_t /*mode*/) {
    if (attached_) {
        return;
    }
    terminal_->Attach();
    attached_ = true;
    const TerminalSize size = terminal_->Size();
    grid_.Resize(std::clamp(size.columns, 1, kMaxConsoleSide),
                 std::clamp(size.rows, 1, kMaxConsoleSide), TextCell());
}

void TextConsole::Title(const std::string& text) {
    terminal_->SetTitle(text);
}

void TextConsole::Activate() {
    terminal_->Present(grid_, CurrentCursor());
}

void TextConsole::Resize(int columns, int rows) {
    if (columns < 1 || rows < 1 || columns > kMaxConsoleSide || rows > kMaxConsoleSide) {
        throw std::invalid_argument("a console of " + std::to_string(columns) + " x " +
                                    std::to_string(rows) + " cells cannot be made");
    }
    grid_.Resize(columns, rows, TextCell());
}

void TextConsole::Detach() {
    if (!attached_) {
        return;
    }
    attached_ = false;
    terminal_->Detach();
}

// ---- Saving ----

std::string TextConsole::SaveState() const {
    return EncodeSettings(*this);
}

void TextConsole::RestoreState(const std::string& saved) {
    static_cast<ConsoleSettings&>(*this) = DecodeSettings(saved);
}

std::string TextConsole::SaveArea(int x1, int y1, int x2, int y2) const {
    return EncodeArea(grid_, Rect{x1, y1, x2, y2});
}

void TextConsole::RestoreArea(int x1, int y1, int x2, int y2, const std::string& saved) {
    RestoreEncodedArea(grid_, Rect{x1, y1, x2, y2}, saved);
}

// ---- Drawing ----

Cell TextConsole::TextCell(char32_t glyph) const {
    return Cell{glyph, PaletteColour(TextColor), PaletteColour(BackColor)};
}

void TextConsole::Clear() {
    grid_.Fill(grid_.Bounds(), TextCell());
}

void TextConsole::ClearArea(int x1, int y1, int x2, int y2) {
    grid_.Fill(Rect{x1, y1, x2, y2}, TextCell());
}

void TextConsole::PrintAt(int x, int y, const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        grid_.Set(x + static_cast<int>(i), y,
                  TextCell(GlyphOfByte(static_cast<unsigned char>(text[i]))));
    }
}

void TextConsole::Print(const std::string& text) {
    PrintAt(CursorX, CursorY, text);
    CursorX += static_cast<int>(text.size());
}

Cell TextConsole::SlotCell(DispatchId text, DispatchId back) const {
    return Cell{U' ', SlotColour(text), SlotColour(back)};
}

LineStyle TextConsole::FrameLineStyle() const {
    return IntSetting(DispatchId::kFrameStyle) == kDoubleLineStyle ? LineStyle::kDouble
                                                                   : LineStyle::kSingle;
}

void TextConsole::DrawFramed(const Rect& r, const Cell& frame, const Cell& inside) {
    DrawBox(grid_, r, FrameLineStyle(), frame, inside);
    if (Shadow) {
        CastShadow(grid_, r, ShadowCell());
    }
}

void TextConsole::DrawFrame(int x1, int y1, int x2, int y2) {
    DrawFramed(Rect{x1, y1, x2, y2}, TextCell(), TextCell());
}

// ---- Keys ----

CursorState TextConsole::CurrentCursor() const {
    if (editor_cursor_.visible) {
        return editor_cursor_;
    }
    return CursorState{CursorMode != 0, false, CursorX, CursorY};
}

KeyCode TextConsole::ReadKey() {
    // A key typed ahead is read without a frame: the screen is drawn once none is waiting,
    // so a burst never waits for frames nobody would see, and a key typed alone is shown
    // at once.
    if (!terminal_->KeyWaiting()) {
        terminal_->Present(grid_, CurrentCursor());
    }
    last_key_ = terminal_->ReadKey();
    return last_key_;
}

KeyAction TextConsole::ReadWidgetKey(KeyCode& key, const KeyDelivery& deliver) {
    key = ReadKey();
    KeyAction action = KeyAction::kConsole;
    if (events_ == nullptr) {
        return action;
    }
    KeyEvents& handler = *events_;
    {
        const KeyHandlerScope none(*this, nullptr);
        deliver(handler, key, action);
    }
    last_key_ = key;
    return action;
}

KeyCode TextConsole::GetKey() {
    return ReadKey();
}

void TextConsole::FlushKeys(int /*mode*/) {
    terminal_->DiscardTypeAhead();
}

// ---- Settings by dispatch id ----

void TextConsole::Put(DispatchId id, int value) {
    const SettingInfo& info = RequireSetting(id);
    if (info.kind != SettingKind::kNumber) {
        WrongKind(id);
    }
    if (info.number_member != nullptr) {
        this->*info.number_member = value;
    } else {
        by_id[id] = value;
    }
    TellPut(id, value);
}

void TextConsole::Put(DispatchId id, bool value) {
    const SettingInfo& info = RequireSetting(id);
    if (info.kind != SettingKind::kBoolean) {
        WrongKind(id);
    }
    if (info.boolean_member != nullptr) {
        this->*info.boolean_member = value;
    } else {
        by_id[id] = value;
    }
    TellPut(id, value);
}

void TextConsole::Put(DispatchId id, const std::string& value) {
    const SettingInfo& info = RequireSetting(id);
    if (info.kind != SettingKind::kText) {
        WrongKind(id);
    }
    if (info.text_member != nullptr) {
        this->*info.text_member = value;
    } else {
        by_id[id] = value;
    }
    TellPut(id, value);
}

SettingValue TextConsole::Get(DispatchId id) const {
    const SettingInfo& info = RequireSetting(id);
    if (info.number_member != nullptr) {
        return this->*info.number_member;
    }
    if (info.boolean_member != nullptr) {
        return this->*info.boolean_member;
    }
    if (info.text_member != nullptr) {
        return this->*info.text_member;
    }
    const auto stored = by_id.find(id);
    return stored != by_id.end() ? stored->second : info.default_value;
}

int TextConsole::IntSetting(DispatchId id) const {
    const SettingValue value = Get(id);
    if (const int* number = std::get_if<int>(&value)) {
        return *number;
    }
    WrongKind(id);
}

bool TextConsole::BoolSetting(DispatchId id) const {
    const SettingValue value = Get(id);
    if (const bool* flag = std::get_if<bool>(&value)) {
        return *flag;
    }
    WrongKind(id);
}

Colour TextConsole::SlotColour(DispatchId id) const {
    return PaletteColour(IntSetting(id));
}

}  // namespace tavix::console
