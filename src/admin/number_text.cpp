#include "number_text.hpp"

#include <charconv>

namespace tavix::admin {

void AppendInteger(std::string& out, std::int64_t number) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, number);
    out.append(text, result.ptr);
}

}  // namespace tavix::admin
