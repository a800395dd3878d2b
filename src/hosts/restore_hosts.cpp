#include "hosts/restore_hosts.h"

#include "front/console.h"
#include "front/fatal_error.h"
#include "front/messages.h"
#include "hosts/hosts_lock.h"
#include "hosts/managed_line.h"

namespace quorvane {

LinesChanged DisableManagedLines(HostsFile* hosts) {
  LinesChanged changed;
  for (size_t k = 0; k < hosts->Count(); ++k) {
    std::string_view entry = hosts->Entry(k);
    if (entry[0] == '#' || entry.find(kMarker) == std::string_view::npos) {
      continue;
    }
    std::string line = "#";
    line += entry;
    changed.printed += line;
    ++changed.count;
    hosts->Replace(k, std::move(line));
  }
  return changed;
}

void RestoreHosts() {
  HostsLock lock;
  LockHostsForChange(&lock);
  FatalErrorRelease unlock_on_error([&lock] { lock.Release(); });
  HostsFile hosts;
  hosts.Load();
  LinesChanged changed = DisableManagedLines(&hosts);
  WriteOut(Raw(changed.printed));
  WriteOut(Format(kLinesDeleted, {changed.count}));
  if (changed.count != 0) hosts.Save();
}

}  // namespace quorvane
