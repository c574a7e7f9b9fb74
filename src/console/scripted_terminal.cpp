#include "scripted_terminal.hpp"

namespace tavix::console {

ScriptedTerminal::ScriptedTerminal(int columns, int rows) : size_{columns, rows} {}

ScriptedTerminal& ScriptedTerminal::Keys(std::initializer_list<KeyCode> keys) {
    for (KeyCode key : keys) {
        script_.emplace_back(key);
    }
    return *this;
}

ScriptedTerminal& ScriptedTerminal::Key(KeyCode key) {
    script_.emplace_back(key);
    return *this;
}

ScriptedTerminal& ScriptedTerminal::Text(const std::string& text) {
    for (char c : text) {
        script_.emplace_back(static_cast<KeyCode>(static_cast<unsigned char>(c)));
    }
    return *this;
}

ScriptedTerminal& ScriptedTerminal::Then(Check check) {
    script_.emplace_back(std::move(check));
    return *this;
}

void ScriptedTerminal::Attach() {
    attached_ = true;
    ++attach_count_;
}

void ScriptedTerminal::Detach() {
    attached_ = false;
    ++detach_count_;
}

void ScriptedTerminal::Present(const CellGrid& grid, const CursorState& cursor) {
    screen_ = grid;
    cursor_ = cursor;
    ++presents_;
}

KeyCode ScriptedTerminal::ReadKey() {
    for (;;) {
        if (script_.empty()) {
            throw ScriptExhausted{};
        }
        auto next = std::move(script_.front());
        script_.pop_front();
        if (auto* key = std::get_if<KeyCode>(&next)) {
            return *key;
        }
        std::get<Check>(next)();
    }
}

bool ScriptedTerminal::KeyWaiting() {
    return typed_ahead_ && !script_.empty() && std::holds_alternative<KeyCode>(script_.front());
}

size_t ScriptedTerminal::PendingKeys() const {
    size_t keys = 0;
    for (const auto& entry : script_) {
        keys += std::holds_alternative<KeyCode>(entry) ? 1 : 0;
    }
    return keys;
}

}  // namespace tavix::console
