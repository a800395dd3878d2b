#include "hosts/line_owner.h"

#include <algorithm>

#include "hosts/managed_line.h"

namespace quorvane {

namespace {

// White space to glibc, musl and dnsmasq (isspace in the C locale), but LF,
// which ends the line.
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}
// Readers cut a line at its first '#'; glibc and musl see a C string, which
// ends at NUL.
bool EndsEntry(char c) { return c == '\n' || c == '#' || c == '\0'; }
char Fold(char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

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

// Calls visit(start, end) for each name field of the active hosts entry
// that `line` is (none when it is not one), until visit returns true;
// returns whether it did.
template <typename Visit>
bool VisitNames(std::string_view line, Visit visit) {
  size_t p = 0;
  while (p < line.size() && IsBlank(line[p])) ++p;
  bool first = true;
  while (p < line.size() && !EndsEntry(line[p])) {
    size_t end = p;
    while (end < line.size() && !IsBlank(line[end]) && !EndsEntry(line[end])) {
      ++end;
    }
    if (first) {
      if (!IsAddress(line.substr(p, end - p))) return false;
      first = false;
    } else if (visit(p, end)) {
      return true;
    }
    p = end;
    while (p < line.size() && IsBlank(line[p])) ++p;
  }
  return false;
}

bool IsOneOf(std::string_view field,
             const std::vector<std::string_view>& names) {
  return std::any_of(names.begin(), names.end(), [&](std::string_view name) {
    return SameName(field, name);
  });
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

std::optional<std::string_view> ManagedTailName(std::string_view line,
                                                std::string_view name) {
  std::optional<std::string_view> ours = ManagedLineName(line);
  if (ours && SameName(*ours, name)) return ours;
  return std::nullopt;
}

std::vector<std::string_view> MappedSpellings(std::string_view line,
                                              std::string_view name) {
  std::vector<std::string_view> found;
  VisitNames(line, [&](size_t start, size_t end) {
    std::string_view field = line.substr(start, end - start);
    if (SameName(field, name)) found.push_back(field);
    return false;
  });
  return found;
}

bool LineBelongsTo(std::string_view line, std::string_view name) {
  return ManagedTailName(line, name) ||
         VisitNames(line, [&](size_t start, size_t end) {
           return SameName(line.substr(start, end - start), name);
         });
}

std::optional<std::string> LineWithoutNames(
    std::string_view line, const std::vector<std::string_view>& names) {
  for (std::string_view name : names) {
    if (ManagedTailName(line, name)) return std::nullopt;
  }
  bool others = VisitNames(line, [&](size_t start, size_t end) {
    return !IsOneOf(line.substr(start, end - start), names);
  });
  if (!others) return std::nullopt;
  std::string kept;
  size_t done = 0;
  VisitNames(line, [&](size_t start, size_t end) {
    if (IsOneOf(line.substr(start, end - start), names)) {
      size_t cut = start;
      while (cut > done && IsBlank(line[cut - 1])) --cut;
      kept.append(line.substr(done, cut - done));
      done = end;
    }
    return false;
  });
  kept.append(line.substr(done));
  // What is left must never take the shape of a line of ours, which a
  // restore would disable: "10.0.0.8<TAB>nas2 nas<TAB>##Quorvane##" without
  // nas keeps a blank before the marker.
  if (ManagedLineName(kept)) {
    kept.insert(kept.rfind(kMarker), " ");
  }
  return kept;
}

std::string FoldedName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = Fold(c);
  return folded;
}

}  // namespace quorvane
