#pragma once

#include <cstdint>

#include "key_codes.hpp"

namespace tavix::console {

// What a key-event handler tells the running line editor, menu or pick list to do.
enum class KeyAction : int {
    kConsole = 0,         // the console handles the (possibly replaced) key itself
    kValueChanged = 2,    // the handler changed FieldValue: show it and go on editing
    kAccept = 3,          // end the call as accepted (it returns true)
    kEndNotAccepted = 5,  // end the call as not accepted (it returns false); the key is in LastKey
};

// A screen's key handler: while it is installed (KeyHandlerScope), it receives every key of a
// running EditField, ListBox or Menu before the console acts on it. The identifier is the
// third argument of that call. A handler may run whole screens on the same console (nested
// menus, editors, dialogs); the interrupted call then ends or goes on as the action says.
// A handler overrides the events of the widgets its screen runs; the others leave every key
// to the console.
class KeyEvents {
  public:
    virtual ~KeyEvents() = default;
    virtual void FieldKey(KeyCode& /*key*/, KeyAction& /*action*/, std::int32_t /*field_id*/) {}
    virtual void ListKey(KeyCode& /*key*/, KeyAction& /*action*/, std::int32_t /*list_id*/) {}
    virtual void MenuKey(KeyCode& /*key*/, KeyAction& /*action*/, std::int32_t /*menu_id*/) {}
};

}  // namespace tavix::console
