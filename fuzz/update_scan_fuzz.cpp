// Fuzz target: the update scan over any hosts file and host names. The
// input is the names, one a line, up to the first NUL byte, then the hosts
// file's bytes. Beside "no crash", it checks that a load keeps the file's
// bytes; that every loaded line the run does not own is left as it was
// (only a missing line break may be added to the last one, before an
// append); that a changed line is the managed line of a name it belonged to;
// that every pair ends up with its managed line in the file; and that the
// count and the printed lines are exactly the changes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check.h"
#include "hosts/hosts_file.h"
#include "hosts/line_owner.h"
#include "hosts/managed_line.h"
#include "hosts/update_hosts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quorvane;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t nul = input.find('\0');
  std::string_view names = input.substr(0, nul);
  std::string_view bytes =
      nul == std::string_view::npos ? "" : input.substr(nul + 1);

  // Names as the command line lets them through: not empty, no CR or LF.
  IniFile pairs;
  for (size_t start = 0; start < names.size() && pairs.Count() < 6;) {
    size_t end = std::min(names.find('\n', start), names.size());
    std::string_view name = names.substr(start, end - start);
    if (!name.empty() && name.find('\r') == std::string_view::npos) {
      pairs.Add("192.0.2." + std::to_string(pairs.Count() + 1), name);
    }
    start = end + 1;
  }
  if (pairs.Count() == 0) return 0;
  const IniFile given = pairs;

  HostsFile hosts;
  hosts.SetBytes(std::string(bytes));
  CheckEntriesAreTheLines(hosts, bytes);
  std::vector<std::string> before;
  for (size_t i = 0; i < hosts.Count(); ++i) {
    before.emplace_back(hosts.Entry(i));
  }
  const size_t loaded = before.size();

  LinesChanged changed = UpdateLines(&hosts, &pairs);
  CHECK(pairs.Count() == 0);
  CHECK(hosts.Count() >= loaded);
  const size_t appended = hosts.Count() - loaded;

  auto managed_line_of = [&](std::string_view line) -> int {
    for (size_t i = 0; i < given.Count(); ++i) {
      if (line == ManagedLine(given.ip[i], given.name[i])) return i;
    }
    return -1;
  };

  // A changed loaded line is the managed line of a name it belonged to. The
  // last one may instead only have got a line break before an append; when
  // both readings fit, the count and the printed lines decide.
  auto owned = [&](size_t k) {
    int pair = managed_line_of(hosts.Entry(k));
    return pair >= 0 && LineBelongsTo(before[k], given.name[pair]);
  };
  int count = 0;
  std::string printed;
  std::string_view last_changed;
  bool last_may_be_break = false;
  for (size_t k = 0; k < loaded; ++k) {
    std::string_view now = hosts.Entry(k);
    if (now == before[k]) continue;
    if (k + 1 == loaded) {
      last_may_be_break =
          appended > 0 && before[k].back() != '\n' &&
          (now == before[k] + "\n" || now == before[k] + "\r\n");
      CHECK(last_may_be_break || owned(k));
      if (owned(k)) last_changed = now;
      continue;
    }
    CHECK(owned(k));
    ++count;
    printed += now;
  }
  std::string appended_lines;
  for (size_t k = loaded; k < hosts.Count(); ++k) {
    CHECK(managed_line_of(hosts.Entry(k)) >= 0);
    appended_lines += hosts.Entry(k);
  }
  bool as_owned =
      !last_changed.empty() &&
      changed.count == count + 1 + static_cast<int>(appended) &&
      changed.printed == printed + std::string(last_changed) + appended_lines;
  bool as_break = (last_may_be_break || last_changed.empty()) &&
                  changed.count == count + static_cast<int>(appended) &&
                  changed.printed == printed + appended_lines;
  CHECK(as_owned || as_break);
  for (size_t i = 0; i < given.Count(); ++i) {
    std::string line = ManagedLine(given.ip[i], given.name[i]);
    bool present = false;
    for (size_t k = 0; k < hosts.Count() && !present; ++k) {
      present = hosts.Entry(k) == line;
    }
    CHECK(present);
  }
  // What would be saved is the entries, and the file loads back the same.
  std::string content = hosts.Content();
  HostsFile reloaded;
  reloaded.SetBytes(content);
  CHECK(reloaded.Count() == hosts.Count());
  return 0;
}
