#include "program/process_end.hpp"

#include <cstdlib>

namespace tavix::program {

namespace {

std::function<void(int)>& Replacement() {
    static std::function<void(int)> replacement;
    return replacement;
}

}  // namespace

void EndProcess(int status) {
    if (Replacement()) {
        Replacement()(status);
    }
    std::exit(status);
}

void SetProcessEnd(std::function<void(int)> end) {
    Replacement() = std::move(end);
}

}  // namespace tavix::program
