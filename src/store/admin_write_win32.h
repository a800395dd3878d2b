// Who may change a file or folder on Windows. A run as SYSTEM or as an
// elevated administrator must never take what an ordinary account could have
// written (a journal put back into the hosts file, a list of names to point
// somewhere) from a place such an account can change.
#ifndef QUORVANE_STORE_ADMIN_WRITE_WIN32_H_
#define QUORVANE_STORE_ADMIN_WRITE_WIN32_H_

#include <cstdio>
#include <string>

namespace quorvane {

// True when `path` (a file or a folder) is owned by SYSTEM, the
// Administrators, TrustedInstaller or the account this program runs as, and
// its DACL lets no other account write it, add to it, delete in it or change
// its security. False when it is not so, or cannot be read: the caller then
// does not trust it.
bool OnlyAdministratorsWrite(const std::string& path);

// True when `path` is owned by one of the accounts OnlyAdministratorsWrite
// trusts, whatever its DACL: who made it could not have been an ordinary
// account, so its DACL may be closed and the path then trusted.
bool OwnedByAdministrators(const std::string& path);

// The same test of a security descriptor (a PSECURITY_DESCRIPTOR with its
// owner and DACL): OwnerAndEntriesPass with LetsNoOtherWrite.
bool OnlyAdministratorsWriteDescriptor(void* descriptor);

// One entry of a DACL, as a rule over a descriptor sees it.
struct DaclEntry {
  unsigned char type;   // ACCESS_ALLOWED_ACE_TYPE, ACCESS_DENIED_ACE_TYPE...
  unsigned char flags;  // INHERITED_ACE, INHERIT_ONLY_ACE...
  unsigned long mask;   // the rights of an allowing or denying entry
  void* sid;            // its account (a PSID); null for other kinds
  bool trusted;         // the account is one OnlyAdministratorsWrite trusts
};

// The one walk of an owner and DACL that every rule over a descriptor
// shares: true when `descriptor` (a PSECURITY_DESCRIPTOR) is owned by an
// account OnlyAdministratorsWrite trusts and has a DACL (none at all lets
// everyone in) each of whose entries `passes`.
bool OwnerAndEntriesPass(void* descriptor, bool (*passes)(const DaclEntry&));

// False when `entry` lets an account OnlyAdministratorsWrite does not trust
// write, add to, delete in or change the security of what it guards. An
// entry that only passes on to what is made later, and a deny entry, give
// nothing; an allowing entry of another kind is not looked into, so it is
// false too.
bool LetsNoOtherWrite(const DaclEntry& entry);

// Whether `judge` accepts the owner and DACL of the open file or folder
// `handle` (a HANDLE opened with READ_CONTROL); false when they cannot be
// read.
bool HandleDescriptorPasses(void* handle, bool (*judge)(void* descriptor));

// The same test of an open file (a HANDLE opened with READ_CONTROL), judged
// on the handle, so that what was judged is what is read: also false for a
// folder or a reparse point.
bool OnlyAdministratorsWriteFile(void* handle);

// True when this process runs as LocalSystem, as a scheduled task does.
bool RunsAsSystem();

// Opens the file at `path` for reading in binary mode when no account but
// those OnlyAdministratorsWrite trusts can have chosen what it holds: the
// file and its folder pass that test, and no part of the path, from the
// first folder below the root to the file, is a reparse point (a link or
// mount point that leads elsewhere). A run as SYSTEM, which trusts only
// itself, the Administrators and TrustedInstaller then, calls it for what
// it takes orders from. The folder is held open, so that it can be neither
// renamed nor replaced, while the file is opened; the file's owner and DACL
// are read from the open file, which is checked to lie in that folder.
// Returns nullptr, with nothing left open, when any of this fails.
FILE* OpenAdministratorsFile(const std::string& path);

}  // namespace quorvane

#endif  // QUORVANE_STORE_ADMIN_WRITE_WIN32_H_
