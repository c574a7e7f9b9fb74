#include "store/postgres/client/error.hpp"

namespace tavix::store::postgres {

ErrorKind KindOfSqlState(std::string_view sqlstate) {
    if (sqlstate.size() != 5) {
        return ErrorKind::kOther;
    }
    const std::string_view group = sqlstate.substr(0, 2);
    if (group == "08" || sqlstate == "57P01" || sqlstate == "57P02" || sqlstate == "57P05") {
        // Connection exceptions, and the server ending the session: an administrator's
        // pg_terminate_backend, a shut-down or a crash of another backend, an idle timeout.
        return ErrorKind::kConnectionLost;
    }
    if (group == "23") {
        return ErrorKind::kConstraint;
    }
    if (sqlstate == "55P03" || sqlstate == "40P01" || sqlstate == "40001" || sqlstate == "53300" ||
        sqlstate == "57P03") {
        // Lock not available, deadlock, serialization failure, too many connections, and a
        // server still starting up: all worth trying again a little later.
        return ErrorKind::kBusy;
    }
    if (sqlstate == "25006") {
        return ErrorKind::kReadOnly;
    }
    if (sqlstate == "42501") {
        // A privilege not granted: SELECT as much as INSERT, so no sign of a database that
        // refuses changes.
        return ErrorKind::kNotPermitted;
    }
    if (sqlstate == "42P01" || sqlstate == "42703" || sqlstate == "42883" || sqlstate == "3F000") {
        return ErrorKind::kNoSuchTable;
    }
    if (sqlstate == "XX001" || sqlstate == "XX002") {
        return ErrorKind::kCorrupt;
    }
    if (group == "53" || group == "58") {
        return ErrorKind::kIo;
    }
    if (sqlstate == "57014") {
        // We cancel only through the statement timeout the session sets for itself.
        return ErrorKind::kTimedOut;
    }
    return ErrorKind::kOther;
}

std::string_view Reason(ErrorKind kind) {
    switch (kind) {
        case ErrorKind::kBusy:
            return "the server is busy: another session holds what is needed, try again";
        case ErrorKind::kReadOnly:
            return "the database does not accept changes from this session";
        case ErrorKind::kNotPermitted:
            return "this session's user is not granted the privilege to do it";
        case ErrorKind::kNoSuchTable:
            return "the table or column does not exist";
        case ErrorKind::kCorrupt:
            return "the server found damaged data";
        case ErrorKind::kIo:
            return "the server cannot write to its disk";
        case ErrorKind::kConnectionLost:
            return "the connection to the server is lost";
        case ErrorKind::kConstraint:
            return "the change breaks a rule of the table";
        case ErrorKind::kTimedOut:
            return "the server did not answer in time";
        case ErrorKind::kOther:
            break;
    }
    return "the server refused it";
}

}  // namespace tavix::store::postgres
