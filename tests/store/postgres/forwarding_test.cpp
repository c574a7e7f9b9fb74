#include "store/postgres/forwarding.hpp"

#include <cstdio>

#include "readings_server.hpp"
#include "store/readings_source.hpp"

#define EXPECT_SAYS(text, part) EXPECT_NE(std::string(text).find(part), std::string::npos) << (text)

namespace tavix::store {
namespace {

using forwarding::Change;
using Kind = Change::Kind;

constexpr const char* kSource = "0b8e8a5e-3f4c-4d7a-9b1e-2c3d4e5f6a7b";

// A change of the reading with key n, which is row n of the terminal's file.
Change Reading(Kind kind, std::int64_t sequence, int n, std::string code) {
    char key[40];
    std::snprintf(key, sizeof key, "00000000-0000-4000-8000-%012d", n);
    return {sequence,
            key,
            kind,
            n,
            {StoredField{StoredField::Kind::kText, 0, 0, std::move(code)},
             StoredField{StoredField::Kind::kReal, 0, 2.5, {}},
             StoredField{StoredField::Kind::kInteger, 6, 0, {}},
             StoredField{StoredField::Kind::kText, 0, 0, "2026-12-07 10:00:00.5"}}};
}

class ForwardingTest : public ReadingsOnServer {
  protected:
    // The changes applied as one batch: the last sequence applied, or what failed ("refused: "
    // when for good).
    std::string Apply(const std::vector<Change>& changes) {
        try {
            return std::to_string(applier_->Apply(kSource, "t6:/data/readings.db",
                                                  {changes, changes.back().sequence}));
        } catch (const forwarding::ChangeRefused& refused) {
            return std::string("refused: ") + refused.what();
        } catch (const StoreError& error) {
            return error.what();
        }
    }
    // "code@row" of every reading in key order, the row for a forwarded one only.
    std::string Rows() {
        return ValueOf(
            "SELECT string_agg(code || coalesce('@' || source_id, ''), ' ' ORDER BY "
            "reading_key) FROM readings");
    }

    std::unique_ptr<forwarding::ChangeApplier> applier_ = postgres::OpenChangeApplier(Uri());
};

// Values as tavix-admin copy converts them, a resend skipped, the terminal's later change
// winning over the server's, a spooled reading added only when absent, a removal.
TEST_F(ForwardingTest, EachChangeIsAppliedOnceInOrder) {
    const std::vector<Change> first{Reading(Kind::kPut, 1, 1, "A"), Reading(Kind::kPut, 2, 2, "B"),
                                    Reading(Kind::kPut, 3, 3, "C")};
    EXPECT_EQ(Apply(first), "3");
    EXPECT_EQ(ValueOf("SELECT concat_ws('|', qt, terminal, datetime, r.source, origin) FROM "
                      "readings r, tavix_forwarding WHERE source_id = 1"),
              "2.5|6|2026-12-07 10:00:00|" + std::string(kSource) + "|t6:/data/readings.db");
    ValueOf("UPDATE readings SET code = 'psql' WHERE source_id IN (1, 3)");
    EXPECT_EQ(Apply(first), "3");
    EXPECT_EQ(Apply({Reading(Kind::kPut, 3, 3, "stale"), Reading(Kind::kPut, 4, 1, "A2"),
                     Reading(Kind::kRemove, 5, 2, ""), Reading(Kind::kAdd, 6, 3, "spooled"),
                     Reading(Kind::kAdd, 7, 4, "D")}),
              "7");
    EXPECT_EQ(Rows(), "A2@1 psql@3 D");
    EXPECT_EQ(applier_->AppliedThrough(kSource), 7);
}

// A change the table cannot hold refuses its whole batch, and alone it is named; the changes
// after it go on.
TEST_F(ForwardingTest, ARefusedChangeAppliesNothingOfItsBatch) {
    Change not_a_key = Reading(Kind::kRemove, 0, 0, "");
    not_a_key.reading_key = "not a key";
    const std::tuple<const char*, Change, const char*> refusals[] = {
        {"ALTER TABLE readings ADD CONSTRAINT no_x CHECK (code <> 'X')",
         Reading(Kind::kPut, 0, 8, "X"), "no_x"},
        {"SELECT 1", not_a_key, "uuid"}};
    for (int row = 0; auto [rule, refused, said] : refusals) {
        ValueOf(rule);
        refused.sequence = row += 2;
        const Change good = Reading(Kind::kPut, row - 1, 1, "A" + std::to_string(row));
        const std::string before = Rows();
        EXPECT_SAYS(Apply({good, refused}), "refused: ");
        EXPECT_EQ(Rows(), before);
        EXPECT_SAYS(Apply({refused}), "refused: " + Uri() +
                                          ": cannot forward the change of the reading " +
                                          refused.reading_key);
        EXPECT_SAYS(Apply({refused}), said);
        EXPECT_EQ(Apply({good}), std::to_string(good.sequence));
    }
}

// Tables made before forwarding, with and without reading_key: `check` notes what upgrade adds,
// forwarding is refused until it has added it, and the readings there get their keys.
TEST_F(ForwardingTest, ATableMadeBeforeIsUpgradedOnceAndThenForwardedTo) {
    for (const char* key : {", reading_key uuid NOT NULL DEFAULT gen_random_uuid() UNIQUE", ""}) {
        applier_ = postgres::OpenChangeApplier(Uri());
        ValueOf("DROP TABLE readings, tavix_forwarding");
        ValueOf(
            "CREATE TABLE readings (id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, code "
            "text COLLATE \"C\", qt double precision, terminal text, datetime timestamp(0)" +
            std::string(key) + ")");
        ValueOf("CREATE INDEX readings_code ON readings (code, id)");
        ValueOf("INSERT INTO readings (code) VALUES ('OLD'), ('OLD')");
        EXPECT_SAYS(OpenReadingsSource(Uri())->Notes().at(0), "tavix-admin upgrade URI");
        EXPECT_SAYS(Apply({Reading(Kind::kPut, 1, 1, "A")}), "tavix-admin upgrade URI");
        EXPECT_EQ(postgres::UpgradeReadingsTable(Uri()).size(), *key == '\0' ? 4u : 3u);
        EXPECT_EQ(postgres::UpgradeReadingsTable(Uri()).size(), 0u);
        EXPECT_TRUE(OpenReadingsSource(Uri())->Notes().empty());
        EXPECT_TRUE(OpenReadingsSource(Uri())->Problems().empty());
        EXPECT_EQ(Apply({Reading(Kind::kPut, 1, 1, "A")}), "1");
        EXPECT_EQ(ValueOf("SELECT count(DISTINCT reading_key) FROM readings"), "3");
    }
}

}  // namespace
}  // namespace tavix::store
