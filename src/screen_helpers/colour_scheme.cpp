#include "screen_helpers/colour_scheme.hpp"

#include <array>
#include <utility>

#include "console/colours.hpp"
#include "screen_helpers/shared_state.hpp"

namespace tavix::screen_helpers {

namespace {

using console::DispatchId;
namespace c = console::colours;

// In the order they are put; the order is part of the scheme.
constexpr std::array<std::pair<DispatchId, int>, 25> kScheme = {{
    {DispatchId::kTextColor, c::kYellow},
    {DispatchId::kBackColor, c::kBlue},
    {DispatchId::kListText, c::kLightGray},
    {DispatchId::kEditorText, c::kWhite},
    {DispatchId::kEditorBack, c::kBlack},
    {DispatchId::kListBack, c::kBlue},
    {DispatchId::kListBarText, c::kBlue},
    {DispatchId::kListBarBack, c::kLightGray},
    {DispatchId::kShadowBack, c::kBlack},
    {DispatchId::kShadowText, c::kLightGray},
    {DispatchId::kButtonText, c::kYellow},
    {DispatchId::kButtonBack, c::kBlue},
    {DispatchId::kDialogBack, c::kRed},
    {DispatchId::kDialogText, c::kWhite},
    {DispatchId::kSelectedButtonBack, c::kYellow},
    {DispatchId::kSelectedButtonText, c::kBlack},
    {DispatchId::kDialogFrame, c::kYellow},
    {DispatchId::kMenuHotLetter, c::kLightRed},
    {DispatchId::kMenuDisabledText, c::kLightGray},
    {DispatchId::kMenuBarText, c::kBlack},
    {DispatchId::kMenuBarBack, c::kLightGray},
    {DispatchId::kMenuText, c::kYellow},
    {DispatchId::kMenuBack, c::kBlue},
    {DispatchId::kListFrame, c::kYellow},
    {DispatchId::kListTitleColour, c::kYellow},
}};

}  // namespace

void ApplyColourScheme() {
    console::TextConsole& console = Console();
    for (const auto& [id, colour] : kScheme) {
        console.Put(id, colour);
    }
}

}  // namespace tavix::screen_helpers
