#include "front/pair_states.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "hosts/line_owner.h"
#include "hosts/update_steps.h"
#include "report/texts.h"
#include "resolve/resolver.h"

namespace quorvane {

namespace {

// Whether `change` touches `name` in one of `families`: a line of an
// address in another family belongs to another pair of the name.
bool Touches(const LineChange& change, std::string_view name,
             const Families& families) {
  const std::string folded = FoldedName(name);
  bool named = false;
  std::string_view names = change.name;
  while (!names.empty() && !named) {
    size_t blank = names.find(' ');
    named = FoldedName(names.substr(0, blank)) == folded;
    names = blank == std::string_view::npos ? "" : names.substr(blank + 1);
  }
  if (!named) return false;
  std::string_view address =
      change.after.empty() ? change.before : change.after;
  if (change.kind == LineChange::kKeptAside ||
      change.kind == LineChange::kGivenBack || address.empty()) {
    return true;
  }
  return families.Has(FamilyOf(address));
}

bool AnyTouches(const ScanReport& report, std::string_view name,
                const Families& families) {
  return std::any_of(
      report.changes.begin(), report.changes.end(),
      [&](const LineChange& c) { return Touches(c, name, families); });
}

StateRow PairRow(const std::vector<Pair>& pairs, size_t i,
                 const ManagedName& held, const ScanReport& report) {
  const Pair& pair = pairs[i];
  const Families families = FamiliesAsked(pair);
  StateRow row;
  row.name = pair.name;
  row.held = held;
  row.pair = i;
  for (const Pin& pin : report.pins) {
    if (pin.pair == i) row.after.push_back(pin.address);
  }
  for (const FailedLookup& failed : report.failed) {
    if (failed.place == i) row.failed = failed;
  }
  row.changes = AnyTouches(report, pair.name, families);
  if (row.failed) {
    row.state = StateRow::kDead;
  } else if (row.changes) {
    row.state = StateRow::kStale;
    for (const ManagedName::Line& line : held.lines) {
      if (line.active && families.Has(FamilyOf(line.address))) {
        row.before.push_back(line.address);
      }
    }
  } else {
    row.state = StateRow::kCurrent;
  }
  return row;
}

}  // namespace

std::vector<StateRow> StateRows(const std::vector<Pair>& pairs,
                                bool pairs_given, const ScanReport& report) {
  std::unordered_map<std::string, std::vector<size_t>> pairs_of;
  for (size_t i = 0; i < pairs.size(); ++i) {
    pairs_of[FoldedName(pairs[i].name)].push_back(i);
  }
  std::vector<StateRow> rows;
  for (const ManagedName& held : report.managed) {
    auto it = pairs_of.find(FoldedName(held.name));
    if (it == pairs_of.end()) {
      StateRow row;
      row.name = held.name;
      row.held = held;
      row.state = pairs_given ? StateRow::kNotInList : StateRow::kNoPairs;
      row.changes = AnyTouches(report, held.name, {true, true});
      rows.push_back(std::move(row));
      continue;
    }
    for (size_t i : it->second) rows.push_back(PairRow(pairs, i, held, report));
    pairs_of.erase(it);
  }
  // The pairs of names the file does not hold yet, in list order.
  for (size_t i = 0; i < pairs.size(); ++i) {
    auto it = pairs_of.find(FoldedName(pairs[i].name));
    if (it == pairs_of.end()) continue;
    for (size_t j : it->second) {
      rows.push_back(
          PairRow(pairs, j, ManagedName{pairs[j].name, {}, 0}, report));
    }
    pairs_of.erase(it);
  }
  return rows;
}

namespace {

std::string_view FamilyName(std::string_view address) {
  return FamilyOf(address) == Family::kIPv4 ? "IPv4" : "IPv6";
}

std::string Joined(const std::vector<std::string>& addresses) {
  std::string text;
  for (const std::string& address : addresses) {
    if (!text.empty()) text += ", ";
    text += address;
  }
  return text;
}

}  // namespace

Message StateLines(const std::vector<Pair>& pairs,
                   const std::vector<StateRow>& rows) {
  Message text;
  for (const StateRow& row : rows) {
    text += Format(kStateName, {row.name});
    for (size_t k = 0; k < row.held.lines.size(); ++k) {
      const ManagedName::Line& line = row.held.lines[k];
      if (k > 0) text += Format(kStateJoin, {});
      text += Format(kStateAddress, {line.address, FamilyName(line.address)});
      text += Format(line.active ? kStateActive : kStateDisabled, {});
    }
    if (row.held.lines.empty()) text += Format(kStateNoLine, {});
    if (int kept = row.held.kept; kept > 0) {
      text += Format(kept == 1 ? kStateKept.one : kStateKept.many, {kept});
    }
    if (row.state == StateRow::kNotInList) text += Format(kStateNotInList, {});
    if (row.pair) text += Format(kStatePair, {pairs[*row.pair].domain});
    switch (row.state) {
      case StateRow::kCurrent:
        text += Format(kStateCurrent, {});
        break;
      case StateRow::kStale:
        text += Format(kStateStale, {});
        if (row.before.empty()) {
          text += Format(kStateNone, {});
        } else {
          text += Raw(Joined(row.before));
        }
        text += Format(kStateArrow, {});
        text += Raw(Joined(row.after));
        text += Format(kStateClose, {});
        break;
      case StateRow::kDead:
        text += Format(kStateDead, {});
        text += LookupReason(*row.failed);
        text += Format(kStateClose, {});
        break;
      default:
        break;
    }
    text += Format(kStateEnd, {});
  }
  return text;
}

namespace {

// The length of the well-formed UTF-8 character at the start of `bytes`
// (two to four bytes), or 0.
size_t Utf8Length(std::string_view bytes) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = byte(0);
  size_t length = lead >= 0xf0 && lead <= 0xf4   ? 4
                  : lead >= 0xe0                 ? 3
                  : lead >= 0xc2 && lead <= 0xdf ? 2
                                                 : 0;
  if (length == 0 || bytes.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xc0) != 0x80) return 0;
  }
  // No overlong form, surrogate or code point past U+10FFFF.
  if ((lead == 0xe0 && byte(1) < 0xa0) || (lead == 0xed && byte(1) >= 0xa0) ||
      (lead == 0xf0 && byte(1) < 0x90) || (lead == 0xf4 && byte(1) >= 0x90)) {
    return 0;
  }
  return length;
}

}  // namespace

std::string JsonString(std::string_view bytes) {
  std::string out = "\"";
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (size_t length = byte >= 0x80 ? Utf8Length(bytes.substr(i)) : 0) {
      out += bytes.substr(i, length);  // a character, as JSON's UTF-8 holds
      i += length - 1;
    } else if (byte < 0x20 || byte >= 0x7f) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

namespace {

const char* StateWord(StateRow::State state) {
  switch (state) {
    case StateRow::kCurrent:
      return "\"current\"";
    case StateRow::kStale:
      return "\"stale\"";
    case StateRow::kDead:
      return "\"dead\"";
    case StateRow::kNotInList:
      return "\"not in the list\"";
    default:
      return "null";
  }
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string out = "[";
  for (const std::string& item : items) {
    if (out.size() > 1) out += ", ";
    out += JsonString(item);
  }
  return out + "]";
}

std::string PairJson(const std::vector<Pair>& pairs, const StateRow& row) {
  const Pair& pair = pairs[*row.pair];
  const Families families = FamiliesAsked(pair);
  std::vector<std::string> asked;
  if (families.ipv4) asked.push_back("ipv4");
  if (families.ipv6) asked.push_back("ipv6");
  std::string out = "{\"domain\": " + JsonString(pair.domain) +
                    ", \"families\": " + JsonList(asked) +
                    ", \"state\": " + StateWord(row.state) +
                    ", \"addresses\": " + JsonList(row.after) + ", \"error\": ";
  if (row.failed) {
    out += JsonString(LookupReason(*row.failed).Bytes());
  } else {
    out += "null";
  }
  return out + "}";
}

}  // namespace

std::string StateJson(const std::string& hosts_path,
                      const std::vector<Pair>& pairs,
                      const std::vector<StateRow>& rows) {
  std::string out =
      "{\"hosts_file\": " + JsonString(hosts_path) + ", \"names\": [";
  for (size_t k = 0; k < rows.size();) {
    // A name's rows stand together: one entry with each of its pairs.
    size_t end = k + 1;
    while (end < rows.size() && rows[end].pair && rows[k].pair &&
           FoldedName(rows[end].name) == FoldedName(rows[k].name)) {
      ++end;
    }
    const StateRow& first = rows[k];
    if (k > 0) out += ",";
    out += "\n  {\"name\": " + JsonString(first.held.name) + ", \"lines\": [";
    for (size_t l = 0; l < first.held.lines.size(); ++l) {
      const ManagedName::Line& line = first.held.lines[l];
      out += l > 0 ? ", " : "";
      out +=
          "{\"address\": " + JsonString(line.address) + ", \"family\": " +
          (FamilyOf(line.address) == Family::kIPv4 ? "\"ipv4\"" : "\"ipv6\"") +
          ", \"active\": " + (line.active ? "true" : "false") + "}";
    }
    out += "], \"kept_lines\": " + std::to_string(first.held.kept);
    // The name's state is its worst pair's.
    StateRow::State worst = first.state;
    for (size_t r = k; r < end; ++r) worst = std::max(worst, rows[r].state);
    out += std::string(", \"state\": ") + StateWord(worst) + ", \"pairs\": [";
    for (size_t r = k; r < end && first.pair; ++r) {
      out += r > k ? ", " : "";
      out += PairJson(pairs, rows[r]);
    }
    out += "]}";
    k = end;
  }
  return out + "\n]}\n";
}

}  // namespace quorvane
