// The restore: disable every active managed line by turning it into a
// comment, and put back every line an update kept. Managed lines are never
// deleted; a later update finds the disabled lines by their host names and
// brings them back.
#ifndef QUORVANE_HOSTS_RESTORE_HOSTS_H_
#define QUORVANE_HOSTS_RESTORE_HOSTS_H_

#include <functional>
#include <string_view>
#include <vector>

#include "hosts/change_hosts.h"
#include "hosts/hosts_file.h"
#include "names/ini_file.h"

namespace quorvane {

// On `hosts` as loaded (not yet changed): puts "#" before every active
// managed line (ManagedLineName),
// and puts every kept line (kept_line.h) back as it was. A kept line taken
// whole is simply put back. One an update took only some names from was
// followed by what was left of it, after any lines of ours: it is put back
// only when the first line after it that is not ours (nor gone) is still
// exactly that (but for its line break), and that line goes; else the
// administrator changed it, and both stay. Kept lines are put back from the
// last to the first, so that what is left of a line taken again by a later
// update is whole again before the line before it looks for it. Every line
// disabled or put back counts and is printed, in file order.
LinesChanged RestoreLines(HostsFile* hosts);

// Whether the lines of a host name stay as they are.
using NameFilter = std::function<bool(std::string_view name)>;

// RestoreLines for the names that `stays` does not keep: their active
// managed lines are disabled, and a kept line is put back only when none
// of the names taken from it stays.
LinesChanged RestoreLines(HostsFile* hosts, const NameFilter& stays);

// The prune: RestoreLines for every name that none of `pairs` names (the
// names compared as readers compare them), so that the list is the whole
// declared state. Run on the file after the update.
LinesChanged PruneLines(HostsFile* hosts, const std::vector<Pair>& pairs);

// The whole restore run of the hosts file at `path`: take the hosts lock,
// load, disable, report, save when a line changed (with Writing::kCheck:
// report what would change, save nothing).
RunOutcome RestoreHosts(const std::string& path, Writing writing,
                        ScanReport* report = nullptr);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_RESTORE_HOSTS_H_
