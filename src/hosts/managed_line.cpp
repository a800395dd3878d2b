#include "hosts/managed_line.h"

#include <cctype>
#include <unordered_map>

#include "hosts/kept_line.h"
#include "hosts/line_owner.h"

namespace quorvane {

std::string ManagedLine(std::string_view address, std::string_view host_name,
                        std::string_view line_break) {
  std::string line;
  line.reserve(address.size() + host_name.size() + kMarker.size() + 3);
  line += address;
  line += '\t';
  line += host_name;
  line += kMarker;
  line += line_break;
  return line;
}

std::optional<std::string_view> ManagedLineName(std::string_view line) {
  // LF or CR LF; and a last line's bare CR, which an append completes to
  // CR LF, so that a line is ours or not whatever comes after it.
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (!line.empty() && line[0] == '#') line.remove_prefix(1);
  if (line.size() <= kMarker.size() ||
      line.substr(line.size() - kMarker.size()) != kMarker) {
    return std::nullopt;
  }
  line.remove_suffix(kMarker.size());
  size_t tab = line.find('\t');
  if (tab == 0 || tab == std::string_view::npos || tab + 1 == line.size()) {
    return std::nullopt;
  }
  bool separator = false;
  for (char c : line.substr(0, tab)) {
    separator = separator || c == '.' || c == ':';
    if (!isxdigit(static_cast<unsigned char>(c)) && c != '.' && c != ':') {
      return std::nullopt;
    }
  }
  std::string_view name = line.substr(tab + 1);
  for (char c : name) {
    auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7f || c == '#') return std::nullopt;
  }
  if (!separator) return std::nullopt;
  return name;
}

std::optional<ManagedParts> ParseManagedLine(std::string_view line) {
  std::optional<std::string_view> name = ManagedLineName(line);
  if (!name) return std::nullopt;
  ManagedParts parts;
  parts.active = line[0] != '#';
  size_t start = parts.active ? 0 : 1;
  parts.address = line.substr(start, line.find('\t') - start);
  parts.name = *name;
  return parts;
}

std::vector<ManagedName> ManagedNames(const HostsFile& hosts) {
  std::vector<ManagedName> names;
  std::unordered_map<std::string, size_t> ids;  // by folded name
  auto of = [&](std::string_view name) -> ManagedName& {
    auto [it, added] = ids.emplace(FoldedName(name), names.size());
    if (added) names.push_back({std::string(name), {}, 0});
    return names[it->second];
  };
  // The marker and the kept lines' tag both hold "#Quorvane", and neither
  // a line break: one search finds every line either is in.
  hosts.ForEachLineWith("#Quorvane", [&](std::string_view line) {
    if (std::optional<ManagedParts> parts = ParseManagedLine(line)) {
      of(parts->name)
          .lines.push_back({std::string(parts->address), parts->active});
    } else if (std::optional<Kept> kept = ParseKeptLine(line)) {
      for (std::string_view name : kept->names) ++of(name).kept;
    }
  });
  return names;
}

std::unordered_set<std::string> PinnedNames(const HostsFile& hosts) {
  std::unordered_set<std::string> names;
  hosts.ForEachLineWith(kMarker, [&](std::string_view line) {
    std::optional<std::string_view> name = ManagedLineName(line);
    if (name && line[0] != '#') names.insert(FoldedName(*name));
  });
  return names;
}

}  // namespace quorvane
