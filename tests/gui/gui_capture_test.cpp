// Links that reach the program besides its own commands: a URL copied while another program
// is in front opens the new-download dialog with it, nothing while one of our windows is in
// front or with "MonitorClipboard" off; links dropped from a browser open the dialogs, a dropped
// local file does nothing; Import reads a list of URLs and Export writes one.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>
#include <QTreeView>

#include "app/ferrow_app.h"
#include "gui/download_file_dialog.h"
#include "gui/download_list_dialog.h"
#include "gui/main_frame.h"
#include "gui/url_check_model.h"
#include "tests/gui/gui_harness.h"
#include "tests/support/sandbox.h"

namespace ferrow::test {

class CaptureTest : public QObject {
  Q_OBJECT

 private:
  // Nothing opens within a moment: the changes are handled at once, so a short wait suffices.
  static bool NothingOpens(const char* name) {
    QTest::qWait(300);
    return FindWindow(name) == nullptr;
  }

  static void Drop(CMainFrame& frame, QMimeData* data) {
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction | Qt::LinkAction, data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&frame, &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(enter.dropAction(), Qt::LinkAction);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction | Qt::LinkAction, data, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(&frame, &drop);
    QVERIFY(drop.isAccepted());  // always handled, whatever it held
    delete data;
  }

  static QMimeData* MozUrl(const QString& url, const QString& title) {
    auto* data = new QMimeData;
    const QString text = url + QLatin1Char('\n') + title;
    data->setData(QStringLiteral("text/x-moz-url"),
                  QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2));
    return data;
  }

 private slots:
  void copiedLinksOpenTheDialogOnlyFromOtherPrograms() {
    CGuiHarness gui;
    QVERIFY(gui.Start());
    CMainFrame& frame = gui.Frame();
    QClipboard* clipboard = QApplication::clipboard();

    // Our window in front: the user copied in Ferrow.
    frame.activateWindow();
    QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeWindow() == &frame, kWait);
    clipboard->setText(QStringLiteral("http://127.0.0.1:9/pub/setup.exe"));
    QVERIFY(NothingOpens("DownloadFile"));

    // Another program in front.
    QApplication::setActiveWindow(nullptr);
    QVERIFY(!QApplication::activeWindow());
    clipboard->setText(QStringLiteral("http://127.0.0.1:9/other/setup.exe"));
    QTRY_VERIFY_WITH_TIMEOUT(FindWindow("DownloadFile"), kWait);
    QCOMPARE(FindDialog<CDownloadFileDialog>("DownloadFile")->Url(),
             QStringLiteral("http://127.0.0.1:9/other/setup.exe"));
    CloseDialogs();

    // A folder URL, and a page, are no downloads.
    QApplication::setActiveWindow(nullptr);
    clipboard->setText(QStringLiteral("http://127.0.0.1:9/files/"));
    QVERIFY(NothingOpens("DownloadFile"));
    clipboard->setText(QStringLiteral("http://127.0.0.1:9/index.html"));
    QVERIFY(NothingOpens("DownloadFile"));

    // "MonitorClipboard" off.
    CSettings settings = gui.App().GetSettings();
    settings.m_monitorClipboard = false;
    gui.App().ApplySettings(settings);
    QApplication::setActiveWindow(nullptr);
    clipboard->setText(QStringLiteral("http://127.0.0.1:9/third/setup.exe"));
    QVERIFY(NothingOpens("DownloadFile"));
  }

  void droppedLinksOpenTheDialogsAndFilesDoNot() {
    CGuiHarness gui;
    QVERIFY(gui.Start());
    CMainFrame& frame = gui.Frame();

    Drop(frame, MozUrl(QStringLiteral("http://127.0.0.1:9/a/page"), QStringLiteral("A page")));
    QTRY_VERIFY_WITH_TIMEOUT(FindWindow("DownloadFile"), kWait);
    QCOMPARE(FindDialog<CDownloadFileDialog>("DownloadFile")->Url(),
             QStringLiteral("http://127.0.0.1:9/a/page"));
    CloseDialogs();

    auto* list = new QMimeData;
    list->setData(QStringLiteral("text/uri-list"),
                  "# two links\r\nhttp://127.0.0.1:9/x.zip\r\nftp://127.0.0.1:9/y.iso\r\n");
    Drop(frame, list);
    QTRY_VERIFY_WITH_TIMEOUT(FindWindow("DownloadList"), kWait);
    QCOMPARE(FindDialog<CDownloadListDialog>("DownloadList")->Model().rowCount(), 2);
    CloseDialogs();

    auto* file = new QMimeData;
    file->setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/setup.exe"))});
    Drop(frame, file);
    QVERIFY(NothingOpens("DownloadFile"));
    QVERIFY(NothingOpens("DownloadList"));

    auto* text = new QMimeData;
    text->setText(QStringLiteral("http://127.0.0.1:9/tool.zip"));
    Drop(frame, text);
    QTRY_VERIFY_WITH_TIMEOUT(FindWindow("DownloadFile"), kWait);
    CloseDialogs();
  }

  void importTakesTheListAndExportWritesIt() {
    CGuiHarness gui;
    gui.WriteSettings([](CSettings& s) { s.m_maxDownloads = 0; });  // nothing starts
    QVERIFY(gui.Start());
    CMainFrame& frame = gui.Frame();
    frame.UpdateCommands();
    QVERIFY(!frame.Action(Command::kExport)->isEnabled());

    const auto list = gui.Root() / "links.txt";
    WriteFileBytes(list,
                   "  http://127.0.0.1:9/one.zip\r\nFTP://127.0.0.1:9/skipped.zip\r\n"
                   "\tftp://127.0.0.1:9/two.iso  \r\nhttp://127.0.0.1:9/one.zip\r\n");
    frame.ImportFile(QString::fromStdString(list.string()));
    QTRY_VERIFY_WITH_TIMEOUT(FindWindow("DownloadList"), kWait);
    auto* dialog = FindDialog<CDownloadListDialog>("DownloadList");
    QCOMPARE(dialog->Model().rowCount(), 3);
    dialog->Model().SetChecked(2, false);  // the same URL twice
    static_cast<QDialog*>(dialog)->accept();
    QTRY_COMPARE_WITH_TIMEOUT(gui.App().GetDownloads().size(), size_t{2}, kWait);
    // Each got a file of its own in the download folder.
    QCOMPARE(gui.App().GetDownloads()[0].record.m_file, (gui.DownloadDir() / "one.zip").wstring());

    frame.UpdateCommands();
    QVERIFY(frame.Action(Command::kExport)->isEnabled());
    const auto exported = gui.Root() / "export.txt";
    QVERIFY(frame.ExportFile(QString::fromStdString(exported.string())));
    QCOMPARE(QString::fromStdString(ReadFileBytes(exported)),
             QStringLiteral("http://127.0.0.1:9/one.zip\nftp://127.0.0.1:9/two.iso\n"));
  }
};

}  // namespace ferrow::test

QTEST_MAIN(ferrow::test::CaptureTest)
#include "gui_capture_test.moc"
