#include "hosts/line_owner.h"

#include "hosts/managed_line.h"

namespace quorvane {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool EndsEntry(char c) { return c == '\r' || c == '\n'; }

bool IsAddress(std::string_view field) {
  size_t zone = field.find('%');
  if (zone != std::string_view::npos) {
    if (zone + 1 == field.size()) return false;
    field = field.substr(0, zone);
  }
  bool separator = false;
  for (char c : field) {
    bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') ||
               (c >= 'A' && c <= 'F');
    if (c == '.' || c == ':') {
      separator = true;
    } else if (!hex) {
      return false;
    }
  }
  return separator;
}

// `at` is the name's first place in the line.
bool HoldsManagedTail(std::string_view line, std::string_view name, size_t at) {
  for (; at != std::string_view::npos; at = line.find(name, at + 1)) {
    if (at > 0 && line[at - 1] == '\t' &&
        line.substr(at + name.size(), kMarker.size()) == kMarker) {
      return true;
    }
  }
  return false;
}

bool EntryNames(std::string_view line, std::string_view name) {
  size_t p = 0;
  while (p < line.size() && (line[p] == '#' || IsBlank(line[p]))) ++p;
  bool first = true;
  while (p < line.size() && !EndsEntry(line[p])) {
    size_t end = p;
    while (end < line.size() && !IsBlank(line[end]) && !EndsEntry(line[end])) {
      ++end;
    }
    std::string_view field = line.substr(p, end - p);
    if (first) {
      if (!IsAddress(field)) return false;
      first = false;
    } else if (field[0] == '#') {
      return false;
    } else if (field == name) {
      return true;
    }
    p = end;
    while (p < line.size() && IsBlank(line[p])) ++p;
  }
  return false;
}

}  // namespace

bool LineBelongsTo(std::string_view line, std::string_view name) {
  // Neither rule holds without the name's bytes: most lines end here.
  size_t at = line.find(name);
  if (at == std::string_view::npos) return false;
  return HoldsManagedTail(line, name, at) || EntryNames(line, name);
}

}  // namespace quorvane
