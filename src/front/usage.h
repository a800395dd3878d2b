// The answer to a malformed command line, and to --help and --version.
#ifndef QUORVANE_FRONT_USAGE_H_
#define QUORVANE_FRONT_USAGE_H_

#include "report/message.h"

namespace quorvane {

// Writes `why` (what is wrong, one line) and the usage text to standard
// error as a whole, sends the run's event (event_log.h), waits for one key
// where the console is the program's own (WaitIfOwnConsole) and exits with the
// failure status (1; 2 in a check). Never returns.
[[noreturn]] void Usage(const Message& why);

// Writes the usage text and the options to standard output. Waits for
// nothing.
void Help();

// Writes the version to standard output.
void Version();

}  // namespace quorvane

#endif  // QUORVANE_FRONT_USAGE_H_
