#include "support/sandbox_case.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace quorvane {

namespace {

std::vector<std::string>& Program() {
  static std::vector<std::string> program;
  return program;
}

}  // namespace

const std::vector<std::string>& ProgramUnderTest() { return Program(); }

std::vector<std::string> ProgramArgv(const std::vector<std::string>& args) {
  std::vector<std::string> argv = Program();
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

std::string Scratch() {
  const char* dir = getenv("QUORVANE_SANDBOX");
  return dir ? dir : "";
}

void Sh(const std::string& command) {
  ASSERT_EQ(system(command.c_str()), 0) << command;
}

std::vector<std::string> SaveLeftovers(const std::string& dir) {
  std::vector<std::string> found;
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return found;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name.find(".Quorvane-") != std::string::npos) found.push_back(name);
  }
  closedir(d);
  return found;
}

std::string FatalText(int code, const std::string& text) {
  return "Quorvane (" + std::to_string(code) + ")\n" + text + "\n";
}

int SandboxedTestMain(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) Program().push_back(argv[i]);
  if (Program().empty()) {
    fprintf(stderr, "usage: %s PROGRAM [ARGS...]  (inside sandbox.sh)\n",
            argv[0]);
    return 2;
  }
  if (Scratch().empty()) {
    fprintf(stderr, "%s: run me through tests/sandbox.sh\n", argv[0]);
    return 2;
  }
  return RUN_ALL_TESTS();
}

}  // namespace quorvane
