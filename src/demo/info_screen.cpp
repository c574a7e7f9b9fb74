#include "demo/info_screen.hpp"

#include <cstdint>

#include "app/shared_state.hpp"
#include "app/text_layout.hpp"
#include "console/dispatch_ids.hpp"
#include "demo/info_text.hpp"

namespace tavix::demo {
namespace {

// The box fills the inside of the outer frame; the text is wrapped to the box's width.
constexpr int kBoxColumn = 2;
constexpr int kBoxRow = 2;
constexpr int kBoxWidth = 21;
constexpr int kBoxHeight = 17;
constexpr int kBoxSetting39 = 0;
constexpr std::int32_t kBoxMode = 1;

}  // namespace

// Nothing is saved or restored: Main clears the area after the box.
void ShowInfoScreen() {
    console::TextConsole& console = app::Console();
    console.TextBoxText = app::WrapText(InfoText(), kBoxWidth);
    console.Put(console::DispatchId::kTextBoxSetting39, kBoxSetting39);
    console.TextBoxWidth = kBoxWidth;
    console.TextBoxHeight = kBoxHeight;
    console.TextBox(kBoxColumn, kBoxRow, kBoxMode);
}

}  // namespace tavix::demo
