#include "support/plain_scans.h"

#include "hosts/line_owner.h"
#include "hosts/managed_line.h"

namespace quorvane {

namespace {

// Uses up pair `i`: its managed line takes entry `k`, or the end of the file
// when `append` is set.
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

LinesChanged PlainUpdateLines(HostsFile* hosts, IniFile* pairs) {
  LinesChanged changed;
  const size_t loaded = hosts->Count();
  for (size_t k = 0; k < loaded && pairs->Count() > 0; ++k) {
    std::string_view entry = hosts->Entry(k);
    for (size_t i = pairs->Count(); i-- > 0;) {
      if (LineBelongsTo(entry, pairs->name[i])) {
        Use(hosts, pairs, i, k, false, &changed);
        break;
      }
    }
  }
  while (pairs->Count() > 0) Use(hosts, pairs, 0, 0, true, &changed);
  return changed;
}

LinesChanged PlainDisableManagedLines(HostsFile* hosts) {
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

}  // namespace quorvane
