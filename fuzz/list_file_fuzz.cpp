// Fuzz target: the list-file reader over any bytes. Beside "no crash", it
// checks that every pair is two whole words at the start of a line, in file
// order; that every line that is not skipped gives exactly one pair or stops
// the scan; and that a bad line is reported with its own bytes and physical
// number, whatever follows it.
#include <cstddef>
#include <cstdint>

#include "check.h"
#include "names/ini_file.h"

namespace {

using quorvane::ListScan;

bool IsWhite(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

bool IsWord(std::string_view word) {
  if (word.empty()) return false;
  for (char c : word) {
    if (IsWhite(c) || c == '\0') return false;
  }
  return true;
}

bool Within(std::string_view part, std::string_view whole) {
  return part.data() >= whole.data() &&
         part.data() + part.size() <= whole.data() + whole.size();
}

bool StartsALine(const char* at, std::string_view whole) {
  return at == whole.data() || at[-1] == '\n';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ListScan scan = quorvane::ScanListFile(bytes);

  const char* done = bytes.data();
  for (const ListScan::Pair& pair : scan.pairs) {
    CHECK(IsWord(pair.domain) && IsWord(pair.name));
    CHECK(Within(pair.domain, bytes) && Within(pair.name, bytes));
    CHECK(pair.domain.data() >= done && StartsALine(pair.domain.data(), bytes));
    std::string_view between(
        pair.domain.data() + pair.domain.size(),
        pair.name.data() - pair.domain.data() - pair.domain.size());
    CHECK(!between.empty());
    for (char c : between) CHECK(IsWhite(c) && c != '\n');
    done = pair.name.data() + pair.name.size();
  }

  // Lines that count: not a comment, not indented. (A line that starts with
  // NUL has no text and so no words: it counts, and stops the scan.)
  int counted = 0;
  int number = 0;
  const char* first_counted_after_pairs = nullptr;
  for (size_t start = 0; start < bytes.size();) {
    size_t end = bytes.find('\n', start);
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    std::string_view line = bytes.substr(start, end - start);
    ++number;
    char first = line[0];
    if (first != '#' && !IsWhite(first)) {
      if (counted == static_cast<int>(scan.pairs.size()) &&
          first_counted_after_pairs == nullptr) {
        first_counted_after_pairs = line.data();
        if (!scan.ok) CHECK(scan.bad_line_number == number);
      }
      ++counted;
    }
    start = end;
  }
  if (scan.ok) {
    CHECK(counted == static_cast<int>(scan.pairs.size()));
  } else {
    CHECK(scan.bad_line.data() == first_counted_after_pairs);
    CHECK(Within(scan.bad_line, bytes));
    size_t lf = scan.bad_line.find('\n');
    CHECK(lf == std::string_view::npos || lf + 1 == scan.bad_line.size());
    // What came before the bad line scans the same on its own.
    ListScan before = quorvane::ScanListFile(
        bytes.substr(0, scan.bad_line.data() - bytes.data()));
    CHECK(before.ok && before.pairs.size() == scan.pairs.size());
  }
  return 0;
}
