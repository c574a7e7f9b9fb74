#include "diagnostics/log_line.hpp"

#include <array>

#include "diagnostics/password_mask.hpp"

namespace tavix::diagnostics {

namespace {

bool IsControl(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

}  // namespace

std::string FailureText(std::string_view step, std::string_view reason) {
    std::string text = MaskPasswords(std::string(step) + ": " + std::string(reason));
    for (char& c : text) {
        if (IsControl(c)) {
            c = ' ';
        }
    }
    return text;
}

std::string FileLine(std::time_t when, int pid, std::string_view text) {
    std::tm local{};
    localtime_r(&when, &local);
    std::array<char, 32> time_text{};
    std::strftime(time_text.data(), time_text.size(), "%Y-%m-%d %H:%M:%S", &local);
    std::string line = time_text.data();
    line.append(" tavix[").append(std::to_string(pid)).append("]: ");
    line.append(text).push_back('\n');
    return line;
}

}  // namespace tavix::diagnostics
