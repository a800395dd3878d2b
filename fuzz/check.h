// Fuzz support: a property that must hold for every input. A failure prints
// the property and aborts, which libFuzzer reports as a crash and keeps the
// input that caused it.
#ifndef QUORVANE_FUZZ_CHECK_H_
#define QUORVANE_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

#define CHECK(property)                                                   \
  do {                                                                    \
    if (!(property)) {                                                    \
      fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, \
              #property);                                                 \
      abort();                                                            \
    }                                                                     \
  } while (0)

#endif  // QUORVANE_FUZZ_CHECK_H_
