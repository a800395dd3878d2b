// Windows hosts lock: a mutex, one per folder that holds a hosts file, that
// only SYSTEM and the Administrators can make, open or hold. It lives in a
// private namespace whose boundary holds the Administrators SID, so no other
// account can make the namespace first or place an object of the same name
// in it, and the namespace and the mutex both grant SYSTEM and the
// Administrators alone: a user can neither hold the lock to stop every run
// nor make it first with an ACL that shuts the runs out. A mutex is never
// replaced by a save, needs no file that could be left behind, and Windows
// lets go of it when the process ends however it ends (the next owner is
// told it was abandoned, which changes nothing here: a killed save is
// repaired from its journal once the lock is held).
//
// A mutex that exists with another owner or ACL is not ours: no lock, and
// no other name to fall back on. Where the system has no private
// namespaces (Wine exports neither CreatePrivateNamespaceW nor
// OpenPrivateNamespaceW, and there every process runs as the same user),
// the same mutex with the same ACL lives in the Global namespace.
#include <windows.h>
// windows.h first: these need its types.
#include <aclapi.h>
#include <sddl.h>

#include <cstdint>
#include <cwchar>

#include "report/texts.h"
#include "report/windows_text.h"
#include "store/hash.h"
#include "store/hosts_lock.h"

namespace quorvane {

namespace {

// Owner Administrators; SYSTEM and Administrators alone may use it.
constexpr wchar_t kLockSecurity[] = L"O:BAD:P(A;;GA;;;SY)(A;;GA;;;BA)";
constexpr wchar_t kNamespace[] = L"Quorvane";
constexpr DWORD kMutexAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE | READ_CONTROL;

// The private-namespace calls, looked up at run time: a program that
// imported them could not start where they are missing.
struct NamespaceApi {
  HANDLE(WINAPI* create_boundary)(LPCWSTR, ULONG);
  BOOL(WINAPI* add_sid)(HANDLE*, PSID);
  BOOL(WINAPI* add_label)(HANDLE*, PSID);
  VOID(WINAPI* delete_boundary)(HANDLE);
  HANDLE(WINAPI* create_space)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
  HANDLE(WINAPI* open_space)(LPVOID, LPCWSTR);
  BOOLEAN(WINAPI* close_space)(HANDLE, ULONG);
};

template <typename F>
bool Find(HMODULE module, const char* name, F* function) {
  *function = reinterpret_cast<F>(
      reinterpret_cast<void*>(GetProcAddress(module, name)));
  return *function != nullptr;
}

bool LoadNamespaceApi(NamespaceApi* api) {
  HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  return kernel != nullptr &&
         Find(kernel, "CreateBoundaryDescriptorW", &api->create_boundary) &&
         Find(kernel, "AddSIDToBoundaryDescriptor", &api->add_sid) &&
         Find(kernel, "AddIntegrityLabelToBoundaryDescriptor",
              &api->add_label) &&
         Find(kernel, "DeleteBoundaryDescriptor", &api->delete_boundary) &&
         Find(kernel, "CreatePrivateNamespaceW", &api->create_space) &&
         Find(kernel, "OpenPrivateNamespaceW", &api->open_space) &&
         Find(kernel, "ClosePrivateNamespace", &api->close_space);
}

bool IsSid(PSID sid, WELL_KNOWN_SID_TYPE type) {
  return sid != nullptr && IsValidSid(sid) && IsWellKnownSid(sid, type);
}

// Whether the mutex is owned by SYSTEM or the Administrators and its ACL
// allows SYSTEM and the Administrators and nobody else, as made here.
bool HasOurSecurity(HANDLE mutex) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(mutex, SE_KERNEL_OBJECT,
                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                      &owner, nullptr, &dacl, nullptr,
                      &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  bool ok = (IsSid(owner, WinLocalSystemSid) ||
             IsSid(owner, WinBuiltinAdministratorsSid)) &&
            dacl != nullptr && dacl->AceCount == 2;
  bool system = false, admins = false;
  for (DWORD i = 0; ok && i < dacl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    ok = GetAce(dacl, i, reinterpret_cast<void**>(&ace)) &&
         ace->AceType == ACCESS_ALLOWED_ACE_TYPE;
    if (!ok) break;
    PSID sid = &reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart;
    system = system || IsSid(sid, WinLocalSystemSid);
    admins = admins || IsSid(sid, WinBuiltinAdministratorsSid);
  }
  LocalFree(descriptor);
  return ok && system && admins;
}

// Opens (making it when needed) the private namespace whose boundary holds
// the Administrators SID. Null when it cannot be had.
HANDLE OpenNamespace(const NamespaceApi& api, SECURITY_ATTRIBUTES* security) {
  // The boundary names a high integrity level too, so that SYSTEM and an
  // elevated administrator (each at or above it) meet in one namespace
  // whatever level each runs at.
  BYTE admins[SECURITY_MAX_SID_SIZE], high[SECURITY_MAX_SID_SIZE];
  DWORD admins_size = sizeof admins, high_size = sizeof high;
  if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins,
                          &admins_size) ||
      !CreateWellKnownSid(WinHighLabelSid, nullptr, high, &high_size)) {
    return nullptr;
  }
  HANDLE boundary = api.create_boundary(kNamespace, 0);
  if (boundary == nullptr) return nullptr;
  HANDLE space = nullptr;
  if (api.add_sid(&boundary, admins) && api.add_label(&boundary, high)) {
    // Another run may close the namespace between our make and our open.
    for (int attempt = 0; space == nullptr && attempt < 5; ++attempt) {
      space = api.create_space(security, boundary, kNamespace);
      if (space == nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
        space = api.open_space(boundary, kNamespace);
      } else if (space == nullptr) {
        break;
      }
    }
  }
  api.delete_boundary(boundary);
  return space;
}

// One file, one lock, however its path is spelt: the full path (".", ".."
// and relative paths resolved), without regard to case, as Windows names
// it; two files, even in one folder, have two.
std::string LockKey(const std::string& hosts_path) {
  wchar_t full[4096];
  DWORD length =
      GetFullPathNameW(Wide(hosts_path).c_str(), 4096, full, nullptr);
  if (length == 0 || length >= 4096) return hosts_path;
  return Utf8(std::wstring_view(full, length));
}

std::wstring MutexName(const std::string& key, const wchar_t* space) {
  uint64_t hash = Fnv1a(key, kFnvBasis, Spelling::kWindowsPath);
  wchar_t name[64];
  swprintf(name, 64, L"%ls\\Quorvane-hosts-%016llx", space,
           static_cast<unsigned long long>(hash));
  return name;
}

}  // namespace

struct HostsLock::Held {
  HANDLE mutex;
  HANDLE space;  // the private namespace, or null
  BOOLEAN(WINAPI* close_space)(HANDLE, ULONG);
};

HostsLock::HostsLock() = default;

HostsLock::~HostsLock() { Release(); }

bool HostsLock::Acquire(const std::string& hosts_path,
                        std::chrono::milliseconds wait) {
  Release();
  size_t slash = hosts_path.find_last_of("\\/");
  std::string dir =
      slash == std::string::npos ? "." : hosts_path.substr(0, slash);
  DWORD attributes = GetFileAttributesW(Wide(dir).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return false;
  }
  SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
          kLockSecurity, SDDL_REVISION_1, &security.lpSecurityDescriptor,
          nullptr)) {
    return false;
  }
  Held held = {nullptr, nullptr, nullptr};
  NamespaceApi api;
  if (LoadNamespaceApi(&api)) {
    held.close_space = api.close_space;
    held.space = OpenNamespace(api, &security);
    if (held.space != nullptr) {
      held.mutex = CreateMutexExW(
          &security, MutexName(LockKey(hosts_path), kNamespace).c_str(), 0,
          kMutexAccess);
    }
  } else {
    held.mutex = CreateMutexExW(
        &security, MutexName(LockKey(hosts_path), L"Global").c_str(), 0,
        kMutexAccess);
  }
  LocalFree(security.lpSecurityDescriptor);
  DWORD result = WAIT_FAILED;
  if (held.mutex != nullptr && HasOurSecurity(held.mutex)) {
    result = WaitForSingleObject(held.mutex, static_cast<DWORD>(wait.count()));
  }
  if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) {
    // Nothing held: let go of the handles without releasing the mutex.
    if (held.mutex != nullptr) CloseHandle(held.mutex);
    if (held.space != nullptr) held.close_space(held.space, 0);
    return false;
  }
  held_ = std::make_unique<Held>(held);
  return true;
}

void HostsLock::Release() {
  if (!held_) return;
  ReleaseMutex(held_->mutex);
  CloseHandle(held_->mutex);
  if (held_->space != nullptr) held_->close_space(held_->space, 0);
  held_.reset();
}

Message LockFailureCause(const std::string& hosts_path,
                         std::chrono::seconds waited) {
  // A mutex tells nobody who holds it.
  std::wstring wide = MutexName(LockKey(hosts_path), kNamespace);
  std::string name(wide.begin(), wide.end());  // ASCII: a hex hash
  return Format(kCauseLockHeld,
                {PathArg(hosts_path), name, static_cast<int>(waited.count())});
}

}  // namespace quorvane
