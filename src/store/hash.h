// The one hash of the program: FNV-1a, 64 bits. It names things (the hosts
// lock, a journal kept for a hosts file elsewhere), checks that a journal
// is whole, and tells whether a block of the hosts file holds the bytes a
// save wrote. None of these is a defence against someone choosing bytes to
// collide: only root (the system's administrators) can write the files
// hashed, so it needs to tell apart accidents alone. Its values are part of
// the files and names it makes (a journal a later run reads, the Windows
// lock's name other runs must find): they depend on the bytes alone, never
// on the machine, and must not change.
#ifndef QUORVANE_STORE_HASH_H_
#define QUORVANE_STORE_HASH_H_

#include <cstdint>
#include <string_view>

#include "store/coding.h"

namespace quorvane {

inline constexpr uint64_t kFnvBasis = 14695981039346656037ull;

// How Fnv1a reads its bytes: as they are, or as a Windows path, with ASCII
// letters as upper case and '/' as '\\', so that two spellings of one path
// give one hash.
enum class Spelling { kBytes, kWindowsPath };

// FNV-1a over `bytes`, continuing from `hash`.
inline uint64_t Fnv1a(std::string_view bytes, uint64_t hash = kFnvBasis,
                      Spelling spelling = Spelling::kBytes) {
  const bool fold = spelling == Spelling::kWindowsPath;
  for (char c : bytes) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (fold && byte >= 'a' && byte <= 'z') byte -= 'a' - 'A';
    if (fold && byte == '/') byte = '\\';
    hash = (hash ^ byte) * 1099511628211ull;
  }
  return hash;
}

// The same step over eight bytes at a time (DecodeFixed64), with the
// high half folded back after each so that every bit reaches the low ones:
// for bulk bytes, several times faster than Fnv1a.
inline uint64_t HashBytes(std::string_view bytes, uint64_t hash = kFnvBasis) {
  size_t at = 0;
  for (; at + 8 <= bytes.size(); at += 8) {
    hash = (hash ^ DecodeFixed64(bytes.data() + at)) * 1099511628211ull;
    hash ^= hash >> 32;
  }
  return Fnv1a(bytes.substr(at), hash);
}

}  // namespace quorvane

#endif  // QUORVANE_STORE_HASH_H_
