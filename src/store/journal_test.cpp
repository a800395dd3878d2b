// A journal reads back only whole, and a save's runs end on run edges.
#include "store/journal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvane {
namespace {

TEST(JournalTest, RunsCoverTheContentAndEndOnlyAtRunEdges) {
  const std::string big(kJournalRun + 700, 'b');
  const std::vector<std::string_view> pieces = {
      "abc", big, std::string_view(big).substr(0, kJournalRun - 5), "x", big};
  std::string content;
  for (std::string_view piece : pieces) content += piece;
  for (uint64_t from : {uint64_t{0}, uint64_t{2}, kJournalRun + 1}) {
    std::string seen;
    uint64_t next = from;
    ForEachRun(pieces, from, [&](uint64_t at, std::string_view run) {
      EXPECT_EQ(at, next);
      next = at + run.size();
      EXPECT_TRUE(next % kJournalRun == 0 || next == content.size()) << next;
      seen += run;
    });
    EXPECT_EQ(seen, content.substr(from));
  }
}

TEST(JournalTest, OnlyAWholeJournalIsRead) {
  const std::string old =
      "127.0.0.1 localhost\n192.0.2.1\tnas\t##Quorvane##\r\n";
  const std::string tail = std::string(1000, 'x') + "#192.0.2.1\tnas\r\n";
  const Journal journal = MakeJournal(old, {old.substr(0, 20), tail});
  const std::string bytes = JournalHead(journal) +
                            std::string(journal.old_bytes) +
                            JournalHashes(journal);

  Journal read;
  ASSERT_TRUE(ParseJournal(bytes, &read));
  EXPECT_EQ(read.offset, 20u);
  EXPECT_EQ(read.blocks.size(), 3u);  // [20, 512), [512, 1024), [1024, end)
  EXPECT_EQ(
      JournalHead(read) + std::string(read.old_bytes) + JournalHashes(read),
      bytes);
  // Cut short anywhere, or any byte changed: never taken for a journal.
  for (size_t size = 0; size < bytes.size(); ++size) {
    EXPECT_FALSE(ParseJournal(bytes.substr(0, size), &read)) << size;
  }
  for (size_t at = 0; at < bytes.size(); ++at) {
    std::string damaged = bytes;
    damaged[at] = damaged[at] == '\0' ? '\1' : '\0';
    EXPECT_FALSE(ParseJournal(damaged, &read)) << at;
  }
}

}  // namespace
}  // namespace quorvane
