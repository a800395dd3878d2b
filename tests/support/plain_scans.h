// The update and restore rules written the plain way: every line checked
// for every pending name (or searched for the marker) on its own. Slow on large
// files, but plainly right; the property tests compare the program's scans
// with these on random inputs, and the benchmarks measure against them.
#ifndef QUORVANE_TESTS_SUPPORT_PLAIN_SCANS_H_
#define QUORVANE_TESTS_SUPPORT_PLAIN_SCANS_H_

#include "hosts/hosts_file.h"
#include "hosts/update_hosts.h"
#include "names/ini_file.h"

namespace quorvane {

// The rules of UpdateLines, by one ownership check per line and pair.
LinesChanged PlainUpdateLines(HostsFile* hosts, IniFile* pairs);

// The rules of DisableManagedLines, by one marker search per line.
LinesChanged PlainDisableManagedLines(HostsFile* hosts);

}  // namespace quorvane

#endif  // QUORVANE_TESTS_SUPPORT_PLAIN_SCANS_H_
