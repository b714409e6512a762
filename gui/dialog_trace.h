#pragma once
// With the environment variable FERROW_TRACE_DIALOGS set (to anything but empty), the program
// writes one line to standard error for every dialog and message it opens:
//
//   ferrow: dialog DownloadFile url=http://example.org/setup.exe
//   ferrow: dialog DownloadList urls=3
//   ferrow: message <text>
//
// so that tests and scripts that drive the real program (a second start, the browser
// extension's hand-over) see what reached the user. Passwords never appear in these lines.
#include <QString>

namespace ferrow {

bool IsDialogTraceOn();
void TraceDialog(const char* name, const QString& detail = QString());
void TraceMessage(const QString& text);

}  // namespace ferrow
