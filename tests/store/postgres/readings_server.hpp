#pragma once

#include <gtest/gtest.h>

#include <string>

#include "store/database.hpp"
#include "store/postgres/client/connection.hpp"
#include "store/recordset.hpp"
#include "store/store_error.hpp"
#include "support/postgres/shared_server.hpp"
#include "support/recordset_walk.hpp"

namespace tavix::store {

using testing::AddReading;
using testing::CurrentId;

// A readings store on the test program's own server: the readings table as `tavix-admin init`
// creates it, in a fresh database, and a plain connection to look at it from outside the store.
class ReadingsOnServer : public ::testing::Test {
  protected:
    ReadingsOnServer() { CreateReadingsDatabase(database_.Uri()); }

    const std::string& Uri() const { return uri_; }

    // The first value of a query, as text. Connects again after the server was restarted.
    std::string ValueOf(const std::string& sql) {
        if (administrator_.DroppedWhileIdle()) {
            administrator_.Reopen();
        }
        const postgres::Result result = administrator_.Execute(sql, "look at the store");
        return result.Rows() == 0 ? "" : std::string(result.Text(0, 0));
    }

    // Ends every session of the store on this database but the administrator's, as an
    // administrator's pg_terminate_backend does, and waits until they have ended.
    void TerminateStoreSessions() {
        EXPECT_NE(ValueOf("SELECT count(*) FROM (SELECT pg_terminate_backend(pid, 5000) "
                          "FROM pg_stat_activity WHERE datname = current_database() "
                          "AND pid <> pg_backend_pid()) AS ended"),
                  "0");
    }

    testing::FreshDatabase database_;
    std::string uri_ = database_.Uri();
    postgres::Connection administrator_{database_.ConnInfo()};
};

// Shuts the shared server down for a test and starts it again however the test ends, since the
// next test (and dropping this one's database) needs it.
class ServerDownForAWhile {
  public:
    ServerDownForAWhile() : server_(&testing::SharedPostgresServer()) { server_->ShutDown(); }
    ServerDownForAWhile(const ServerDownForAWhile&) = delete;
    ServerDownForAWhile& operator=(const ServerDownForAWhile&) = delete;
    ~ServerDownForAWhile() {
        if (server_->ServerProcessId() == 0) {
            server_->StartAgain();
        }
    }

    void StartAgain() { server_->StartAgain(); }

  private:
    testing::PostgresServer* server_;
};

}  // namespace tavix::store
