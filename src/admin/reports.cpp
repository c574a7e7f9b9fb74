#include <iostream>

#include "admin_command.hpp"
#include "diagnostics/password_mask.hpp"

namespace tavix::admin {

// A target the store does not take for a server's (a key=value connection text is read as a
// file's path) is repeated as it was given: its secrets are masked here, as the log masks them.
int ReportFailure(std::string_view message) {
    std::cerr << "tavix-admin: " << diagnostics::MaskPasswords(message) << '\n';
    return kFailure;
}

int ReportUsageError(std::string_view message, const std::vector<std::string>& synopses) {
    std::cerr << "tavix-admin: " << diagnostics::MaskPasswords(message) << '\n';
    const char* lead = "usage: ";
    for (const std::string& synopsis : synopses) {
        std::cerr << lead << synopsis << '\n';
        lead = "       ";
    }
    std::cerr << "Try 'tavix-admin --help' for more.\n";
    return kUsageError;
}

}  // namespace tavix::admin
