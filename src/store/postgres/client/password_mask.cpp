#include "store/postgres/client/password_mask.hpp"

#include <algorithm>

#include "diagnostics/connection_text.hpp"

namespace tavix::store::postgres {

namespace {

using diagnostics::TextSpan;

// A password where the target writes it, and as libpq reads it.
struct Password {
    TextSpan written;
    std::string read;
};

// Adds the passwords of the URI written from uri_start to uri_end.
void AddUriPasswords(std::string_view target, std::size_t uri_start, std::size_t uri_end,
                     std::vector<Password>& passwords) {
    const std::string_view uri = target.substr(uri_start, uri_end - uri_start);
    for (const TextSpan& span : diagnostics::UriPasswords(uri)) {
        passwords.push_back({{uri_start + span.start, span.length},
                             diagnostics::PercentDecoded(uri.substr(span.start, span.length))});
    }
}

// The passwords of a key=value string. libpq refuses a word that is no pair, and takes a URI
// that does not start the string for a database name; its messages and ours repeat them, so the
// walk goes on past such a word, and reads such a URI as one.
std::vector<Password> KeyValuePasswords(std::string_view text) {
    std::vector<Password> passwords;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && diagnostics::IsSpace(text[i])) {
            ++i;
        }
        const std::size_t word_start = i;
        if (diagnostics::UriSchemeLength(text.substr(i)) > 0) {
            while (i < text.size() && !diagnostics::IsSpace(text[i])) {
                ++i;
            }
            AddUriPasswords(text, word_start, i, passwords);
            continue;
        }
        while (i < text.size() && text[i] != '=' && !diagnostics::IsSpace(text[i])) {
            ++i;
        }
        const std::string_view key = text.substr(word_start, i - word_start);
        const auto value_start = diagnostics::ValueStart(text, i);
        if (!value_start) {
            continue;
        }
        diagnostics::KeyValueValue value = diagnostics::ReadValue(text, *value_start);
        if (diagnostics::IsSecretKey(key)) {
            passwords.push_back(
                {{*value_start, value.end - *value_start}, std::move(value.unescaped)});
        }
        i = value.end;
    }
    return passwords;
}

std::vector<Password> PasswordsOf(std::string_view target) {
    if (diagnostics::UriSchemeLength(target) == 0) {
        return KeyValuePasswords(target);
    }
    std::vector<Password> passwords;
    AddUriPasswords(target, 0, target.size(), passwords);
    return passwords;
}

}  // namespace

std::string MaskPassword(std::string_view target) {
    std::vector<TextSpan> spans;
    for (const Password& password : PasswordsOf(target)) {
        spans.push_back(password.written);
    }
    return diagnostics::Masked(target, std::move(spans));
}

std::vector<std::string> PasswordsIn(std::string_view target) {
    std::vector<std::string> passwords;
    for (Password& password : PasswordsOf(target)) {
        passwords.emplace_back(target.substr(password.written.start, password.written.length));
        passwords.push_back(std::move(password.read));
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
             found = message.find(password, found + diagnostics::kPasswordMask.size())) {
            message.replace(found, password.size(), diagnostics::kPasswordMask);
        }
    }
    return message;
}

}  // namespace tavix::store::postgres
