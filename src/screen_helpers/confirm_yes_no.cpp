#include "screen_helpers/confirm_yes_no.hpp"

#include "console/saved_console_scope.hpp"
#include "screen_helpers/shared_state.hpp"

namespace tavix::screen_helpers {

namespace {

// The popup in dialog colours marks a question; the setting is back to normal at once, the
// popup stays.
constexpr int kQuestionPopupStyle = 2;

char UpperAnswer(console::KeyCode key) {
    if (key >= 'a' && key <= 'z') {
        return static_cast<char>(key - 32);
    }
    return key >= 0 && key < 128 ? static_cast<char>(key) : '\0';
}

}  // namespace

bool ConfirmYesNo(const std::string& prompt) {
    console::TextConsole& console = Console();
    std::string popup;
    {
        const console::SavedConsoleScope saved(console);
        console.Put(console::DispatchId::kPopupStyle, kQuestionPopupStyle);
        popup = console.ShowMessage(prompt + " (S/N)?");
    }
    char answer = '\0';
    while (answer != 'S' && answer != 'N') {
        answer = UpperAnswer(console.GetKey());
    }
    console.CloseMessage(popup);
    return answer == 'S';
}

}  // namespace tavix::screen_helpers
