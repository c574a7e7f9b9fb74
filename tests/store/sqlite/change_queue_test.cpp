#include <map>
#include <sstream>

#include "readings_file.hpp"
#include "store/forwarding.hpp"
#include "store/readings_source.hpp"
#include "store/sqlite/forwarding.hpp"

namespace tavix::store {
namespace {

namespace table = readings_table;
using forwarding::Change;

// A file with readings A (id 1) and B (id 2), prepared, its queue read by the forwarder.
class QueuedReadingsFile : public OpenReadingsFile {
  protected:
    void Prepare(History history) {
        AddReading(readings_, "A");
        AddReading(readings_, "B");
        queue_ = sqlite::OpenChangeQueue(path_, history);
        for (const auto& row : SqliteFile(path_).Rows(
                 "SELECT k.ReadingKey, r.code FROM TavixReadingKeys k, Readings r "
                 "WHERE r.rowid = k.ReadingID")) {
            key_names_[row[0]] = "k" + row[1];
        }
    }

    // "add C", "edit A A2", "delete B": the program's recordset; "ack", "aside": the
    // forwarder; anything else: SQL, as sqlite3 would run it.
    void Run(const std::string& step) {
        std::istringstream words(step);
        std::string verb, code, new_code;
        words >> verb >> code >> new_code;
        if (verb == "add") {
            AddReading(readings_, code);
        } else if (verb == "edit" || verb == "delete") {
            readings_.SetIndex(table::kCodeIndex);
            readings_.Seek("=", code);
            ASSERT_FALSE(readings_.NoMatch()) << step;
            if (verb == "delete") {
                readings_.Delete();
                return;
            }
            readings_.Edit();
            readings_.SetField(table::kCode, new_code);
            readings_.Update();
        } else if (verb == "ack") {
            queue_->Acknowledge(queue_->LastSequence());
        } else if (verb == "aside") {
            queue_->SetAside(queue_->Next(0, 100).changes.at(0), "refused for the test");
            EXPECT_EQ(SqliteFile(path_).Number("SELECT count(*) FROM TavixSetAside WHERE Reason "
                                               "= 'refused for the test'"),
                      1);
        } else {
            SqliteFile(path_).Run(step);
        }
    }

    // "put <id> <code> <key>" or "remove <key>"; the key is kA or kB, the first readings', or
    // new.
    std::string Described(const Change& change) {
        const auto name = key_names_.find(change.reading_key);
        const std::string key = name == key_names_.end() ? "new" : name->second;
        if (change.kind == Change::Kind::kRemove) {
            return "remove " + key;
        }
        return "put " + std::to_string(change.source_id) + " " + change.reading[0].text + " " + key;
    }

    std::vector<std::string> Yielded(std::size_t at_most = 100) {
        std::vector<std::string> yielded;
        for (const Change& change : queue_->Next(0, at_most).changes) {
            yielded.push_back(Described(change));
        }
        return yielded;
    }

    std::unique_ptr<forwarding::ChangeQueue> queue_;
    std::map<std::string, std::string> key_names_;
};

struct QueueCase {
    const char* name;
    std::vector<std::string> steps;
    std::vector<std::string> yields;  // in the order of each reading's latest change
};

void PrintTo(const QueueCase& queue_case, std::ostream* out) {
    *out << queue_case.name;
}

const QueueCase kQueueCases[] = {
    {"RecordsetChanges",
     {"add C", "edit A A2", "delete B"},
     {"put 3 C new", "put 1 A2 kA", "remove kB"}},
    {"ChangesOfOneReadingCollapse", {"add C", "edit C C2", "edit C2 C3"}, {"put 3 C3 new"}},
    {"AddedThenDeleted", {"add C", "delete C"}, {"remove new"}},
    {"AcknowledgedIsNotGivenAgain", {"edit A A2", "ack", "edit B B2"}, {"put 2 B2 kB"}},
    {"SetAsideLetsTheNextGoOn", {"edit A A2", "edit B B2", "aside"}, {"put 2 B2 kB"}},
    {"SetAsideReadingChangedAgain", {"edit A A2", "aside", "edit A2 A3"}, {"put 1 A3 kA"}},
    {"SqlInsert", {"INSERT INTO Readings (code, qt) VALUES ('S', 2)"}, {"put 3 S new"}},
    {"SqlInsertOrReplace",
     {"INSERT OR REPLACE INTO Readings (id, code) VALUES (1, 'R')"},
     {"remove kA", "put 1 R new"}},
    {"SqlRowidChangeKeepsTheKey", {"UPDATE Readings SET id = 10 WHERE id = 1"}, {"put 10 A kA"}},
    {"SqlUpdateOrReplace",
     {"UPDATE OR REPLACE Readings SET id = 2 WHERE id = 1"},
     {"remove kB", "put 2 A kA"}},
    {"SqlDelete", {"DELETE FROM Readings"}, {"remove kA", "remove kB"}},
};

class ChangeQueueTest : public QueuedReadingsFile,
                        public ::testing::WithParamInterface<QueueCase> {};

TEST_P(ChangeQueueTest, YieldsEachChangedReadingOnceAsHeldNow) {
    Prepare(History::kQueue);
    Run("ack");
    for (const std::string& step : GetParam().steps) {
        Run(step);
    }
    const forwarding::Batch batch = queue_->Next(0, 100);
    EXPECT_EQ(Yielded(), GetParam().yields);
    EXPECT_EQ(batch.through, batch.changes.empty() ? 0 : queue_->LastSequence());
    // Read one sequence at a time, the latest change seen of each reading is the same.
    std::map<std::string, std::string> latest, one_by_one;
    for (const Change& change : batch.changes) {
        latest[change.reading_key] = Described(change);
    }
    for (forwarding::Batch one = queue_->Next(0, 1); !one.changes.empty();
         one = queue_->Next(one.through, 1)) {
        ASSERT_EQ(one.changes.size(), 1u);
        one_by_one[one.changes[0].reading_key] = Described(one.changes[0]);
    }
    EXPECT_EQ(one_by_one, latest);
}

INSTANTIATE_TEST_SUITE_P(Steps, ChangeQueueTest, ::testing::ValuesIn(kQueueCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A file's history is queued on its first use, or taken as sent already (copied before).
TEST_F(QueuedReadingsFile, HistoryIsQueuedOrMarkedSent) {
    struct {
        History history;
        std::vector<std::string> at_first, after_changes;
    } const kCases[] = {
        {History::kQueue,
         {"put 1 A kA", "put 2 B kB"},
         {"put 2 B kB", "put 1 A2 kA", "put 3 C new"}},
        {History::kMarkSent, {}, {"put 3 C new"}},
    };
    for (const auto& expected : kCases) {
        SCOPED_TRACE(expected.history == History::kQueue ? "queue" : "mark sent");
        SqliteFile(path_).Run(
            "DROP TRIGGER IF EXISTS TavixQueueInsert; DROP TRIGGER IF EXISTS TavixQueueUpdate;"
            "DROP TRIGGER IF EXISTS TavixQueueDelete; DROP TABLE IF EXISTS TavixForwarding;"
            "DROP TABLE IF EXISTS TavixReadingKeys; DROP TABLE IF EXISTS TavixOutbox;"
            "DROP TABLE IF EXISTS TavixSetAside; DELETE FROM Readings; DELETE FROM "
            "sqlite_sequence");
        Prepare(expected.history);
        PrepareForwarding(path_, History::kQueue);  // prepared once only
        EXPECT_EQ(Yielded(), expected.at_first);
        Run("edit A A2");
        Run("add C");
        EXPECT_EQ(Yielded(), expected.after_changes);
        EXPECT_EQ(OpenReadingsSource(path_)->Problems(), std::vector<std::string>());
        const std::optional<QueueState> state = ReadQueueState(path_);
        ASSERT_TRUE(state);
        EXPECT_EQ(state->waiting, queue_->Waiting());
        EXPECT_EQ(state->problems, std::vector<std::string>());
    }
}

// A file whose forwarding was tampered with no longer records every change: said, and refused.
TEST_F(QueuedReadingsFile, ChangedForwardingIsReportedAndRefused) {
    Prepare(History::kQueue);
    SqliteFile(path_).Run("DROP TRIGGER TavixQueueDelete");
    const std::optional<QueueState> state = ReadQueueState(path_);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->problems, std::vector<std::string>{"the trigger TavixQueueDelete is missing"});
    EXPECT_THROW(sqlite::OpenChangeQueue(path_, History::kQueue), StoreError);

    SqliteFile other(folder_.File("other.db"), SqliteFile::Open::kCreate);
    other.Run("CREATE TABLE Things (id INTEGER PRIMARY KEY)");
    EXPECT_FALSE(ReadQueueState(folder_.File("other.db")));
    EXPECT_THROW(PrepareForwarding(folder_.File("other.db"), History::kQueue), StoreError);
}

}  // namespace
}  // namespace tavix::store
