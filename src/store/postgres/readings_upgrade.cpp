#include <algorithm>

#include "store/core/failure.hpp"
#include "store/postgres/admin_session.hpp"
#include "store/postgres/client/transaction.hpp"
#include "store/postgres/forwarding.hpp"
#include "store/postgres/readings_schema.hpp"
#include "store/postgres/store_problems.hpp"

namespace tavix::store::postgres {

namespace {

constexpr std::string_view kUpgradeAction = "upgrade the readings table";

// One thing forwarding needs, as MissingForForwarding names it, how it is added, and what the
// administrator is told.
struct Addition {
    std::string missing;
    std::string sql;
    std::string told;
};

std::vector<Addition> Additions() {
    const auto column = [](const char* name, const char* definition, const char* what) {
        return Addition{"the column " + std::string(name),
                        "ALTER TABLE readings ADD COLUMN " + std::string(name) + " " + definition,
                        "added the column " + std::string(name) + ": " + what};
    };
    return {
        column(kReadingKeyColumn, kReadingKeyDefinition,
               "each reading's own key, given to every reading already there"),
        column(kSourceColumn, kSourceDefinition, "the local file a forwarded reading came from"),
        column(kSourceIdColumn, kSourceIdDefinition, "the forwarded reading's row in that file"),
        {"the table " + std::string(kForwardingTable), kCreateForwardingTable,
         "added the table " + std::string(kForwardingTable) +
             ": the last change applied from each local file"},
    };
}

bool Lacks(const std::vector<std::string>& missing, const std::string& part) {
    return std::find(missing.begin(), missing.end(), part) != missing.end();
}

}  // namespace

std::vector<std::string> UpgradeReadingsTable(const std::string& uri) {
    postgres::Connection connection = OpenAdminConnection(uri);
    const postgres::Result readings = connection.Execute(
        "SELECT relkind = 'r' FROM pg_class WHERE oid = to_regclass('readings')", kUpgradeAction);
    if (readings.Rows() == 0 || readings.Text(0, 0) != "t") {
        Fail(connection.MaskedTarget(), kUpgradeAction,
             "there is no table readings; tavix-admin init creates one");
    }
    if (MissingForForwarding(connection).empty()) {
        return {};
    }
    postgres::Transaction transaction(connection, kUpgradeAction);
    // Read again under the lock: another upgrade may have added some meanwhile.
    connection.Execute("LOCK TABLE readings IN ACCESS EXCLUSIVE MODE", kUpgradeAction);
    const std::vector<std::string> missing = MissingForForwarding(connection);
    std::vector<std::string> added;
    for (const Addition& addition : Additions()) {
        if (Lacks(missing, addition.missing)) {
            connection.Execute(addition.sql, kUpgradeAction);
            added.push_back(addition.told);
        }
    }
    transaction.Commit();
    return added;
}

}  // namespace tavix::store::postgres
