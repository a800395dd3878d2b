// Fuzz target for the update and restore scans over arbitrary bytes, against
// the reference of tests/support/reference_scans.h; the first byte picks one
// (seeds in corpus/scans start with it):
//  'u' the update scan; the input is the names, one a line, up to the first
//      NUL byte, then the hosts file's bytes;
//  'r' the restore scan; a second restore changes nothing.
// (The list-file reader is pinned by its unit table, ini_file_test.cpp.)
// A failed property prints itself and aborts; libFuzzer keeps the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "hosts/restore_hosts.h"
#include "hosts/update_hosts.h"
#include "names/ini_file.h"
#include "support/reference_scans.h"

#define CHECK(property)                                                   \
  do {                                                                    \
    if (!(property)) {                                                    \
      fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, \
              #property);                                                 \
      abort();                                                            \
    }                                                                     \
  } while (0)

namespace quorvane {
namespace {

void CheckUpdate(std::string_view input) {
  size_t nul = input.find('\0');
  std::string_view names = input.substr(0, nul);
  std::string_view bytes =
      nul == std::string_view::npos ? "" : input.substr(nul + 1);
  // Names as the command line lets them through.
  IniFile pairs;
  for (size_t start = 0; start < names.size() && pairs.Count() < 6;) {
    size_t end = std::min(names.find('\n', start), names.size());
    std::string_view name = names.substr(start, end - start);
    if (IsHostName(name)) {
      pairs.Add("192.0.2." + std::to_string(pairs.Count() + 1), name);
    }
    start = end + 1;
  }
  Outcome want = ReferenceUpdate(bytes, pairs.ip, pairs.name);
  HostsFile hosts{std::string(bytes)};
  CHECK(Saved(hosts) == bytes);  // a load and save without change
  LinesChanged changed = UpdateLines(&hosts, &pairs);
  CHECK((Outcome{Saved(hosts), changed.printed, changed.count}) == want);
}

void CheckRestore(std::string_view bytes) {
  HostsFile hosts{std::string(bytes)};
  CHECK(Saved(hosts) == bytes);
  LinesChanged changed = DisableManagedLines(&hosts);
  CHECK((Outcome{Saved(hosts), changed.printed, changed.count}) ==
        ReferenceRestore(bytes));
  HostsFile again(Saved(hosts));
  CHECK(DisableManagedLines(&again).count == 0);
}

}  // namespace
}  // namespace quorvane

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0]) {
    case 'u':
      quorvane::CheckUpdate(bytes);
      break;
    case 'r':
      quorvane::CheckRestore(bytes);
      break;
  }
  return 0;
}
