#include "store/postgres/valid_utf8.hpp"

#include "text/utf8.hpp"

namespace tavix::store::postgres {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

// The bytes of text that stand for one character from at on, or 0 for a byte that stands for
// none (not UTF-8, or a NUL).
std::size_t CharacterLength(std::string_view text, std::size_t at) {
    return text[at] == '\0' ? 0 : text::Utf8SequenceLength(text, at);
}

}  // namespace

bool IsStorableUtf8(std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = CharacterLength(text, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

std::string WithReplacementCharacters(std::string_view text) {
    std::string repaired;
    repaired.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = CharacterLength(text, at);
        if (length == 0) {
            repaired += kReplacementCharacter;
            ++at;
        } else {
            repaired.append(text, at, length);
            at += length;
        }
    }
    return repaired;
}

}  // namespace tavix::store::postgres
