// The update and restore rules as a user reads them, for the fuzz target to
// compare the scans with: the file cut into lines by hand, every line checked
// against every pending name with the ownership rule and the cut of a shared
// line (tested on their own), nothing of the scans' own machinery (no
// HostsFile, no NameSearch).
#ifndef QUORVANE_TESTS_SUPPORT_REFERENCE_SCANS_H_
#define QUORVANE_TESTS_SUPPORT_REFERENCE_SCANS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/hosts_file.h"
#include "hosts/line_owner.h"

namespace quorvane {

// What a scan leaves: the file's bytes, the lines it prints, their count.
struct Outcome {
  std::string content;
  std::string printed;
  int count = 0;
  bool operator==(const Outcome&) const = default;
};

inline std::vector<std::string> Lines(std::string_view file) {
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
inline Outcome ReferenceUpdate(std::string_view file,
                               const std::vector<std::string>& ip,
                               const std::vector<std::string>& name) {
  auto managed = [&](size_t i) {
    return ip[i] + "\t" + name[i] + "\t##Quorvane##\r\n";
  };
  std::vector<std::string> lines = Lines(file);
  std::vector<size_t> pending;
  for (size_t i = 0; i < ip.size(); ++i) pending.push_back(i);
  Outcome o;
  for (std::string& line : lines) {
    std::string placed;  // the managed lines that took names of the line
    for (;;) {
      size_t p = pending.size();
      while (p > 0 && !LineBelongsTo(line, name[pending[p - 1]])) --p;
      if (p == 0) break;
      size_t i = pending[p - 1];
      pending.erase(pending.begin() + (p - 1));
      std::optional<std::string> left = LineWithoutName(line, name[i]);
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
inline std::string Saved(const HostsFile& hosts) {
  std::string bytes;
  for (std::string_view piece : hosts.Pieces()) bytes += piece;
  return bytes;
}

// Every line that holds the marker and does not start with "#" gets one.
inline Outcome ReferenceRestore(std::string_view file) {
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

}  // namespace quorvane

#endif  // QUORVANE_TESTS_SUPPORT_REFERENCE_SCANS_H_
