#include "names/ini_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <unordered_map>
#include <utility>

#include "names/list_open.h"
#include "report/console.h"
#include "report/texts.h"
#include "store/failure_cause.h"

namespace quorvane {

namespace {

// What separates the words of a list line. Any other control byte in a
// line is an error, never a separator: "bad<VT>name" is no host name "bad".
bool IsWhite(char c) { return c == ' ' || c == '\t'; }

bool HoldsControlByte(std::string_view text) {
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7f) return true;
  }
  return false;
}

// `line` (a whole physical line) without its line break, LF or CR LF.
std::string_view WithoutLineEnd(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// Takes the next word of `text` from `*pos`, or an empty view at the end.
std::string_view NextWord(std::string_view text, size_t* pos) {
  size_t i = *pos;
  while (i < text.size() && IsWhite(text[i])) ++i;
  size_t start = i;
  while (i < text.size() && !IsWhite(text[i])) ++i;
  *pos = i;
  return text.substr(start, i - start);
}

// Reads the whole file, or fails. A file of more than `limit` bytes is a
// failure too (`*too_long`): a device without end (/dev/zero) or a wrong,
// huge file must not take all memory before anything is said.
bool ReadWholeFile(const std::string& path, size_t limit, std::string* bytes,
                   bool* too_long, bool* others_may_read) {
  *too_long = false;
  FILE* file = OpenListFile(path, others_may_read);
  if (file == nullptr) return false;
  char buffer[65536];
  size_t got;
  bool ok = true;
  while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) {
    if (got > limit - bytes->size()) {
      ok = false;
      *too_long = true;
      break;
    }
    bytes->append(buffer, got);
  }
  ok = ok && !ferror(file);
  fclose(file);
  return ok;
}

// A list saved as UTF-16 (PowerShell 5.1's `>` writes UTF-16LE), by its
// byte order mark, as UTF-8 without the mark; nullopt for any other list,
// whose bytes are scanned as they are. A broken surrogate or a lone last
// byte becomes U+FFFD: never ASCII, so never part of a good pair.
std::optional<std::string> Utf16AsUtf8(std::string_view bytes) {
  bool little;
  if (bytes.substr(0, 2) == "\xff\xfe") {
    little = true;
  } else if (bytes.substr(0, 2) == "\xfe\xff") {
    little = false;
  } else {
    return std::nullopt;
  }
  auto unit = [&](size_t i) -> uint32_t {
    auto lo = static_cast<unsigned char>(bytes[i + (little ? 0 : 1)]);
    auto hi = static_cast<unsigned char>(bytes[i + (little ? 1 : 0)]);
    return hi << 8 | lo;
  };
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 2; i < bytes.size(); i += 2) {
    uint32_t c = 0xfffd;
    if (i + 1 < bytes.size()) {
      c = unit(i);
      if (c >= 0xd800 && c <= 0xdbff && i + 3 < bytes.size() &&
          unit(i + 2) >= 0xdc00 && unit(i + 2) <= 0xdfff) {
        c = 0x10000 + ((c - 0xd800) << 10) + (unit(i + 2) - 0xdc00);
        i += 2;
      } else if (c >= 0xd800 && c <= 0xdfff) {
        c = 0xfffd;
      }
    }
    if (c < 0x80) {
      text += static_cast<char>(c);
    } else if (c < 0x800) {
      text += static_cast<char>(0xc0 | c >> 6);
      text += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
      text += static_cast<char>(0xe0 | c >> 12);
      text += static_cast<char>(0x80 | (c >> 6 & 0x3f));
      text += static_cast<char>(0x80 | (c & 0x3f));
    } else {
      text += static_cast<char>(0xf0 | c >> 18);
      text += static_cast<char>(0x80 | (c >> 12 & 0x3f));
      text += static_cast<char>(0x80 | (c >> 6 & 0x3f));
      text += static_cast<char>(0x80 | (c & 0x3f));
    }
  }
  return text;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::optional<Families> ParseFamilies(std::string_view word) {
  if (word == "-4") return Families{true, false};
  if (word == "-6") return Families{false, true};
  if (word == "-46" || word == "-64") return Families{true, true};
  return std::nullopt;
}

bool IsHostName(std::string_view name) {
  if (name.empty()) return false;
  for (char c : name) {
    auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7f || byte == '#') return false;
  }
  return true;
}

namespace {

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
  }
  return lower;
}

}  // namespace

std::vector<std::pair<size_t, size_t>> ConflictingPairs(
    const std::vector<Pair>& pairs) {
  std::vector<std::pair<size_t, size_t>> conflicts;
  std::unordered_map<std::string, size_t> last;  // by name, the last pair
  for (size_t i = 0; i < pairs.size(); ++i) {
    auto [it, added] = last.emplace(AsciiLower(pairs[i].name), i);
    if (added) continue;
    if (AsciiLower(pairs[it->second].domain) != AsciiLower(pairs[i].domain)) {
      conflicts.emplace_back(it->second, i);
    }
    it->second = i;
  }
  return conflicts;
}

bool IsSystemName(std::string_view name) {
  for (std::string_view system : {"localhost", "localhost.localdomain",
                                  "ip6-localhost", "ip6-loopback"}) {
    if (name.size() == system.size() &&
        std::equal(name.begin(), name.end(), system.begin(),
                   [](char a, char b) {
                     return (a >= 'A' && a <= 'Z' ? a + ('a' - 'A') : a) == b;
                   })) {
      return true;
    }
  }
  return false;
}

ListScan ScanListFile(std::string_view bytes, Families chosen) {
  ListScan scan;
  std::optional<std::string> decoded = Utf16AsUtf8(bytes);
  if (decoded) bytes = *decoded;
  // Notepad and PowerShell save UTF-8 with a byte order mark: not a domain.
  constexpr std::string_view kByteOrderMark = "\xef\xbb\xbf";
  size_t start = bytes.substr(0, 3) == kByteOrderMark ? 3 : 0;
  int number = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\n', start);
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    std::string_view line = bytes.substr(start, end - start);
    start = end;
    ++number;
    std::string_view text = line.substr(0, line.find('\0'));
    // A CR right before the LF belongs to the line break; a line cut at a
    // NUL byte has none left.
    std::string_view body =
        text.size() == line.size() ? WithoutLineEnd(text) : text;
    // A line whose first byte is NUL has no text at all: no words, so it is
    // a malformed line like any other.
    if (body.empty() && !text.empty()) continue;  // an empty line
    if (!body.empty() && IsWhite(body[0])) {
      // Skipped, as the format says; but a newcomer's indented pair would
      // silently never be applied, so such a line is told about.
      size_t pos = 0;
      std::string_view first = NextWord(body, &pos);
      if (!first.empty() && first[0] != '#' &&
          IsHostName(NextWord(body, &pos))) {
        scan.indented_pairs.push_back(number);
      }
      continue;
    }
    if (!body.empty() && body[0] == '#') continue;
    size_t pos = 0;
    std::string_view domain = NextWord(body, &pos);
    std::string_view host_name = NextWord(body, &pos);
    // The choice of families: the words after the host name while they
    // are choices ("-4 -6" is both). A word that looks like a mistyped one
    // ("-5", "--6", "-v6") makes the line bad, as does a host name that is
    // a choice (a word out of place).
    std::optional<Families> families;
    // A UTF-16 list's names must be ASCII: its decoded UTF-8 is nothing
    // the user typed as bytes, and no other program reads it so.
    bool bad = HoldsControlByte(body) || !IsHostName(host_name) ||
               IsSystemName(host_name) || ParseFamilies(host_name) ||
               (decoded && !(IsAscii(domain) && IsAscii(host_name)));
    for (std::string_view word;
         !bad && !(word = NextWord(body, &pos)).empty();) {
      std::optional<Families> chosen = ParseFamilies(word);
      if (!chosen) {
        bad = word.size() > 1 && word[0] == '-' &&
              word.find_first_not_of("0123456789vV-", 1) == word.npos &&
              word.find_first_of("0123456789", 1) != word.npos;
        break;
      }
      families = families ? families->With(*chosen) : *chosen;
    }
    if (bad) {
      scan.ok = false;
      scan.bad_line = std::string(body);
      scan.bad_line_number = number;
      break;
    }
    scan.pairs.push_back({std::string(domain), std::string(host_name),
                          families.value_or(chosen)});
  }
  return scan;
}

void IniFile::Add(std::string_view domain, std::string_view host_name) {
  pairs.push_back({std::string(domain), std::string(host_name), families});
}

std::optional<Failure> IniFile::Load(const std::string& path) {
  WriteProgress(Format(kReading, {PathArg(path)}));
  std::string bytes;
  bool too_long, others_may_read = false;
  if (!ReadWholeFile(path, kMaxListFileBytes, &bytes, &too_long,
                     &others_may_read)) {
    Message text = Format(kCannotOpenList, {PathArg(path)});
    text += Raw("\n");
    text +=
        too_long ? Format(kCauseTooLong, {PathArg(path)}) : ListReadCause(path);
    return Failure{kErrorListOpen, text};
  }
  ListScan scan = ScanListFile(bytes, families);
  for (int number : scan.indented_pairs) {
    WriteErr(Format(kIndentedPair, {PathArg(path), number}));
  }
  for (Pair& pair : scan.pairs) pairs.push_back(std::move(pair));
  if (scan.ok) return std::nullopt;
  if (others_may_read) {
    return Fail(kErrorListLine, kBadListLine,
                {scan.bad_line, PathArg(path), scan.bad_line_number});
  }
  return Fail(kErrorListLine, kBadListLineHidden,
              {PathArg(path), scan.bad_line_number});
}

}  // namespace quorvane
