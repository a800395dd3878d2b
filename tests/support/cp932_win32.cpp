#include <windows.h>

#include "support/cp932.h"

namespace quorvane {

std::string DecodeCp932(std::string_view bytes) {
  if (bytes.empty()) return "";
  int size = static_cast<int>(bytes.size());
  int length = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes.data(),
                                   size, nullptr, 0);
  if (length <= 0) return "<invalid>";
  std::wstring wide(length, L'\0');
  MultiByteToWideChar(932, 0, bytes.data(), size, wide.data(), length);
  int utf8_length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length,
                                        nullptr, 0, nullptr, nullptr);
  std::string utf8(utf8_length, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, utf8.data(), utf8_length,
                      nullptr, nullptr);
  return utf8;
}

}  // namespace quorvane
