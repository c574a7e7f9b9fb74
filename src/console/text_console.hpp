#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "box_drawing.hpp"
#include "cell_grid.hpp"
#include "console_settings.hpp"
#include "key_events.hpp"
#include "terminal.hpp"

namespace tavix::console {

// Told, in order, of every setting put by dispatch id and of every widget as it starts. Most
// of what screens put by id the console only stores, so nothing on screen shows whether it
// was put: this is where a test sees it.
class PutObserver {
  public:
    virtual ~PutObserver() = default;
    virtual void SettingPut(DispatchId id, const SettingValue& value) = 0;
    virtual void WidgetStarts(std::string_view widget) = 0;
};

// The text console every screen draws on: a grid of cells shown on a terminal, the widgets
// that run on it (line editor, menu, dialog, pick list, text box, popups), saved areas and
// settings, and key reading. Positions are (column, row) from (1, 1); rectangles include
// their corners and are clipped to the console, never rejected.
//
// The properties (TextColor, MenuIndex, FieldValue, ...) are the public members inherited
// from ConsoleSettings. Settings without a member are put by dispatch id.
//
// Errors (a bad saved text, an unknown dispatch id, a widget that cannot run) are thrown as
// std::exception; TerminationRequested passes through every call that waits for a key.
class TextConsole : public ConsoleSettings {
  public:
    explicit TextConsole(std::unique_ptr<Terminal> terminal);
    ~TextConsole();
    TextConsole(const TextConsole&) = delete;
    TextConsole& operator=(const TextConsole&) = delete;

    // Who receives the key events of EditField, ListBox and Menu (may be null).
    void SetKeyEvents(KeyEvents* events) { events_ = events; }
    KeyEvents* Events() const { return events_; }
    // Who is told of the puts and widgets (may be null).
    void SetPutObserver(PutObserver* observer) { put_observer_ = observer; }

    // Life. Attach takes the terminal over and sizes the console like it; Detach gives it
    // back as it was.
    void Attach(std::int32_t mode);
    void Title(const std::string& text);
    void Activate();
    int Columns() const { return grid_.Columns(); }
    int Rows() const { return grid_.Rows(); }
    void Resize(int columns, int rows);
    void Detach();
    bool Attached() const { return attached_; }

    // Saving.
    std::string SaveState() const;
    void RestoreState(const std::string& saved);
    std::string SaveArea(int x1, int y1, int x2, int y2) const;
    void RestoreArea(int x1, int y1, int x2, int y2, const std::string& saved);

    // Drawing, in TextColor on BackColor.
    void Clear();
    void ClearArea(int x1, int y1, int x2, int y2);
    void DrawFrame(int x1, int y1, int x2, int y2);
    void PrintAt(int x, int y, const std::string& text);
    void Print(const std::string& text);

    // Keys.
    KeyCode GetKey();
    KeyCode LastKey() const { return last_key_; }
    void FlushKeys(int mode);

    // Popup and dialog.
    std::string ShowMessage(const std::string& text);
    void CloseMessage(const std::string& saved);
    bool MessageBox(std::int32_t mode);

    // Widgets that run until the user ends them.
    bool EditField(int x, int y, std::int32_t field_id);
    bool Menu(int x, int y, std::int32_t menu_id);
    bool ListBox(int x, int y, std::int32_t list_id);
    void TextBox(int x, int y, std::int32_t mode);

    // Settings by dispatch id. Putting an id the console does not have, or a value of the
    // wrong kind, throws std::invalid_argument.
    void Put(DispatchId id, int value);
    void Put(DispatchId id, bool value);
    void Put(DispatchId id, const std::string& value);
    void Put(DispatchId id, const char* value) { Put(id, std::string(value)); }
    SettingValue Get(DispatchId id) const;
    int IntSetting(DispatchId id) const;
    bool BoolSetting(DispatchId id) const;
    Colour SlotColour(DispatchId id) const;

    // For widgets and tests.
    const CellGrid& Cells() const { return grid_; }
    CellGrid& MutableCells() { return grid_; }
    Cell TextCell(char32_t glyph = U' ') const;
    Cell SlotCell(DispatchId text, DispatchId back) const;
    Cell ShadowCell() const { return SlotCell(DispatchId::kShadowText, DispatchId::kShadowBack); }
    LineStyle FrameLineStyle() const;
    // Draws a frame in the given colours with the console's line style and, when Shadow is
    // set, its shadow.
    void DrawFramed(const Rect& r, const Cell& frame, const Cell& inside);
    void SetEditorCursor(const CursorState& cursor) { editor_cursor_ = cursor; }
    void ClearEditorCursor() { editor_cursor_.visible = false; }

    // Shows the grid on the terminal, unless a key typed ahead is waiting, and waits for a
    // key; every widget reads keys here.
    KeyCode ReadKey();

    // One step of a widget's key loop: reads the next key into `key` and, when a handler is
    // installed, lets `deliver` hand it over (with whatever the widget shares with it before
    // and reads back after). While the handler runs none is installed, so a screen it runs
    // gets only the keys of the handler it installs itself. The action is the handler's, or
    // kConsole when there is none.
    using KeyDelivery = std::function<void(KeyEvents&, KeyCode&, KeyAction&)>;
    KeyAction ReadWidgetKey(KeyCode& key, const KeyDelivery& deliver);

  private:
    CursorState CurrentCursor() const;
    void TellPut(DispatchId id, const SettingValue& value) const {
        if (put_observer_ != nullptr) {
            put_observer_->SettingPut(id, value);
        }
    }
    void TellWidgetStarts(std::string_view widget) const {
        if (put_observer_ != nullptr) {
            put_observer_->WidgetStarts(widget);
        }
    }

    std::unique_ptr<Terminal> terminal_;
    KeyEvents* events_ = nullptr;
    PutObserver* put_observer_ = nullptr;
    CellGrid grid_;
    KeyCode last_key_ = 0;
    bool attached_ = false;
    CursorState editor_cursor_;
};

}  // namespace tavix::console
