// The --on-change command on Windows: cmd /c in a job of its own, waited
// for until the deadline, then every process of the job ended. The command
// and the variables' values (UTF-8, as the command line gave them) go to
// the W calls, so they may name a file in any script.
#include <windows.h>

#include <chrono>
#include <cstdio>

#include "front/on_change.h"
#include "report/windows_text.h"

namespace quorvane {

CommandEnd RunShellCommand(const std::string& command, const Environment& added,
                           Deadline deadline) {
  // The child inherits our environment, these included.
  for (const auto& [name, value] : added) {
    SetEnvironmentVariableW(Wide(name).c_str(), Wide(value).c_str());
  }
  // cmd.exe from the system folder, not whichever the PATH finds first;
  // /d: no AutoRun command; /s: the quotes around the command go, the rest
  // is taken as it is.
  wchar_t system[MAX_PATH];
  UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return {CommandEnd::kNotStarted, static_cast<int>(GetLastError())};
  }
  std::wstring shell = std::wstring(system, length) + L"\\cmd.exe";
  std::wstring line = L"\"" + shell + L"\" /d /s /c \"" + Wide(command) + L"\"";
  // What this run printed comes before what the command prints.
  fflush(nullptr);
  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (!job) return {CommandEnd::kNotStarted, static_cast<int>(GetLastError())};
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  // Suspended until it is in the job, so nothing it starts escapes it.
  if (!CreateProcessW(shell.c_str(), line.data(), nullptr, nullptr, TRUE,
                      CREATE_SUSPENDED, nullptr, nullptr, &startup, &process)) {
    DWORD error = GetLastError();
    CloseHandle(job);
    return {CommandEnd::kNotStarted, static_cast<int>(error)};
  }
  AssignProcessToJobObject(job, process.hProcess);
  ResumeThread(process.hThread);
  CloseHandle(process.hThread);
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  DWORD wait = left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
  CommandEnd end = {CommandEnd::kTimedOut, 0};
  if (WaitForSingleObject(process.hProcess, wait) == WAIT_OBJECT_0) {
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    end = {CommandEnd::kExited, static_cast<int>(status)};
  } else {
    TerminateJobObject(job, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  CloseHandle(process.hProcess);
  CloseHandle(job);
  return end;
}

}  // namespace quorvane
