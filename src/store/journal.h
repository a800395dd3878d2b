// The journal of an in-place save, as bytes, and the judgement a later run
// makes with it. Before a save overwrites the hosts file where it stands,
// it writes such a journal: the old and new sizes, the offset of the first
// byte the save changes, a hash of the bytes before it, the old bytes from
// there on, and a hash of each block of the new bytes from there on. Blocks
// end at multiples of kJournalBlock counted from the file's start: the unit
// in which a killed write or a power loss can leave a file part old, part
// new (a page of the cache, a sector of the disk). The format is defined by
// its bytes (little-endian words, hashes of hash.h that read bytes in a
// fixed order), so a journal reads the same on every system.
//
// A later run that finds the journal compares it with the file
// (JudgeFile): a file the save tore, with every block either its old bytes
// or the bytes the save wrote, gets its old bytes back; a file that holds
// exactly the old or the new bytes needs nothing; any other file was
// changed since (edited, replaced, another save) and is not the journal's
// to touch. No device or inode number is used: those change across boots
// and are reused by a file made anew.
//
// On disk: a magic, seven little-endian 64-bit words (old size, new size,
// offset, the hash before the offset, the number of old bytes, the number
// of block hashes, a checksum over everything), the old bytes, the block
// hashes. A journal cut short by a kill, or zeros left by a crash, fails the
// checksum: such a journal was never complete, so the file was never
// touched under it.
#ifndef QUORVANE_STORE_JOURNAL_H_
#define QUORVANE_STORE_JOURNAL_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

inline constexpr uint64_t kJournalBlock = 512;
// Runs of ForEachRun end at multiples of this: 1 MiB, a whole number of
// blocks.
inline constexpr uint64_t kJournalRun = 2048 * kJournalBlock;

struct Journal {
  uint64_t old_size = 0;
  uint64_t new_size = 0;
  uint64_t offset = 0;           // the first byte the save changes
  uint64_t before = 0;           // the hash of the bytes before `offset`
  std::string_view old_bytes;    // the old bytes from `offset` to `old_size`
  std::vector<uint64_t> blocks;  // the new bytes' hashes, block by block
};

// Where the new content, the concatenation of `pieces`, first differs from
// `old_bytes` (their common length when one is the start of the other).
size_t FirstChange(const std::vector<std::string_view>& pieces,
                   std::string_view old_bytes);

// Calls `run(at, bytes)` over the concatenation of `pieces` from byte
// `from` on, in consecutive runs that end at multiples of kJournalRun or at
// the end, so that a run written in one call can tear only at a block's
// edge; a run within one piece is a view of it, others are put together in
// a buffer of their own.
void ForEachRun(const std::vector<std::string_view>& pieces, uint64_t from,
                const std::function<void(uint64_t, std::string_view)>& run);

// The journal of a save from `old_bytes` to the concatenation of `pieces`.
// Its old_bytes point into `old_bytes`.
Journal MakeJournal(std::string_view old_bytes,
                    const std::vector<std::string_view>& pieces);

// The journal on disk is JournalHead, then old_bytes, then JournalHashes.
std::string JournalHead(const Journal& journal);
std::string JournalHashes(const Journal& journal);

// Reads a journal from its bytes: false when they are not a whole journal
// (cut short, damaged, or something else). On success `journal->old_bytes`
// points into `bytes`.
bool ParseJournal(std::string_view bytes, Journal* journal);

enum class FileState {
  kOld,      // exactly the old bytes
  kNew,      // exactly the new bytes
  kTorn,     // the save stopped part way: each block old or as written
  kChanged,  // anything else
};

// What the file holding `file` is, as far as the journal's save goes.
FileState JudgeFile(const Journal& journal, std::string_view file);

}  // namespace quorvane

#endif  // QUORVANE_STORE_JOURNAL_H_
