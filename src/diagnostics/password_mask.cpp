#include "diagnostics/password_mask.hpp"

#include <algorithm>

#include "diagnostics/connection_text.hpp"

namespace tavix::diagnostics {

namespace {

// A URI written in a message ends where a space, a quote or an angle bracket around it starts.
bool EndsUri(char c) {
    return IsSpace(c) || c == '"' || c == '\'' || c == '<' || c == '>';
}

char CloserOf(char opener) {
    switch (opener) {
        case '"':
        case '\'':
            return opener;
        case '<':
            return '>';
        default:
            return '\0';
    }
}

// Every failure reads "TARGET: reason": a ':' that ends an unquoted value or URI just before a
// space is that separator, not the end of a password, so that a target masked once already
// keeps it ("...&password=***: cannot connect").
std::size_t BeforeSeparator(std::string_view text, std::size_t end) {
    const bool separator =
        end > 0 && end < text.size() && text[end - 1] == ':' && IsSpace(text[end]);
    return separator ? end - 1 : end;
}

// The URI that starts at `start`, as far as its passwords go. libpq takes a quote or an angle
// bracket in a password as it is, so this runs to the next space: then back to the last quote
// or bracket that closes the one before the URI, or else back past those that end it.
std::string_view UriWithItsPasswords(std::string_view text, std::size_t start) {
    const auto space =
        std::find_if(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(), IsSpace);
    std::string_view uri =
        text.substr(start, static_cast<std::size_t>(space - text.begin()) - start);
    const char closer = start > 0 ? CloserOf(text[start - 1]) : '\0';
    if (closer != '\0') {
        return uri.substr(0, uri.rfind(closer));
    }
    while (!uri.empty() && EndsUri(uri.back())) {
        uri.remove_suffix(1);
    }
    return uri.substr(0, BeforeSeparator(text, start + uri.size()) - start);
}

// Where the URI that starts at `start` ends for the text that follows it.
std::size_t UriEnd(std::string_view text, std::size_t start) {
    const auto end = std::find_if(
        text.begin() + static_cast<std::ptrdiff_t>(start + UriSchemeLength(text.substr(start))),
        text.end(), EndsUri);
    return static_cast<std::size_t>(end - text.begin());
}

}  // namespace

std::string MaskPasswords(std::string_view text) {
    std::vector<TextSpan> spans;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::string_view rest = text.substr(i);
        if (UriSchemeLength(rest) > 0) {
            for (const TextSpan& span : UriPasswords(UriWithItsPasswords(text, i))) {
                spans.push_back({i + span.start, span.length});
            }
            i = UriEnd(text, i);
            continue;
        }
        if (const std::size_t key_length = SecretKeyLength(rest); key_length > 0) {
            if (const auto value = ValueStart(text, i + key_length)) {
                const std::size_t read_end = ReadValue(text, *value).end;
                const bool quoted = *value < text.size() && text[*value] == '\'';
                const std::size_t end = quoted ? read_end : BeforeSeparator(text, read_end);
                spans.push_back({*value, end - *value});
                i = end;
                continue;
            }
        }
        ++i;
    }
    return Masked(text, spans);
}

}  // namespace tavix::diagnostics
