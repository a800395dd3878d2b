#include "hosts/journal.h"

#include <algorithm>

namespace quorvane {

namespace {

constexpr std::string_view kMagic("QvJrnl1\n", 8);
constexpr size_t kWords = 6;
constexpr size_t kHeadSize = kMagic.size() + kWords * 8;

void PutWord(std::string* out, uint64_t word) {
  for (int i = 0; i < 8; ++i) out->push_back(static_cast<char>(word >> 8 * i));
}

uint64_t GetWord(std::string_view bytes) {
  uint64_t word = 0;
  for (int i = 7; i >= 0; --i) {
    word = word << 8 | static_cast<unsigned char>(bytes[i]);
  }
  return word;
}

// FNV-1a over the five fields and the old bytes.
uint64_t Checksum(const Journal& journal) {
  uint64_t hash = 14695981039346656037ull;
  auto add = [&hash](unsigned char byte) {
    hash = (hash ^ byte) * 1099511628211ull;
  };
  for (uint64_t word : {journal.volume, journal.file, journal.old_size,
                        journal.offset, uint64_t{journal.old_bytes.size()}}) {
    for (int i = 0; i < 8; ++i) add(static_cast<unsigned char>(word >> 8 * i));
  }
  for (char c : journal.old_bytes) add(static_cast<unsigned char>(c));
  return hash;
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

std::string JournalHead(const Journal& journal) {
  std::string head(kMagic);
  for (uint64_t word :
       {journal.volume, journal.file, journal.old_size, journal.offset,
        uint64_t{journal.old_bytes.size()}, Checksum(journal)}) {
    PutWord(&head, word);
  }
  return head;
}

bool ParseJournal(std::string_view bytes, Journal* journal) {
  if (bytes.size() < kHeadSize || bytes.substr(0, kMagic.size()) != kMagic) {
    return false;
  }
  uint64_t words[kWords];
  for (size_t i = 0; i < kWords; ++i) {
    words[i] = GetWord(bytes.substr(kMagic.size() + 8 * i));
  }
  Journal found;
  found.volume = words[0];
  found.file = words[1];
  found.old_size = words[2];
  found.offset = words[3];
  found.old_bytes = bytes.substr(kHeadSize);
  if (words[4] != found.old_bytes.size() || words[4] > found.old_size ||
      found.offset != found.old_size - words[4] ||
      words[5] != Checksum(found)) {
    return false;
  }
  *journal = found;
  return true;
}

}  // namespace quorvane
