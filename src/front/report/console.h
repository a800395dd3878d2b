// The console: where progress, the usage text and (on systems without a
// window system) fatal errors reach the user. The program's own Shift_JIS
// text is shown readably in the console's character set; outside bytes
// (paths, host names, file lines) are written unchanged. Each platform has
// its own console_*.cpp.
#ifndef QUORVANE_FRONT_REPORT_CONSOLE_H_
#define QUORVANE_FRONT_REPORT_CONSOLE_H_

#include "front/report/message.h"

namespace quorvane {

// Learns the user's character set. Called once, first thing in the entry.
void InitConsole();

// Writes to standard output, or to standard error. Write failures are
// ignored and the text dropped: a closed console or a pipe without a reader
// must not stop a run that is changing the file.
void WriteOut(const Message& message);
void WriteErr(const Message& message);

// Waits for the user's acknowledgement: reads the typed line through its
// end from a terminal, one byte from a pipe or file (the rest is left for
// whoever reads next). End of input ends the wait at once, so an unattended
// run never hangs.
void WaitForKey();

}  // namespace quorvane

#endif  // QUORVANE_FRONT_REPORT_CONSOLE_H_
