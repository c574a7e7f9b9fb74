#include "count_text.hpp"

namespace tavix::admin {

std::string CountText(std::int64_t count, std::string_view noun) {
    std::string text = std::to_string(count);
    text += ' ';
    text += noun;
    if (count != 1) {
        text += 's';
    }
    return text;
}

}  // namespace tavix::admin
