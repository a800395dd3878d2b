// Test support: running a program as a user would, with its standard input
// taken from a file and its output captured through files (a pipe could be
// held open by helper processes that outlive the program).
#ifndef QUORVANE_TESTS_SUPPORT_RUN_H_
#define QUORVANE_TESTS_SUPPORT_RUN_H_

#include <string>
#include <vector>

namespace quorvane {

struct RunResult {
  int status = -1;  // exit status, or -1 when the program did not exit
  std::string out;
  std::string err;
  long stdin_consumed = 0;  // bytes of standard input the program read
};

// Runs `argv` with `env` added to this process's environment and
// `input` on standard input. `scratch` is a folder for the capture files.
RunResult Run(const std::vector<std::string>& argv,
              const std::vector<std::string>& env, const std::string& input,
              const std::string& scratch);

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);

}  // namespace quorvane

#endif  // QUORVANE_TESTS_SUPPORT_RUN_H_
