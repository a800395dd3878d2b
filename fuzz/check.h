// Fuzz support: a property that must hold for every input. A failure prints
// the property and aborts, which libFuzzer reports as a crash and keeps the
// input that caused it.
#ifndef QUORVANE_FUZZ_CHECK_H_
#define QUORVANE_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>
#include <string_view>

#define CHECK(property)                                                   \
  do {                                                                    \
    if (!(property)) {                                                    \
      fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, \
              #property);                                                 \
      abort();                                                            \
    }                                                                     \
  } while (0)

namespace quorvane {

// The hosts file's entries, in order, as one loaded HostsFile gives them.
template <typename Hosts>
void CheckEntriesAreTheLines(const Hosts& hosts, std::string_view bytes) {
  std::string_view rest = bytes;
  for (size_t i = 0; i < hosts.Count(); ++i) {
    std::string_view entry = hosts.Entry(i);
    CHECK(!entry.empty());
    CHECK(rest.substr(0, entry.size()) == entry);
    size_t lf = entry.find('\n');
    CHECK(lf == std::string_view::npos ? i + 1 == hosts.Count()
                                       : lf + 1 == entry.size());
    rest.remove_prefix(entry.size());
  }
  CHECK(rest.empty());
  CHECK(hosts.Content() == bytes);  // a load and save without change
}

}  // namespace quorvane

#endif  // QUORVANE_FUZZ_CHECK_H_
