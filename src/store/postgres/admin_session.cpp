#include "store/postgres/admin_session.hpp"

namespace tavix::store::postgres {

postgres::Connection OpenAdminConnection(const std::string& target) {
    postgres::Connection connection(target, kAdminWaits);
    // Dates are in the ISO form in every transaction already. extra_float_digits 1 gives the
    // shortest exact digits (0 and below would round to 15); the server's own settings must not
    // hold up a long export either.
    connection.SetInEveryTransaction("extra_float_digits", "1");
    connection.SetInEveryTransaction("idle_in_transaction_session_timeout", "0");
    return connection;
}

}  // namespace tavix::store::postgres
