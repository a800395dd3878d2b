// Fuzz target for the update and restore scans over arbitrary bytes, against
// a plain reference of their rules (below); the first byte picks one (seeds
// in corpus/scans start with it):
//  'u' the update scan; the input is the names, one a line, up to the first
//      NUL byte, then the hosts file's bytes;
//  'r' the restore scan, twice.
// A failed property prints itself and aborts; libFuzzer keeps the input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/hosts_file.h"
#include "hosts/kept_line.h"
#include "hosts/line_owner.h"
#include "hosts/managed_line.h"
#include "hosts/restore_hosts.h"
#include "hosts/update_hosts.h"
#include "names/ini_file.h"

#define CHECK(property)                                                   \
  do {                                                                    \
    if (!(property)) {                                                    \
      fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, \
              #property);                                                 \
      abort();                                                            \
    }                                                                     \
  } while (0)

namespace quorvane {
namespace {

// The reference: the rules as a user reads them, every line checked against
// every name with the ownership rule, the cut of a shared line and the
// kept-line format (tested on their own); no HostsFile, no NameSearch.

// What a scan leaves: the file's bytes, the lines it prints, their count.
struct Outcome {
  std::string content;
  std::string printed;
  int count = 0;
  bool operator==(const Outcome&) const = default;
};

std::vector<std::string> Lines(std::string_view file) {
  std::vector<std::string> lines;
  while (!file.empty()) {
    size_t end = file.find('\n');
    end = end == std::string_view::npos ? file.size() : end + 1;
    lines.emplace_back(file.substr(0, end));
    file.remove_prefix(end);
  }
  return lines;
}

// A line of ours has exactly the managed line's shape (tested on its own).
bool HoldsMarker(std::string_view line) {
  return ManagedLineName(line).has_value();
}

// For each name (pairs with names equal but for case are one name), its
// lines in file order: lines of ours (holding its managed-line tail, active
// or disabled) and active entries that map it, in lines that hold no
// managed-line tail of a listed name; kept lines are no name's. Its pairs,
// the last listed first, take the first of them: a line of ours becomes the
// pair's managed line, an entry gets it put before. Lines of ours left over
// serve the spellings of the name that entries taken now or kept before
// have and no pair has (each once, in the order found), are disabled when
// active, or stay. Every entry taken is kept (KeptLine, with the names
// taken from it in list order), the pair listed last's managed line first,
// then managed lines for spellings not served, then the kept line, then
// what is left of it (with a LF between for a line without one). Pairs left
// over are appended in list order, then the spellings of names that no
// line took, after a line break for an unterminated last line (LF after a
// bare CR, else the first line break of the file as it stands, else CR LF).
Outcome ReferenceUpdate(std::string_view file,
                        const std::vector<std::string>& ip,
                        const std::vector<std::string>& name) {
  // Lines of ours end as the file's first line ends (CR LF in a file
  // without one, as HostsFile's new files).
  std::string file_break = "\r\n";
  if (size_t lf = file.find('\n'); lf != std::string_view::npos) {
    file_break = lf > 0 && file[lf - 1] == '\r' ? "\r\n" : "\n";
  }
  auto managed = [&file_break](std::string_view address,
                               std::string_view host) {
    return std::string(address) + "\t" + std::string(host) + "\t##Quorvane##" +
           file_break;
  };

  std::vector<std::string> lines = Lines(file);
  const size_t n = lines.size();

  std::vector<std::string> folded;  // by name id
  std::vector<std::string_view> first_spelling;
  std::vector<std::vector<size_t>> pending;
  std::vector<size_t> id_of(ip.size());
  for (size_t i = 0; i < ip.size(); ++i) {
    std::string f = FoldedName(name[i]);
    size_t id = std::find(folded.begin(), folded.end(), f) - folded.begin();
    if (id == folded.size()) {
      folded.push_back(f);
      first_spelling.push_back(name[i]);
      pending.emplace_back();
    }
    pending[id].push_back(i);
    id_of[i] = id;
  }
  const size_t names = folded.size();
  auto pair_spelling = [&](size_t id, std::string_view s) {
    for (size_t i = 0; i < ip.size(); ++i) {
      if (id_of[i] == id && name[i] == s) return true;
    }
    return false;
  };

  std::vector<std::vector<std::string_view>> other(names);
  auto note = [&](size_t id, const std::vector<std::string_view>& found) {
    for (std::string_view s : found) {
      if (!pair_spelling(id, s) &&
          std::find(other[id].begin(), other[id].end(), s) == other[id].end()) {
        other[id].push_back(s);
      }
    }
  };
  std::vector<std::optional<Kept>> kept(n);
  std::vector<bool> has_tail(n, false);
  for (size_t l = 0; l < n; ++l) {
    kept[l] = ParseKeptLine(lines[l]);
    if (kept[l]) {
      for (std::string_view k : kept[l]->names) {
        for (size_t id = 0; id < names; ++id) {
          if (SameName(k, first_spelling[id])) {
            note(id, MappedSpellings(kept[l]->original, k));
          }
        }
      }
      continue;
    }
    for (size_t id = 0; id < names; ++id) {
      if (ManagedTailName(lines[l], first_spelling[id])) has_tail[l] = true;
    }
    if (has_tail[l]) continue;
    for (size_t id = 0; id < names; ++id) {
      note(id, MappedSpellings(lines[l], first_spelling[id]));
    }
  }

  std::vector<bool> decided(n, false);
  std::vector<std::optional<std::string>> result(n);
  std::vector<std::vector<size_t>> placed(n);  // pairs
  std::vector<std::vector<size_t>> taken(n);   // name ids
  std::vector<std::vector<std::string>> spelled(n);
  std::vector<std::string> spelled_appended;
  std::vector<bool> used(ip.size(), false);
  for (size_t id = 0; id < names; ++id) {
    const std::string address = ip[pending[id].back()];
    std::vector<std::string_view> unserved = other[id];
    std::optional<size_t> first;
    for (size_t l = 0; l < n; ++l) {
      if (kept[l]) continue;
      std::optional<std::string_view> tail =
          ManagedTailName(lines[l], first_spelling[id]);
      bool ours = has_tail[l];
      if (ours ? !tail || decided[l]
               : MappedSpellings(lines[l], first_spelling[id]).empty()) {
        continue;
      }
      // After the first, a pair passes over a line serving a spelling.
      bool serves =
          ours && first &&
          std::find(unserved.begin(), unserved.end(), *tail) != unserved.end();
      std::optional<size_t> pair;
      if (!pending[id].empty() && !serves) {
        pair = pending[id].back();
        pending[id].pop_back();
        used[*pair] = true;
        if (!first) first = l;
      }
      if (!ours) {
        taken[l].push_back(id);
        if (pair) placed[l].push_back(*pair);
        continue;
      }
      decided[l] = true;
      auto it = std::find(unserved.begin(), unserved.end(), *tail);
      if (pair) {
        result[l] = managed(ip[*pair], name[*pair]);
      } else if (it != unserved.end()) {
        unserved.erase(it);
        result[l] = managed(address, *tail);
      } else if (lines[l][0] != '#') {
        result[l] = "#" + lines[l];
      }
    }
    for (std::string_view s : unserved) {
      (first ? spelled[*first] : spelled_appended)
          .push_back(managed(address, s));
    }
  }

  Outcome o;
  auto put = [&o](std::string_view line) {
    o.printed += line;
    ++o.count;
  };
  for (size_t l = 0; l < n; ++l) {
    std::string now;
    if (decided[l]) {
      if (!result[l]) continue;
      // A line of ours that differs only in its line break is current.
      if (spelled[l].empty() &&
          WithoutBreak(*result[l]) == WithoutBreak(lines[l])) {
        continue;
      }
      if (*result[l] != lines[l]) put(*result[l]);
      now = *result[l];
    } else if (!taken[l].empty()) {
      std::sort(placed[l].rbegin(), placed[l].rend());
      for (size_t pair : placed[l]) {
        put(managed(ip[pair], name[pair]));
        now += managed(ip[pair], name[pair]);
      }
    } else {
      continue;
    }
    for (const std::string& line : spelled[l]) {
      put(line);
      now += line;
    }
    if (!decided[l]) {
      std::vector<std::string_view> from;
      for (size_t id : taken[l]) from.push_back(first_spelling[id]);
      std::optional<std::string> left = LineWithoutNames(lines[l], from);
      std::string k = KeptLine(lines[l], from);
      if (left && k.back() != '\n') k += '\n';
      put(k);
      now += k + left.value_or("");
    }
    lines[l] = now;
  }
  std::vector<std::string> appended;
  for (size_t id = 0; id < names; ++id) {  // in the order they take lines
    for (auto i = pending[id].rbegin(); i != pending[id].rend(); ++i) {
      appended.push_back(managed(ip[*i], name[*i]));
    }
  }
  appended.insert(appended.end(), spelled_appended.begin(),
                  spelled_appended.end());
  std::string* last = nullptr;
  for (std::string& l : lines) {
    if (!l.empty()) last = &l;
  }
  if (!appended.empty() && last && last->back() != '\n') {
    std::string brk = "\r\n";
    for (const std::string& l : lines) {
      size_t lf = l.find('\n');
      if (lf != std::string::npos) {
        brk = lf > 0 && l[lf - 1] == '\r' ? "\r\n" : "\n";
        break;
      }
    }
    *last += last->back() == '\r' ? "\n" : brk;
  }
  for (const std::string& line : appended) {
    lines.push_back(line);
    put(line);
  }
  for (const std::string& line : lines) o.content += line;
  return o;
}

// The bytes a save of `hosts` would write.
std::string Saved(const HostsFile& hosts) {
  std::string bytes;
  for (std::string_view piece : hosts.Pieces()) bytes += piece;
  return bytes;
}

// Every line that holds the marker and does not start with "#" gets one;
// then, from the last to the first, every kept line is put back: whole, or,
// when only some names were taken from it, if the next line neither gone
// nor holding the marker is what was left of it (but for the line break),
// which then goes.
Outcome ReferenceRestore(std::string_view file) {
  std::vector<std::string> lines = Lines(file);
  std::vector<std::string> now = lines;
  for (std::string& line : now) {
    if (line[0] != '#' && HoldsMarker(line)) line = "#" + line;
  }
  for (size_t k = lines.size(); k-- > 0;) {
    std::optional<Kept> kept = ParseKeptLine(lines[k]);
    if (!kept) continue;
    std::optional<std::string> left =
        LineWithoutNames(kept->original, kept->names);
    if (!left) {
      now[k] = std::string(kept->original) + std::string(kept->ending);
      continue;
    }
    size_t next = k + 1;
    while (next < lines.size() &&
           (now[next].empty() || HoldsMarker(now[next]))) {
      ++next;
    }
    if (next == lines.size()) continue;
    size_t content = now[next].find_last_not_of("\r\n");
    content = content == std::string::npos ? 0 : content + 1;
    if (now[next].substr(0, content) != *left) continue;
    now[k] = std::string(kept->original) + now[next].substr(content);
    now[next].clear();
  }
  Outcome o;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (now[i] != lines[i] && !now[i].empty()) {
      o.printed += now[i];
      ++o.count;
    }
    o.content += now[i];
  }
  return o;
}

// `file` without the disabled lines of ours.
std::string WithoutDisabled(std::string_view file) {
  std::string kept;
  for (const std::string& line : Lines(file)) {
    if (!(line[0] == '#' && HoldsMarker(line))) kept += line;
  }
  return kept;
}

void CheckUpdate(std::string_view input) {
  size_t nul = input.find('\0');
  std::string_view names = input.substr(0, nul);
  std::string_view bytes =
      nul == std::string_view::npos ? "" : input.substr(nul + 1);
  // Names as the command line lets them through.
  std::vector<Pin> pins;
  std::vector<std::string> ip, name_of;
  for (size_t start = 0; start < names.size() && pins.size() < 6;) {
    size_t end = std::min(names.find('\n', start), names.size());
    std::string_view name = names.substr(start, end - start);
    if (IsHostName(name)) {
      ip.push_back("192.0.2." + std::to_string(pins.size() + 1));
      name_of.emplace_back(name);
      pins.push_back({ip.back(), name_of.back()});
    }
    start = end + 1;
  }
  Outcome want = ReferenceUpdate(bytes, ip, name_of);
  HostsFile hosts{std::string(bytes)};
  CHECK(Saved(hosts) == bytes);  // a load and save without change
  LinesChanged changed = UpdateLines(&hosts, pins);
  CHECK((Outcome{Saved(hosts), changed.printed, changed.count}) == want);

  // Families: each name's first answer in a family it follows is its last
  // pair's address there, it has none in a family it does not, and a
  // second run changes nothing.
  std::vector<Pin> mixed;
  for (size_t i = 0; i < pins.size(); ++i) {
    size_t choice = name_of[i].size() % 3;  // IPv4, IPv6, both
    if (choice != 1) mixed.push_back(pins[i]);
    if (choice != 0) {
      mixed.push_back({"2001:db8::" + std::to_string(i + 1), name_of[i]});
    }
  }
  HostsFile families{std::string(bytes)};
  UpdateLines(&families, mixed);
  const std::vector<std::string> lines_after = Lines(Saved(families));
  auto v6 = [](std::string_view a) { return a.find(':') != a.npos; };
  for (const Pin& pin : mixed) {
    for (bool family : {false, true}) {
      std::string_view want, first;
      for (const Pin& other : mixed) {
        if (SameName(other.name, pin.name) && v6(other.address) == family) {
          want = other.address;
        }
      }
      for (const std::string& line : lines_after) {
        if (MappedSpellings(line, pin.name).empty()) continue;
        size_t start = line.find_first_not_of(" \t\r\v\f");
        std::string_view field = std::string_view(line).substr(
            start, line.find_first_of(" \t\r\v\f\n#", start) - start);
        if (v6(field) == family) {
          first = field;
          break;
        }
      }
      CHECK(first == want);
    }
  }
  HostsFile again{Saved(families)};
  CHECK(UpdateLines(&again, mixed).count == 0);

  // A restore of what the update left, against the reference.
  HostsFile restored{want.content};
  LinesChanged back_lines = RestoreLines(&restored);
  CHECK((Outcome{Saved(restored), back_lines.printed, back_lines.count}) ==
        ReferenceRestore(want.content));

  // From a file that holds nothing of ours: a restore gives back every byte
  // but its disabled lines (and a break an append gave the last line), and,
  // with one pair a name, a second cycle leaves the bytes the first left.
  bool ours = false;
  for (const std::string& line : Lines(bytes)) {
    ours = ours || HoldsMarker(line) || ParseKeptLine(line);
  }
  if (ours) return;
  std::string back = WithoutDisabled(Saved(restored));
  CHECK(back == bytes ||
        (back.size() > bytes.size() && back.substr(0, bytes.size()) == bytes &&
         bytes.back() != '\n'));
  if (!bytes.empty() && bytes.back() != '\n') return;
  std::vector<std::string> folded;
  for (const std::string& name : name_of) {
    if (std::find(folded.begin(), folded.end(), FoldedName(name)) !=
        folded.end()) {
      return;
    }
    folded.push_back(FoldedName(name));
  }
  HostsFile cycled{Saved(restored)};
  UpdateLines(&cycled, pins);
  CHECK(Saved(cycled) == want.content);
}

void CheckRestore(std::string_view bytes) {
  HostsFile hosts{std::string(bytes)};
  CHECK(Saved(hosts) == bytes);
  LinesChanged changed = RestoreLines(&hosts);
  CHECK((Outcome{Saved(hosts), changed.printed, changed.count}) ==
        ReferenceRestore(bytes));
  HostsFile again(Saved(hosts));
  LinesChanged twice = RestoreLines(&again);
  CHECK((Outcome{Saved(again), twice.printed, twice.count}) ==
        ReferenceRestore(Saved(hosts)));
}

}  // namespace
}  // namespace quorvane

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  switch (data[0]) {
    case 'u':
      quorvane::CheckUpdate(bytes);
      break;
    case 'r':
      quorvane::CheckRestore(bytes);
      break;
  }
  return 0;
}
