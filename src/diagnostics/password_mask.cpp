#include "diagnostics/password_mask.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>

namespace tavix::diagnostics {

namespace {

constexpr std::string_view kMask = "***";
constexpr std::string_view kPasswordKey = "password";
constexpr std::array<std::string_view, 2> kUriSchemes = {"postgresql://", "postgres://"};

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return Lower(a) == Lower(b); });
}

std::size_t UriSchemeLength(std::string_view text) {
    for (const std::string_view scheme : kUriSchemes) {
        if (StartsWithIgnoringCase(text, scheme)) {
            return scheme.size();
        }
    }
    return 0;
}

// A URI written in a message ends where a space, a quote or an angle bracket around it starts.
bool EndsUri(char c) {
    return IsSpace(c) || c == '"' || c == '\'' || c == '<' || c == '>';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = Lower(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// A query key may be percent-encoded ("pass%77ord"); libpq decodes it before it compares.
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

// The user information runs to the last '@' before the query: a password holding '@' or '/'
// is masked whole.
std::string MaskedAuthority(std::string_view authority, std::size_t scheme_length) {
    const std::size_t at = authority.rfind('@');
    if (at == std::string_view::npos || at < scheme_length) {
        return std::string(authority);
    }
    const std::size_t colon = authority.find(':', scheme_length);
    if (colon == std::string_view::npos || colon > at) {
        return std::string(authority);
    }
    std::string masked(authority.substr(0, colon + 1));
    masked.append(kMask).append(authority.substr(at));
    return masked;
}

std::string MaskedQuery(std::string_view query) {
    std::string masked;
    std::size_t start = 0;
    while (start <= query.size()) {
        const std::size_t end = std::min(query.find('&', start), query.size());
        const std::string_view pair = query.substr(start, end - start);
        const std::size_t equals = pair.find('=');
        if (equals != std::string_view::npos &&
            EqualsIgnoringCase(PercentDecoded(pair.substr(0, equals)), kPasswordKey)) {
            masked.append(pair.substr(0, equals + 1)).append(kMask);
        } else {
            masked.append(pair);
        }
        if (end < query.size()) {
            masked.push_back('&');
        }
        start = end + 1;
    }
    return masked;
}

std::string MaskedUri(std::string_view uri, std::size_t scheme_length) {
    const std::size_t query = uri.find('?', scheme_length);
    if (query == std::string_view::npos) {
        return MaskedAuthority(uri, scheme_length);
    }
    return MaskedAuthority(uri.substr(0, query), scheme_length) + "?" +
           MaskedQuery(uri.substr(query + 1));
}

// Where the value of a key=value pair that starts at `value` ends, as libpq reads it: in single
// quotes with backslash escapes, or up to the next space. An unterminated quote runs to the end.
std::size_t ConnInfoValueEnd(std::string_view text, std::size_t value) {
    const bool quoted = value < text.size() && text[value] == '\'';
    for (std::size_t i = quoted ? value + 1 : value; i < text.size(); ++i) {
        if (text[i] == '\\') {
            ++i;
        } else if (quoted ? text[i] == '\'' : IsSpace(text[i])) {
            return quoted ? i + 1 : i;
        }
    }
    return text.size();
}

// Where the value of a password parameter that starts at `key` begins: past "password", the
// spaces around '=' and '=' itself; nothing when no '=' follows the word.
std::optional<std::size_t> PasswordValueStart(std::string_view text, std::size_t key) {
    std::size_t i = key + kPasswordKey.size();
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

}  // namespace

std::string MaskPasswords(std::string_view text) {
    std::string masked;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::string_view rest = text.substr(i);
        if (const std::size_t scheme_length = UriSchemeLength(rest); scheme_length > 0) {
            const auto uri_end = std::find_if(
                rest.begin() + static_cast<std::ptrdiff_t>(scheme_length), rest.end(), EndsUri);
            const std::string_view uri =
                rest.substr(0, static_cast<std::size_t>(uri_end - rest.begin()));
            masked.append(MaskedUri(uri, scheme_length));
            i += uri.size();
            continue;
        }
        if (StartsWithIgnoringCase(rest, kPasswordKey)) {
            if (const auto value = PasswordValueStart(text, i)) {
                masked.append(text.substr(i, *value - i)).append(kMask);
                i = ConnInfoValueEnd(text, *value);
                continue;
            }
        }
        masked.push_back(text[i]);
        ++i;
    }
    return masked;
}

}  // namespace tavix::diagnostics
