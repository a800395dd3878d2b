#include "hosts/line_change.h"

#include <algorithm>
#include <optional>

#include "hosts/kept_line.h"
#include "hosts/managed_line.h"
#include "report/console.h"
#include "report/texts.h"

namespace quorvane {

namespace {

std::string Names(const std::vector<std::string_view>& names) {
  std::string joined;
  for (std::string_view name : names) {
    if (!joined.empty()) joined += ' ';
    joined += name;
  }
  return joined;
}

}  // namespace

LineChange DescribeChange(std::string_view old_line,
                          std::string_view new_line) {
  LineChange change;
  if (std::optional<Kept> kept = ParseKeptLine(new_line)) {
    change.kind = LineChange::kKeptAside;
    change.name = Names(kept->names);
    change.before = kept->original;
    return change;
  }
  if (std::optional<Kept> kept = ParseKeptLine(old_line)) {
    change.kind = LineChange::kGivenBack;
    change.name = Names(kept->names);
    change.after = kept->original;
    return change;
  }
  std::optional<ManagedParts> now = ParseManagedLine(new_line);
  std::optional<ManagedParts> was = ParseManagedLine(old_line);
  if (!now) return change;  // no line the scans write
  change.name = now->name;
  change.after = now->address;
  if (!now->active) {
    change.kind = LineChange::kDisabled;
  } else if (!was) {
    change.kind = LineChange::kAdded;
  } else {
    change.before = was->active ? "" : "#";
    change.before += was->address;
  }
  return change;
}

int CountOf(const std::vector<LineChange>& changes, LineChange::Kind kind) {
  return static_cast<int>(
      std::count_if(changes.begin(), changes.end(),
                    [kind](const LineChange& c) { return c.kind == kind; }));
}

Message ChangeLine(const LineChange& c) {
  switch (c.kind) {
    case LineChange::kChanged:
      return Format(kChangeChanged, {c.name, c.before, c.after});
    case LineChange::kAdded:
      return Format(kChangeAdded, {c.name, c.after});
    case LineChange::kKeptAside:
      return Format(kChangeKeptAside, {c.name, c.before});
    case LineChange::kDisabled:
      return Format(kChangeDisabled, {c.name, c.after});
    case LineChange::kGivenBack:
      return Format(kChangeGivenBack, {c.name, c.after});
  }
  return Message();
}

void WriteChangeLines(const std::vector<LineChange>& changes) {
  for (const LineChange& change : changes) WriteOut(ChangeLine(change));
}

Message CountLine(const std::vector<LineChange>& changes) {
  const std::pair<LineChange::Kind, const CountText*> kinds[] = {
      {LineChange::kChanged, &kCountChanged},
      {LineChange::kAdded, &kCountAdded},
      {LineChange::kKeptAside, &kCountKeptAside},
      {LineChange::kDisabled, &kCountDisabled},
      {LineChange::kGivenBack, &kCountGivenBack}};
  Message line;
  for (auto [kind, text] : kinds) {
    int n = CountOf(changes, kind);
    if (n == 0) continue;
    if (!line.pieces.empty()) line += Format(kCountJoin, {});
    line += Format(n == 1 ? text->one : text->many, {n});
  }
  line += Format(kCountEnd, {});
  return line;
}

}  // namespace quorvane
