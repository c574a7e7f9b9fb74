#include "demo/info_screen.hpp"

#include <cstdint>

#include "console/dispatch_ids.hpp"
#include "screen_helpers/shared_state.hpp"
#include "screen_helpers/text_layout.hpp"

namespace tavix::demo {
namespace {

// The box fills the inside of the outer frame; the text is wrapped to the box's width.
constexpr int kBoxColumn = 2;
constexpr int kBoxRow = 2;
constexpr int kBoxWidth = 21;
constexpr int kBoxHeight = 17;
constexpr int kBoxSetting39 = 0;
constexpr std::int32_t kBoxMode = 1;

// The first two pieces end with a space so that the sentences run on without a gap.
constexpr const char* kAboutFirst =
    "Questo applicativo e' scritto utilizzando Kalviro e Visual Basic. ";
constexpr const char* kAboutSecond =
    "Puo' essere liberamente utilizzato e distribuito, al solo fine di ";
constexpr const char* kAboutThird = "visualizzare e provare le caratteristiche del pacchetto.";
// Two carriage returns: one ends the paragraph's last row, the other leaves an empty row.
constexpr const char* kParagraphBreak = "\r\r";
constexpr const char* kLeaveHint = "Premere ESC per continuare.";

}  // namespace

std::string InfoText() {
    return std::string(kAboutFirst) + kAboutSecond + kAboutThird + kParagraphBreak + kLeaveHint;
}

// Nothing is saved or restored: Main clears the area after the box.
void ShowInfoScreen() {
    console::TextConsole& console = screen_helpers::Console();
    console.TextBoxText = screen_helpers::WrapText(InfoText(), kBoxWidth);
    console.Put(console::DispatchId::kTextBoxSetting39, kBoxSetting39);
    console.TextBoxWidth = kBoxWidth;
    console.TextBoxHeight = kBoxHeight;
    console.TextBox(kBoxColumn, kBoxRow, kBoxMode);
}

}  // namespace tavix::demo
