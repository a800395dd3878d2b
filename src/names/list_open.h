// How a list file is opened. A list decides which names the hosts file
// points where, so a run that may write the hosts file for everyone (a
// scheduled task as SYSTEM) must not take its list from a file that an
// ordinary account could have written.
#ifndef QUORVANE_NAMES_LIST_OPEN_H_
#define QUORVANE_NAMES_LIST_OPEN_H_

#include <cstdio>
#include <string>

namespace quorvane {

// Opens the list file at `path` for reading in binary mode, or returns
// nullptr; only a regular file is opened (a FIFO or device is refused at
// once, without waiting for a writer). `*others_may_read` says whether a
// message may quote the file's lines: on Linux, whether every user may
// read it, so that a root run started through sudo shows no line of a file
// its caller could not read (/etc/shadow). On Linux a run as root opens only a
// file that no other user could have written: the file and every directory and
// link on its path are root's and not writable by group or others (a sticky
// directory may be on the way, not the file's own), the last component is no
// link, and the file is judged on the open descriptor. On Windows a run as
// SYSTEM opens only a file that no account but SYSTEM, the Administrators and
// TrustedInstaller can change (OpenAdministratorsFile). Any other run, whose
// account chose the list itself, opens what it is given.
FILE* OpenListFile(const std::string& path, bool* others_may_read);

}  // namespace quorvane

#endif  // QUORVANE_NAMES_LIST_OPEN_H_
