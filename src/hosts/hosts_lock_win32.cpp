// Windows hosts lock: a named mutex, one per directory that holds a hosts
// file. A mutex is never replaced by a save, needs no file that could be
// left behind, and Windows lets go of it when the process ends however it
// ends (the next owner is then told it was abandoned, which changes nothing
// here: the save of a killed run left the old file or the new one). The
// name lives in the Global namespace so that runs in different sessions (a
// scheduled task and a user at the console) see each other, and the mutex
// lets every account wait on it, so that a mutex made by one administrator
// never shuts out another or the SYSTEM task.
#include <windows.h>
// windows.h first: sddl.h needs its types.
#include <sddl.h>

#include <cstdint>
#include <cstdio>

#include "hosts/hosts_lock.h"

namespace quorvane {

namespace {

// Windows paths are case-insensitive: fold ASCII letters before hashing.
std::string MutexName(const std::string& dir, const char* space) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (char c : dir) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 'a' && byte <= 'z') byte -= 'a' - 'A';
    if (byte == '/') byte = '\\';
    hash = (hash ^ byte) * 1099511628211ull;
  }
  char name[64];
  snprintf(name, sizeof name, "%s\\Quorvane-hosts-%016llx", space,
           static_cast<unsigned long long>(hash));
  return name;
}

}  // namespace

struct HostsLock::Held {
  HANDLE mutex;
};

HostsLock::HostsLock() = default;

HostsLock::~HostsLock() { Release(); }

bool HostsLock::Acquire(const std::string& hosts_path,
                        std::chrono::milliseconds wait) {
  Release();
  size_t slash = hosts_path.find_last_of("\\/");
  std::string dir =
      slash == std::string::npos ? "." : hosts_path.substr(0, slash);
  DWORD attributes = GetFileAttributesA(dir.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return false;
  }
  std::string name = MutexName(dir, "Global");
  // Everyone may wait on the mutex and release it (SYNCHRONIZE and
  // MUTEX_MODIFY_STATE), nothing more.
  SECURITY_ATTRIBUTES security = {sizeof security, nullptr, FALSE};
  ConvertStringSecurityDescriptorToSecurityDescriptorA(
      "D:(A;;0x00100001;;;WD)", SDDL_REVISION_1, &security.lpSecurityDescriptor,
      nullptr);
  const DWORD access = SYNCHRONIZE | MUTEX_MODIFY_STATE;
  HANDLE mutex = CreateMutexExA(&security, name.c_str(), 0, access);
  if (mutex == nullptr && GetLastError() == ERROR_ACCESS_DENIED) {
    // Made before by a run that did not share it: open what it allows.
    mutex = OpenMutexA(access, FALSE, name.c_str());
  }
  LocalFree(security.lpSecurityDescriptor);
  // No silent fallback to a lock of another name: that would not keep the
  // other runs out.
  if (mutex == nullptr) return false;
  DWORD result = WaitForSingleObject(mutex, static_cast<DWORD>(wait.count()));
  if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) {
    CloseHandle(mutex);
    return false;
  }
  held_ = std::make_unique<Held>(Held{mutex});
  return true;
}

void HostsLock::Release() {
  if (!held_) return;
  ReleaseMutex(held_->mutex);
  CloseHandle(held_->mutex);
  held_.reset();
}

}  // namespace quorvane
