// No system log takes a run's report here: a timer's run leaves it to the
// journal of its service manager, from standard output and error.
#include "report/event_log.h"

namespace quorvane {

void SendEvent(const RunEvent&) {}

}  // namespace quorvane
