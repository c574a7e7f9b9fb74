#include "usable_terminal.hpp"

#include <curses.h>
#include <term.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace tavix::console {

namespace {

enum class TypeFit { kUnknown, kCursorNotAddressable, kUsable };

// Loads the type's description on its own, without curses's screen, and lets it go again.
TypeFit FitOf(const std::string& type) {
    int error = 0;
    if (setupterm(type.c_str(), STDOUT_FILENO, &error) != OK) {
        return TypeFit::kUnknown;
    }
    const char* address = tigetstr("cup");
    const bool addressable = address != nullptr && address != reinterpret_cast<char*>(-1);
    del_curterm(cur_term);
    return addressable ? TypeFit::kUsable : TypeFit::kCursorNotAddressable;
}

}  // namespace

void RequireUsableTerminal() {
    if (::isatty(STDIN_FILENO) == 0) {
        throw std::runtime_error("standard input is not a terminal: run it from a terminal");
    }
    if (::isatty(STDOUT_FILENO) == 0) {
        throw std::runtime_error("standard output is not a terminal: run it from a terminal");
    }
    const char* term = std::getenv("TERM");
    if (term == nullptr || *term == '\0') {
        throw std::runtime_error("TERM is not set: set it to the type of this terminal");
    }
    const std::string type(term);
    const TypeFit fit = FitOf(type);
    if (fit == TypeFit::kUnknown) {
        throw std::runtime_error("unknown terminal type TERM=" + type +
                                 ": set TERM to a type that terminfo knows");
    }
    if (fit == TypeFit::kCursorNotAddressable) {
        throw std::runtime_error("cannot draw on this terminal (TERM=" + type +
                                 "): it cannot move its cursor to a given place");
    }
}

}  // namespace tavix::console
