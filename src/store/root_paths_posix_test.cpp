// Which directories the hosts file may be reached through: each on the way
// root's and writable by no one else (a sticky one may be on the way), and
// the file's own directory writable by no one else, sticky or not. Made
// under /tmp by root, so the test needs root.
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
    uid_t owner;        // of the file's own directory
    bool trusted;
  } cases[] = {
      {"0755 all the way", 0755, 0755, 0, true},
      {"a sticky, world-writable directory on the way", 01777, 0755, 0, true},
      {"a group-writable directory on the way", 0775, 0755, 0, false},
      {"a world-writable directory on the way", 0757, 0755, 0, false},
      {"its own directory group-writable", 0755, 0775, 0, false},
      {"its own directory sticky and group-writable", 0755, 01775, 0, false},
      {"its own directory sticky and world-writable", 0755, 01777, 0, false},
      {"its own directory another user's", 0755, 0755, 65534, false},
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
    ASSERT_EQ(chown(dir.c_str(), c.owner, 0), 0);
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
