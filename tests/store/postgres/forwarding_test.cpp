
#include "store/postgres/forwarding.hpp"

#include <cstdio>

#include "readings_server.hpp"
#include "store/readings_source.hpp"

namespace tavix::store {
namespace {

using forwarding::Change;
using Kind = forwarding::Change::Kind;

constexpr const char* kSource = "0b8e8a5e-3f4c-4d7a-9b1e-2c3d4e5f6a7b";

#define EXPECT_SAYS(text, part) EXPECT_NE(std::string(text).find(part), std::string::npos) << (text)

std::string Key(int n) {
    char key[40];
    std::snprintf(key, sizeof key, "00000000-0000-4000-8000-%012d", n);
    return key;
}

// A change of the reading with key n, which is its row n in the terminal's file.
Change Reading(Kind kind, std::int64_t sequence, int n, std::string code) {
    Change change{sequence, Key(n), kind, n, {}};
    change.reading = {StoredField{StoredField::Kind::kText, 0, 0, std::move(code)},
                      StoredField{StoredField::Kind::kReal, 0, 2.5, {}},
                      StoredField{StoredField::Kind::kInteger, 6, 0, {}},
                      StoredField{StoredField::Kind::kText, 0, 0, "2026-12-07 10:00:00.5"}};
    return change;
}

class ForwardingTest : public ReadingsOnServer {
  protected:
    std::int64_t Apply(std::vector<Change> changes) {
        forwarding::Batch batch{std::move(changes), 0};
        for (const Change& change : batch.changes) {
            batch.through = std::max(batch.through, change.sequence);
        }
        return applier_->Apply(kSource, "terminal-6:/var/lib/tavix/readings.db", batch);
    }
    // "code@row" of every reading in key order, row only for a forwarded one.
    std::string Rows() {
        return ValueOf(
            "SELECT string_agg(code || coalesce('@' || source_id, ''), ' ' "
            "ORDER BY reading_key) FROM readings");
    }

    std::unique_ptr<forwarding::ChangeApplier> applier_ = postgres::OpenChangeApplier(Uri());
};

// Values as tavix-admin copy converts them, a resend skipped, the terminal's later change
// winning over the server's, a spooled reading added only when absent, a removal.
TEST_F(ForwardingTest, EachChangeIsAppliedOnceInOrder) {
    EXPECT_EQ(applier_->AppliedThrough(kSource), 0);
    const std::vector<Change> first{Reading(Kind::kPut, 1, 1, "A"), Reading(Kind::kPut, 2, 2, "B"),
                                    Reading(Kind::kPut, 3, 3, "C")};
    EXPECT_EQ(Apply(first), 3);
    EXPECT_EQ(ValueOf("SELECT concat_ws('|', qt, terminal, datetime, r.source, origin) "
                      "FROM readings r, tavix_forwarding WHERE source_id = 1"),
              "2.5|6|2026-12-07 10:00:00|" + std::string(kSource) +
                  "|terminal-6:/var/lib/tavix/readings.db");
    ValueOf("UPDATE readings SET code = 'psql' WHERE source_id IN (1, 3)");
    EXPECT_EQ(Apply(first), 3);
    EXPECT_EQ(Rows(), "psql@1 B@2 psql@3");
    EXPECT_EQ(Apply({Reading(Kind::kPut, 3, 3, "stale"), Reading(Kind::kPut, 4, 1, "A2"),
                     Reading(Kind::kRemove, 5, 2, ""), Reading(Kind::kAdd, 6, 3, "spooled"),
                     Reading(Kind::kAdd, 7, 4, "D")}),
              7);
    EXPECT_EQ(Rows(), "A2@1 psql@3 D");
    EXPECT_EQ(applier_->AppliedThrough(kSource), 7);
}

struct Refusal {
    const char* rule;  // what the server's table holds to
    Change refused;
    const char* said;
};

class RefusedChangeTest : public ForwardingTest, public ::testing::WithParamInterface<Refusal> {};

// A change the table cannot hold refuses its whole batch, named on its own; the rest goes on.
TEST_P(RefusedChangeTest, NothingOfItsBatchIsApplied) {
    if (*GetParam().rule != '\0') {
        ValueOf(GetParam().rule);
    }
    const Change good = Reading(Kind::kPut, 1, 1, "A");
    EXPECT_THROW(Apply({good, GetParam().refused}), forwarding::ChangeRefused);
    EXPECT_EQ(ValueOf("SELECT count(*) FROM readings"), "0");
    EXPECT_EQ(applier_->AppliedThrough(kSource), 0);
    try {
        Apply({GetParam().refused});
        ADD_FAILURE() << "applied";
    } catch (const forwarding::ChangeRefused& refused) {
        EXPECT_SAYS(refused.what(), GetParam().refused.reading_key);
        EXPECT_SAYS(refused.what(), GetParam().said);
    }
    EXPECT_EQ(Apply({good}), 1);
    EXPECT_EQ(Rows(), "A@1");
}

INSTANTIATE_TEST_SUITE_P(
    Rules, RefusedChangeTest,
    ::testing::Values(Refusal{"ALTER TABLE readings ADD CONSTRAINT no_x CHECK (code <> 'X')",
                              Reading(Kind::kPut, 2, 2, "X"), "no_x"},
                      Refusal{"ALTER TABLE readings ALTER code TYPE varchar(3)",
                              Reading(Kind::kAdd, 2, 2, "TOO LONG"), "too long"},
                      Refusal{"",
                              [] {
                                  Change change = Reading(Kind::kRemove, 2, 2, "");
                                  change.reading_key = "not a key";
                                  return change;
                              }(),
                              "uuid"}));

// Tables made before forwarding, with and without reading_key: the readings are stored and
// read as ever, `check` notes what upgrade adds, forwarding is refused until it has.
TEST_F(ForwardingTest, ATableMadeBeforeIsUpgradedOnceAndThenForwardedTo) {
    for (const char* key_column :
         {", reading_key uuid NOT NULL DEFAULT gen_random_uuid() UNIQUE", ""}) {
        applier_ = postgres::OpenChangeApplier(Uri());
        ValueOf("DROP TABLE readings, tavix_forwarding");
        ValueOf(
            "CREATE TABLE readings (id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, "
            "code text COLLATE \"C\", qt double precision, terminal text, "
            "datetime timestamp(0) without time zone" +
            std::string(key_column) + ")");
        ValueOf("CREATE INDEX readings_code ON readings (code, id)");
        Database database = OpenDatabase(Uri());
        Recordset readings = database.OpenRecordset("Readings");
        AddReading(readings, "OLD");
        const std::vector<std::string> notes = OpenReadingsSource(Uri())->Notes();
        ASSERT_EQ(notes.size(), 1u);
        EXPECT_SAYS(notes[0], "tavix-admin upgrade URI");
        try {
            Apply({Reading(Kind::kPut, 1, 1, "A")});
            ADD_FAILURE() << "forwarded into an old table";
        } catch (const StoreError& error) {
            EXPECT_SAYS(error.what(), "tavix-admin upgrade URI");
        }
        EXPECT_EQ(postgres::UpgradeReadingsTable(Uri()).size(), *key_column == '\0' ? 4u : 3u);
        EXPECT_EQ(postgres::UpgradeReadingsTable(Uri()).size(), 0u);
        EXPECT_TRUE(OpenReadingsSource(Uri())->Notes().empty());
        EXPECT_TRUE(OpenReadingsSource(Uri())->Problems().empty());
        EXPECT_EQ(Apply({Reading(Kind::kPut, 1, 1, "A")}), 1);
        AddReading(readings, "NEW");
        EXPECT_EQ(ValueOf("SELECT string_agg(code, ' ' ORDER BY id) || ' ' || "
                          "count(DISTINCT reading_key) FROM readings"),
                  "OLD A NEW 3");
    }
}

}  // namespace
}  // namespace tavix::store
