#include "hosts/managed_line.h"

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

}  // namespace quorvane
