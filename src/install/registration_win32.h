// The install's two entries in the system beside its folders: Quorvane in
// Apps & Features (HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall
// \Quorvane, in the 64-bit view where there is one), whose Uninstall runs
// the uninstall.cmd the install put beside the program, and the program's
// folder on the system PATH (HKLM\SYSTEM\CurrentControlSet\Control\Session
// Manager\Environment, Path), so that a prompt opened later finds
// Quorvane.exe. Both are made again alike by a second install, and the
// PATH never gets the folder twice.
#ifndef QUORVANE_INSTALL_REGISTRATION_WIN32_H_
#define QUORVANE_INSTALL_REGISTRATION_WIN32_H_

#include <string>

namespace quorvane {

// `list` (a PATH value: entries separated by ";") with `folder` as a new
// last entry, unless an entry names it already; else as it was.
std::wstring PathWith(const std::wstring& list, const std::wstring& folder);

// `list` without every entry that names `folder`; every other entry (an
// empty one too) stays as it was, in its place.
std::wstring PathWithout(const std::wstring& list, const std::wstring& folder);

// Whether the PATH entry `entry` names `folder`: the same path without
// regard to case, to quotes around it, to a last backslash, or to the
// environment variables it holds.
bool NamesFolder(const std::wstring& entry, const std::wstring& folder);

// Writes the Apps & Features entry of the program installed in `folder`
// (its version, the publisher, the folder, the command that runs
// `folder`\uninstall.cmd in a window of its own; no Modify, no Repair) and
// adds `folder` to the system PATH, then tells running programs the
// environment changed. Empty on success, else why it failed.
std::wstring Register(const std::wstring& folder);

// Removes the entry and `folder` from the system PATH; what is not there
// is no failure. Empty on success, else why it failed.
std::wstring Unregister(const std::wstring& folder);

}  // namespace quorvane

#endif  // QUORVANE_INSTALL_REGISTRATION_WIN32_H_
