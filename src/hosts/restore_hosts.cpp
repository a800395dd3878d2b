#include "hosts/restore_hosts.h"

#include "front/report/messages.h"
#include "hosts/managed_line.h"

namespace quorvane {

LinesChanged DisableManagedLines(HostsFile* hosts) {
  LinesChanged changed;
  // The marker holds no line break, so each place it is found lies inside
  // one line; the search goes on after that line.
  std::string_view bytes = hosts->Original();
  for (size_t at = bytes.find(kMarker); at != std::string_view::npos;) {
    std::string_view entry = hosts->LoadedLine(at);
    size_t start = entry.data() - bytes.data();
    at = bytes.find(kMarker, start + entry.size());
    if (entry[0] == '#') continue;
    std::string line = "#";
    line += entry;
    changed.printed += line;
    ++changed.count;
    hosts->ReplaceLoaded(start, std::move(line));
  }
  return changed;
}

int RestoreHosts(Writing writing) {
  return ChangeHostsFile(
      DisableManagedLines,
      writing == Writing::kSave ? kLinesDeleted : kLinesWouldChange, writing);
}

}  // namespace quorvane
