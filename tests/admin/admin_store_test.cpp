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

std::vector<std::string> StoreFixture::CheckProblems() {
    const AdminResult result = Admin({"check", path_});
    EXPECT_EQ(result.exit_status, 1) << result.out << result.err;
    const std::string name = store_->Name();
    std::vector<std::string> problems;
    std::size_t start = 0;
    for (std::size_t end = result.out.find('\n'); end != std::string::npos;
         start = end + 1, end = result.out.find('\n', start)) {
        const std::string line = result.out.substr(start, end - start);
        EXPECT_EQ(line.rfind(name + ": ", 0), 0u) << line;
        problems.push_back(line.substr(name.size() + 2));
    }
    return problems;
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
