// tavix-admin: maintenance of the readings database outside the program.
//   tavix-admin init PATH   creates an empty readings database at PATH

#include <iostream>
#include <string_view>

#include "store/database.hpp"
#include "store/store_error.hpp"

namespace {

constexpr int kFailure = 1;
constexpr int kUsageError = 2;

int PrintUsage() {
    std::cerr << "usage: tavix-admin init PATH\n"
                 "  init PATH   create an empty readings database at PATH;\n"
                 "              nothing that already exists there is overwritten\n";
    return kUsageError;
}

int Init(const std::string& path) {
    try {
        tavix::store::CreateReadingsDatabase(path);
    } catch (const tavix::store::StoreError& error) {
        std::cerr << "tavix-admin: " << error.what() << '\n';
        return kFailure;
    }
    std::cout << "Created an empty readings database: " << path << '\n';
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::string_view(argv[1]) != "init" || std::string_view(argv[2]).empty()) {
        return PrintUsage();
    }
    return Init(argv[2]);
}
