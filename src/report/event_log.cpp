#include "report/event_log.h"

namespace quorvane {

namespace {

bool g_gathering = false;
Message g_printed;

}  // namespace

void StartEventLog() {
  g_gathering = true;
  g_printed = {};
}

void GatherForEvent(const Message& printed) {
  if (g_gathering) g_printed += printed;
}

std::optional<RunEvent> TakeRunEvent(int code, const Message& title,
                                     const Message& text) {
  if (!g_gathering) return std::nullopt;
  g_gathering = false;
  if (code == 0) {
    return RunEvent{RunEvent::kInformation, kEventCompleted, g_printed};
  }
  // The report first: it is what a reader of the log looks for, and it
  // stays whole should the system cut a long event.
  RunEvent event{RunEvent::kError, code, g_printed};
  if (title.pieces.empty()) return event;
  event.text = title;
  event.text += Raw("\n");
  event.text += text;
  event.text += Raw("\n");
  if (!g_printed.pieces.empty()) {
    event.text += Raw("\n");
    event.text += g_printed;
  }
  return event;
}

void ReportRun(int code, const Message& title, const Message& text) {
  if (std::optional<RunEvent> event = TakeRunEvent(code, title, text)) {
    SendEvent(*event);
  }
}

}  // namespace quorvane
