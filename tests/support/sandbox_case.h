// Test support for the suites that run the real program inside sandbox.sh:
// the program under test (named on the test binary's command line), the
// sandbox's scratch folder, shell commands for mounts, files a save may have
// left behind, and the fatal-error text as it reaches standard error.
#ifndef QUORVANE_TESTS_SUPPORT_SANDBOX_CASE_H_
#define QUORVANE_TESTS_SUPPORT_SANDBOX_CASE_H_

#include <string>
#include <vector>

namespace quorvane {

// The command that runs the program, e.g. {"build/linux/Quorvane"}.
const std::vector<std::string>& ProgramUnderTest();

// That command followed by `args`.
std::vector<std::string> ProgramArgv(const std::vector<std::string>& args);

// A folder of the sandbox's own; empty outside the sandbox.
std::string Scratch();

// Runs a shell command; the test fails when it does not succeed.
void Sh(const std::string& command);

// The names in `dir` of a save's temporary files (".Quorvane-" in them, as
// on every system): what a save could leave behind there.
std::vector<std::string> SaveLeftovers(const std::string& dir);

// A fatal error as the POSIX build writes it (C locale): title, text.
std::string FatalText(int code, const std::string& text);

// main() of such a suite: GoogleTest's flags, then the program's command.
int SandboxedTestMain(int argc, char** argv);

}  // namespace quorvane

#endif  // QUORVANE_TESTS_SUPPORT_SANDBOX_CASE_H_
