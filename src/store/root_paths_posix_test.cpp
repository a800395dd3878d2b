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

// A file's lock and its journal in the state directory are named by the
// walked path: every path to one file must walk to one name.
TEST(RootPathsTest, EveryPathToAFileWalksToOneName) {
  if (geteuid() != 0) GTEST_SKIP() << "only root's directories are trusted";
  char top[] = "/tmp/quorvane-paths-XXXXXX";
  ASSERT_NE(mkdtemp(top), nullptr);
  const std::string t = top, dir = t + "/d";
  ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
  ASSERT_EQ(symlink("d", (t + "/l").c_str()), 0);
  ASSERT_EQ(symlink("f", (dir + "/g").c_str()), 0);
  char* real = realpath(top, nullptr);
  ASSERT_NE(real, nullptr);
  const std::string want = std::string(real) + "/d";
  free(real);
  for (const std::string& path :
       {dir + "/f", t + "/l/f", dir + "/../d/./f", t + "//l/g"}) {
    SCOPED_TRACE(path);
    std::string name, walked;
    EXPECT_TRUE(OpenTrustedDirectoryOf(path, &name, nullptr, &walked).ok());
    EXPECT_EQ(walked + "/" + name, want + "/f");
  }
  unlink((dir + "/g").c_str());
  unlink((t + "/l").c_str());
  rmdir(dir.c_str());
  rmdir(top);
}

}  // namespace
}  // namespace quorvane
