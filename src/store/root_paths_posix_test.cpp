// Directories on the way to the hosts file, made by root under /tmp. The
// rows the end-to-end table has (its own directory 775, 1777, another
// user's; a sticky one on the way) are not repeated here.
#include "store/root_paths_posix.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace quorvane {
namespace {

TEST(RootPathsTest, OnlyDirectoriesRootAloneControlsAreTrusted) {
  if (geteuid() != 0) GTEST_SKIP() << "only root's directories are trusted";
  const struct {
    const char* what;
    mode_t above, dir;  // modes of a directory on the way and the file's own
    bool trusted;
  } cases[] = {
      {"0755 all the way", 0755, 0755, true},
      {"a group-writable directory on the way", 0775, 0755, false},
      {"a world-writable directory on the way", 0757, 0755, false},
      {"its own directory sticky and group-writable", 0755, 01775, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    char top[] = "/tmp/quorvane-paths-XXXXXX";
    ASSERT_NE(mkdtemp(top), nullptr);
    const std::string above = std::string(top) + "/above", dir = above + "/etc";
    ASSERT_EQ(mkdir(above.c_str(), 0700), 0);
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    ASSERT_EQ(chmod(above.c_str(), c.above), 0);
    ASSERT_EQ(chmod(dir.c_str(), c.dir), 0);
    std::string name;
    EXPECT_EQ(OpenTrustedDirectoryOf(dir + "/hosts", &name).ok(), c.trusted);
    if (c.trusted) {
      EXPECT_EQ(name, "hosts");
    }
    rmdir(dir.c_str());
    rmdir(above.c_str());
    rmdir(top);
  }
}

}  // namespace
}  // namespace quorvane
