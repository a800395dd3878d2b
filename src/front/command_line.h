// The walk of the command line, as a plain function: the arguments become an
// ordered list of steps, which the entry then carries out one by one (so a
// list file is read at its own place among the arguments).
#ifndef QUORVANE_FRONT_COMMAND_LINE_H_
#define QUORVANE_FRONT_COMMAND_LINE_H_

#include <string_view>
#include <vector>

namespace quorvane {

struct CommandStep {
  enum Kind {
    kAddPair,   // first: the domain, second: the host name
    kLoadList,  // first: the list file path (without its "@")
    kUsage,     // the command line is malformed from here on
  };
  Kind kind;
  std::string_view first;
  std::string_view second;
};

// Walks the arguments (the program path left out; at least one argument).
// A malformed argument ends the list with a kUsage step; nothing after it is
// looked at. An argument in a host-name position is taken as it is, even
// when it starts with "-" or "@", unless it is not one host name to the
// hosts file's readers (IsHostName).
std::vector<CommandStep> WalkCommandLine(
    const std::vector<std::string_view>& args);

}  // namespace quorvane

#endif  // QUORVANE_FRONT_COMMAND_LINE_H_
