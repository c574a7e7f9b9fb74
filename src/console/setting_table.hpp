#pragma once

#include "console_settings.hpp"

namespace tavix::console {

enum class SettingKind { kNumber, kBoolean, kText };

// One settable id: its kind, and either the member of ConsoleSettings that holds it or the
// value it has in ConsoleSettings::by_id before anything puts it.
struct SettingInfo {
    DispatchId id;
    SettingKind kind;
    int ConsoleSettings::*number_member = nullptr;
    bool ConsoleSettings::*boolean_member = nullptr;
    std::string ConsoleSettings::*text_member = nullptr;
    SettingValue default_value = 0;
};

// The entry for id, or null when the console has no setting with that dispatch id.
const SettingInfo* FindSetting(DispatchId id);

}  // namespace tavix::console
