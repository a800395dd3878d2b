// The update: make the hosts file map each host name of the list to its
// domain's current address through a managed line.
#ifndef QUORVANE_HOSTS_UPDATE_HOSTS_H_
#define QUORVANE_HOSTS_UPDATE_HOSTS_H_

#include <string>

#include "hosts/change_hosts.h"
#include "hosts/hosts_file.h"
#include "names/ini_file.h"

namespace quorvane {

// The rules of the update over resolved pairs (`pairs.ip` holds addresses),
// on `hosts` as loaded (not yet changed). Each loaded entry, in file order,
// is taken by the pending pair listed last among those whose host name it
// belongs to (LineBelongsTo); that pair is used up. An entry that maps that
// name alone, or is its managed line, becomes the pair's managed line unless
// it is that line already. An entry that maps other names too keeps them:
// the managed line goes in its place, and after it the entry without the
// name (LineWithoutName), which is offered to the pending pairs again. The
// pairs left over are appended in list order. Every managed line put in or
// appended counts and is printed; an entry taken whole only when it
// changes. Every pair is removed from `pairs`.
//
// The file is searched for all pending names at once, so the cost is one
// pass over the file whatever the number of pairs (plus the lines that hold
// a name, each searched again on its own).
LinesChanged UpdateLines(HostsFile* hosts, IniFile* pairs);

// The whole update run: resolve every domain, take the hosts lock, load the
// hosts file, change it for the pairs whose domain answered, report, and
// save it when a line changed (with Writing::kCheck: report what would
// change, save nothing). Returns the number of lines changed. The pairs
// whose domain did not answer leave their lines as they were; after the
// rest is done they end the run with error 238, each named. Every other
// failure ends the run where it is met.
int UpdateHosts(IniFile& ini_file, Writing writing);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_UPDATE_HOSTS_H_
