// The restore: disable every active managed line by turning it into a
// comment. Lines are never deleted; a later update finds the disabled lines
// by their host names and brings them back.
#ifndef QUORVANE_HOSTS_RESTORE_HOSTS_H_
#define QUORVANE_HOSTS_RESTORE_HOSTS_H_

#include "hosts/change_hosts.h"
#include "hosts/hosts_file.h"

namespace quorvane {

// Puts "#" before every entry that does not start with "#" and holds the
// marker "\t##Quorvane##" anywhere, on `hosts` as loaded (not yet changed).
LinesChanged DisableManagedLines(HostsFile* hosts);

// The whole restore run: take the hosts lock, load, disable, report, save
// when a line changed (with Writing::kCheck: report what would change,
// save nothing). Returns the number of lines disabled.
int RestoreHosts(Writing writing);

}  // namespace quorvane

#endif  // QUORVANE_HOSTS_RESTORE_HOSTS_H_
