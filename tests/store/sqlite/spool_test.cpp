#include <gtest/gtest.h>
#include <sys/stat.h>

#include "store/forwarding.hpp"
#include "store/sqlite/forwarding.hpp"
#include "support/temp_dir.hpp"

namespace tavix::store {
namespace {

using forwarding::Change;

mode_t ModeOf(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
}

TEST(SpoolTest, KeepsReadingsAsReadingsAreStoredUntilTheServerHoldsThem) {
    testing::TempDir folder;
    const std::string path = folder.File("var/lib/tavix/spool.db");
    const std::shared_ptr<ReadingKeeper> spool = OpenSpool(path);
    EXPECT_EQ(ModeOf(folder.File("var")), 0u) << "made before a reading was kept";

    const Value at = *Timestamp::FromParts(2024, 5, 6, 7, 8, 9);
    const mode_t umask_before = ::umask(077);
    spool->Keep("k1", {Value("A"), Value(std::int64_t{2}), Value("007"), at});
    spool->Keep("k2", {Value("B"), Value(1.5), Value(std::int64_t{7}), at});
    OpenSpool(path)->Keep("k1", {Value("A"), Value(2.0), Value("007"), at});  // another session
    ::umask(umask_before);
    // Shared by the users of a host whatever their umask.
    for (const std::string& made : {folder.File("var"), folder.File("var/lib/tavix")}) {
        EXPECT_EQ(ModeOf(made), 0775u) << made;
    }
    for (const std::string& made : {path, path + "-wal", path + "-shm"}) {
        EXPECT_EQ(ModeOf(made), 0664u) << made;
    }

    const auto queue = sqlite::OpenChangeQueue(path, History::kQueue);
    const forwarding::Batch batch = queue->Next(0, 100);
    ASSERT_EQ(batch.changes.size(), 2u) << "a reading kept twice is kept once";
    const Change& first = batch.changes[0];
    EXPECT_EQ(first.kind, Change::Kind::kAdd);
    EXPECT_EQ(first.reading_key, "k1");
    EXPECT_EQ(first.source_id, 0);
    EXPECT_EQ(batch.through, batch.changes[1].sequence);
    // As the readings table holds them: qt a real, terminal as given, DateTime as SQLite's text.
    EXPECT_EQ(first.reading[1].kind, StoredField::Kind::kReal);
    EXPECT_EQ(first.reading[1].real, 2.0);
    EXPECT_EQ(first.reading[2].text, "007");
    EXPECT_EQ(batch.changes[1].reading[2].kind, StoredField::Kind::kInteger);
    EXPECT_EQ(first.reading[3].text, "2024-05-06 07:08:09");

    queue->Acknowledge(first.sequence);
    const std::optional<QueueState> state = ReadQueueState(path);
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->spool);
    EXPECT_EQ(state->waiting, 1);
    EXPECT_TRUE(state->oldest);
    EXPECT_EQ(state->problems, std::vector<std::string>());
    const forwarding::Batch rest = queue->Next(0, 100);
    ASSERT_EQ(rest.changes.size(), 1u);
    EXPECT_EQ(rest.changes[0].reading_key, "k2");
}

}  // namespace
}  // namespace tavix::store
