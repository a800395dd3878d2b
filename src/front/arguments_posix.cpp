// The POSIX command line: main's arguments, bytes taken as they are.
#include "front/arguments.h"

namespace quorvane {

std::vector<std::string_view> Arguments(int argc, char** argv) {
  return std::vector<std::string_view>(argv + 1, argv + argc);
}

std::optional<std::string> PairWord(std::string_view word) {
  return std::string(word);
}

}  // namespace quorvane
