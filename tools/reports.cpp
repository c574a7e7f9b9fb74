#include <iostream>

#include "admin_command.hpp"

namespace tavix::admin {

int ReportFailure(std::string_view message) {
    std::cerr << "tavix-admin: " << message << '\n';
    return kFailure;
}

int ReportUsageError(std::string_view message, const std::vector<std::string>& synopses) {
    std::cerr << "tavix-admin: " << message << '\n';
    const char* lead = "usage: ";
    for (const std::string& synopsis : synopses) {
        std::cerr << lead << synopsis << '\n';
        lead = "       ";
    }
    std::cerr << "Try 'tavix-admin --help' for more.\n";
    return kUsageError;
}

}  // namespace tavix::admin
