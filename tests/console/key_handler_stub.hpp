#pragma once

#include <functional>
#include <vector>

#include "console/key_events.hpp"

namespace tavix::console {

// A key-event receiver whose handlers are lambdas; records every event it saw.
struct KeyHandlerStub : KeyEvents {
    using Handler = std::function<void(KeyCode&, KeyAction&, std::int32_t)>;
    Handler field, list, menu;
    std::vector<std::pair<KeyCode, std::int32_t>> seen;

    void FieldKey(KeyCode& key, KeyAction& action, std::int32_t id) override {
        Dispatch(field, key, action, id);
    }
    void ListKey(KeyCode& key, KeyAction& action, std::int32_t id) override {
        Dispatch(list, key, action, id);
    }
    void MenuKey(KeyCode& key, KeyAction& action, std::int32_t id) override {
        Dispatch(menu, key, action, id);
    }

  private:
    void Dispatch(Handler& handler, KeyCode& key, KeyAction& action, std::int32_t id) {
        seen.emplace_back(key, id);
        if (handler) {
            handler(key, action, id);
        }
    }
};

}  // namespace tavix::console
