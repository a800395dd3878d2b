// The answer to every malformed command line.
#ifndef QUORVANE_FRONT_USAGE_H_
#define QUORVANE_FRONT_USAGE_H_

namespace quorvane {

// Writes the usage text to standard error as a whole, waits for one key and
// exits with status 1. Never returns.
[[noreturn]] void Usage();

}  // namespace quorvane

#endif  // QUORVANE_FRONT_USAGE_H_
