#include "usage_words.hpp"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "store/database_target.hpp"

namespace tavix::admin {

namespace {

// The parser's messages about an option begin with its name: "--output: ...".
std::string NameIn(const std::string& message) {
    return message.substr(0, message.find(": "));
}

// "--output: 1 required FILE missing" names the value's type (and, for a choice, the choices
// after a ':').
std::string ValueTypeIn(const std::string& message) {
    const std::size_t required = message.find(" required ");
    const std::size_t missing = message.rfind(" missing");
    if (required == std::string::npos || missing == std::string::npos || missing < required) {
        return "value";
    }
    const std::string type =
        message.substr(required + 10, missing - required - 10);  // past " required "
    return type.substr(0, type.find(':'));
}

std::string UnexpectedArgument(const std::string& argument) {
    return argument.starts_with("-") ? "unknown option " + argument
                                     : "unexpected argument '" + argument + "'";
}

}  // namespace

CLI::Validator OneOf(const std::vector<std::string>& names) {
    std::string listed;
    for (const std::string& name : names) {
        listed += (listed.empty() ? "" : ", ") + name;
    }
    return CLI::Validator(
        [names, listed](const std::string& value) {
            return std::find(names.begin(), names.end(), value) != names.end()
                       ? std::string()
                       : "'" + value + "' is not one of " + listed;
        },
        "{" + CLI::detail::join(names, ",") + "}");
}

CLI::Validator NotEmpty(const std::string& what) {
    return CLI::Validator(
        [what](const std::string& value) {
            return value.empty() ? "an empty value names no " + what : std::string();
        },
        "");
}

CLI::Validator APostgresUri() {
    return CLI::Validator(
        [](const std::string& value) {
            return store::IsPostgresTarget(value) ? std::string()
                                                  : "'" + value + "' is not a postgresql:// URI";
        },
        "");
}

CLI::Validator NotAServer() {
    return CLI::Validator(
        [](const std::string& value) {
            return store::IsPostgresTarget(value)
                       ? "a server forwards nothing: name the local file to forward"
                       : std::string();
        },
        "");
}

std::string UsageMessage(const CLI::ParseError& error, const CLI::App& program) {
    // An option nobody knows often makes the parse fail on something else (a TARGET found
    // missing, the option taken for it): name it first.
    const std::vector<std::string> aside = program.remaining(true);
    if (!aside.empty()) {
        return UnexpectedArgument(aside.front());
    }
    const std::string message = error.what();
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        const std::string name = NameIn(message);
        if (message.find(" required but received ") != std::string::npos) {
            return name + " may be given only once";
        }
        return name + " needs a " + ValueTypeIn(message) + " after it";
    }
    return message;
}

}  // namespace tavix::admin
