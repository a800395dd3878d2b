// The run's event in the Application log, under the source Quorvane that
// install.cmd registers (with EventCreate.exe's messages, which show the
// text as it is). Where the source is not registered, Windows still keeps
// the event, with a note that its description is missing.
#include <windows.h>

#include <string>

#include "report/event_log.h"
#include "report/windows_text.h"

namespace quorvane {

namespace {

// The most characters one string of an event may hold.
constexpr size_t kEventTextLimit = 31839;

}  // namespace

void SendEvent(const RunEvent& event) {
  HANDLE source = RegisterEventSourceW(nullptr, kEventSource);
  if (source == nullptr) return;
  // Each byte gives at most one UTF-16 unit, and Event Viewer breaks lines
  // at CR LF alone.
  std::wstring lines = WideText(Cut(event.text, kEventTextLimit / 2)), text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == L'\n' && (i == 0 || lines[i - 1] != L'\r')) text += L'\r';
    text += lines[i];
  }
  const wchar_t* strings[] = {text.c_str()};
  ReportEventW(source,
               event.type == RunEvent::kError ? EVENTLOG_ERROR_TYPE
                                              : EVENTLOG_INFORMATION_TYPE,
               0, static_cast<DWORD>(event.id), nullptr, 1, 0, strings,
               nullptr);
  DeregisterEventSource(source);
}

}  // namespace quorvane
