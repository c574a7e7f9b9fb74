#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "store/forwarding.hpp"

namespace tavix::program {

// What the background forwarder says and does after each pass: the log hears of an outage
// once, when it begins (the first failure after a pass that worked, or after the start), and
// once when forwarding works again, with how many changes went then; of each change set aside
// every time, with its reason. The next pass comes about a second later while nothing fails,
// and ever later after failures, up to kLongestWait, so that a server down for hours is not
// hammered.
class ForwardingRounds {
  public:
    static constexpr std::chrono::seconds kShortestWait{1};
    static constexpr std::chrono::seconds kLongestWait{30};

    struct Next {
        std::vector<std::string> log_lines;  // the reasons to log, in order
        std::chrono::seconds wait;           // until the next pass
    };

    Next After(const store::ForwardOutcome& outcome);

  private:
    bool in_outage_ = false;
    std::chrono::seconds wait_after_failure_{kShortestWait};
};

}  // namespace tavix::program
