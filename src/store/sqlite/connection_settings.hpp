#pragma once

namespace tavix::store::sqlite {

class Connection;

// Reads the schema, so that a damaged file or one that is not a database fails now, before
// anything is written to it.
void CheckReadable(Connection& connection);

// synchronous FULL: a commit is on disk (one sync of the WAL, or of the rollback journal and
// the file) when COMMIT returns and survives a power cut. A setting of the connection only:
// the file is not touched.
void UseFullSync(Connection& connection);

// WAL: readers and the writer do not block each other. The switch rewrites the file's header,
// so it is made when the file is created and before a connection's first write, never on
// opening alone: a file that turns out not to be a readings database is left as it was. It is
// skipped when it cannot be made (a read-only file or folder, or another program holding the
// file in another journal mode); FULL then still makes each commit durable. Returns false
// when the disk failed it, so that the next write tries again.
bool SwitchToWal(Connection& connection);

}  // namespace tavix::store::sqlite
