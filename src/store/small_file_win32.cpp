#include <windows.h>

#include "report/windows_text.h"
#include "store/small_file.h"

namespace quorvane {

int ReplaceSmallFile(const std::string& path, std::string_view bytes) {
  // CREATE_NEW never opens what another user planted at the name.
  std::wstring temporary =
      Wide(path) + L".tmp" + std::to_wstring(GetCurrentProcessId());
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()),
                      &written, nullptr) &&
            written == bytes.size() && FlushFileBuffers(file);
  DWORD error = ok ? 0 : GetLastError();
  CloseHandle(file);
  if (ok && !MoveFileExW(temporary.c_str(), Wide(path).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
  }
  if (error) DeleteFileW(temporary.c_str());
  return static_cast<int>(error);
}

std::string ReadSmallFile(const std::string& path) {
  HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes(1 << 20, '\0');
  DWORD done = 0;
  if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done,
                nullptr)) {
    done = 0;
  }
  CloseHandle(file);
  bytes.resize(done);
  return bytes;
}

}  // namespace quorvane
