#pragma once

namespace tavix::store {

class Connection;

// Reads the schema, so that a damaged file or one that is not a database fails now, before
// anything is written to it.
void CheckReadable(Connection& connection);

// WAL with synchronous FULL: a commit is on disk (one sync of the WAL) when COMMIT returns and
// survives a power cut; readers and the writer do not block each other. The switch to WAL is
// skipped when it cannot be made (a read-only file or folder, or another program holding the
// file in another journal mode); FULL then still makes each commit durable.
void ApplyDurableSettings(Connection& connection);

}  // namespace tavix::store
