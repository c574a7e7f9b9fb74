#include "acquisition/field_key.hpp"

#include "acquisition/readings_list.hpp"
#include "archive/archive_browser.hpp"
#include "screen_helpers/shared_state.hpp"

namespace tavix::acquisition {

void FieldKey(console::KeyCode& key, console::KeyAction& action, std::int32_t field_id) {
    namespace keys = console::keys;
    using console::KeyAction;
    if (field_id != kCodeField && field_id != kQuantityField) {
        return;
    }
    action = KeyAction::kConsole;
    switch (key) {
        case keys::kF1:
            screen_helpers::Console().FieldValue.clear();
            action = KeyAction::kValueChanged;
            break;
        case keys::kF3:
            archive::ArchiveBrowser();
            action = KeyAction::kEndNotAccepted;
            break;
        case keys::kF5:
            ShowReadingsList();
            action = KeyAction::kEndNotAccepted;
            break;
        case keys::kDown:
            key = keys::kEnter;
            break;
        case keys::kUp:
            // In the code field Up stays the editor's own key.
            if (field_id == kQuantityField) {
                action = KeyAction::kAccept;
            }
            break;
        default:
            break;
    }
}

}  // namespace tavix::acquisition
