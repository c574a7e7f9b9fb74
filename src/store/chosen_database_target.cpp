#include "store/chosen_database_target.hpp"

#include <cstdlib>
#include <filesystem>

#include "store/database_target.hpp"
#include "store/settings_file.hpp"

namespace tavix::store {

namespace {

// The value of a variable that is set and not empty.
std::optional<std::string> Variable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    return value;
}

// The first of `given`, the variable and the setting.
std::optional<ChosenTarget> FirstNamed(const std::optional<std::string>& given,
                                       const std::string& given_origin, const char* variable,
                                       std::optional<Setting> Settings::*setting) {
    if (given) {
        return ChosenTarget{*given, given_origin};
    }
    if (std::optional<std::string> value = Variable(variable)) {
        return ChosenTarget{std::move(*value), variable};
    }
    if (std::optional<Setting> found = ReadSettings(SettingsFilePath()).*setting) {
        return ChosenTarget{std::move(found->value), std::move(found->origin)};
    }
    return std::nullopt;
}

// The user's own folder for state that outlives a session, as the XDG base directories name
// it; a relative XDG_STATE_HOME is to be ignored.
std::optional<std::filesystem::path> UserStateFolder() {
    if (std::optional<std::string> state = Variable("XDG_STATE_HOME");
        state && state->starts_with('/')) {
        return std::filesystem::path(*state);
    }
    if (std::optional<std::string> home = Variable("HOME")) {
        return std::filesystem::path(*home) / ".local" / "state";
    }
    return std::nullopt;
}

}  // namespace

ChosenTarget ChooseDatabaseTarget(const std::optional<std::string>& given,
                                  const std::string& given_origin,
                                  const std::function<std::string()>& executable_path) {
    if (std::optional<ChosenTarget> named =
            FirstNamed(given, given_origin, kDatabaseVariable, &Settings::database)) {
        return std::move(*named);
    }
    const std::filesystem::path executable(executable_path());
    return {(executable.parent_path() / kDefaultDatabaseFile).string(), ""};
}

std::optional<ChosenTarget> ChooseForwardTarget(const std::optional<std::string>& given,
                                                const std::string& given_origin) {
    return FirstNamed(given, given_origin, kForwardVariable, &Settings::forward);
}

std::optional<ChosenTarget> ChooseSpoolPath(const std::optional<std::string>& given,
                                            const std::string& given_origin) {
    if (std::optional<ChosenTarget> named =
            FirstNamed(given, given_origin, kSpoolVariable, &Settings::spool)) {
        return named;
    }
    if (std::optional<std::filesystem::path> folder = UserStateFolder()) {
        return ChosenTarget{(*folder / "tavix" / "spool.mdb").string(), ""};
    }
    return std::nullopt;
}

}  // namespace tavix::store
