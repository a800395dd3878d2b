#include "support/run.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace quorvane {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

RunResult Run(const std::vector<std::string>& argv,
              const std::vector<std::string>& env, const std::string& input,
              const std::string& scratch) {
  std::string in_path = scratch + "/stdin";
  std::string out_path = scratch + "/stdout";
  std::string err_path = scratch + "/stderr";
  WriteFile(in_path, input);
  int in = open(in_path.c_str(), O_RDONLY);
  int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  RunResult result;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    for (const std::string& setting : env) {
      putenv(const_cast<char*>(setting.c_str()));
    }
    std::vector<char*> args;
    for (const std::string& arg : argv) {
      args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  // The child shared our descriptor, so its offset tells what it read.
  result.stdin_consumed = lseek(in, 0, SEEK_CUR);
  close(in);
  close(out);
  close(err);
  result.out = ReadFile(out_path);
  result.err = ReadFile(err_path);
  return result;
}

}  // namespace quorvane
