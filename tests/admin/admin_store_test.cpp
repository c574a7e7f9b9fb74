#include "admin_store_test.hpp"

#include <filesystem>

#include "support/sqlite_file.hpp"

namespace tavix::testing {

StoreFixture::StoreFixture(StoreKind kind)
    : store_(MakeTestStore(kind, dir_)), path_(store_->Target()) {}

AdminResult StoreFixture::Admin(const std::vector<std::string>& arguments,
                                const AdminSetup& setup) {
    AdminResult result = RunAdmin(arguments, setup);
    const std::string secret = store_->Secret();
    if (!secret.empty()) {
        EXPECT_EQ(result.out.find(secret), std::string::npos) << result.out;
        EXPECT_EQ(result.err.find(secret), std::string::npos) << result.err;
    }
    return result;
}

std::string StoreFixture::Export(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "export");
    arguments.push_back(path_);
    const AdminResult result = Admin(arguments);
    EXPECT_EQ(result.exit_status, 0) << result.err;
    return result.out;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace tavix::testing
