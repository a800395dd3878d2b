#include "hosts/line_owner.h"

#include "hosts/managed_line.h"

namespace quorvane {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool EndsEntry(char c) { return c == '\r' || c == '\n'; }
char Fold(char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

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

bool HoldsManagedTail(std::string_view line, std::string_view name) {
  for (size_t at = line.find(kMarker); at != std::string_view::npos;
       at = line.find(kMarker, at + 1)) {
    if (at > name.size() && line[at - name.size() - 1] == '\t' &&
        SameName(line.substr(at - name.size(), name.size()), name)) {
      return true;
    }
  }
  return false;
}

// Calls visit(start, end) for each name field of the hosts entry that
// `line` is (none when it is not one), until visit returns true; returns
// whether it did.
template <typename Visit>
bool VisitNames(std::string_view line, Visit visit) {
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
    } else if (visit(p, end)) {
      return true;
    }
    p = end;
    while (p < line.size() && IsBlank(line[p])) ++p;
  }
  return false;
}

}  // namespace

bool LineBelongsTo(std::string_view line, std::string_view name) {
  return HoldsManagedTail(line, name) ||
         VisitNames(line, [&](size_t start, size_t end) {
           return SameName(line.substr(start, end - start), name);
         });
}

std::optional<std::string> LineWithoutName(std::string_view line,
                                           std::string_view name) {
  if (HoldsManagedTail(line, name)) return std::nullopt;
  bool others = VisitNames(line, [&](size_t start, size_t end) {
    return !SameName(line.substr(start, end - start), name);
  });
  if (!others) return std::nullopt;
  std::string kept;
  size_t done = 0;
  VisitNames(line, [&](size_t start, size_t end) {
    if (SameName(line.substr(start, end - start), name)) {
      size_t cut = start;
      while (cut > done && IsBlank(line[cut - 1])) --cut;
      kept.append(line.substr(done, cut - done));
      done = end;
    }
    return false;
  });
  kept.append(line.substr(done));
  return kept;
}

std::string FoldedName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = Fold(c);
  return folded;
}

}  // namespace quorvane
