// What one line a scan changed means to the administrator who reads the
// run's output or log: a managed line that now maps another address, one
// put in, an entry kept aside, a line disabled, an entry given back. Read
// from the bytes of the line before and after, so that every scan reports
// alike.
#ifndef QUORVANE_HOSTS_LINE_CHANGE_H_
#define QUORVANE_HOSTS_LINE_CHANGE_H_

#include <string>
#include <string_view>
#include <vector>

#include "report/message.h"

namespace quorvane {

struct LineChange {
  enum Kind { kChanged, kAdded, kKeptAside, kDisabled, kGivenBack };
  Kind kind = kChanged;
  // The host name; for an entry kept aside or given back, the names taken
  // from it, each followed by a blank but the last.
  std::string name;
  // kChanged: the old address, "#" before it when its line was disabled;
  // kKeptAside: the entry, without its line break.
  std::string before;
  // kChanged, kAdded, kDisabled: the address; kGivenBack: the entry,
  // without its line break.
  std::string after;
};

// What putting `new_line` in place of `old_line` did ("" as `old_line`: a
// line put in). Both are whole lines, line breaks included or not: a
// managed line (active or disabled) or a kept line, and the entry a kept
// line holds.
LineChange DescribeChange(std::string_view old_line, std::string_view new_line);

// How many of `changes` are of `kind`.
int CountOf(const std::vector<LineChange>& changes, LineChange::Kind kind);

// What a change means, as one line in the run's language:
// "nas: 192.0.2.7 -> 198.51.100.5", "nas: added 192.0.2.7", and so on.
Message ChangeLine(const LineChange& change);

// Writes the line of each change to standard output, one at a time: a run
// of thousands of changes never holds all their text at once.
void WriteChangeLines(const std::vector<LineChange>& changes);

// The count of `changes` by kind, the kinds that are not 0 alone, as one
// line: "1 line changed, 1 entry kept aside.".
Message CountLine(const std::vector<LineChange>& changes);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_LINE_CHANGE_H_
