#include "program/forwarding_rounds.hpp"

#include <algorithm>

namespace tavix::program {

ForwardingRounds::Next ForwardingRounds::After(const store::ForwardOutcome& outcome) {
    Next next{{}, kShortestWait};
    for (const std::string& reason : outcome.set_aside_reasons) {
        next.log_lines.push_back("set aside, the server refused it for good: " + reason);
    }
    if (outcome.failure) {
        if (!in_outage_) {
            next.log_lines.push_back(*outcome.failure +
                                     " (tried again in the background; logged again once it "
                                     "works)");
            in_outage_ = true;
            wait_after_failure_ = kShortestWait;
        }
        wait_after_failure_ = std::min(wait_after_failure_ * 2, kLongestWait);
        next.wait = wait_after_failure_;
        return next;
    }
    if (in_outage_) {
        next.log_lines.push_back("the server answers again: " + std::to_string(outcome.forwarded) +
                                 " changes forwarded, " + std::to_string(outcome.waiting) +
                                 " waiting");
        in_outage_ = false;
    }
    return next;
}

}  // namespace tavix::program
