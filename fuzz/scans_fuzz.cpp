// Fuzz target for the three scans over arbitrary bytes; the first byte picks
// one (seeds in corpus/scans start with it):
//  'l' the list-file reader: every pair is two whole words at the start of a
//      line, in file order; every line that is not skipped gives one pair or
//      stops the scan; a bad line is reported with its own bytes and
//      physical number, whatever follows it;
//  'u' the update scan, against the reference of tests/support/
//      reference_scans.h; the input is the names, one a line, up to the first
//      NUL byte, then the hosts file's bytes;
//  'r' the restore scan against the reference; a second restore changes
//      nothing.
// A failed property prints itself and aborts; libFuzzer keeps the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "hosts/restore_hosts.h"
#include "hosts/update_hosts.h"
#include "names/ini_file.h"
#include "support/reference_scans.h"

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

bool IsWhite(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsWord(std::string_view word, std::string_view whole) {
  if (word.empty() || word.data() < whole.data() ||
      word.data() + word.size() > whole.data() + whole.size() ||
      (word.data() != whole.data() && word.data()[-1] != '\n' &&
       !IsWhite(word.data()[-1]))) {
    return false;
  }
  for (char c : word) {
    if (IsWhite(c) || c == '\0') return false;
  }
  return true;
}

void CheckListFile(std::string_view bytes) {
  ListScan scan = ScanListFile(bytes);
  const char* done = bytes.data();
  for (const ListScan::Pair& pair : scan.pairs) {
    CHECK(IsWord(pair.domain, bytes) && IsWord(pair.name, bytes));
    CHECK(pair.domain.data() >= done && (pair.domain.data() == bytes.data() ||
                                         pair.domain.data()[-1] == '\n'));
    const char* end = pair.domain.data() + pair.domain.size();
    CHECK(end < pair.name.data());
    for (; end < pair.name.data(); ++end) CHECK(IsWhite(*end) && *end != '\n');
    done = pair.name.data() + pair.name.size();
  }
  // Lines that count: not a comment, not indented. (A line that starts with
  // NUL has no text and so no words: it counts, and stops the scan.)
  size_t counted = 0, number = 0;
  const char* first_after_pairs = nullptr;
  for (size_t start = 0; start < bytes.size();) {
    size_t end = std::min(bytes.find('\n', start), bytes.size() - 1) + 1;
    ++number;
    if (bytes[start] != '#' && !IsWhite(bytes[start])) {
      if (counted++ == scan.pairs.size() && first_after_pairs == nullptr) {
        first_after_pairs = bytes.data() + start;
        CHECK(scan.ok || scan.bad_line_number == static_cast<int>(number));
      }
    }
    start = end;
  }
  if (scan.ok) {
    CHECK(counted == scan.pairs.size());
    return;
  }
  CHECK(scan.bad_line.data() == first_after_pairs);
  size_t lf = scan.bad_line.find('\n');
  CHECK(lf == std::string_view::npos || lf + 1 == scan.bad_line.size());
  CHECK(scan.bad_line.data() + scan.bad_line.size() <=
        bytes.data() + bytes.size());
  // What came before the bad line scans the same on its own.
  ListScan before =
      ScanListFile(bytes.substr(0, scan.bad_line.data() - bytes.data()));
  CHECK(before.ok && before.pairs.size() == scan.pairs.size());
}

void CheckUpdate(std::string_view input) {
  size_t nul = input.find('\0');
  std::string_view names = input.substr(0, nul);
  std::string_view bytes =
      nul == std::string_view::npos ? "" : input.substr(nul + 1);
  // Names as the command line lets them through.
  IniFile pairs;
  for (size_t start = 0; start < names.size() && pairs.Count() < 6;) {
    size_t end = std::min(names.find('\n', start), names.size());
    std::string_view name = names.substr(start, end - start);
    if (IsHostName(name)) {
      pairs.Add("192.0.2." + std::to_string(pairs.Count() + 1), name);
    }
    start = end + 1;
  }
  Outcome want = ReferenceUpdate(bytes, pairs.ip, pairs.name);
  HostsFile hosts{std::string(bytes)};
  CHECK(Saved(hosts) == bytes);  // a load and save without change
  LinesChanged changed = UpdateLines(&hosts, &pairs);
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
    case 'l':
      quorvane::CheckListFile(bytes);
      break;
    case 'u':
      quorvane::CheckUpdate(bytes);
      break;
    case 'r':
      quorvane::CheckRestore(bytes);
      break;
  }
  return 0;
}
