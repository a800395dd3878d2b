// The one hash of the program: FNV-1a, 64 bits. It names things (the hosts
// lock, a journal kept for a hosts file elsewhere), checks that a journal
// is whole, and tells whether a block of the hosts file holds the bytes a
// save wrote. None of these is a defence against someone choosing bytes to
// collide: only root (the system's administrators) can write the files
// hashed, so it needs to tell apart accidents alone.
#ifndef QUORVANE_HOSTS_HASH_H_
#define QUORVANE_HOSTS_HASH_H_

#include <cstdint>
#include <string_view>

namespace quorvane {

inline constexpr uint64_t kFnvBasis = 14695981039346656037ull;

// FNV-1a over `bytes`, continuing from `hash`. With `fold`, ASCII letters
// count as upper case and '/' as '\\': two spellings of one Windows path
// give one hash.
inline uint64_t Fnv1a(std::string_view bytes, uint64_t hash = kFnvBasis,
                      bool fold = false) {
  for (char c : bytes) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (fold && byte >= 'a' && byte <= 'z') byte -= 'a' - 'A';
    if (fold && byte == '/') byte = '\\';
    hash = (hash ^ byte) * 1099511628211ull;
  }
  return hash;
}

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_HASH_H_
