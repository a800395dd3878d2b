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

namespace {
constexpr std::string_view kOurs = "#Quorvane";
}  // namespace

LinesChanged DisableManagedLines(HostsFile* hosts) {
  std::string_view bytes = hosts->Original();
  std::map<size_t, std::string> now;  // changed lines by start; "" is gone

  // Both the marker and the kept lines' tag hold "#Quorvane", and neither a
  // line break: one search finds every line either is in, going on after
  // each line found.
  std::vector<size_t> kept_lines;
  for (size_t at = bytes.find(kOurs); at != std::string_view::npos;) {
    std::string_view entry = hosts->LoadedLine(at);
    size_t start = entry.data() - bytes.data();
    at = bytes.find(kOurs, start + entry.size());
    if (entry[0] != '#' && ManagedLineName(entry)) {
      now[start] = "#" + std::string(entry);
    } else if (entry.substr(0, kKeptTag.size()) == kKeptTag) {
      kept_lines.push_back(start);
    }
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
    // What was left of the entry follows it, past any lines of ours a later
    // update put in, unless the administrator changed or moved it.
    size_t next = start + line.size();
    while (next < bytes.size()) {
      std::string_view there = current(next);
      if (!there.empty() && !ManagedLineName(there)) {
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

RunOutcome RestoreHosts(const std::string& path, Writing writing) {
  return ChangeHostsFile(
      path, DisableManagedLines,
      writing == Writing::kSave ? kLinesDeleted : kLinesWouldChange, writing);
}

}  // namespace quorvane
