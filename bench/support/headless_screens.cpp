#include "headless_screens.hpp"

#include "console/dispatch_ids.hpp"
#include "console/forwarding_terminal.hpp"
#include "console/terminal.hpp"
#include "screen_helpers/colour_scheme.hpp"
#include "screen_helpers/main_form.hpp"
#include "screen_helpers/shared_state.hpp"
#include "store/database.hpp"

namespace tavix::bench {

namespace {

constexpr int kColumns = 24;
constexpr int kRows = 20;

}  // namespace

// Keeps each frame as the real terminal does (a copy of the grid), so a step costs what it
// costs on screen short of the terminal's own writing.
class HeadlessScreens::Terminal : public console::Terminal {
  public:
    explicit Terminal(KeySource keys) : keys_(std::move(keys)) {}
    void Attach() override {}
    void Detach() override {}
    void SetTitle(const std::string&) override {}
    console::TerminalSize Size() const override { return {80, 25}; }
    void Present(const console::CellGrid& grid, const console::CursorState&) override {
        shown_ = grid;
    }
    console::KeyCode ReadKey() override { return keys_(); }
    void DiscardTypeAhead() override {}

    const console::CellGrid& Shown() const { return shown_; }

  private:
    KeySource keys_;
    console::CellGrid shown_;
};

HeadlessScreens::HeadlessScreens(const std::string& readings_file, KeySource keys)
    : terminal_(std::make_unique<Terminal>(std::move(keys))) {
    screen_helpers::SetTerminalFactory(
        [this] { return std::make_unique<console::ForwardingTerminal>(*terminal_); });
    screen_helpers::DatabasePath = readings_file;
    screen_helpers::ReadingsDb.emplace(store::OpenDatabase(readings_file));
    screen_helpers::ReadingsSet.emplace(screen_helpers::ReadingsDb->OpenRecordset("Readings"));
    console::TextConsole& console = screen_helpers::Console();
    console.Attach(-1);
    console.Resize(kColumns, kRows);
    screen_helpers::ApplyColourScheme();
    console.Put(console::DispatchId::kPopupStyle, 0);
    console.Put(console::DispatchId::kSetting16, 0);
    console.Put(console::DispatchId::kFrameStyle, 2);
    console.Clear();
    console.DrawFrame(1, 1, kColumns - 1, kRows - 1);
}

HeadlessScreens::~HeadlessScreens() {
    screen_helpers::UnloadForms();
    screen_helpers::SetTerminalFactory(nullptr);
    screen_helpers::ReadingsSet.reset();
    screen_helpers::ReadingsDb.reset();
    screen_helpers::DatabasePath.clear();
}

const console::CellGrid& HeadlessScreens::Shown() const {
    return terminal_->Shown();
}

bool HeadlessScreens::Shows(const std::string& text) const {
    const console::CellGrid& grid = terminal_->Shown();
    for (int y = 1; y <= grid.Rows(); ++y) {
        if (grid.RowText(y).find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace tavix::bench
