// Fuzz target: the restore scan over any hosts file, against the reference
// of tests/support/reference_scans.h; a second restore changes nothing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "check.h"
#include "hosts/restore_hosts.h"
#include "support/reference_scans.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quorvane;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  HostsFile hosts;
  hosts.SetBytes(std::string(bytes));
  CHECK(hosts.Content() == bytes);  // a load and save without change
  LinesChanged changed = DisableManagedLines(&hosts);
  CHECK((Outcome{hosts.Content(), changed.printed, changed.count}) ==
        ReferenceRestore(bytes));
  HostsFile again;
  again.SetBytes(hosts.Content());
  CHECK(DisableManagedLines(&again).count == 0);
  return 0;
}
