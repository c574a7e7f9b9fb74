#include "program/database_target.hpp"

#include <filesystem>
#include <system_error>

#include "store/database_target.hpp"

namespace tavix::program {

namespace {

namespace fs = std::filesystem;

std::string Quoted(const fs::path& path) {
    std::string quoted = "'";
    quoted += path.string();
    return quoted += "'";
}

std::optional<std::string> UnusableFolderReason(const fs::path& folder) {
    std::error_code error;
    const fs::file_status status = fs::status(folder, error);
    if (status.type() == fs::file_type::not_found) {
        return "the folder " + Quoted(folder) + " does not exist";
    }
    if (error) {
        return "the folder " + Quoted(folder) + " cannot be reached: " + error.message();
    }
    if (!fs::is_directory(status)) {
        return Quoted(folder) + " is not a folder";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> UnusableTargetReason(const std::string& target) {
    if (store::IsPostgresTarget(target)) {
        return std::nullopt;
    }
    if (target.empty()) {
        return "an empty path names no database file";
    }
    const fs::path path(target);
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (fs::is_directory(status)) {
        return Quoted(path) + " is a folder, not a database file";
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        return Quoted(path) + " is not a regular file";
    }
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    if (const auto reason = UnusableFolderReason(folder)) {
        return reason;
    }
    if (error && status.type() != fs::file_type::not_found) {
        return Quoted(path) + " cannot be reached: " + error.message();
    }
    return std::nullopt;
}

std::optional<std::string> UnusableSpoolReason(const std::string& path) {
    if (path.empty()) {
        return "an empty path names no file";
    }
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (fs::is_directory(status)) {
        return Quoted(path) + " is a folder, not a spool file";
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        return Quoted(path) + " is not a regular file";
    }
    return std::nullopt;
}

}  // namespace tavix::program
