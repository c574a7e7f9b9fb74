#pragma once

#include <deque>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "terminal.hpp"

namespace tavix::console {

// Thrown when a screen waits for a key after the script has run out: a test that forgot a
// key fails at once instead of hanging. Not a std::exception, so no screen swallows it.
struct ScriptExhausted {};

// A terminal for tests: it hands out scripted keys, runs scripted checks between them, and
// keeps the last frame it was shown.
class ScriptedTerminal : public Terminal {
  public:
    using Check = std::function<void()>;

    explicit ScriptedTerminal(int columns = 80, int rows = 25);

    // Keys and checks run in the order they were added; a check runs when the program next
    // waits for a key, after the screen was shown.
    ScriptedTerminal& Keys(std::initializer_list<KeyCode> keys);
    ScriptedTerminal& Key(KeyCode key);
    ScriptedTerminal& Text(const std::string& text);  // one key per byte
    ScriptedTerminal& Then(Check check);
    // Keys scripted one after another are typed ahead, as a scanner types them: each waits
    // while the program handles the ones before, and the program draws no frame until a
    // check (or the end of the script) comes. By default every key is typed alone and gets
    // its frame.
    ScriptedTerminal& TypeAhead(bool typed_ahead = true) {
        typed_ahead_ = typed_ahead;
        return *this;
    }

    void Attach() override;
    void Detach() override;
    void SetTitle(const std::string& title) override { title_ = title; }
    TerminalSize Size() const override { return size_; }
    void Present(const CellGrid& grid, const CursorState& cursor) override;
    KeyCode ReadKey() override;
    bool KeyWaiting() override;
    void DiscardTypeAhead() override { ++discards_; }

    bool Attached() const { return attached_; }
    int AttachCount() const { return attach_count_; }
    int DetachCount() const { return detach_count_; }
    int DiscardCount() const { return discards_; }
    const std::string& Title() const { return title_; }
    const CellGrid& Screen() const { return screen_; }
    const CursorState& Cursor() const { return cursor_; }
    int Presents() const { return presents_; }
    size_t PendingKeys() const;

  private:
    std::deque<std::variant<KeyCode, Check>> script_;
    TerminalSize size_;
    bool attached_ = false;
    bool typed_ahead_ = false;
    int attach_count_ = 0;
    int detach_count_ = 0;
    int discards_ = 0;
    int presents_ = 0;
    std::string title_;
    CellGrid screen_;
    CursorState cursor_;
};

}  // namespace tavix::console
