#include <algorithm>

#include "line_editor.hpp"
#include "text_console.hpp"

namespace tavix::console {

namespace {

// The part of a long text that the field's cells show: it follows the cursor sideways. A
// text that fits the field is always shown whole, from its first character; when it fills
// the field exactly, the cursor at its end rests on the last character.
class FieldView {
  public:
    FieldView(int x, int y, int width) : x_(x), y_(y), width_(width) {}

    void FollowCursor(int cursor, int text_length) {
        if (text_length <= width_) {
            first_ = 0;
        } else if (cursor < first_) {
            first_ = cursor;
        } else if (cursor >= first_ + width_) {
            first_ = cursor - width_ + 1;
        }
    }

    void Draw(CellGrid& grid, const std::string& text, const Cell& colours) const {
        const std::string shown = first_ < static_cast<int>(text.size())
                                      ? text.substr(static_cast<size_t>(first_))
                                      : std::string();
        grid.Fill(Rect{x_, y_, x_ + width_ - 1, y_}, colours);
        WriteText(grid, x_, y_, shown, colours, x_ + width_ - 1);
    }

    CursorState CursorAt(int cursor, bool overwrite) const {
        const int column = std::min(cursor - first_, width_ - 1);
        return CursorState{width_ > 0, overwrite, x_ + column, y_};
    }

  private:
    int x_;
    int y_;
    int width_;
    int first_ = 0;
};

}  // namespace

bool TextConsole::EditField(int x, int y, std::int32_t field_id) {
    TellWidgetStarts("EditField");
    const int length = FieldLength > 0 ? FieldLength : FieldWidth;
    const int width = FieldWidth > 0 ? FieldWidth : length;
    LineEditor editor(FieldValue, PictureOf(FieldPicture), length);
    FieldView view(x, y, std::max(width, 0));
    const Cell colours = SlotCell(DispatchId::kEditorText, DispatchId::kEditorBack);

    auto show = [&] {
        view.FollowCursor(editor.Cursor(), static_cast<int>(editor.Text().size()));
        view.Draw(grid_, editor.Text(), colours);
    };
    auto finish = [&](bool accepted) {
        FieldValue = editor.Text();
        show();
        ClearEditorCursor();
        return accepted;
    };

    for (;;) {
        show();
        SetEditorCursor(view.CursorAt(editor.Cursor(), editor.Overwrite()));
        KeyCode key = 0;
        const KeyAction action =
            ReadWidgetKey(key, [&](KeyEvents& handler, KeyCode& handed, KeyAction& told) {
                // The handler reads the text as it stands and may run whole screens: those
                // must not see this field's cursor.
                FieldValue = editor.Text();
                ClearEditorCursor();
                handler.FieldKey(handed, told, field_id);
            });
        switch (action) {
            case KeyAction::kValueChanged:
                editor.Replace(FieldValue);
                break;
            case KeyAction::kAccept:
                return finish(true);
            case KeyAction::kEndNotAccepted:
                return finish(false);
            case KeyAction::kConsole:
                if (key == keys::kEnter) {
                    return finish(true);
                }
                if (key == keys::kEsc) {
                    return finish(false);
                }
                editor.Apply(key);
                break;
        }
    }
}

}  // namespace tavix::console
