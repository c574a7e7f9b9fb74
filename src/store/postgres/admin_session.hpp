#pragma once

#include <string>

#include "store/postgres/client/connection.hpp"

namespace tavix::store::postgres {

// How long tavix-admin waits for the server. A statement may run longer than one of the
// program's: the first batch of a sorted export waits for the whole sort, and a statement
// waiting for another session's lock (a copy's target, a table being changed) waits as long.
// Still bounded, so a hung server ends in a message rather than a wait without end.
inline constexpr postgres::Timeouts kAdminWaits{std::chrono::seconds(5), std::chrono::seconds(60),
                                                std::chrono::seconds(1), std::chrono::seconds(60)};

// A connection for tavix-admin, each of its transactions set so that values come out in the forms
// the export writes whatever the server's or the database's defaults: dates and times as
// "YYYY-MM-DD HH:MM:SS" and floating-point numbers in the shortest digits that read back as
// the same double. Throws PostgresError, its message naming the target with the password
// masked.
postgres::Connection OpenAdminConnection(const std::string& target);

}  // namespace tavix::store::postgres
