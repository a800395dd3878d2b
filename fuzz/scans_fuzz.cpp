// Fuzz target for the update and restore scans over arbitrary bytes, against
// a plain reference of their rules (below); the first byte picks one (seeds
// in corpus/scans start with it):
//  'u' the update scan; the input is the names, one a line, up to the first
//      NUL byte, then the hosts file's bytes;
//  'r' the restore scan; a second restore changes nothing.
// (The list-file reader is pinned by its unit table, ini_file_test.cpp.)
// A failed property prints itself and aborts; libFuzzer keeps the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/hosts_file.h"
#include "hosts/line_owner.h"
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

// The reference: the update and restore rules as a user reads them, the
// file cut into lines by hand, every line checked against every pending name
// with the ownership rule and the cut of a shared line (tested on their own),
// nothing of the scans' own machinery (no HostsFile, no NameSearch).

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

// Each line, in order, goes to the pending pair listed last among those
// whose names own it; when it maps other names too, the pair's managed line
// goes before what is left of it, which the other pending pairs are offered
// again (names of the managed lines put in are not); pairs left over are
// appended in list order, after a line break for an unterminated last line (LF
// after a bare CR, else the first line break of the file as it stands, else CR
// LF).
Outcome ReferenceUpdate(std::string_view file, const std::vector<Pin>& pins) {
  auto managed = [&](size_t i) {
    return pins[i].address + "\t" + pins[i].name + "\t##Quorvane##\r\n";
  };
  std::vector<std::string> lines = Lines(file);
  std::vector<size_t> pending;
  for (size_t i = 0; i < pins.size(); ++i) pending.push_back(i);
  Outcome o;
  for (std::string& line : lines) {
    std::string placed;  // the managed lines that took names of the line
    for (;;) {
      size_t p = pending.size();
      while (p > 0 && !LineBelongsTo(line, pins[pending[p - 1]].name)) --p;
      if (p == 0) break;
      size_t i = pending[p - 1];
      pending.erase(pending.begin() + (p - 1));
      std::optional<std::string> left = LineWithoutName(line, pins[i].name);
      if (!left && line == managed(i)) break;
      placed += managed(i);
      o.printed += managed(i);
      ++o.count;
      if (!left) {
        line.clear();
        break;
      }
      line = *left;
    }
    line = placed + line;
  }
  for (size_t i : pending) {
    if (!lines.empty() && lines.back().back() != '\n') {
      std::string brk = "\r\n";
      for (const std::string& l : lines) {
        size_t lf = l.find('\n');
        if (lf != std::string::npos) {
          brk = lf > 0 && l[lf - 1] == '\r' ? "\r\n" : "\n";
          break;
        }
      }
      lines.back() += lines.back().back() == '\r' ? "\n" : brk;
    }
    lines.push_back(managed(i));
    o.printed += lines.back();
    ++o.count;
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

// Every line that holds the marker and does not start with "#" gets one.
Outcome ReferenceRestore(std::string_view file) {
  Outcome o;
  for (std::string line : Lines(file)) {
    if (line[0] != '#' && line.find("\t##Quorvane##") != std::string::npos) {
      line = "#" + line;
      o.printed += line;
      ++o.count;
    }
    o.content += line;
  }
  return o;
}

void CheckUpdate(std::string_view input) {
  size_t nul = input.find('\0');
  std::string_view names = input.substr(0, nul);
  std::string_view bytes =
      nul == std::string_view::npos ? "" : input.substr(nul + 1);
  // Names as the command line lets them through.
  std::vector<Pin> pins;
  for (size_t start = 0; start < names.size() && pins.size() < 6;) {
    size_t end = std::min(names.find('\n', start), names.size());
    std::string_view name = names.substr(start, end - start);
    if (IsHostName(name)) {
      pins.push_back(
          {"192.0.2." + std::to_string(pins.size() + 1), std::string(name)});
    }
    start = end + 1;
  }
  Outcome want = ReferenceUpdate(bytes, pins);
  HostsFile hosts{std::string(bytes)};
  CHECK(Saved(hosts) == bytes);  // a load and save without change
  LinesChanged changed = UpdateLines(&hosts, pins);
  CHECK((Outcome{Saved(hosts), changed.printed, changed.count}) == want);
}

void CheckRestore(std::string_view bytes) {
  HostsFile hosts{std::string(bytes)};
  CHECK(Saved(hosts) == bytes);
  LinesChanged changed = DisableManagedLines(&hosts);
  CHECK((Outcome{Saved(hosts), changed.printed, changed.count}) ==
        ReferenceRestore(bytes));
  HostsFile again(Saved(hosts));
  CHECK(DisableManagedLines(&again).count == 0);
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
