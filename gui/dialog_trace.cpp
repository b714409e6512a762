#include "gui/dialog_trace.h"

#include <QByteArray>
#include <QtGlobal>
#include <cstdio>

namespace ferrow {
namespace {

void Write(const QString& line) {
  const QByteArray bytes = line.toUtf8();
  std::fprintf(stderr, "ferrow: %s\n", bytes.constData());
  std::fflush(stderr);
}

// One line: a text from a server or a file must not start lines of its own.
QString OneLine(QString text) {
  for (QChar& c : text)
    if (c.unicode() < 0x20) c = QLatin1Char(' ');
  return text;
}

}  // namespace

bool IsDialogTraceOn() {
  static const bool on = !qEnvironmentVariableIsEmpty("FERROW_TRACE_DIALOGS");
  return on;
}

void TraceDialog(const char* name, const QString& detail) {
  if (!IsDialogTraceOn()) return;
  Write(QStringLiteral("dialog %1%2")
            .arg(QLatin1String(name),
                 detail.isEmpty() ? QString() : QLatin1Char(' ') + OneLine(detail)));
}

void TraceMessage(const QString& text) {
  if (IsDialogTraceOn()) Write(QStringLiteral("message ") + OneLine(text));
}

}  // namespace ferrow
