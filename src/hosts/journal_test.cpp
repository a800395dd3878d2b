#include "hosts/journal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvane {
namespace {

TEST(JournalTest, FirstChangeIsWhereTheNewBytesLeaveTheOld) {
  const std::string old = "abc\ndef\n";
  const struct {
    std::vector<std::string_view> pieces;
    size_t first;
  } cases[] = {
      {{"abc\n", "def\n"}, 8},       // the same bytes
      {{"abc\n", "dXf\n"}, 5},       // a change in a later piece
      {{"ab", "c\nd", "ef\n#"}, 8},  // longer: the old end
      {{"abc\n"}, 4},                // shorter: the new end
      {{"#abc\n", "def\n"}, 0},
      {{}, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(FirstChange(c.pieces, old), c.first);
}

TEST(JournalTest, OnlyAWholeJournalIsRead) {
  const std::string old_tail = "192.0.2.1\tnas\t##Quorvane##\r\n";
  Journal journal;
  journal.volume = 0x0102030405060708u;
  journal.file = 42;
  journal.old_size = 21 + old_tail.size();
  journal.offset = 21;
  journal.old_bytes = old_tail;
  const std::string bytes = JournalHead(journal) + old_tail;

  Journal read;
  ASSERT_TRUE(ParseJournal(bytes, &read));
  EXPECT_EQ(read.volume, journal.volume);
  EXPECT_EQ(read.file, journal.file);
  EXPECT_EQ(read.old_size, journal.old_size);
  EXPECT_EQ(read.offset, journal.offset);
  EXPECT_EQ(read.old_bytes, old_tail);
  // Cut short anywhere, or any byte changed (zeros from a crash included):
  // never taken for a journal.
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
