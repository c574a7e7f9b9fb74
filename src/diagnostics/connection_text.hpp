#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavix::diagnostics {

// Where the passwords stand in a PostgreSQL connection text, read as libpq reads it: a
// postgresql:// or postgres:// URI, or key=value pairs. The mask of any text (password_mask.hpp)
// and the store's mask of a whole connection target both build on it, so that they agree on
// what a password is.

inline constexpr std::string_view kPasswordMask = "***";
// The parameters of libpq whose value is a secret: the server's password, the passphrase of
// the client's key, an OAuth client's secret. "Password" below means any of them.
inline constexpr std::string_view kSecretKeys[] = {"password", "sslpassword",
                                                   "oauth_client_secret"};

// A stretch of a text: where a password is written.
struct TextSpan {
    std::size_t start = 0;
    std::size_t length = 0;
};

// The length of the URI scheme that text starts with ("postgresql://" or "postgres://", in any
// case); 0 when it starts with neither.
std::size_t UriSchemeLength(std::string_view text);

// Where the passwords of uri (from its scheme on) are written: in its user information, which
// runs to the last '@' before the query so that a password holding '@' or '/' is found whole,
// and as the value of each secret parameter of its query, whose name may be percent-encoded
// ("pass%77ord"). An empty password has a span too, of no length.
std::vector<TextSpan> UriPasswords(std::string_view uri);

// Whether c parts the words of a connection text, as libpq takes spaces.
bool IsSpace(char c);

// Whether key names a secret, in any case.
bool IsSecretKey(std::string_view key);

// The length of the secret's key that text starts with, in any case; 0 when it starts with
// none.
std::size_t SecretKeyLength(std::string_view text);

// Where the value of a key=value pair starts when its key ends at key_end: past '=' and the
// spaces around it; nothing when no '=' follows.
std::optional<std::size_t> ValueStart(std::string_view text, std::size_t key_end);

// A value of key=value text as libpq reads it from where it starts: in single quotes with
// backslash escapes, or up to the next space. An unterminated quote runs to the end.
struct KeyValueValue {
    std::size_t end = 0;  // just past the value, its closing quote included
    std::string unescaped;
};
KeyValueValue ReadValue(std::string_view text, std::size_t start);

// text with every %XX decoded, as libpq decodes the parts of a URI.
std::string PercentDecoded(std::string_view text);

// text with each span replaced by kPasswordMask; spans that overlap or touch are masked as one.
std::string Masked(std::string_view text, std::vector<TextSpan> spans);

}  // namespace tavix::diagnostics
