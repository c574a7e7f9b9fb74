#include <gtest/gtest.h>

#include "store/postgres/connection.hpp"
#include "support/postgres/shared_server.hpp"

TEST(Smoke, Connects) {
    tavix::testing::FreshDatabase db;
    tavix::store::postgres::Connection c(db.ConnInfo());
    auto r = c.Execute("SELECT current_database(), current_setting('synchronous_commit')", "x");
    EXPECT_EQ(r.Text(0, 0), db.Name());
    EXPECT_EQ(r.Text(0, 1), "on");
}
