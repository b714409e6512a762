// Later starts of the real program hand their URLs to the running one, in two processes as a
// user or a browser starts them: three URLs open the download-list dialog with three rows, one
// URL (as the browser hand-over sends it, "/silent /url=...") the new-download dialog. The
// running program tells what it opened on standard error (FERROW_TRACE_DIALOGS).
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include "tests/gui/gui_harness.h"

namespace ferrow::test {

class HandOverTest : public QObject {
  Q_OBJECT

 private:
  static QProcessEnvironment Environment(const CGuiHarness& gui) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : gui.Environment())
      environment.insert(QString::fromStdString(name), QString::fromStdString(value));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("FERROW_TRACE_DIALOGS"), QStringLiteral("1"));
    return environment;
  }

  // Runs a later start to its end; its exit status.
  static int RunLater(const CGuiHarness& gui, const QStringList& arguments) {
    QProcess later;
    later.setProcessEnvironment(Environment(gui));
    later.start(QStringLiteral(FERROW_PROGRAM), arguments);
    if (!later.waitForFinished(kWait)) {
      later.kill();
      later.waitForFinished();
      return -1;
    }
    return later.exitStatus() == QProcess::NormalExit ? later.exitCode() : -1;
  }

 private slots:
  void laterStartsOpenTheDialogsInTheRunningInstance() {
    CGuiHarness gui;
    gui.WriteSettings();
    QProcess first;
    first.setProcessEnvironment(Environment(gui));
    first.setProcessChannelMode(QProcess::SeparateChannels);
    QString errors;
    connect(&first, &QProcess::readyReadStandardError, this,
            [&] { errors += QString::fromUtf8(first.readAllStandardError()); });
    first.start(QStringLiteral(FERROW_PROGRAM), {});
    QVERIFY(first.waitForStarted(kWait));
    QTRY_VERIFY_WITH_TIMEOUT(errors.contains(QLatin1String("ferrow: dialog MainFrame")), kWait);

    const QString three = QStringLiteral(
        "/url=http://127.0.0.1:9/a.zip|http://127.0.0.1:9/b.zip|ftp://127.0.0.1:9/c.iso");
    QCOMPARE(RunLater(gui, {three}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(errors.contains(QLatin1String("ferrow: dialog DownloadList urls=3")),
                             kWait);

    QCOMPARE(RunLater(gui, {QStringLiteral("/silent"),
                            QStringLiteral("/url=http://127.0.0.1:9/setup.exe")}),
             0);
    QTRY_VERIFY_WITH_TIMEOUT(errors.contains(QLatin1String(
                                 "ferrow: dialog DownloadFile url=http://127.0.0.1:9/setup.exe")),
                             kWait);
    QVERIFY(first.state() == QProcess::Running);

    // A termination ends the program as Exit does: it saves and goes.
    first.terminate();
    QVERIFY(first.waitForFinished(kWait));
    QCOMPARE(first.exitStatus(), QProcess::NormalExit);
    QVERIFY(std::filesystem::exists(gui.DataDir() / "Downloads.xml"));
  }
};

}  // namespace ferrow::test

QTEST_MAIN(ferrow::test::HandOverTest)
#include "gui_handover_test.moc"
