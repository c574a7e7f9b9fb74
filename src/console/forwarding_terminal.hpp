#pragma once

#include "terminal.hpp"

namespace tavix::console {

// A terminal that hands every call to another one. The console owns its terminal; this lets
// a test or a benchmark keep the terminal it drives (and read it afterwards) while the
// program creates and drops consoles of its own.
class ForwardingTerminal : public Terminal {
  public:
    explicit ForwardingTerminal(Terminal& target) : target_(target) {}

    void Attach() override { target_.Attach(); }
    void Detach() override { target_.Detach(); }
    void SetTitle(const std::string& title) override { target_.SetTitle(title); }
    TerminalSize Size() const override { return target_.Size(); }
    void Present(const CellGrid& grid, const CursorState& cursor) override {
        target_.Present(grid, cursor);
    }
    KeyCode ReadKey() override { return target_.ReadKey(); }
    bool KeyWaiting() override { return target_.KeyWaiting(); }
    void DiscardTypeAhead() override { target_.DiscardTypeAhead(); }

  private:
    Terminal& target_;
};

}  // namespace tavix::console
