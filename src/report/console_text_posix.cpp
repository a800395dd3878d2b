#include <iconv.h>

#include <algorithm>
#include <cerrno>

#include "report/console_text.h"

namespace quorvane {

std::string ConsoleCharset(std::string_view locale_name,
                           std::string_view codeset) {
  if (locale_name.empty() || locale_name == "C" || locale_name == "POSIX" ||
      codeset.empty() || codeset == "ANSI_X3.4-1968") {
    return "UTF-8";
  }
  return std::string(codeset);
}

std::string ConvertOwnText(std::string_view sjis, const std::string& charset) {
  if (charset == "SHIFT_JIS" || charset == "CP932" || charset == "SJIS" ||
      charset == "WINDOWS-31J") {
    return std::string(sjis);
  }
  // CP932 reads 0x00-0x7F as ASCII, and every locale's codeset writes ASCII
  // as itself: most lines (paths, addresses, host names) need no iconv.
  if (std::all_of(sjis.begin(), sjis.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x80;
      })) {
    return std::string(sjis);
  }
  iconv_t cd = iconv_open((charset + "//TRANSLIT").c_str(), "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(sjis);
  std::string out;
  char buffer[1024];
  char* in = const_cast<char*>(sjis.data());
  size_t in_left = sjis.size();
  while (in_left > 0) {
    char* next = buffer;
    size_t room = sizeof buffer;
    size_t done = iconv(cd, &in, &in_left, &next, &room);
    out.append(buffer, next - buffer);
    if (done == static_cast<size_t>(-1) && errno != E2BIG) {
      // A byte the decoder rejects is shown as it is rather than dropped.
      out += *in;
      ++in;
      --in_left;
    }
  }
  char* next = buffer;
  size_t room = sizeof buffer;
  iconv(cd, nullptr, nullptr, &next, &room);
  out.append(buffer, next - buffer);
  iconv_close(cd);
  return out;
}

}  // namespace quorvane
