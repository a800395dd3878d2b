// The update: make the hosts file map each host name of the list to its
// domain's current address through a managed line.
#ifndef QUORVANE_HOSTS_UPDATE_HOSTS_H_
#define QUORVANE_HOSTS_UPDATE_HOSTS_H_

#include <string>
#include <vector>

#include "hosts/change_hosts.h"
#include "hosts/hosts_file.h"
#include "names/ini_file.h"
#include "resolve/pins.h"

namespace quorvane {

// The rules of the update over `pins` in list order (a pin's family is its
// address's: IPv6 when it holds a ':'), on `hosts` as loaded (not yet
// changed), so that every reader answers each listed name, in each family,
// with the address of its pair listed last, and nothing in a family it does
// not follow. Every loaded line that belongs to a listed name
// (LineBelongsTo), of either family, is taken. A name's pairs take its
// lines in file order, one line each, given up IPv4 first, the pair listed
// last first, then IPv6 the same way: a managed line of the name becomes
// the pair's managed line (unless it is that line already), and before an
// entry the pair's managed line is put in. A name that follows both
// families keeps each managed line in its family (the first line takes the
// IPv4 pair), an entry takes a pair only of a family that the lines of ours
// further on leave over, and the IPv6 pairs left over stand right after the
// first line. After the first, a pair passes over a managed line that
// serves another spelling. Every entry taken is kept (KeptLine, with the
// names taken from it), followed by what is left of it when it maps other
// names too (LineWithoutNames). Managed lines of the name that no pair is
// left for serve the spellings that musl, comparing exactly, would
// otherwise lose (those of the entries taken and of the kept lines already
// there that no pair has), in each family the name follows: one line each,
// put in after the first line when none is there; a managed line left over
// is disabled when active. Kept lines are never taken. The pairs left over,
// in the order they would take lines, then the spellings no line took, are
// appended. Every line put in, changed or appended counts and is printed.
// A second run over the result changes nothing.
//
// The file is searched for all names at once, so the cost is one pass over
// the file whatever the number of pairs (plus the lines that hold a name,
// each searched again on its own).
LinesChanged UpdateLines(HostsFile* hosts, const std::vector<Pin>& pins);

// The whole update run: resolve every domain (and ask DNS for the pinned
// ones, pins.h), all before `deadline`, take the hosts lock, load the
// hosts file, change it for the pairs whose domain answered, report, and
// save it when a line changed (with Writing::kCheck: report what would
// change, save nothing). Returns the number of lines changed. The pairs
// whose domain did not answer, in time or at all, leave their lines as
// they were; after the rest is done they fail the run with error 238, each
// named. Every other failure ends the run where it is met.
struct UpdateOptions {
  Writing writing = Writing::kSave;
  Deadline deadline;  // of every lookup
  // The list is the whole declared state: the lines of every name that no
  // pair names are restored too (PruneLines).
  bool prune = false;
  ScanReport* report = nullptr;  // filled as the run goes, when given
};
RunOutcome UpdateHosts(const IniFile& ini_file, const std::string& path,
                       const UpdateOptions& options);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_UPDATE_HOSTS_H_
