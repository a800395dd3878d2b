#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "hosts/file_store.h"

namespace quorvane {
namespace {

class FileStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    // Only folders and files of root's are used.
    if (geteuid() != 0) GTEST_SKIP() << "needs root";
    char templ[] = "/tmp/quorvane-store-XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir_ = templ;
  }
  void TearDown() override {
    std::string command = "rm -rf '" + dir_ + "'";
    ASSERT_EQ(system(command.c_str()), 0);
  }
  void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
  int FilesInDir() {
    int count = 0;
    DIR* d = opendir(dir_.c_str());
    while (dirent* e = readdir(d))
      count += e->d_name[0] != '.' || e->d_name[1] > '.';
    closedir(d);
    return count;
  }
  std::string dir_;
};

TEST_F(FileStoreTest, ReplaceKeepsModeAndAttributesAndLeavesNoTemporaryFile) {
  std::string path = dir_ + "/hosts";
  Write(path, "old\r\n");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  ASSERT_EQ(setxattr(path.c_str(), "user.q", "u", 1, 0), 0);
  ASSERT_EQ(setxattr(path.c_str(), "trusted.q", "t", 1, 0), 0);
  ASSERT_TRUE(ReplaceFileBytes(path, {"new", "\r\n", "more"}, "old\r\n"));
  EXPECT_EQ(Read(path), "new\r\nmore");
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  char value[3] = {};
  EXPECT_EQ(getxattr(path.c_str(), "user.q", value, 1), 1);
  EXPECT_EQ(getxattr(path.c_str(), "trusted.q", value + 1, 1), 1);
  EXPECT_STREQ(value, "ut");
  EXPECT_EQ(FilesInDir(), 1);
  // A file that was not there (so has no mode to keep) gets the usual one.
  ASSERT_TRUE(ReplaceFileBytes(dir_ + "/new", {"x"}, ""));
  ASSERT_EQ(stat((dir_ + "/new").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
}

TEST_F(FileStoreTest, OnlyAPathThatRootAloneControlsIsReadOrWritten) {
  struct Case {
    const char* what;
    const char* make;  // run in the test's folder, which holds d/hosts
    const char* path;  // the path given, in that folder
    bool usable;
  };
  const Case cases[] = {
      {"folder of another user", "chown 65534 d", "d/hosts", false},
      {"folder writable by the group", "chmod 775 d", "d/hosts", false},
      {"folder writable by others", "chmod 757 d", "d/hosts", false},
      {"sticky folder writable by all", "chmod 1777 d", "d/hosts", true},
      {"link of another user", "ln -s d/hosts l && chown -h 65534 l", "l",
       false},
      {"link into a folder of another user", "ln -s d/hosts l && chown 65534 d",
       "l", false},
      {"links of root's", "ln -s d l && ln -s l/hosts l2", "l2", true},
  };
  for (const Case& c : cases) {
    std::string sh = "cd '" + dir_ +
                     "' && rm -rf d l l2 && mkdir -m 755 d && " +
                     "echo old >d/hosts && " + c.make;
    ASSERT_EQ(system(sh.c_str()), 0) << c.what;
    std::string path = dir_ + "/" + c.path;
    std::string bytes;
    EXPECT_EQ(ReadFileBytes(path, &bytes), c.usable) << c.what;
    EXPECT_EQ(ReplaceFileBytes(path, {"new\n"}, "old\n"), c.usable) << c.what;
    EXPECT_EQ(Read(dir_ + "/d/hosts"), c.usable ? "new\n" : "old\n") << c.what;
  }
}

TEST_F(FileStoreTest, ReplaceThroughASymbolicLinkKeepsTheLink) {
  std::string real = dir_ + "/real-hosts";
  std::string link = dir_ + "/hosts";
  Write(real, "old\n");
  ASSERT_EQ(symlink(real.c_str(), link.c_str()), 0);
  ASSERT_TRUE(ReplaceFileBytes(link, {"new\n"}, "old\n"));
  struct stat st;
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(Read(real), "new\n");
}

TEST_F(FileStoreTest, ReadTakesEveryByteAndRefusesWhatIsNotAFile) {
  std::string path = dir_ + "/hosts";
  std::string bytes(300000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  Write(path, bytes);
  std::string got;
  ASSERT_TRUE(ReadFileBytes(path, &got));
  EXPECT_EQ(got, bytes);
  std::string none;
  EXPECT_FALSE(ReadFileBytes(dir_ + "/missing", &none));
  EXPECT_FALSE(ReadFileBytes(dir_, &none));  // a directory: read error
}

TEST_F(FileStoreTest, FailedReplaceLeavesTheOldFileAndNoTemporaryFile) {
  // The temporary file is written in full, but the rename over the target
  // is refused (a folder holding a file cannot be replaced by a file).
  std::string target = dir_ + "/hosts";
  ASSERT_EQ(mkdir(target.c_str(), 0755), 0);
  Write(target + "/inside", "old");
  EXPECT_FALSE(ReplaceFileBytes(target, {"new\n"}, ""));
  EXPECT_EQ(Read(target + "/inside"), "old");
  EXPECT_EQ(FilesInDir(), 1);  // only the target: the temporary file is gone
  // A path whose folder does not exist cannot get a temporary file at all.
  EXPECT_FALSE(ReplaceFileBytes(dir_ + "/no/hosts", {"x"}, ""));
}

TEST_F(FileStoreTest, StrayTemporaryFilesAndNothingElseAreRemoved) {
  std::string hosts = dir_ + "/hosts";
  Write(hosts, "keep\n");
  std::string stray = dir_ + "/.hosts.Quorvane-a1B2c3";
  Write(stray, "half a file");
  // Near misses: other lengths, another file's name, not regular files.
  std::vector<std::string> kept = {
      ".hosts.Quorvane-a1B2c",  ".hosts.Quorvane-a1B2c3d",
      ".other.Quorvane-a1B2c3", "hosts.Quorvane-a1B2c3",
      ".hosts.Quorvane-a1B2c-", ".hosts.Quorvane-journal"};
  for (const std::string& name : kept) Write(dir_ + "/" + name, "x");
  // Of the right name, but another user's file.
  ASSERT_EQ(chown((dir_ + "/" + kept.back()).c_str(), 65534, 0), 0);
  kept.back() = ".hosts.Quorvane-a1B2c4";
  Write(dir_ + "/" + kept.back(), "x");
  ASSERT_EQ(chown((dir_ + "/" + kept.back()).c_str(), 65534, 0), 0);
  ASSERT_EQ(mkdir((dir_ + "/.hosts.Quorvane-dir123").c_str(), 0755), 0);
  ASSERT_EQ(symlink(hosts.c_str(), (dir_ + "/.hosts.Quorvane-lnk123").c_str()),
            0);
  RemoveStrayTemporaryFiles(hosts);
  EXPECT_EQ(access(stray.c_str(), F_OK), -1);
  EXPECT_EQ(Read(hosts), "keep\n");
  EXPECT_EQ(FilesInDir(), 1 + 7 + 2);

  // Through a symbolic link: the strays sit beside the file it points at.
  std::string link = dir_ + "/link-to-hosts";
  ASSERT_EQ(symlink(hosts.c_str(), link.c_str()), 0);
  Write(dir_ + "/.hosts.Quorvane-zzzzzz", "x");
  Write(dir_ + "/.link-to-hosts.Quorvane-zzzzzz", "x");
  RemoveStrayTemporaryFiles(link);
  EXPECT_EQ(access((dir_ + "/.hosts.Quorvane-zzzzzz").c_str(), F_OK), -1);
  EXPECT_EQ(access((dir_ + "/.link-to-hosts.Quorvane-zzzzzz").c_str(), F_OK),
            0);
}

}  // namespace
}  // namespace quorvane
