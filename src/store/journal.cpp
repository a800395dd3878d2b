#include "store/journal.h"

#include <algorithm>

#include "store/coding.h"
#include "store/hash.h"

namespace quorvane {

namespace {

constexpr std::string_view kMagic("QvJrnl2\n", 8);
constexpr size_t kWords = 7;
constexpr size_t kHeadSize = kMagic.size() + kWords * 8;

// The end of the block that starts at `at`.
uint64_t BlockEnd(uint64_t at, uint64_t end) {
  return std::min((at / kJournalBlock + 1) * kJournalBlock, end);
}

// The head's words and the block hashes, as written: all but the old bytes.
std::string Words(const Journal& journal) {
  std::string words;
  for (uint64_t word :
       {journal.old_size, journal.new_size, journal.offset, journal.before,
        uint64_t{journal.old_bytes.size()}, uint64_t{journal.blocks.size()}}) {
    PutFixed64(&words, word);
  }
  return words;
}

uint64_t Checksum(std::string_view words, std::string_view old_bytes,
                  std::string_view hashes) {
  return HashBytes(hashes, HashBytes(old_bytes, HashBytes(words)));
}

// The part of `bytes` (a file's content from byte 0) in [from, to).
std::string_view Span(std::string_view bytes, uint64_t from, uint64_t to) {
  from = std::min<uint64_t>(from, bytes.size());
  to = std::min<uint64_t>(to, bytes.size());
  return from < to ? bytes.substr(from, to - from) : std::string_view();
}

}  // namespace

size_t FirstChange(const std::vector<std::string_view>& pieces,
                   std::string_view old_bytes) {
  size_t offset = 0;
  for (std::string_view piece : pieces) {
    std::string_view old = old_bytes.substr(std::min(offset, old_bytes.size()));
    auto [mismatch, ignored] =
        std::mismatch(piece.begin(), piece.end(), old.begin(), old.end());
    size_t same = mismatch - piece.begin();
    if (same < piece.size()) return offset + same;
    offset += piece.size();
  }
  return std::min(offset, old_bytes.size());
}

void ForEachRun(const std::vector<std::string_view>& pieces, uint64_t from,
                const std::function<void(uint64_t, std::string_view)>& run) {
  std::string buffer;
  uint64_t start = from;  // of the run being gathered
  uint64_t at = 0;        // of the piece
  for (std::string_view piece : pieces) {
    const uint64_t end = at + piece.size();
    for (uint64_t pos = std::max(at, from); pos < end;) {
      const uint64_t run_end = (start / kJournalRun + 1) * kJournalRun;
      const uint64_t part_end = std::min(end, run_end);
      std::string_view part = piece.substr(pos - at, part_end - pos);
      if (part_end == run_end && buffer.empty()) {
        run(start, part);
      } else {
        buffer.append(part);
        if (part_end == run_end) {
          run(start, buffer);
          buffer.clear();
        }
      }
      if (part_end == run_end) start = run_end;
      pos = part_end;
    }
    at = end;
  }
  if (!buffer.empty()) run(start, buffer);
}

Journal MakeJournal(std::string_view old_bytes,
                    const std::vector<std::string_view>& pieces) {
  Journal journal;
  journal.old_size = old_bytes.size();
  journal.offset = FirstChange(pieces, old_bytes);
  journal.before = HashBytes(old_bytes.substr(0, journal.offset));
  journal.old_bytes = old_bytes.substr(journal.offset);
  uint64_t size = 0;
  for (std::string_view piece : pieces) size += piece.size();
  journal.new_size = size;
  ForEachRun(
      pieces, journal.offset, [&journal](uint64_t at, std::string_view bytes) {
        const uint64_t end = at + bytes.size();
        for (uint64_t block = at; block < end; block = BlockEnd(block, end)) {
          journal.blocks.push_back(HashBytes(
              bytes.substr(block - at, BlockEnd(block, end) - block)));
        }
      });
  return journal;
}

std::string JournalHead(const Journal& journal) {
  std::string words = Words(journal);
  std::string head(kMagic);
  head += words;
  PutFixed64(&head, Checksum(words, journal.old_bytes, JournalHashes(journal)));
  return head;
}

std::string JournalHashes(const Journal& journal) {
  std::string hashes;
  hashes.reserve(journal.blocks.size() * 8);
  for (uint64_t hash : journal.blocks) PutFixed64(&hashes, hash);
  return hashes;
}

bool ParseJournal(std::string_view bytes, Journal* journal) {
  if (bytes.size() < kHeadSize || bytes.substr(0, kMagic.size()) != kMagic) {
    return false;
  }
  uint64_t words[kWords];
  for (size_t i = 0; i < kWords; ++i) {
    words[i] = DecodeFixed64(bytes.data() + kMagic.size() + 8 * i);
  }
  Journal found;
  found.old_size = words[0];
  found.new_size = words[1];
  found.offset = words[2];
  found.before = words[3];
  uint64_t old_count = words[4], block_count = words[5];
  uint64_t rest = bytes.size() - kHeadSize;
  if (old_count > rest || block_count > (rest - old_count) / 8 ||
      rest != old_count + block_count * 8 || found.offset > found.old_size ||
      found.offset > found.new_size ||
      old_count != found.old_size - found.offset) {
    return false;
  }
  found.old_bytes = bytes.substr(kHeadSize, old_count);
  std::string_view hashes = bytes.substr(kHeadSize + old_count);
  for (uint64_t i = 0; i < block_count; ++i) {
    found.blocks.push_back(DecodeFixed64(hashes.data() + 8 * i));
  }
  // As many hashes as the new bytes have blocks.
  uint64_t blocks = found.new_size > found.offset
                        ? (found.new_size - 1) / kJournalBlock -
                              found.offset / kJournalBlock + 1
                        : 0;
  if (blocks != block_count ||
      words[6] != Checksum(Words(found), found.old_bytes, hashes)) {
    return false;
  }
  *journal = std::move(found);
  return true;
}

FileState JudgeFile(const Journal& journal, std::string_view file) {
  const uint64_t size = file.size(),
                 end = std::max(journal.old_size, journal.new_size);
  if (size < journal.offset || size > end ||
      HashBytes(file.substr(0, journal.offset)) != journal.before) {
    return FileState::kChanged;
  }
  // The old content, addressed from the file's start.
  auto old = [&journal](uint64_t from, uint64_t to) {
    from = std::max(from, journal.offset) - journal.offset;
    to = std::max(to, journal.offset) - journal.offset;
    return Span(journal.old_bytes, from, to);
  };
  bool all_old = size == journal.old_size, all_new = size == journal.new_size;
  size_t block = 0;
  for (uint64_t at = journal.offset; at < end; at = BlockEnd(at, end)) {
    const uint64_t to = BlockEnd(at, end);
    std::string_view here = Span(file, at, to);
    bool is_old =
        here == old(at, journal.old_size < to ? journal.old_size : to);
    // As the save leaves it: the new bytes, and after them (when the file
    // shrinks) the old ones until the file is cut.
    bool is_new = false, is_written = false;
    if (at < journal.new_size) {
      uint64_t new_end = std::min(to, journal.new_size);
      std::string_view tail = old(new_end, std::min(to, journal.old_size));
      bool hashed =
          here.size() >= new_end - at &&
          HashBytes(here.substr(0, new_end - at)) == journal.blocks[block];
      is_new = hashed && here.size() == new_end - at;
      is_written = hashed && here.substr(new_end - at) == tail;
      ++block;
    } else {
      is_new = here.empty();
      is_written = here == old(at, std::min(to, journal.old_size));
    }
    if (!is_old && !is_new && !is_written) return FileState::kChanged;
    all_old = all_old && is_old;
    all_new = all_new && is_new;
  }
  if (all_old) return FileState::kOld;
  if (all_new) return FileState::kNew;
  return FileState::kTorn;
}

}  // namespace quorvane
