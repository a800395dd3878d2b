// Fixed-width numbers as bytes, the first byte lowest whatever the
// machine's own order: a hash or a journal that a later run (or another
// system) reads back is a file format, defined by its bytes. Compilers make
// each of these one load or store (and a byte swap on a big-endian machine).
#ifndef QUORVANE_STORE_CODING_H_
#define QUORVANE_STORE_CODING_H_

#include <cstdint>
#include <string>

namespace quorvane {

inline uint64_t DecodeFixed64(const void* bytes) {
  auto p = static_cast<const unsigned char*>(bytes);
  uint64_t word = 0;
  for (int i = 7; i >= 0; --i) word = word << 8 | p[i];
  return word;
}

inline void PutFixed64(std::string* out, uint64_t word) {
  for (int i = 0; i < 8; ++i) out->push_back(static_cast<char>(word >> 8 * i));
}

}  // namespace quorvane

#endif  // QUORVANE_STORE_CODING_H_
