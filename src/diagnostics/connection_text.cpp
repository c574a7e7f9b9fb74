#include "diagnostics/connection_text.hpp"

#include <algorithm>
#include <array>
#include <cctype>

namespace tavix::diagnostics {

namespace {

constexpr std::array<std::string_view, 2> kUriSchemes = {"postgresql://", "postgres://"};

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = Lower(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

std::optional<TextSpan> UserInformationPassword(std::string_view authority,
                                                std::size_t scheme_length) {
    const std::size_t at = authority.rfind('@');
    if (at == std::string_view::npos || at < scheme_length) {
        return std::nullopt;
    }
    const std::size_t colon = authority.find(':', scheme_length);
    if (colon == std::string_view::npos || colon > at) {
        return std::nullopt;
    }
    return TextSpan{colon + 1, at - colon - 1};
}

}  // namespace

std::size_t UriSchemeLength(std::string_view text) {
    for (const std::string_view scheme : kUriSchemes) {
        if (EqualsIgnoringCase(text.substr(0, scheme.size()), scheme)) {
            return scheme.size();
        }
    }
    return 0;
}

std::vector<TextSpan> UriPasswords(std::string_view uri) {
    std::vector<TextSpan> spans;
    const std::size_t scheme_length = UriSchemeLength(uri);
    const std::size_t query = std::min(uri.find('?', scheme_length), uri.size());
    if (const auto password = UserInformationPassword(uri.substr(0, query), scheme_length)) {
        spans.push_back(*password);
    }
    std::size_t parameter = query + 1;
    while (parameter < uri.size()) {
        const std::size_t end = std::min(uri.find('&', parameter), uri.size());
        const std::string_view pair = uri.substr(parameter, end - parameter);
        const std::size_t equals = pair.find('=');
        if (equals != std::string_view::npos &&
            IsSecretKey(PercentDecoded(pair.substr(0, equals)))) {
            spans.push_back({parameter + equals + 1, pair.size() - equals - 1});
        }
        parameter = end + 1;
    }
    return spans;
}

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool IsSecretKey(std::string_view key) {
    return SecretKeyLength(key) == key.size() && !key.empty();
}

std::size_t SecretKeyLength(std::string_view text) {
    std::size_t longest = 0;
    for (const std::string_view key : kSecretKeys) {
        if (key.size() > longest && EqualsIgnoringCase(text.substr(0, key.size()), key)) {
            longest = key.size();
        }
    }
    return longest;
}

std::optional<std::size_t> ValueStart(std::string_view text, std::size_t key_end) {
    std::size_t i = key_end;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    if (i >= text.size() || text[i] != '=') {
        return std::nullopt;
    }
    ++i;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    return i;
}

KeyValueValue ReadValue(std::string_view text, std::size_t start) {
    KeyValueValue value;
    const bool quoted = start < text.size() && text[start] == '\'';
    std::size_t i = quoted ? start + 1 : start;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            value.unescaped.push_back(text[i + 1]);
            i += 2;
            continue;
        }
        if (quoted ? c == '\'' : IsSpace(c)) {
            value.end = quoted ? i + 1 : i;
            return value;
        }
        value.unescaped.push_back(c);
        ++i;
    }
    value.end = text.size();
    return value;
}

std::string PercentDecoded(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
            HexDigit(text[i + 2]) >= 0) {
            decoded.push_back(
                static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
            i += 2;
        } else {
            decoded.push_back(text[i]);
        }
    }
    return decoded;
}

std::string Masked(std::string_view text, std::vector<TextSpan> spans) {
    std::sort(spans.begin(), spans.end(),
              [](const TextSpan& a, const TextSpan& b) { return a.start < b.start; });
    std::string masked;
    std::size_t copied = 0;
    bool any_masked = false;
    for (const TextSpan& span : spans) {
        // A span that starts within (or right at the end of) the last mask joins it.
        if (any_masked && span.start <= copied) {
            copied = std::max(copied, span.start + span.length);
            continue;
        }
        masked.append(text.substr(copied, span.start - copied)).append(kPasswordMask);
        copied = span.start + span.length;
        any_masked = true;
    }
    masked.append(text.substr(copied));
    return masked;
}

}  // namespace tavix::diagnostics
