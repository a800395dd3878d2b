#include "hosts/update_steps.h"

#include <algorithm>
#include <cstdint>

#include "hosts/kept_line.h"
#include "hosts/line_owner.h"
#include "hosts/managed_line.h"
#include "hosts/name_search.h"

namespace quorvane {

namespace {

constexpr Family kFamilies[] = {Family::kIPv4, Family::kIPv6};

Family Other(Family family) {
  return family == Family::kIPv4 ? Family::kIPv6 : Family::kIPv4;
}

void AddOnce(std::vector<std::string_view>* list, std::string_view spelling) {
  if (std::find(list->begin(), list->end(), spelling) == list->end()) {
    list->push_back(spelling);
  }
}

}  // namespace

Family FamilyOf(std::string_view address) {
  return address.find(':') != std::string_view::npos ? Family::kIPv6
                                                     : Family::kIPv4;
}

ListedNames::ListedNames(const std::vector<Pin>& pins) {
  std::vector<std::vector<size_t>> ipv6;
  // At most a name a pin: room made once rather than by doubling.
  ids.reserve(pins.size());
  names.reserve(pins.size());
  pending.reserve(pins.size());
  ipv6.reserve(pins.size());
  spellings.reserve(pins.size());
  address.reserve(pins.size());
  for (size_t i = 0; i < pins.size(); ++i) {
    auto [it, added] = ids.emplace(FoldedName(pins[i].name), names.size());
    if (added) {
      names.push_back(pins[i].name);
      pending.emplace_back();
      ipv6.emplace_back();
      spellings.emplace_back();
      address.emplace_back();
    }
    const size_t id = it->second;
    const Family family = FamilyOf(pins[i].address);
    (family == Family::kIPv6 ? ipv6 : pending)[id].push_back(i);
    address[id][family] = pins[i].address;
    AddOnce(&spellings[id], pins[i].name);
  }
  for (size_t id = 0; id < names.size(); ++id) {
    pending[id].insert(pending[id].begin(), ipv6[id].begin(), ipv6[id].end());
  }
}

namespace {

// The search pass. A line can belong to a name only if it holds the name's
// bytes, so the search over the whole file skips the lines that hold no
// name; the line where it stops is searched again on its own, for every
// name it holds, and the ownership rule decides which of those count. (A
// name across a line break, which no line holds, can stop the first search
// but never counts in the second.)
class NameLineSearch {
 public:
  explicit NameLineSearch(const ListedNames& names)
      : names_(names),
        search_(names.names),
        seen_at_(names.names.size(), SIZE_MAX) {
    found_.of_name.resize(names.names.size());
    found_.other_spellings.resize(names.names.size());
    // Most names have a line or two: growing by doubling would touch twice
    // the memory the lines take.
    found_.lines.reserve(names.names.size());
  }

  FoundLines Run(const HostsFile& hosts) {
    std::string_view bytes = hosts.Original();
    size_t longest = 0;
    for (std::string_view name : names_.names) {
      longest = std::max(longest, name.size());
    }
    auto find = [this](std::string_view text, size_t from) {
      return search_.FindEnd(text, from);
    };
    for (size_t next_line = 0; next_line < bytes.size();) {
      size_t end = hosts.Search(next_line, longest, find);
      if (end == std::string_view::npos) break;
      std::string_view loaded = hosts.LoadedLine(end - 1);
      size_t start = hosts.LoadedLineStart(end - 1);
      next_line = start + loaded.size();
      if (std::optional<Kept> kept = ParseKeptLine(loaded)) {
        NoteKeptLine(*kept);
      } else {
        ReadLine(start, loaded);
      }
    }
    return std::move(found_);
  }

 private:
  void NoteSpellings(size_t id, const std::vector<std::string_view>& found) {
    const std::vector<std::string_view>& own = names_.spellings[id];
    for (std::string_view spelling : found) {
      if (std::find(own.begin(), own.end(), spelling) == own.end()) {
        AddOnce(&found_.other_spellings[id], spelling);
      }
    }
  }

  void NoteKeptLine(const Kept& kept) {
    for (std::string_view name : kept.names) {
      auto id = names_.ids.find(FoldedName(name));
      if (id == names_.ids.end()) continue;
      NoteSpellings(id->second, MappedSpellings(kept.original, name));
    }
  }

  void ReadLine(size_t start, std::string_view loaded) {
    NameLine line;
    line.start = start;
    line.line = loaded;
    std::vector<std::pair<size_t, std::vector<std::string_view>>> mapped;
    search_.ForEach(loaded, [&](size_t id) {
      if (seen_at_[id] == start) return;  // one check per line
      seen_at_[id] = start;
      if (auto tail = ManagedTailName(loaded, names_.names[id])) {
        line.tails.emplace_back(id, *tail);
      } else if (auto spellings = MappedSpellings(loaded, names_.names[id]);
                 !spellings.empty()) {
        mapped.emplace_back(id, std::move(spellings));
      }
    });
    // A line of ours is taken whole, for its tail; the names it maps as an
    // entry do not count.
    if (line.tails.empty()) {
      std::sort(mapped.begin(), mapped.end());
      for (auto& [id, spellings] : mapped) {
        line.mapped.push_back(id);
        NoteSpellings(id, spellings);
      }
    }
    if (line.tails.empty() && line.mapped.empty()) return;
    const size_t at = found_.lines.size();
    for (auto [id, tail] : line.tails) found_.of_name[id].push_back(at);
    for (size_t id : line.mapped) found_.of_name[id].push_back(at);
    found_.lines.push_back(std::move(line));
  }

  const ListedNames& names_;
  NameSearch search_;
  std::vector<size_t> seen_at_;  // per name: the line it was last looked at
  FoundLines found_;
};

}  // namespace

FoundLines FindNameLines(const HostsFile& hosts, const ListedNames& names) {
  return NameLineSearch(names).Run(hosts);
}

namespace {

// One name's pairs and its lines, in file order: its pairs, the last listed
// first, take the first ones; lines of ours left over serve the other
// spellings or are disabled, entries left over are only taken. A name that
// follows both families keeps each line of ours in its family, so that an
// update after a restore enables the very lines the restore disabled; a
// hosts entry takes a pair only of a family that the lines of ours further
// on leave over (spare).
class NamePairs {
 public:
  NamePairs(size_t id, const std::vector<Pin>& pins, ListedNames* names,
            const FoundLines& found);

  // Decides what the name's next line, in file order, gets: a pair, a
  // spelling to serve, or to be disabled.
  void GiveLine(NameLine* line);
  // Once every line was given: where the pairs and spellings left go.
  void Finish(LeftOver* left);

 private:
  std::string_view TailOf(const NameLine& line) const;
  // The family of the address before `tail` on the line of ours `line`.
  Family FamilyHeld(const NameLine& line, std::string_view tail) const;
  // Lines of ours that a pair may take: those in a spelling of a pair (the
  // others serve their spelling).
  bool Counted(const NameLine& line, std::string_view tail) const;
  long Left(Family family) const;  // pending pairs of the family
  // The pairs of a family that no line of ours further on will take (a line
  // of ours takes one of the other family when its own has none).
  long Spare(Family family) const;
  // The next pending pair of the family: the one listed last.
  std::optional<size_t> Take(Family family);
  // The pair `line` takes, when there are pairs to take.
  std::optional<size_t> PairFor(const NameLine& line, std::string_view tail);
  // Serves `spelling`, in `family` when that one is wanted, so that lines of
  // ours keep their family; returns the family served.
  std::optional<Family> Serve(std::string_view spelling, Family family);
  std::string Managed(size_t pair) const;

  const size_t id_;
  const std::vector<Pin>& pins_;
  std::vector<size_t>& pending_;
  const ByFamily<std::string_view>& address_;
  const std::vector<std::string_view>& other_spellings_;
  const std::string_view line_break_;
  const bool both_;           // the name follows both families
  ByFamily<long> ours_left_;  // counted lines of ours not yet reached
  // The other spellings, each in every family the name follows.
  std::vector<std::pair<std::string_view, Family>> unserved_;
  NameLine* first_ = nullptr;  // where the pair given up first went
};

NamePairs::NamePairs(size_t id, const std::vector<Pin>& pins,
                     ListedNames* names, const FoundLines& found)
    : id_(id),
      pins_(pins),
      pending_(names->pending[id]),
      address_(names->address[id]),
      other_spellings_(found.other_spellings[id]),
      line_break_(names->line_break),
      both_(!address_.ipv4.empty() && !address_.ipv6.empty()) {
  for (size_t t : found.of_name[id]) {
    const NameLine& line = found.lines[t];
    if (!line.decided && Counted(line, TailOf(line))) {
      ++ours_left_[FamilyHeld(line, TailOf(line))];
    }
  }
  for (std::string_view spelling : other_spellings_) {
    for (Family family : kFamilies) {
      if (!address_[family].empty()) unserved_.emplace_back(spelling, family);
    }
  }
}

void NamePairs::GiveLine(NameLine* line) {
  const bool ours = !line->tails.empty();
  if (ours && line->decided) return;  // taken for another name's tail
  std::string_view tail = TailOf(*line);
  // After the first, a pair passes over a line of ours that serves another
  // spelling: were it taken, that spelling would get a new line beside the
  // first and the next run would take that one, adding a disabled line on
  // every run.
  const bool serves =
      ours && first_ &&
      std::any_of(unserved_.begin(), unserved_.end(),
                  [tail](const auto& u) { return u.first == tail; });
  if (Counted(*line, tail)) --ours_left_[FamilyHeld(*line, tail)];
  std::optional<size_t> pair;
  if (!pending_.empty() && !serves) pair = PairFor(*line, tail);
  if (pair && !first_) {
    first_ = line;
    // The IPv6 pairs no line of ours will take stand right after the first
    // line, before any later line can take them out of order.
    while (both_ && Spare(Family::kIPv6) > 0) {
      line->spelled.push_back(Managed(*Take(Family::kIPv6)));
    }
  }
  if (!ours) {
    if (pair) line->placed.emplace_back(*pair, Managed(*pair));
    return;
  }
  line->decided = true;
  if (pair) {
    line->result = Managed(*pair);
  } else if (auto family = Serve(tail, FamilyHeld(*line, tail))) {
    line->result = ManagedLine(address_[*family], tail, line_break_);
  } else if (line->line[0] != '#') {
    line->result = "#" + std::string(line->line);  // a stale line of ours
  }
}

std::optional<size_t> NamePairs::PairFor(const NameLine& line,
                                         std::string_view tail) {
  if (!both_) {
    size_t pair = pending_.back();
    pending_.pop_back();
    return pair;
  }
  if (!line.tails.empty()) {
    // The IPv4 line comes first: the name's first line takes it. Else a
    // line takes a pair of its family, or one of the other family that has
    // no line of ours left for it.
    Family family = FamilyHeld(line, tail);
    if (!first_) {
      family = Left(Family::kIPv4) > 0 ? Family::kIPv4 : Family::kIPv6;
    }
    std::optional<size_t> pair = Take(family);
    if (!pair && Spare(Other(family)) > 0) pair = Take(Other(family));
    return pair;
  }
  // An entry: the IPv4 line first, as for a line of ours.
  if (!first_ && Left(Family::kIPv4) > 0) return Take(Family::kIPv4);
  for (Family family : kFamilies) {
    if (Spare(family) > 0) {
      if (std::optional<size_t> pair = Take(family)) return pair;
    }
  }
  return std::nullopt;
}

void NamePairs::Finish(LeftOver* left) {
  // A name that follows both families but has fewer lines than pairs gets
  // its IPv6 lines beside its first one, not at the end of the file.
  for (std::optional<size_t> pair;
       first_ && both_ && (pair = Take(Family::kIPv6));) {
    first_->spelled.push_back(Managed(*pair));
  }
  for (auto [spelling, family] : unserved_) {
    (first_ ? first_->spelled : left->spelled)
        .push_back(ManagedLine(address_[family], spelling, line_break_));
  }
  // The pairs left over, in the order they take lines, so that the next run
  // finds each where it would have put it.
  for (; !pending_.empty(); pending_.pop_back()) {
    left->pairs.push_back(pending_.back());
  }
}

std::string_view NamePairs::TailOf(const NameLine& line) const {
  std::string_view tail;
  for (auto [tail_id, spelling] : line.tails) {
    if (tail_id == id_) tail = spelling;
  }
  return tail;
}

Family NamePairs::FamilyHeld(const NameLine& line,
                             std::string_view tail) const {
  return FamilyOf(line.line.substr(0, tail.data() - line.line.data()));
}

bool NamePairs::Counted(const NameLine& line, std::string_view tail) const {
  return both_ && !line.tails.empty() &&
         std::find(other_spellings_.begin(), other_spellings_.end(), tail) ==
             other_spellings_.end();
}

long NamePairs::Left(Family family) const {
  return static_cast<long>(std::count_if(
      pending_.begin(), pending_.end(),
      [&](size_t pair) { return FamilyOf(pins_[pair].address) == family; }));
}

long NamePairs::Spare(Family family) const {
  const Family other = Other(family);
  return Left(family) - ours_left_[family] -
         std::max(0L, ours_left_[other] - Left(other));
}

std::optional<size_t> NamePairs::Take(Family family) {
  for (size_t k = pending_.size(); k-- > 0;) {
    if (FamilyOf(pins_[pending_[k]].address) != family) continue;
    size_t pair = pending_[k];
    pending_.erase(pending_.begin() + k);
    return pair;
  }
  return std::nullopt;
}

std::optional<Family> NamePairs::Serve(std::string_view spelling,
                                       Family family) {
  auto it = std::find(unserved_.begin(), unserved_.end(),
                      std::make_pair(spelling, family));
  if (it == unserved_.end()) {
    it = std::find(unserved_.begin(), unserved_.end(),
                   std::make_pair(spelling, Other(family)));
  }
  if (it == unserved_.end()) return std::nullopt;
  const Family served = it->second;
  unserved_.erase(it);
  return served;
}

std::string NamePairs::Managed(size_t pair) const {
  return ManagedLine(pins_[pair].address, pins_[pair].name, line_break_);
}

}  // namespace

void GivePairs(size_t id, const std::vector<Pin>& pins, ListedNames* names,
               FoundLines* found, LeftOver* left) {
  NamePairs pairs(id, pins, names, *found);
  for (size_t t : found->of_name[id]) pairs.GiveLine(&found->lines[t]);
  pairs.Finish(left);
}

namespace {

// A line put in: a managed line, or the kept line of an entry taken.
void Put(std::string_view line, std::string* lines, LinesChanged* changed) {
  changed->Add("", line);
  *lines += line;
}

// What an entry some names were taken from becomes: the managed lines put
// before it (the pair listed last first, as if each took the line in turn),
// those of other families and spellings, its kept line, then what is left
// of it.
std::string TakenEntry(NameLine* line, const ListedNames& names,
                       LinesChanged* changed) {
  std::string lines;
  std::sort(line->placed.begin(), line->placed.end(),
            [](const auto& a, const auto& b) { return a.first > b.first; });
  for (const auto& [pair, managed] : line->placed) {
    Put(managed, &lines, changed);
  }
  for (const std::string& managed : line->spelled) {
    Put(managed, &lines, changed);
  }
  std::vector<std::string_view> taken;
  for (size_t id : line->mapped) taken.push_back(names.names[id]);
  std::optional<std::string> rest = LineWithoutNames(line->line, taken);
  std::string kept = KeptLine(line->line, taken);
  if (rest && kept.back() != '\n') kept += '\n';
  Put(kept, &lines, changed);
  if (rest) lines += *rest;
  return lines;
}

void Append(std::string line, HostsFile* hosts, LinesChanged* changed) {
  changed->Add("", line);
  hosts->Append(std::move(line));
}

}  // namespace

LinesChanged WriteLines(const std::vector<Pin>& pins, const ListedNames& names,
                        FoundLines* found, const LeftOver& left,
                        HostsFile* hosts) {
  LinesChanged changed;
  changed.changes.reserve(found->lines.size() + left.pairs.size());
  for (NameLine& line : found->lines) {
    if (line.decided && !line.result) continue;  // a line of ours, as it is
    std::string lines;
    if (line.decided) {
      lines = std::move(*line.result);
      // A line's break never makes it stale: the line stays as it is.
      if (line.spelled.empty() &&
          WithoutBreak(lines) == WithoutBreak(line.line)) {
        continue;
      }
      if (lines != line.line) changed.Add(line.line, lines);
      for (const std::string& managed : line.spelled) {
        Put(managed, &lines, &changed);
      }
    } else {
      lines = TakenEntry(&line, names, &changed);
    }
    if (lines != line.line) hosts->ReplaceLoaded(line.start, std::move(lines));
  }
  for (size_t i : left.pairs) {
    Append(ManagedLine(pins[i].address, pins[i].name, names.line_break), hosts,
           &changed);
  }
  for (const std::string& line : left.spelled) Append(line, hosts, &changed);
  return changed;
}

}  // namespace quorvane
