// The site explorer against pyftpdlib on 127.0.0.1: connect from the connect dialog, list,
// change into a folder and back (".." first, folders before files), and download two selected
// files (the selected folder left out) through the download-list dialog.
#include <QAction>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QTest>

#include "app/ferrow_app.h"
#include "gui/connect_dialog.h"
#include "gui/download_list_dialog.h"
#include "gui/explorer_pane.h"
#include "gui/log_view.h"
#include "gui/main_frame.h"
#include "gui/qt_text.h"
#include "gui/url_check_model.h"
#include "tests/gui/gui_harness.h"
#include "tests/support/ftp_server.h"
#include "tests/support/sandbox.h"
#include "tests/support/test_data.h"

namespace ferrow::test {

class ExplorerTest : public QObject {
  Q_OBJECT

 private:
  static QStringList Names(CRemoteView& view) {
    QStringList names;
    for (int row = 0; row < view.Model().rowCount(); ++row)
      names << ToQt(view.Model().At(row)->GetName());
    return names;
  }

  static int RowOf(CRemoteView& view, const QString& name) {
    return static_cast<int>(Names(view).indexOf(name));
  }

  static void Enter(CRemoteView& view, const QString& name) {
    const int row = RowOf(view, name);
    QVERIFY(row >= 0);
    view.setFocus();
    view.setCurrentIndex(view.Model().index(row, 0));
    QTest::keyClick(&view, Qt::Key_Return);
  }

 private slots:
  void browseAFolderAndDownloadTwoFilesFromIt() {
    FtpServer ftp;
    FERROW_QT_START_OR_SKIP(ftp);
    std::filesystem::create_directories(ftp.Root() / "pub" / "sub");
    WritePatternFile(ftp.Root() / "pub" / "a.bin", 200000);
    WritePatternFile(ftp.Root() / "pub" / "b.bin", 300000);
    WriteFileBytes(ftp.Root() / "readme.txt", "hello");
    CGuiHarness gui;
    QVERIFY(gui.Start());
    CMainFrame& frame = gui.Frame();

    frame.Action(Command::kConnect)->trigger();
    auto* connect = FindDialog<CConnectDialog>("Connect");
    QVERIFY(connect);
    connect->AddressBox()->setEditText(QString::fromStdString(ftp.Url("/")));
    static_cast<QDialog*>(connect)->accept();
    QCOMPARE(frame.CurrentPane(), Command::kShowExplorer);
    CRemoteView& remote = *frame.ExplorerPane()->Remote();
    QTRY_VERIFY_WITH_TIMEOUT(RowOf(remote, "pub") >= 0 && RowOf(remote, "readme.txt") >= 0, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!remote.IsBusy(), kWait);

    Enter(remote, "pub");
    QTRY_VERIFY_WITH_TIMEOUT(RowOf(remote, "a.bin") >= 0, kWait);
    QCOMPARE(Names(remote), (QStringList{"..", "sub", "a.bin", "b.bin"}));
    QCOMPARE(ToQt(gui.App().GetExplorerPath()), QStringLiteral("/pub"));
    QTRY_VERIFY_WITH_TIMEOUT(!remote.IsBusy(), kWait);
    Enter(remote, "..");
    QTRY_VERIFY_WITH_TIMEOUT(RowOf(remote, "readme.txt") >= 0, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(!remote.IsBusy(), kWait);
    Enter(remote, "pub");
    QTRY_VERIFY_WITH_TIMEOUT(RowOf(remote, "a.bin") >= 0, kWait);
    // The conversation is in the log.
    QTRY_VERIFY_WITH_TIMEOUT(
        frame.ExplorerPane()->Log()->Model().AllLines().join('\n').contains("> CWD") ||
            frame.ExplorerPane()->Log()->Model().AllLines().join('\n').contains("> LIST"),
        kWait);

    // Two files and a folder selected: the two files go to the download-list dialog.
    QItemSelectionModel* selection = remote.selectionModel();
    selection->clear();
    for (const char* name : {"sub", "a.bin", "b.bin"})
      selection->select(remote.Model().index(RowOf(remote, name), 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    remote.setFocus();
    frame.UpdateCommands();
    QVERIFY(frame.Action(Command::kRemoteDownload)->isEnabled());
    frame.Action(Command::kRemoteDownload)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(FindWindow("DownloadList"), kWait);
    auto* list = FindDialog<CDownloadListDialog>("DownloadList");
    QCOMPARE(list->Model().rowCount(), 2);
    static_cast<QDialog*>(list)->accept();
    QTRY_VERIFY_WITH_TIMEOUT(gui.App().GetDownloads().size() == 2, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
          for (const DownloadSnapshot& row : gui.App().GetDownloads())
            if (row.record.m_status != DownloadStatus::kCompleted) return false;
          return true;
        }(),
        kWait);
    QVERIFY(ReadFileBytes(gui.DownloadDir() / "a.bin") == PatternBytes(0, 200000));
    QVERIFY(ReadFileBytes(gui.DownloadDir() / "b.bin") == PatternBytes(0, 300000));

    frame.Action(Command::kDisconnect)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!gui.App().IsExplorerRunning(), kWait);
  }
};

}  // namespace ferrow::test

QTEST_MAIN(ferrow::test::ExplorerTest)
#include "gui_explorer_test.moc"
