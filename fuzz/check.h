// Fuzz support: a property that must hold for every input. A failure prints
// the property and aborts, which libFuzzer reports as a crash and keeps the
// input that caused it.
#ifndef QUORVANE_FUZZ_CHECK_H_
#define QUORVANE_FUZZ_CHECK_H_

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#define CHECK(property)                                                   \
  do {                                                                    \
    if (!(property)) {                                                    \
      fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, \
              #property);                                                 \
      abort();                                                            \
    }                                                                     \
  } while (0)

namespace quorvane {

// The lines of `bytes` in order, each with its line break; the last may
// lack one. Cut here by hand, apart from the code under test.
inline std::vector<std::string> Lines(std::string_view bytes) {
  std::vector<std::string> lines;
  while (!bytes.empty()) {
    size_t end = std::min(bytes.find('\n'), bytes.size() - 1) + 1;
    lines.emplace_back(bytes.substr(0, end));
    bytes.remove_prefix(end);
  }
  return lines;
}

}  // namespace quorvane

#endif  // QUORVANE_FUZZ_CHECK_H_
