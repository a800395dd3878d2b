#include "hosts/restore_hosts.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "front/report/messages.h"
#include "hosts/kept_line.h"
#include "hosts/line_owner.h"
#include "hosts/managed_line.h"

namespace quorvane {

LinesChanged DisableManagedLines(HostsFile* hosts) {
  std::string_view bytes = hosts->Original();
  std::map<size_t, std::string> now;  // changed lines by start; "" is gone

  // The marker holds no line break, so each place it is found lies inside
  // one line; the search goes on after that line.
  for (size_t at = bytes.find(kMarker); at != std::string_view::npos;) {
    std::string_view entry = hosts->LoadedLine(at);
    size_t start = entry.data() - bytes.data();
    at = bytes.find(kMarker, start + entry.size());
    if (entry[0] != '#') now[start] = "#" + std::string(entry);
  }

  std::vector<size_t> kept_lines;
  for (size_t at = bytes.find(kKeptTag); at != std::string_view::npos;
       at = bytes.find(kKeptTag, at + 1)) {
    if (at == 0 || bytes[at - 1] == '\n') kept_lines.push_back(at);
  }
  auto current = [&](size_t start) -> std::string_view {
    auto it = now.find(start);
    return it != now.end() ? std::string_view(it->second)
                           : hosts->LoadedLine(start);
  };
  for (size_t k = kept_lines.size(); k-- > 0;) {
    size_t start = kept_lines[k];
    std::string_view line = hosts->LoadedLine(start);
    std::optional<Kept> kept = ParseKeptLine(line);
    if (!kept) continue;  // edited since: the administrator's
    std::string back(kept->original);
    std::optional<std::string> rest =
        LineWithoutNames(kept->original, kept->names);
    if (!rest) {
      back += kept->ending;
      now[start] = std::move(back);
      continue;
    }
    size_t next = start + line.size();
    while (next < bytes.size()) {
      std::string_view there = current(next);
      if (!there.empty() && there.find(kMarker) == std::string_view::npos) {
        break;
      }
      next += hosts->LoadedLine(next).size();
    }
    if (next >= bytes.size()) continue;
    std::string_view there = current(next);
    std::string_view content = WithoutBreak(there);
    if (content != *rest) continue;
    back += there.substr(content.size());
    now[start] = std::move(back);
    now[next].clear();
  }

  LinesChanged changed;
  for (auto& [start, line] : now) {
    if (!line.empty()) {
      changed.printed += line;
      ++changed.count;
    }
    hosts->ReplaceLoaded(start, std::move(line));
  }
  return changed;
}

void RestoreHosts() { ChangeHostsFile(DisableManagedLines, kLinesDeleted); }

}  // namespace quorvane
