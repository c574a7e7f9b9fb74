#include "store/postgres/password_mask.hpp"

#include <algorithm>
#include <cctype>
#include <optional>

namespace tavix::store::postgres {

namespace {

constexpr std::string_view kMask = "***";

// Where a password is written in the target.
struct Span {
    std::size_t start;
    std::size_t length;
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

std::optional<std::size_t> UriSchemeLength(std::string_view target) {
    for (const std::string_view scheme : {"postgresql://", "postgres://"}) {
        if (StartsWithIgnoringCase(target, scheme)) {
            return scheme.size();
        }
    }
    return std::nullopt;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const int lower = std::tolower(static_cast<unsigned char>(c));
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
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

// The password of the user information, and the value of each password parameter of the query.
std::vector<Span> UriPasswordSpans(std::string_view target, std::size_t scheme_length) {
    std::vector<Span> spans;
    const std::size_t query = std::min(target.find('?', scheme_length), target.size());
    const std::string_view authority = target.substr(0, query);
    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos && at >= scheme_length) {
        const std::size_t colon = authority.find(':', scheme_length);
        if (colon != std::string_view::npos && colon < at) {
            spans.push_back({colon + 1, at - colon - 1});
        }
    }
    std::size_t parameter = query + 1;
    while (parameter < target.size()) {
        const std::size_t end = std::min(target.find('&', parameter), target.size());
        const std::string_view pair = target.substr(parameter, end - parameter);
        const std::size_t equals = pair.find('=');
        if (equals != std::string_view::npos &&
            EqualsIgnoringCase(PercentDecoded(pair.substr(0, equals)), "password")) {
            spans.push_back({parameter + equals + 1, pair.size() - equals - 1});
        }
        parameter = end + 1;
    }
    return spans;
}

bool IsSpace(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// Reads a value of a key=value string starting at position, as libpq does: in single quotes
// with backslash escapes, or up to the next space. Returns where the value ends and, through
// unescaped, the value itself. An unterminated quote runs to the end.
std::size_t ReadConnInfoValue(std::string_view text, std::size_t position, std::string& unescaped) {
    const bool quoted = position < text.size() && text[position] == '\'';
    std::size_t i = quoted ? position + 1 : position;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            unescaped.push_back(text[i + 1]);
            i += 2;
            continue;
        }
        if (quoted ? c == '\'' : IsSpace(c)) {
            return quoted ? i + 1 : i;
        }
        unescaped.push_back(c);
        ++i;
    }
    return i;
}

struct ConnInfoPassword {
    Span span;
    std::string value;
};

std::vector<ConnInfoPassword> ConnInfoPasswords(std::string_view text) {
    std::vector<ConnInfoPassword> passwords;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && IsSpace(text[i])) {
            ++i;
        }
        const std::size_t key_start = i;
        while (i < text.size() && text[i] != '=' && !IsSpace(text[i])) {
            ++i;
        }
        const std::string_view key = text.substr(key_start, i - key_start);
        while (i < text.size() && IsSpace(text[i])) {
            ++i;
        }
        if (i >= text.size() || text[i] != '=') {
            break;  // libpq refuses the rest too
        }
        ++i;
        while (i < text.size() && IsSpace(text[i])) {
            ++i;
        }
        std::string value;
        const std::size_t value_start = i;
        i = ReadConnInfoValue(text, i, value);
        if (EqualsIgnoringCase(key, "password")) {
            passwords.push_back({{value_start, i - value_start}, std::move(value)});
        }
    }
    return passwords;
}

std::string Masked(std::string_view target, std::vector<Span> spans) {
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.start < b.start; });
    std::string masked;
    std::size_t copied = 0;
    for (const Span& span : spans) {
        masked.append(target.substr(copied, span.start - copied)).append(kMask);
        copied = span.start + span.length;
    }
    masked.append(target.substr(copied));
    return masked;
}

}  // namespace

std::string MaskPassword(std::string_view target) {
    if (const auto scheme_length = UriSchemeLength(target)) {
        return Masked(target, UriPasswordSpans(target, *scheme_length));
    }
    std::vector<Span> spans;
    for (const ConnInfoPassword& password : ConnInfoPasswords(target)) {
        spans.push_back(password.span);
    }
    return Masked(target, spans);
}

std::vector<std::string> PasswordsIn(std::string_view target) {
    std::vector<std::string> passwords;
    if (const auto scheme_length = UriSchemeLength(target)) {
        for (const Span& span : UriPasswordSpans(target, *scheme_length)) {
            const std::string_view written = target.substr(span.start, span.length);
            passwords.emplace_back(written);
            passwords.push_back(PercentDecoded(written));
        }
    } else {
        for (ConnInfoPassword& password : ConnInfoPasswords(target)) {
            passwords.emplace_back(target.substr(password.span.start, password.span.length));
            passwords.push_back(std::move(password.value));
        }
    }
    std::erase_if(passwords, [](const std::string& password) { return password.empty(); });
    // Longest first, so that a password that holds another is masked whole.
    std::sort(passwords.begin(), passwords.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    return passwords;
}

std::string WithoutPasswords(std::string message, std::string_view target) {
    if (!target.empty()) {
        // A message that repeats the whole target keeps it readable, masked.
        const std::string masked = MaskPassword(target);
        for (std::size_t found = message.find(target); found != std::string::npos;
             found = message.find(target, found + masked.size())) {
            message.replace(found, target.size(), masked);
        }
    }
    for (const std::string& password : PasswordsIn(target)) {
        for (std::size_t found = message.find(password); found != std::string::npos;
             found = message.find(password, found + kMask.size())) {
            message.replace(found, password.size(), kMask);
        }
    }
    return message;
}

}  // namespace tavix::store::postgres
