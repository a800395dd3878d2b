// End-to-end tests of the program as the systemd service runs it, inside
// the sandbox made by sandbox.sh with the package installed over /usr (see
// package_test.sh). The service's command line runs with what its unit
// file asks systemd for: /etc, /run and /var/lib read-only but for its
// writable paths and the directories systemd makes for it, no
// capabilities, no new privileges, no input. It must update the hosts file
// there, and a fatal error must end the run at once with status 1.
//
// Usage: quorvane_service_e2e UNIT SAMPLE_LIST
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/run.h"
#include "support/sandbox_case.h"

namespace quorvane {
namespace {

std::string g_unit;
std::string g_sample;

const std::string kHosts = "/etc/hosts";
const std::string kLine1 = "192.0.2.7\tnas\t##Quorvane##\r\n";  // one.test nas

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// The settings of a unit file: each key with its values in file order.
std::map<std::string, std::vector<std::string>> ReadUnit(
    const std::string& path) {
  std::map<std::string, std::vector<std::string>> settings;
  std::istringstream in(ReadFile(path));
  for (std::string line; std::getline(in, line);) {
    size_t equals = line.find('=');
    if (line.empty() || line[0] == '#' || line[0] == ';' || line[0] == '[' ||
        equals == std::string::npos) {
      continue;
    }
    settings[line.substr(0, equals)].push_back(line.substr(equals + 1));
  }
  return settings;
}

// systemd's CAP_DAC_OVERRIDE is setpriv's dac_override.
std::string SetprivCapabilities(const std::string& systemd_list) {
  std::string caps = "-all";
  for (std::string cap : Words(systemd_list)) {
    for (char& c : cap) c = std::tolower(static_cast<unsigned char>(c));
    caps += ",+" + cap.substr(cap.rfind("cap_") == 0 ? 4 : 0);
  }
  return caps;
}

class Service : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Scratch().empty()) << "run me through sandbox.sh";
    unit_ = ReadUnit(g_unit);
    ASSERT_EQ(unit_["ExecStart"].size(), 1u);
    command_ = Words(unit_["ExecStart"][0]);
    ASSERT_EQ(command_.size(), 2u);
    ASSERT_EQ(command_[1].substr(0, 1), "@");
    list_ = command_[1].substr(1);
    SetHosts("127.0.0.1\tlocalhost\n");
  }

  void TearDown() override {
    Unmount();
    unlink(list_.c_str());
  }

  void SetHosts(const std::string& bytes) {
    unlink(kHosts.c_str());
    WriteFile(kHosts, bytes);
    stat(kHosts.c_str(), &before_);
  }

  bool Rewritten() {
    struct stat now;
    stat(kHosts.c_str(), &now);
    return now.st_ino != before_.st_ino ||
           now.st_mtim.tv_nsec != before_.st_mtim.tv_nsec ||
           now.st_mtim.tv_sec != before_.st_mtim.tv_sec;
  }

  void Mount(const std::string& path, const std::string& mode) {
    Sh("mount --bind " + path + " " + path);
    mounts_.push_back(path);
    Sh("mount -o remount,bind," + mode + " " + path);
  }

  // Undoes the mounts, innermost first.
  void Unmount() {
    for (auto it = mounts_.rbegin(); it != mounts_.rend(); ++it) {
      Sh("umount " + *it);
    }
    mounts_.clear();
  }

  // The file system as ProtectSystem= leaves it to the service, with the
  // directories systemd makes for it and ReadWritePaths= writable.
  void ServiceMounts() {
    const std::string protect = unit_["ProtectSystem"].at(0);
    // As after a boot: only what systemd makes is there.
    Sh("rm -rf /run/quorvane /var/lib/quorvane");
    std::vector<std::string> writable;
    for (auto [key, top] :
         {std::pair<std::string, std::string>{"RuntimeDirectory", "/run/"},
          {"StateDirectory", "/var/lib/"}}) {
      for (const std::string& paths : unit_[key]) {
        for (const std::string& name : Words(paths)) {
          writable.push_back(top + name);
          Sh("mkdir -p -m 700 " + writable.back());
        }
      }
    }
    if (protect == "strict" || protect == "full") Mount("/etc", "ro");
    if (protect == "strict") {
      Mount("/run", "ro");
      Mount("/var/lib", "ro");
    }
    for (const std::string& paths : unit_["ReadWritePaths"]) {
      for (const std::string& path : Words(paths)) writable.push_back(path);
    }
    for (const std::string& path : writable) Mount(path, "rw");
  }

  // Runs the service's command as systemd would start it, in its mounts and
  // under a time limit that only a hanging run reaches (status 124).
  RunResult RunService() {
    ServiceMounts();
    std::vector<std::string> argv = {"/usr/bin/timeout", "60",
                                     "/usr/bin/setpriv"};
    if (unit_["NoNewPrivileges"] == std::vector<std::string>{"yes"}) {
      argv.push_back("--no-new-privs");
    }
    if (!unit_["CapabilityBoundingSet"].empty()) {
      std::string caps =
          SetprivCapabilities(unit_["CapabilityBoundingSet"].back());
      argv.insert(argv.end(), {"--inh-caps", "-all", "--ambient-caps", "-all",
                               "--bounding-set", caps});
    }
    argv.insert(argv.end(), command_.begin(), command_.end());
    std::string input =
        unit_["StandardInput"] == std::vector<std::string>{"null"} ? "" : "\n";
    RunResult result = quorvane::Run(argv, {"LC_ALL=C"}, input, Scratch());
    Unmount();
    return result;
  }

  std::string Reading(const std::string& path) {
    return "読み込み中... " + path + "\n";
  }

  std::map<std::string, std::vector<std::string>> unit_;
  std::vector<std::string> command_;
  std::string list_;
  std::vector<std::string> mounts_;
  struct stat before_;
};

TEST_F(Service, UpdatesTheHostsFileInItsSandbox) {
  WriteFile(list_, "# home\none.test nas\n");
  RunResult r = RunService();
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Reading(list_) + Reading(kHosts) + kLine1 +
                       "1 行追加しました.\n書き込み中... /etc/hosts\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFile(kHosts), "127.0.0.1\tlocalhost\n" + kLine1);
  EXPECT_TRUE(SaveLeftovers("/etc").empty());

  // The next run of the timer finds the line as it should be.
  stat(kHosts.c_str(), &before_);
  r = RunService();
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, Reading(list_) + Reading(kHosts) + "0 行追加しました.\n");
  EXPECT_FALSE(Rewritten());
}

TEST_F(Service, FatalErrorsEndTheRunAtOnceWithStatus1) {
  WriteFile(list_, "nowhere.test nas\n");
  RunResult r = RunService();
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, Reading(list_));
  EXPECT_EQ(r.err, FatalText(238, "ipアドレスを取得できません. [11001]"));
  EXPECT_FALSE(Rewritten());

  // An administrator who has not written the list yet.
  unlink(list_.c_str());
  r = RunService();
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, FatalText(147, list_ + "が開けません."));

  // A list of comments only: the usage text, which also waits for a key.
  WriteFile(list_, "# nothing yet\n");
  r = RunService();
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.substr(0, 17), "Quorvane Ver2.0  ");
  EXPECT_FALSE(Rewritten());
}

TEST_F(Service, ReadOnlyEtcWithAWritableHostsFileIsWrittenInPlace) {
  // The layout a sandboxed service sees: no new file can be made beside the
  // hosts file, but the hosts file itself is writable.
  Mount("/etc", "ro");
  Mount(kHosts, "rw");
  RunResult r = quorvane::Run({command_[0], "one.test", "nas"}, {"LC_ALL=C"},
                              "", Scratch());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFile(kHosts), "127.0.0.1\tlocalhost\n" + kLine1);
  struct stat after;
  ASSERT_EQ(stat(kHosts.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before_.st_ino);
  EXPECT_TRUE(SaveLeftovers("/etc").empty());
}

TEST_F(Service, SampleListFileHoldsPairs) {
  // Every line of the sample reads as a comment or a pair, so the run gets
  // as far as looking up the first (made-up) domain.
  RunResult r =
      quorvane::Run({command_[0], "@" + g_sample}, {"LC_ALL=C"}, "", Scratch());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, Reading(g_sample));
  EXPECT_EQ(r.err, FatalText(238, "ipアドレスを取得できません. [11001]"));
}

}  // namespace
}  // namespace quorvane

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (argc != 3) {
    fprintf(stderr, "usage: quorvane_service_e2e UNIT SAMPLE_LIST\n");
    return 2;
  }
  quorvane::g_unit = argv[1];
  quorvane::g_sample = argv[2];
  return RUN_ALL_TESTS();
}
