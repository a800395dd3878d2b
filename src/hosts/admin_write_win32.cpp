// OnlyAdministratorsWrite: reads the owner and DACL of a path.
#include <windows.h>
// windows.h first: aclapi.h needs its types.
#include <aclapi.h>
#include <sddl.h>

#include "hosts/admin_write.h"

namespace quorvane {

namespace {

bool IsSid(PSID sid, WELL_KNOWN_SID_TYPE type) {
  return IsValidSid(sid) && IsWellKnownSid(sid, type);
}

// SYSTEM, the Administrators, TrustedInstaller, or the account this
// program runs as.
bool IsTrusted(PSID sid, PSID self) {
  static const char kInstaller[] =
      "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
  PSID installer = nullptr;
  bool trusted = IsSid(sid, WinLocalSystemSid) ||
                 IsSid(sid, WinBuiltinAdministratorsSid) ||
                 (self != nullptr && EqualSid(sid, self)) ||
                 (ConvertStringSidToSidA(kInstaller, &installer) &&
                  EqualSid(sid, installer));
  LocalFree(installer);
  return trusted;
}

}  // namespace

bool OnlyAdministratorsWrite(const std::string& path) {
  constexpr DWORD kWrite = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY |
                           FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                           WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;
  char user[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)];
  PSID self = nullptr;
  HANDLE token;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    DWORD size;
    if (GetTokenInformation(token, TokenUser, user, sizeof user, &size)) {
      self = reinterpret_cast<TOKEN_USER*>(user)->User.Sid;
    }
    CloseHandle(token);
  }
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoA(
          path.c_str(), SE_FILE_OBJECT,
          OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
          nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  // No DACL at all lets everyone in.
  bool ok = owner != nullptr && IsTrusted(owner, self) && dacl != nullptr;
  for (DWORD i = 0; ok && i < dacl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    ok = GetAce(dacl, i, reinterpret_cast<void**>(&ace));
    if (!ok || (ace->AceFlags & INHERIT_ONLY_ACE)) continue;
    if (ace->AceType == ACCESS_ALLOWED_ACE_TYPE) {
      auto* allowed = reinterpret_cast<ACCESS_ALLOWED_ACE*>(ace);
      ok = !(allowed->Mask & kWrite) || IsTrusted(&allowed->SidStart, self);
    } else {
      // Deny entries take nothing away from us; other kinds of allowing
      // entry are not looked into.
      ok = ace->AceType == ACCESS_DENIED_ACE_TYPE;
    }
  }
  LocalFree(descriptor);
  return ok;
}

}  // namespace quorvane
