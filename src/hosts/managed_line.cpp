#include "hosts/managed_line.h"

#include "hosts/line_owner.h"

namespace quorvane {

std::string ManagedLine(std::string_view address, std::string_view host_name) {
  std::string line;
  line.reserve(address.size() + host_name.size() + kMarker.size() + 3);
  line += address;
  line += '\t';
  line += host_name;
  line += kMarker;
  line += "\r\n";
  return line;
}

std::unordered_set<std::string> PinnedNames(std::string_view bytes) {
  std::unordered_set<std::string> names;
  for (size_t at = bytes.find(kMarker); at != std::string_view::npos;
       at = bytes.find(kMarker, at + 1)) {
    size_t start = at == 0 ? 0 : bytes.rfind('\n', at - 1) + 1;
    size_t tab = at == 0 ? std::string_view::npos : bytes.rfind('\t', at - 1);
    if (bytes[start] == '#' || tab == std::string_view::npos || tab < start) {
      continue;
    }
    names.insert(FoldedName(bytes.substr(tab + 1, at - tab - 1)));
  }
  return names;
}

}  // namespace quorvane
