#pragma once

#include <string>
#include <vector>

namespace tavix::store::sqlite {

class Connection;

// The tables and triggers forwarding adds beside Readings, and those of a spool. Readings
// itself is never changed: any SQLite tool and older programs keep reading and writing it.
namespace forwarding_tables {
inline constexpr char kForwarding[] = "TavixForwarding";  // the file's source key, one row
inline constexpr char kReadingKeys[] = "TavixReadingKeys";
inline constexpr char kOutbox[] = "TavixOutbox";
inline constexpr char kSetAside[] = "TavixSetAside";
inline constexpr char kSpool[] = "TavixSpool";
}  // namespace forwarding_tables

// One table or trigger forwarding makes, with the CREATE statement that makes it (sqlite_schema
// keeps that text, so a changed one can be told).
struct ForwardingObject {
    std::string type;  // "table" or "trigger"
    std::string name;
    std::string sql;
};

// What a readings file holds beside Readings once prepared: the triggers record each change
// of a reading in the outbox, in the statement's own transaction, whichever program made it.
std::vector<ForwardingObject> ReadingsFileObjects();
// What a spool holds.
std::vector<ForwardingObject> SpoolObjects();

// An SQL expression giving a fresh random key, a UUID (version 4) in its text form. Made in
// SQL so that a reading inserted by any tool gets one too.
std::string NewKeySql();

// Creates objects and the file's source row, inside the caller's write transaction.
void CreateForwardingObjects(Connection& connection, const std::vector<ForwardingObject>& objects);

// What forwarding finds in a file, by its tables.
enum class ForwardingKind {
    kNone,          // no forwarding table at all
    kReadingsFile,  // a readings file with some forwarding tables
    kSpool,         // a spool
};
ForwardingKind FindForwardingKind(Connection& connection);

bool HasTable(Connection& connection, const std::string& table);

}  // namespace tavix::store::sqlite
