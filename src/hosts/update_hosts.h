// The update: make the hosts file map each host name of the list to its
// domain's current address through a managed line.
#ifndef QUORVANE_HOSTS_UPDATE_HOSTS_H_
#define QUORVANE_HOSTS_UPDATE_HOSTS_H_

#include <string>
#include <vector>

#include "hosts/change_hosts.h"
#include "hosts/hosts_file.h"
#include "names/ini_file.h"

namespace quorvane {

// A host name and the address its managed line is to map it to: a pair of
// the list once its domain is resolved.
struct Pin {
  std::string address;
  std::string name;
};

// The rules of the update over `pins` in list order, on `hosts` as loaded
// (not yet changed). Each loaded entry, in file order, is taken by the
// pending pin listed last among those whose host name it belongs to
// (LineBelongsTo); that pin is used up. An entry that maps that name alone,
// or is its managed line, becomes the pin's managed line unless it is that
// line already. An entry that maps other names too keeps them: the managed
// line goes in its place, and after it the entry without the name
// (LineWithoutName), which is offered to the pending pins again. The pins
// left over are appended in list order. Every managed line put in or
// appended counts and is printed; an entry taken whole only when it
// changes.
//
// The file is searched for all pending names at once, so the cost is one
// pass over the file whatever the number of pairs (plus the lines that hold
// a name, each searched again on its own).
LinesChanged UpdateLines(HostsFile* hosts, const std::vector<Pin>& pins);

// The whole update run: resolve every domain, take the hosts lock, load the
// hosts file, change it, report, and save it when a line changed. Failures
// end the run.
void UpdateHosts(const IniFile& ini_file);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_UPDATE_HOSTS_H_
