// Fuzz target: the restore scan over any hosts file. Beside "no crash", it
// checks that a load keeps the file's bytes; that the restore only adds "#"
// bytes, one at the start of each active managed line and nowhere else;
// that no active managed line is left; that the count and the printed lines
// are exactly the changes; and that a second restore changes nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check.h"
#include "hosts/hosts_file.h"
#include "hosts/managed_line.h"
#include "hosts/restore_hosts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quorvane;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  HostsFile hosts;
  hosts.SetBytes(std::string(bytes));
  CHECK(hosts.Content() == bytes);  // a load and save without change
  const std::vector<std::string> before = Lines(bytes);

  LinesChanged changed = DisableManagedLines(&hosts);
  const std::vector<std::string> after = Lines(hosts.Content());
  CHECK(after.size() == before.size());
  int count = 0;
  std::string printed;
  for (size_t k = 0; k < before.size(); ++k) {
    std::string_view now = after[k];
    bool active =
        before[k][0] != '#' && before[k].find(kMarker) != std::string::npos;
    if (active) {
      CHECK(now == "#" + before[k]);
      ++count;
      printed += now;
    } else {
      CHECK(now == before[k]);
    }
    CHECK(now[0] == '#' || now.find(kMarker) == std::string_view::npos);
  }
  CHECK(changed.count == count);
  CHECK(changed.printed == printed);
  std::string content = hosts.Content();
  CHECK(content.size() == bytes.size() + count);

  HostsFile again;
  again.SetBytes(content);
  CHECK(DisableManagedLines(&again).count == 0);
  CHECK(again.Content() == content);
  return 0;
}
