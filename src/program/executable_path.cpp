#include "program/executable_path.hpp"

#include "store/running_executable.hpp"

namespace tavix::program {

namespace {

std::function<std::string()>& Source() {
    static std::function<std::string()> source;
    return source;
}

}  // namespace

std::string ExecutablePath() {
    return Source() ? Source()() : store::RunningExecutablePath();
}

void SetExecutablePathSource(std::function<std::string()> source) {
    Source() = std::move(source);
}

}  // namespace tavix::program
