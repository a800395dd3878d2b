#include "hosts/kept_line.h"

#include <cstdint>

#include "store/hash.h"

namespace quorvane {

namespace {

constexpr size_t kHashDigits = 8;

std::string HashText(std::string_view hashed) {
  static const char kDigits[] = "0123456789abcdef";
  uint64_t hash = Fnv1a(hashed);
  std::string text(kHashDigits, '0');
  for (size_t i = kHashDigits; i-- > 0; hash >>= 4)
    text[i] = kDigits[hash & 15];
  return text;
}

}  // namespace

// A line break that an append later gives a last line without one changes no
// hash.
std::string_view WithoutBreak(std::string_view line) {
  size_t end = line.find_last_not_of("\r\n");
  return line.substr(0, end == std::string_view::npos ? 0 : end + 1);
}

std::string KeptLine(std::string_view entry,
                     const std::vector<std::string_view>& names) {
  std::string body;
  for (std::string_view name : names) {
    if (!body.empty()) body += ' ';
    body += name;
  }
  body += '\t';
  body += entry;
  std::string line(kKeptTag);
  line += HashText(WithoutBreak(body));
  line += ' ';
  line += body;
  return line;
}

std::optional<Kept> ParseKeptLine(std::string_view line) {
  if (line.substr(0, kKeptTag.size()) != kKeptTag) return std::nullopt;
  std::string_view rest = line.substr(kKeptTag.size());
  if (rest.size() <= kHashDigits || rest[kHashDigits] != ' ') {
    return std::nullopt;
  }
  std::string_view hash = rest.substr(0, kHashDigits);
  std::string_view body = rest.substr(kHashDigits + 1);
  size_t tab = body.find('\t');
  if (tab == std::string_view::npos || HashText(WithoutBreak(body)) != hash) {
    return std::nullopt;
  }
  Kept kept;
  for (size_t start = 0; start <= tab;) {
    size_t end = body.find(' ', start);
    if (end == std::string_view::npos || end > tab) end = tab;
    if (end == start) return std::nullopt;
    kept.names.push_back(body.substr(start, end - start));
    start = end + 1;
  }
  std::string_view original = body.substr(tab + 1);
  kept.original = WithoutBreak(original);
  kept.ending = original.substr(kept.original.size());
  return kept;
}

}  // namespace quorvane
