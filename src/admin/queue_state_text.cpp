#include "queue_state_text.hpp"

#include "count_text.hpp"

namespace tavix::admin {

namespace {

const char* Waiting(const store::QueueState& state) {
    return state.spool ? "readings kept to be resent" : "changes waiting to be forwarded";
}

}  // namespace

std::vector<std::string> QueueStateLines(const store::QueueState& state) {
    std::string waiting = std::string(Waiting(state)) + ": " + std::to_string(state.waiting);
    if (state.waiting > 0 && state.oldest) {
        waiting += " (the oldest since " + *state.oldest + ")";
    }
    std::vector<std::string> lines = {
        waiting, std::string(state.spool ? "readings" : "changes") +
                     " set aside (refused by the server): " + std::to_string(state.set_aside)};
    if (!state.spool) {
        // What the server's column source holds for this file's readings; a spool's readings
        // arrive as if stored straight into the server, with none.
        lines.push_back("source on the server: " + state.source);
    }
    return lines;
}

std::vector<std::string> QueueStateProblems(const store::QueueState& state) {
    std::vector<std::string> problems = state.problems;
    if (state.set_aside > 0) {
        problems.push_back(CountText(state.set_aside, state.spool ? "reading" : "change") +
                           " set aside, refused for good by the server: the reasons are in the "
                           "table TavixSetAside");
    }
    return problems;
}

}  // namespace tavix::admin
