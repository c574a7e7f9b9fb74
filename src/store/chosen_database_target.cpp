#include "store/chosen_database_target.hpp"

#include <cstdlib>
#include <filesystem>

#include "store/database_target.hpp"
#include "store/settings_file.hpp"

namespace tavix::store {

ChosenTarget ChooseDatabaseTarget(const std::optional<std::string>& given,
                                  const std::string& given_origin,
                                  const std::function<std::string()>& executable_path) {
    if (given) {
        return {*given, given_origin};
    }
    const char* from_environment = std::getenv(kDatabaseVariable);
    if (from_environment != nullptr && *from_environment != '\0') {
        return {from_environment, kDatabaseVariable};
    }
    if (std::optional<Setting> setting = ReadDatabaseSetting(SettingsFilePath())) {
        return {std::move(setting->value), std::move(setting->origin)};
    }
    const std::filesystem::path executable(executable_path());
    return {(executable.parent_path() / kDefaultDatabaseFile).string(), ""};
}

}  // namespace tavix::store
