#include "app/process_end.hpp"

#include <cstdlib>

namespace tavix::app {

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

}  // namespace tavix::app
