// A kept line: a hosts entry an update took from its names, kept in the file
// as a comment so that a restore can put it back byte for byte. Its bytes:
//
//   "#Quorvane-kept " HASH " " NAMES TAB ORIGINAL
//
// ORIGINAL is the entry as it was, line break included; NAMES the host
// names the update took from it (one or more, each followed by a blank but
// the last), as the pairs spelled them; HASH eight small hex digits, the
// low 32 bits of FNV-1a 64 (hash.h) over NAMES TAB ORIGINAL without its
// line break (the CR and LF bytes at its end). Every reader of the hosts file
// skips it as a comment, and no name can hold a blank or TAB, so the parts
// cannot run into one another. A kept line whose hash no longer fits was edited
// by the administrator: it is theirs, no kept line any more.
#ifndef QUORVANE_HOSTS_KEPT_LINE_H_
#define QUORVANE_HOSTS_KEPT_LINE_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

inline constexpr std::string_view kKeptTag = "#Quorvane-kept ";

// The kept line for `entry` (one whole line) taken from `names`. It ends as
// `entry` ends; a caller that puts a line after an entry without a line
// break adds a LF, which ParseKeptLine gives back apart from it.
std::string KeptLine(std::string_view entry,
                     const std::vector<std::string_view>& names);

struct Kept {
  std::vector<std::string_view> names;
  std::string_view original;  // without its line break
  std::string_view ending;    // the kept line's line break, or nothing
};

// `line` without its line break: the CR and LF bytes at its end.
std::string_view WithoutBreak(std::string_view line);

// The parts of the kept line `line` (views into it), or nullopt when `line`
// is none: another line, or a kept line edited since it was written.
std::optional<Kept> ParseKeptLine(std::string_view line);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_KEPT_LINE_H_
