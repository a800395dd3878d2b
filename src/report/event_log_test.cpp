// The run's one event: its type, ID and text from how the run ended and
// what it printed; none without --event-log, and never a second.
#include "report/event_log.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(EventLogTest, OneEventPerRunFromWhatItPrintedAndHowItEnded) {
  const struct {
    bool started;
    const char* printed;
    int code;
    const char* title;  // and "Cannot open l." when there is one
    std::optional<RunEvent::Type> type;
    const char* text;
  } cases[] = {
      {false, "Reading... hosts\n", 0, "", std::nullopt, ""},
      {true, "Reading... hosts\n1 lines added.\n", 0, "",
       RunEvent::kInformation, "Reading... hosts\n1 lines added.\n"},
      {true, "", 147, "Quorvane (147)", RunEvent::kError,
       "Quorvane (147)\nCannot open l.\n"},
      {true, "Reading... l\n", 238, "Quorvane (238)", RunEvent::kError,
       "Quorvane (238)\nCannot open l.\n\nReading... l\n"},
      {true, "Usage:\n", kEventUsage, "", RunEvent::kError, "Usage:\n"},
  };
  for (const auto& c : cases) {
    if (c.started) StartEventLog();
    GatherForEvent(Raw(c.printed));
    Message text = *c.title ? Raw("Cannot open l.") : Message{};
    std::optional<RunEvent> event = TakeRunEvent(c.code, Raw(c.title), text);
    ASSERT_EQ(event.has_value(), c.type.has_value()) << c.printed;
    EXPECT_FALSE(TakeRunEvent(0).has_value()) << "a second event";
    if (!event) continue;
    EXPECT_EQ(event->type, *c.type);
    EXPECT_EQ(event->id, c.code == 0 ? kEventCompleted : c.code);
    EXPECT_EQ(event->text.Bytes(), c.text);
  }
}

}  // namespace
}  // namespace quorvane
