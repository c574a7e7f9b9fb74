#include "archive/menu_key.hpp"

#include <array>

#include "archive/field_menu.hpp"
#include "screen_helpers/shared_state.hpp"

namespace tavix::archive {

namespace {

using console::KeyAction;
namespace keys = console::keys;

struct HotLetter {
    char capital;
    int item;
};

// Tried in this order; the first match wins.
constexpr std::array<HotLetter, 5> kHotLetters = {{
    {'C', kCodeItem},
    {'Q', kQuantityItem},
    {'T', kTerminalItem},
    {'D', kDateItem},
    {'O', kTimeItem},
}};

constexpr int kSmallLetterOffset = 'a' - 'A';

// The label item whose letter the key is, in either case; 0 for any other key.
int ItemOfLetter(console::KeyCode key) {
    for (const HotLetter& letter : kHotLetters) {
        if (key == letter.capital || key == letter.capital + kSmallLetterOffset) {
            return letter.item;
        }
    }
    return 0;
}

}  // namespace

void MenuKey(console::KeyCode& key, console::KeyAction& action, std::int32_t menu_id) {
    if (menu_id != kBrowserMenu) {
        return;
    }
    action = KeyAction::kConsole;
    if (const int item = ItemOfLetter(key); item != 0) {
        screen_helpers::Console().MenuIndex = item;
        action = KeyAction::kAccept;
        return;
    }
    switch (key) {
        case keys::kEnter:
            action = KeyAction::kAccept;
            break;
        case keys::kLeft:
        case keys::kRight:
        case keys::kBackspace:
        case keys::kF3:
            // Ends the menu; the browser reads the key from LastKey.
            action = KeyAction::kEndNotAccepted;
            break;
        default:
            break;
    }
}

}  // namespace tavix::archive
