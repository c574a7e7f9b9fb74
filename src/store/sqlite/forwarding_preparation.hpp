#pragma once

#include "store/forwarding.hpp"

namespace tavix::store::sqlite {

class Connection;

// PrepareForwarding on a file the connection has open: nothing when it has forwarding tables
// already (or is a spool).
void PrepareOpenFile(Connection& connection, History history);

}  // namespace tavix::store::sqlite
