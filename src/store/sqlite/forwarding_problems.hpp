#pragma once

#include <string>
#include <vector>

#include "store/sqlite/forwarding_schema.hpp"

namespace tavix::store::sqlite {

// What is wrong with a file's forwarding, one sentence each: a table or trigger missing or not
// as forwarding made it, or the file's source key not there once. A readings file so changed
// no longer records every change, and a spool no longer keeps what it should.
std::vector<std::string> ForwardingProblems(Connection& connection, ForwardingKind kind);

}  // namespace tavix::store::sqlite
