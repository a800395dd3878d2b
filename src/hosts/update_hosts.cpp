#include "hosts/update_hosts.h"

#include <cassert>

#include "front/console.h"
#include "front/fatal_error.h"
#include "front/messages.h"
#include "hosts/hosts_lock.h"
#include "hosts/managed_line.h"
#include "resolve/resolver.h"

namespace quorvane {

namespace {

// Uses up pair `i`: its managed line takes entry `k`, or the end of the file
// when `k` is past the loaded entries.
void Use(HostsFile* hosts, IniFile* pairs, size_t i, size_t k, bool append,
         LinesChanged* changed) {
  std::string line = ManagedLine(pairs->ip[i], pairs->name[i]);
  pairs->Remove(i);
  if (!append && hosts->Entry(k) == line) return;
  changed->printed += line;
  ++changed->count;
  if (append) {
    hosts->Append(std::move(line));
  } else {
    hosts->Replace(k, std::move(line));
  }
}

}  // namespace

LinesChanged UpdateLines(HostsFile* hosts, IniFile* pairs) {
  LinesChanged changed;
  const size_t loaded = hosts->Count();
  for (size_t k = 0; k < loaded && pairs->Count() > 0; ++k) {
    std::string_view entry = hosts->Entry(k);
    for (size_t i = pairs->Count(); i-- > 0;) {
      if (entry.find(pairs->name[i]) != std::string_view::npos) {
        Use(hosts, pairs, i, k, false, &changed);
        break;
      }
    }
  }
  while (pairs->Count() > 0) Use(hosts, pairs, 0, 0, true, &changed);
  return changed;
}

void UpdateHosts(IniFile& ini_file) {
  assert(ini_file.ip.size() == ini_file.name.size());
  StartNetwork();
  ResolveAll(ini_file);
  // Only now, with every name resolved, so a slow lookup never holds it.
  HostsLock lock;
  LockHostsForChange(&lock);
  FatalErrorRelease unlock_on_error([&lock] { lock.Release(); });
  HostsFile hosts;
  hosts.Load();
  LinesChanged changed = UpdateLines(&hosts, &ini_file);
  WriteOut(Raw(changed.printed));
  WriteOut(Format(kLinesAdded, {changed.count}));
  if (changed.count != 0) hosts.Save();
}

}  // namespace quorvane
