// The command line as the program holds it, read by each platform in its
// own way (arguments_posix.cpp, arguments_win32.cpp). POSIX gives the
// arguments as bytes, taken as they are. Windows gives them in UTF-16: they
// are held as UTF-8, which the W calls take back, so a list's or a file's
// path may hold any character; a pair's words, which are written into the
// hosts file and compared with its bytes, go there in the ANSI code page,
// as the narrow command line gave them before and a list saved in that code
// page gives them.
#ifndef QUORVANE_FRONT_ARGUMENTS_H_
#define QUORVANE_FRONT_ARGUMENTS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// The arguments after the program's path, valid until the process ends.
// `argc` and `argv` are main's; Windows reads its own wide command line
// instead, unless it cannot be had.
std::vector<std::string_view> Arguments(int argc, char** argv);

// A domain or host name of the command line as the hosts file and the
// lookups take it: POSIX, as it is; Windows, in the ANSI code page, or
// nullopt when it holds a character that code page lacks.
std::optional<std::string> PairWord(std::string_view word);

}  // namespace quorvane

#endif  // QUORVANE_FRONT_ARGUMENTS_H_
