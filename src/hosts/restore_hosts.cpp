#include "hosts/restore_hosts.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "hosts/kept_line.h"
#include "hosts/line_owner.h"
#include "hosts/managed_line.h"
#include "report/texts.h"

namespace quorvane {

namespace {

constexpr std::string_view kOurs = "#Quorvane";

// The lines the restore changes, by start in the file as loaded; "" is a
// line that goes.
using Changes = std::map<size_t, std::string>;

// Disables every active line of ours; returns the starts of the kept lines,
// in file order. Both the marker and the kept lines' tag hold "#Quorvane",
// and neither a line break: one search finds every line either is in,
// going on after each line found.
std::vector<size_t> DisableActiveLines(const HostsFile& hosts,
                                       const NameFilter& stays, Changes* now) {
  std::vector<size_t> kept_lines;
  auto find = [](std::string_view text, size_t from) {
    return text.find(kOurs, from);
  };
  for (size_t at = hosts.Search(0, kOurs.size(), find);
       at != std::string_view::npos;) {
    std::string_view entry = hosts.LoadedLine(at);
    size_t start = hosts.LoadedLineStart(at);
    at = hosts.Search(start + entry.size(), kOurs.size(), find);
    std::optional<std::string_view> name = ManagedLineName(entry);
    if (entry[0] != '#' && name) {
      if (!stays(*name)) (*now)[start] = "#" + std::string(entry);
    } else if (entry.substr(0, kKeptTag.size()) == kKeptTag) {
      kept_lines.push_back(start);
    }
  }
  return kept_lines;
}

// The line that starts at `start`, as it now is.
std::string_view Current(const HostsFile& hosts, const Changes& now,
                         size_t start) {
  auto it = now.find(start);
  return it != now.end() ? std::string_view(it->second)
                         : hosts.LoadedLine(start);
}

// Where what was left of an entry stands: the first line from `next` on
// that is neither gone nor of ours (a later update put those in between);
// the file's size when there is none.
size_t RestAfter(const HostsFile& hosts, const Changes& now, size_t next) {
  const size_t size = hosts.Original().size();
  while (next < size) {
    std::string_view there = Current(hosts, now, next);
    if (!there.empty() && !ManagedLineName(there)) {
      break;
    }
    next += hosts.LoadedLine(next).size();
  }
  return next;
}

// Puts back the entry the kept line at `start` holds: whole when nothing was
// left of it, else in place of what was left, unless the administrator
// changed or moved that. A kept line edited since is the administrator's.
void PutBack(const HostsFile& hosts, size_t start, const NameFilter& stays,
             Changes* now) {
  std::string_view line = hosts.LoadedLine(start);
  std::optional<Kept> kept = ParseKeptLine(line);
  if (!kept) return;
  for (std::string_view name : kept->names) {
    if (stays(name)) return;  // still taken by a pin
  }
  std::string back(kept->original);
  std::optional<std::string> rest =
      LineWithoutNames(kept->original, kept->names);
  if (!rest) {
    back += kept->ending;
    (*now)[start] = std::move(back);
    return;
  }
  size_t next = RestAfter(hosts, *now, start + line.size());
  if (next >= hosts.Original().size()) return;
  std::string_view there = Current(hosts, *now, next);
  std::string_view content = WithoutBreak(there);
  if (content != *rest) return;
  back += there.substr(content.size());
  (*now)[start] = std::move(back);
  (*now)[next].clear();
}

}  // namespace

LinesChanged RestoreLines(HostsFile* hosts, const NameFilter& stays) {
  Changes now;
  std::vector<size_t> kept_lines = DisableActiveLines(*hosts, stays, &now);
  for (size_t k = kept_lines.size(); k-- > 0;) {
    PutBack(*hosts, kept_lines[k], stays, &now);
  }
  LinesChanged changed;
  changed.changes.reserve(now.size());
  for (auto& [start, line] : now) {
    if (!line.empty()) changed.Add(hosts->LoadedLine(start), line);
    hosts->ReplaceLoaded(start, std::move(line));
  }
  return changed;
}

LinesChanged RestoreLines(HostsFile* hosts) {
  return RestoreLines(hosts, [](std::string_view) { return false; });
}

LinesChanged PruneLines(HostsFile* hosts, const std::vector<Pair>& pairs) {
  std::unordered_set<std::string> listed;
  for (const Pair& pair : pairs) listed.insert(FoldedName(pair.name));
  return RestoreLines(hosts, [&listed](std::string_view name) {
    return listed.count(FoldedName(name)) != 0;
  });
}

RunOutcome RestoreHosts(const std::string& path, Writing writing,
                        ScanReport* report) {
  return ChangeHostsFile(
      path, [](HostsFile* hosts) { return RestoreLines(hosts); },
      kLinesDisabled, writing, report);
}

}  // namespace quorvane
