#include "demo/key_names.hpp"

#include <algorithm>
#include <array>
#include <string_view>
#include <utility>

#include "console/key_codes.hpp"

namespace tavix::demo {
namespace {

namespace keys = console::keys;

constexpr std::string_view kNoName = "[ND]";

constexpr std::array<std::pair<int, std::string_view>, 45> kKeyNames{{
    {keys::kCtrlB, "K_CTRL_B"},
    {keys::kCtrlE, "K_CTRL_E"},
    {keys::kBackspace, "K_BACKSPACE"},
    {keys::kTab, "K_TAB"},
    {keys::kCtrlEnter, "K_CTRL_RETURN"},
    {keys::kCtrlL, "K_CTRL_L"},
    {keys::kEnter, "K_ENTER"},
    {keys::kCtrlN, "K_CTRL_N"},
    {keys::kCtrlS, "K_CTRL_S"},
    {keys::kCtrlW, "K_CTRL_W"},
    {keys::kCtrlY, "K_CTRL_Y"},
    {keys::kCtrlZ, "K_CTRL_Z"},
    {keys::kEsc, "K_ESC"},
    {keys::kSpace, "K_SPACE"},
    {keys::kShiftTab, "K_SHIFT_TAB"},
    {keys::kF1, "K_F1"},
    {keys::kF2, "K_F2"},
    {keys::kF3, "K_F3"},
    {keys::kF4, "K_F4"},
    {keys::kF5, "K_F5"},
    {keys::kF6, "K_F6"},
    {keys::kF7, "K_F7"},
    {keys::kF8, "K_F8"},
    {keys::kF9, "K_F9"},
    {keys::kF10, "K_F10"},
    {keys::kHome, "K_HOME"},
    {keys::kUp, "K_UP"},
    {keys::kPageUp, "K_PAG_UP"},
    {keys::kLeft, "K_LEFT"},
    {keys::kRight, "K_RIGHT"},
    {keys::kEnd, "K_END"},
    {keys::kDown, "K_DOWN"},
    {keys::kPageDown, "K_PAG_DW"},
    {keys::kInsert, "K_INSERT"},
    {keys::kDelete, "K_DELETE"},
    {keys::kCtrlLeft, "K_CTRL_LT"},
    {keys::kCtrlRight, "K_CTRL_RT"},
    {keys::kCtrlEnd, "K_CTRL_ED"},
    {keys::kCtrlPageDown, "K_CTRL_PD"},
    {keys::kCtrlHome, "K_CTRL_HM"},
    {keys::kCtrlPageUp, "K_CTRL_PU"},
    {keys::kF11, "K_F11"},
    {keys::kF12, "K_F12"},
    {keys::kCtrlUp, "K_CTRL_UP"},
    {keys::kCtrlDown, "K_CTRL_DW"},
}};

}  // namespace

std::string KeyName(int code) {
    const auto entry = std::find_if(kKeyNames.begin(), kKeyNames.end(),
                                    [code](const auto& pair) { return pair.first == code; });
    return std::string(entry == kKeyNames.end() ? kNoName : entry->second);
}

}  // namespace tavix::demo
