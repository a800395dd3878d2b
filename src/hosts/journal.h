// The rollback journal of an in-place save, as bytes. Before a save
// overwrites the hosts file where it stands, it writes such a journal: the
// file's identity, its size, and its old bytes from the first byte the save
// changes on. A run that finds a whole journal for the same file writes
// those bytes back and cuts the file to its old size, so a save killed part
// way leaves the file as it was. The format is the same on every system;
// each file store writes, finds and applies it its own way.
//
// A journal is a fixed head (a magic, six little-endian 64-bit words: the
// volume or device, the file index or inode, the old size, the offset, the
// length of the old bytes, a checksum over all of it) and then the old
// bytes. A journal cut short by a kill, or zeros left by a crash, fails the
// checksum: such a journal was never complete, so the file was never
// touched under it.
#ifndef QUORVANE_HOSTS_JOURNAL_H_
#define QUORVANE_HOSTS_JOURNAL_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

struct Journal {
  uint64_t volume = 0;         // the file it guards: device or volume serial
  uint64_t file = 0;           // and inode or file index
  uint64_t old_size = 0;       // the file's size before the save
  uint64_t offset = 0;         // where the old bytes go back
  std::string_view old_bytes;  // the old bytes from `offset` to `old_size`
};

// Where the new content, the concatenation of `pieces`, first differs from
// `old_bytes` (their common length when one is the start of the other).
size_t FirstChange(const std::vector<std::string_view>& pieces,
                   std::string_view old_bytes);

// The head to write before `journal.old_bytes`; together they are the
// journal.
std::string JournalHead(const Journal& journal);

// Reads a journal from its bytes: false when they are not a whole journal
// (cut short, damaged, or something else). On success `journal->old_bytes`
// points into `bytes`.
bool ParseJournal(std::string_view bytes, Journal* journal);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_JOURNAL_H_
