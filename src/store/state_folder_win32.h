// The state folder on Windows, %ProgramData%\Quorvane: it holds the task's
// list and, where the hosts file's folder takes no journal, the journal.
// The install makes it (src/install) and so may a run; both give it the one
// descriptor here and judge it by the one rule here, so the folder is the
// same whichever made it first.
// The two cannot share one preparation: the install keeps a list the task
// will take orders from, so it sets aside anything in the folder an
// administrator did not make, and a whole folder another account could
// have changed; a run takes only its own journal from here, judged on the
// handle it reads, so it only closes a folder an administrator owns and
// moves nothing.
#ifndef QUORVANE_STORE_STATE_FOLDER_WIN32_H_
#define QUORVANE_STORE_STATE_FOLDER_WIN32_H_

#include <string>

namespace quorvane {

// %ProgramData%\Quorvane; "" when ProgramData is not set.
std::string StateFolderPath();

// The security the folder is made with and repaired to: owner the
// Administrators; nothing inherited; full control for SYSTEM and the
// Administrators and read for Users, passed on to everything made in it.
// Users may read: the install has always let them read the task's list,
// and a journal here holds bytes of the hosts file, which every user reads
// anyway; reading changes nothing a run takes. One descriptor whoever makes
// the folder: with a second, closed one for a run's, the folder differed by
// who made it first.
inline constexpr wchar_t kStateFolderSecurity[] =
    L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// kStateFolderSecurity as a PSECURITY_DESCRIPTOR, to be freed with
// LocalFree; null when it cannot be made.
void* StateFolderDescriptor();

// Gives the folder held by `handle` (a HANDLE opened with WRITE_DAC) the
// DACL of kStateFolderSecurity, on that handle and on it alone: what it
// holds keeps its own, to be judged one by one.
bool SetStateFolderDacl(void* handle);

// True when `descriptor` (a PSECURITY_DESCRIPTOR with owner and DACL) is
// one the folder is given: it lets no other account write
// (OnlyAdministratorsWriteDescriptor), and beyond that has no inherited
// entry and no entry but ones that allow the accounts OnlyAdministratorsWrite
// trusts anything and Users at most to read. Any other entry, a deny entry
// too (one for SYSTEM fails every run), even one that only passes on to what
// is made later, and no DACL at all, make it false.
bool IsStateFolderDescriptor(void* descriptor);

}  // namespace quorvane

#endif  // QUORVANE_STORE_STATE_FOLDER_WIN32_H_
