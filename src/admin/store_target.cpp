#include "store_target.hpp"

#include <CLI/CLI.hpp>
#include <optional>
#include <stdexcept>

#include "store/chosen_database_target.hpp"
#include "store/database_target.hpp"
#include "store/running_executable.hpp"
#include "store/settings_file.hpp"
#include "store/store_error.hpp"
#include "usage_words.hpp"

namespace tavix::admin {

namespace {

// The settings file's problems and a program that does not know its own folder end the
// command as a store that cannot be opened does: the message, status 1.
std::string ExecutablePathOrFailure() {
    try {
        return store::RunningExecutablePath();
    } catch (const std::runtime_error& error) {
        throw store::StoreError(
            std::string("no store named (give TARGET, set ") + store::kDatabaseVariable +
            ", or set 'database' in " + store::SettingsFilePath() + "), and no " +
            store::kDefaultDatabaseFile + " beside tavix-admin: " + error.what());
    }
}

}  // namespace

void AddTargetArgument(CLI::App& command, std::string& target) {
    command
        .add_option("TARGET", target, "The readings database file or PostgreSQL URI (see below)")
        ->type_name("")
        ->check(NotEmpty("store"));
}

std::string StoreTarget(const std::string& given) {
    try {
        return store::ChooseDatabaseTarget(given.empty() ? std::nullopt : std::optional(given),
                                           "TARGET", ExecutablePathOrFailure)
            .target;
    } catch (const store::SettingsError& error) {
        throw store::StoreError(error.what());
    }
}

}  // namespace tavix::admin
