#pragma once

#include <string>
#include <vector>

#include "store/forwarding.hpp"

namespace tavix::admin {

// How stats shows what waits in a local file to be forwarded: a readings file's changes, or
// the readings a spool keeps; how many, since when, and how many were set aside.
std::vector<std::string> QueueStateLines(const store::QueueState& state);

// What check reports of it: the forwarding tables' problems, and the changes set aside (the
// server refused them for good, so they will never arrive unless someone acts).
std::vector<std::string> QueueStateProblems(const store::QueueState& state);

}  // namespace tavix::admin
