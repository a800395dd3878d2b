// The console: where progress, the usage text and (on systems without a
// window system) fatal errors reach the user. The program's own Shift_JIS
// text is shown readably in the console's character set; outside bytes
// (paths, host names, file lines) are written unchanged. Each platform has
// its own console_*.cpp.
#ifndef QUORVANE_REPORT_CONSOLE_H_
#define QUORVANE_REPORT_CONSOLE_H_

#include "report/message.h"

namespace quorvane {

// Learns the user's character set. Called once, first thing in the entry.
void InitConsole();

// Writes to standard output, or to standard error, in the order written
// (standard output is flushed before standard error). Write failures are
// ignored and the text dropped: a closed console or a pipe without a reader
// must not stop a run that is changing the file.
void WriteOut(const Message& message);
void WriteErr(const Message& message);

// Progress: the files read and written and the count of a run, on standard
// output, unless the run is quiet (--quiet), which prints only the lines it
// changes, warnings and errors: nothing on a run that changes nothing.
void WriteProgress(const Message& message);
void SetQuiet(bool quiet);

// Waits for the user's acknowledgement where the console window is the
// program's own and would close with it (Windows, started by a
// double-click): reads the typed line through its end, and end of input
// ends the wait at once. Everywhere else (a terminal, cmd or PowerShell, a
// pipe, a timer's run) it returns at once: nothing waits for a key there.
void WaitIfOwnConsole();

}  // namespace quorvane

#endif  // QUORVANE_REPORT_CONSOLE_H_
