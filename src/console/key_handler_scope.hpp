#pragma once

#include <cstdint>

#include "key_events.hpp"
#include "text_console.hpp"

namespace tavix::console {

// Installs a screen's key handler for as long as the scope lives, and puts back whatever was
// installed before on every way out, an exception included. A null handler installs none.
class KeyHandlerScope {
  public:
    KeyHandlerScope(TextConsole& console, KeyEvents* handler)
        : console_(console), previous_(console.Events()) {
        console_.SetKeyEvents(handler);
    }
    KeyHandlerScope(TextConsole& console, KeyEvents& handler)
        : KeyHandlerScope(console, &handler) {}
    ~KeyHandlerScope() { console_.SetKeyEvents(previous_); }
    KeyHandlerScope(const KeyHandlerScope&) = delete;
    KeyHandlerScope& operator=(const KeyHandlerScope&) = delete;

  private:
    TextConsole& console_;
    KeyEvents* previous_;
};

// The handler of a screen that runs one kind of widget: one function for that widget's keys;
// the keys of any other kind are left to the console.
class WidgetKeys : public KeyEvents {
  public:
    enum class Widget { kField, kList, kMenu };
    using Function = void (*)(KeyCode& key, KeyAction& action, std::int32_t id);

    WidgetKeys(Widget widget, Function function) : widget_(widget), function_(function) {}

    void FieldKey(KeyCode& key, KeyAction& action, std::int32_t id) override {
        Deliver(Widget::kField, key, action, id);
    }
    void ListKey(KeyCode& key, KeyAction& action, std::int32_t id) override {
        Deliver(Widget::kList, key, action, id);
    }
    void MenuKey(KeyCode& key, KeyAction& action, std::int32_t id) override {
        Deliver(Widget::kMenu, key, action, id);
    }

  private:
    void Deliver(Widget widget, KeyCode& key, KeyAction& action, std::int32_t id) {
        if (widget == widget_) {
            function_(key, action, id);
        }
    }

    Widget widget_;
    Function function_;
};

}  // namespace tavix::console
