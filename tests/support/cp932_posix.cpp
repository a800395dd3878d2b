#include <iconv.h>

#include "support/cp932.h"

namespace quorvane {

std::string DecodeCp932(std::string_view bytes) {
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return "<invalid>";
  std::string out(bytes.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char* next = out.data();
  size_t room = out.size();
  size_t done = iconv(cd, &in, &in_left, &next, &room);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1)) return "<invalid>";
  out.resize(next - out.data());
  return out;
}

}  // namespace quorvane
