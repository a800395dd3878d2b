#include "front/report/fatal_error.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace quorvane {
namespace {

// A fatal error lets go of what other runs wait for before its report waits
// for the user, newest first; a release that has ended is not called.
TEST(FatalErrorDeathTest, ReleasesBeforeTheReport) {
  EXPECT_EXIT(
      {
        if (!freopen("/dev/null", "r", stdin)) abort();
        ReleaseOnFatalError outer([] { fputs("outer;", stderr); });
        {
          ReleaseOnFatalError ended([] { fputs("ended;", stderr); });
        }
        ReleaseOnFatalError inner([] { fputs("inner;", stderr); });
        FatalError(198, "x");
      },
      testing::ExitedWithCode(1), "^inner;outer;Quorvane \\(198\\)\nx\n$");
}

}  // namespace
}  // namespace quorvane
