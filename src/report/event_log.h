// The run's report for a place with no console and no one to read it (the
// scheduled task, given --event-log): what the run printed and how it
// ended, sent once, when it ends, as one event to the system's log. The
// gathering and the event's form are shared; sending is the platform's:
// Windows writes the Application log under the source Quorvane
// (event_log_win32.cpp), other systems have no such log and send nothing
// (event_log_posix.cpp). Without StartEventLog nothing is gathered or sent.
#ifndef QUORVANE_REPORT_EVENT_LOG_H_
#define QUORVANE_REPORT_EVENT_LOG_H_

#include <optional>

#include "report/message.h"

namespace quorvane {

// The event source's name, which install.cmd registers.
inline constexpr wchar_t kEventSource[] = L"Quorvane";

// The event ID of a completed run, and of one whose command line or lists
// held no pair to follow (the usage text); a failed run's is its error
// code.
inline constexpr int kEventCompleted = 1;
inline constexpr int kEventUsage = 2;

struct RunEvent {
  enum Type { kInformation, kError };
  Type type;
  int id;
  // A completed run: what it printed. A failed run: its report (title,
  // line break, text) when it has one, a blank line, then what it printed
  // before.
  Message text;
};

// From now on, what the run prints is gathered for its event.
void StartEventLog();

// Adds what the run printed to its event, while gathering (the console
// calls it for everything it writes).
void GatherForEvent(const Message& printed);

// The run's one event: ended with the fatal error `code` and its `title`
// and `text` (kEventUsage: none, the usage text was printed), or completed
// when `code` is 0. Empty when the event log was never started, or its
// event was already taken: a run sends one event.
std::optional<RunEvent> TakeRunEvent(int code, const Message& title = {},
                                     const Message& text = {});

// Sends TakeRunEvent's event, if there is one.
void ReportRun(int code, const Message& title = {}, const Message& text = {});

// The platform's sink: the event to the system's log, or nowhere. A
// failure to send is ignored: the run's outcome does not depend on it.
void SendEvent(const RunEvent& event);

}  // namespace quorvane

#endif  // QUORVANE_REPORT_EVENT_LOG_H_
