// IniFile: the work of an update run, as pairs of a dynamic-DNS domain and
// the host name that is to point at its address. Pairs come from the command
// line and from list files, in the order met; duplicates are kept.
#ifndef QUORVANE_NAMES_INI_FILE_H_
#define QUORVANE_NAMES_INI_FILE_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/failure.h"

namespace quorvane {

// An address family a pair can follow.
enum class Family { kIPv4, kIPv6 };

// The families a pair follows: IPv4 alone unless chosen otherwise.
struct Families {
  bool ipv4 = true;
  bool ipv6 = false;
  bool Has(Family family) const {
    return family == Family::kIPv4 ? ipv4 : ipv6;
  }
  // Both choices together: "-4 -6" is both.
  Families With(const Families& other) const {
    return {ipv4 || other.ipv4, ipv6 || other.ipv6};
  }
  bool operator==(const Families& other) const {
    return ipv4 == other.ipv4 && ipv6 == other.ipv6;
  }
};

// The families a choice word names: "-4", "-6", and "-46" or "-64" for
// both; nullopt for any other word.
std::optional<Families> ParseFamilies(std::string_view word);

// A dynamic-DNS domain, the host name that is to point at its address, and
// the families of the domain's addresses that the name follows.
struct Pair {
  std::string domain;
  std::string name;
  Families families;
};

// What a list file holds, as far as its scan got.
struct ListScan {
  std::vector<Pair> pairs;  // in file order, up to the first bad line
  bool ok = true;
  std::string bad_line;     // the bad line as read, without its line break
  int bad_line_number = 0;  // counting every physical line from 1
  // The indented lines (skipped) that hold a pair, by number.
  std::vector<int> indented_pairs;
};

// Whether `name` is one host name to every program that reads the hosts
// file: not empty, no byte at or below 0x20 (a blank or TAB would make two
// names of it, a line break or other control byte a line of its own or
// nothing a reader takes), no 0x7F, and no '#' (readers cut a line there).
// Every other byte is the user's, Shift_JIS and UTF-8 included.
bool IsHostName(std::string_view name);

// The pairs (by index, earlier first) that give one host name (compared
// without regard to ASCII case) different domains: one pair of indices per
// later pair that differs from the one before it for that name.
std::vector<std::pair<size_t, size_t>> ConflictingPairs(
    const std::vector<Pair>& pairs);

// Whether `name` is one of the names every system gives itself for the
// loopback address (localhost, localhost.localdomain, ip6-localhost,
// ip6-loopback, in any letter case): pinned elsewhere, it would break
// every program that talks to this machine, so no pair may name it.
bool IsSystemName(std::string_view name);

// Scans the bytes of a list file. A line is a whole physical line; its text
// ends at its line break (LF, or CR LF) or at a NUL byte. Empty lines and
// lines starting with "#" or white space (blank or TAB, which alone
// separate words) are skipped (the numbers of those starting with white
// space that hold a pair, two words of which the first does not start with
// "#", are kept); every other line must hold no other control byte, and
// two words (runs of bytes but blank and TAB), a domain
// and a host name (IsHostName, not IsSystemName), and may hold a third, the
// line's own choice of families (ParseFamilies); without one the line follows
// `chosen`. A third word of "-" and digits alone that is no choice makes the
// line bad, so that a mistyped choice is never silently IPv4; any other third
// word, and every word after it, is ignored. The scan stops at the first bad
// line. A list with a UTF-16 byte order mark (either byte order) is scanned
// as its text in UTF-8, and a pair in it whose domain or host name is not
// ASCII is a bad line; comments and ignored words may hold any character.
ListScan ScanListFile(std::string_view bytes, Families chosen = {});

// The longest list file read. Lists hold a few lines; this is thousands of
// times that, and lines of megabytes still fit, while a device that never
// ends or a wrong, huge file is refused before it fills memory.
inline constexpr size_t kMaxListFileBytes = 16 << 20;

class IniFile {
 public:
  std::vector<Pair> pairs;
  // The command line's choice: the families of its pairs, and of the lines
  // of its list files that make none of their own.
  Families families;

  void Add(std::string_view domain, std::string_view host_name);

  // Reads the list file at `path` and adds its pairs in file order. Prints
  // the reading message first, and a warning on standard error for each
  // indented line that holds a pair. A file that cannot be opened
  // (OpenListFile: for a run as SYSTEM, also one that others could change) or
  // read, or that is longer than kMaxListFileBytes, ends the run with error
  // 147; a line without two words, or whose host name is not one, with error
  // 159. Error 147 names the cause on a second line. The pairs before a bad
  // line are added all the same.
  std::optional<Failure> Load(const std::string& path);

  size_t Count() const { return pairs.size(); }
};

}  // namespace quorvane

#endif  // QUORVANE_NAMES_INI_FILE_H_
