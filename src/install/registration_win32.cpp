// Register and Unregister: the Apps & Features key and the system PATH in
// the registry, written through the 64-bit view; the PATH read as stored
// (unexpanded) and written back with its own type.
#include "install/registration_win32.h"

#include <windows.h>

#include <vector>

namespace quorvane {

namespace {

constexpr wchar_t kAppsKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quorvane";
constexpr wchar_t kEnvironmentKey[] =
    L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
// The 64-bit view from the 32-bit helper too: the program is in the 64-bit
// Program Files. (Ignored by 32-bit Windows.)
constexpr REGSAM kView = KEY_WOW64_64KEY;

std::vector<std::wstring> Entries(const std::wstring& list) {
  std::vector<std::wstring> entries;
  size_t start = 0;
  for (;;) {
    size_t end = list.find(L';', start);
    entries.push_back(list.substr(start, end - start));
    if (end == std::wstring::npos) return entries;
    start = end + 1;
  }
}

// `path` as NamesFolder compares it.
std::wstring Plain(std::wstring path) {
  if (path.size() >= 2 && path.front() == L'"' && path.back() == L'"') {
    path = path.substr(1, path.size() - 2);
  }
  if (path.find(L'%') != std::wstring::npos) {
    std::wstring expanded(32768, L'\0');
    DWORD size =
        ExpandEnvironmentStringsW(path.c_str(), expanded.data(), 32768);
    if (size > 0 && size <= 32768) path = expanded.c_str();
  }
  while (path.size() > 3 && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring SystemError(const wchar_t* what, LONG error) {
  return std::wstring(what) + L": system error " + std::to_wstring(error);
}

// Reads the system PATH as it is stored (unexpanded) and its type.
LONG ReadPath(HKEY key, std::wstring* list, DWORD* type) {
  DWORD size = 0;
  LONG error = RegQueryValueExW(key, L"Path", nullptr, type, nullptr, &size);
  if (error == ERROR_FILE_NOT_FOUND) {
    *type = REG_EXPAND_SZ;
    list->clear();
    return ERROR_SUCCESS;
  }
  if (error != ERROR_SUCCESS) return error;
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
  error = RegQueryValueExW(key, L"Path", nullptr, type,
                           reinterpret_cast<BYTE*>(buffer.data()), &size);
  if (error != ERROR_SUCCESS) return error;
  *list = buffer.data();  // up to the first NUL
  return ERROR_SUCCESS;
}

// Sets the system PATH to `change`(the PATH), when that differs.
std::wstring ChangePath(std::wstring (*change)(const std::wstring&,
                                               const std::wstring&),
                        const std::wstring& folder) {
  HKEY key;
  LONG error = RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEnvironmentKey, 0,
                             KEY_QUERY_VALUE | KEY_SET_VALUE | kView, &key);
  if (error != ERROR_SUCCESS) return SystemError(L"the system PATH", error);
  std::wstring list;
  DWORD type = REG_EXPAND_SZ;
  error = ReadPath(key, &list, &type);
  std::wstring changed = error == ERROR_SUCCESS ? change(list, folder) : list;
  if (error == ERROR_SUCCESS && changed != list) {
    error = RegSetValueExW(
        key, L"Path", 0, type == REG_SZ ? REG_SZ : REG_EXPAND_SZ,
        reinterpret_cast<const BYTE*>(changed.c_str()),
        static_cast<DWORD>((changed.size() + 1) * sizeof(wchar_t)));
  }
  RegCloseKey(key);
  if (error != ERROR_SUCCESS) return SystemError(L"the system PATH", error);
  if (changed != list) {
    // Explorer takes the new PATH for what it starts from now on.
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0,
                        reinterpret_cast<LPARAM>(L"Environment"),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
  }
  return L"";
}

LONG SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  return RegSetValueExW(
      key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
      static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

LONG SetNumber(HKEY key, const wchar_t* name, DWORD value) {
  return RegSetValueExW(key, name, 0, REG_DWORD,
                        reinterpret_cast<const BYTE*>(&value), sizeof value);
}

}  // namespace

bool NamesFolder(const std::wstring& entry, const std::wstring& folder) {
  std::wstring a = Plain(entry), b = Plain(folder);
  return !a.empty() &&
         CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring PathWith(const std::wstring& list, const std::wstring& folder) {
  for (const std::wstring& entry : Entries(list)) {
    if (NamesFolder(entry, folder)) return list;
  }
  if (list.empty() || list.back() == L';') return list + folder;
  return list + L';' + folder;
}

std::wstring PathWithout(const std::wstring& list, const std::wstring& folder) {
  std::wstring kept;
  bool first = true;
  for (const std::wstring& entry : Entries(list)) {
    if (NamesFolder(entry, folder)) continue;
    if (!first) kept += L';';
    kept += entry;
    first = false;
  }
  return kept;
}

std::wstring Register(const std::wstring& folder) {
  wchar_t system[MAX_PATH];
  UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return SystemError(L"the system folder", GetLastError());
  }
  HKEY key;
  LONG error = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kAppsKey, 0, nullptr, 0,
                               KEY_SET_VALUE | kView, nullptr, &key, nullptr);
  if (error != ERROR_SUCCESS) return SystemError(L"Apps & Features", error);
  // cmd /c strips the outer pair of quotes and runs the quoted script.
  const std::wstring uninstall = L"\"" + std::wstring(system, length) +
                                 L"\\cmd.exe\" /c \"\"" + folder +
                                 L"\\uninstall.cmd\"\"";
  for (LONG step :
       {SetString(key, L"DisplayName", L"Quorvane"),
        SetString(key, L"DisplayVersion", L"" QUORVANE_VERSION),
        SetString(key, L"Publisher", L"Quorvane developers"),
        SetString(key, L"InstallLocation", folder),
        SetString(key, L"DisplayIcon", folder + L"\\Quorvane.exe"),
        SetString(key, L"UninstallString", uninstall),
        SetNumber(key, L"NoModify", 1), SetNumber(key, L"NoRepair", 1)}) {
    if (error == ERROR_SUCCESS) error = step;
  }
  RegCloseKey(key);
  if (error != ERROR_SUCCESS) return SystemError(L"Apps & Features", error);
  return ChangePath(PathWith, folder);
}

std::wstring Unregister(const std::wstring& folder) {
  LONG error = RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kAppsKey, kView, 0);
  if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
    return SystemError(L"Apps & Features", error);
  }
  return ChangePath(PathWithout, folder);
}

}  // namespace quorvane
