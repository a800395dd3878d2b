// Fuzz target: the update scan over any hosts file and host names, against
// the reference of tests/support/reference_scans.h. The input is the names,
// one a line, up to the first NUL byte, then the hosts file's bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "check.h"
#include "hosts/update_hosts.h"
#include "support/reference_scans.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quorvane;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t nul = input.find('\0');
  std::string_view names = input.substr(0, nul);
  std::string_view bytes =
      nul == std::string_view::npos ? "" : input.substr(nul + 1);

  // Names as the command line lets them through: not empty, no CR or LF.
  IniFile pairs;
  for (size_t start = 0; start < names.size() && pairs.Count() < 6;) {
    size_t end = std::min(names.find('\n', start), names.size());
    std::string_view name = names.substr(start, end - start);
    if (!name.empty() && name.find('\r') == std::string_view::npos) {
      pairs.Add("192.0.2." + std::to_string(pairs.Count() + 1), name);
    }
    start = end + 1;
  }
  Outcome want = ReferenceUpdate(bytes, pairs.ip, pairs.name);
  HostsFile hosts;
  hosts.SetBytes(std::string(bytes));
  CHECK(hosts.Content() == bytes);  // a load and save without change
  LinesChanged changed = UpdateLines(&hosts, &pairs);
  CHECK((Outcome{hosts.Content(), changed.printed, changed.count}) == want);
  return 0;
}
