// The download list as a user drives it, against nginx on 127.0.0.1: a download added through
// the dialog runs, completes into its folder and the history; the queue commands follow their
// enabling rules; delete asks; Exit while downloads run asks and No keeps the program running.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include "app/ferrow_app.h"
#include "gui/download_file_dialog.h"
#include "gui/download_model.h"
#include "gui/download_pane.h"
#include "gui/entry_view.h"
#include "gui/folder_chooser.h"
#include "gui/folder_pane.h"
#include "gui/history_pane.h"
#include "gui/main_frame.h"
#include "gui/qt_text.h"
#include "tests/gui/gui_harness.h"
#include "tests/support/nginx_server.h"
#include "tests/support/sandbox.h"
#include "tests/support/test_data.h"

namespace ferrow::test {

class DownloadsTest : public QObject {
  Q_OBJECT

 private:
  // Fills the new-download dialog and confirms it.
  static void AddThroughDialog(CMainFrame& frame, const QString& url, bool startNow,
                               const QString& folder = QString()) {
    frame.Action(Command::kDownload)->trigger();
    auto* dialog = FindDialog<CDownloadFileDialog>("DownloadFile");
    QVERIFY(dialog);
    dialog->UrlBox()->setEditText(url);
    if (!folder.isEmpty()) {
      const int index = dialog->Chooser()->FolderBox()->findText(folder, Qt::MatchContains);
      QVERIFY(index >= 0);
      dialog->Chooser()->FolderBox()->setCurrentIndex(index);
    }
    (startNow ? dialog->StartNowButton() : dialog->QueueButton())->setChecked(true);
    static_cast<QDialog*>(dialog)->accept();
    QTRY_VERIFY_WITH_TIMEOUT(!FindWindow("DownloadFile"), kWait);
  }

  static const DownloadSnapshot* Row(CMainFrame& frame, const QString& name) {
    CDownloadModel& model = frame.DownloadModel();
    for (int row = 0; row < model.rowCount(); ++row)
      if (ToQt(model.At(row)->record.m_name) == name) return model.At(row);
    return nullptr;
  }

  static void Select(CMainFrame& frame, const QString& name) {
    const DownloadSnapshot* row = Row(frame, name);
    QVERIFY(row);
    frame.DownloadPane()->SelectIds({row->record.m_id});
    frame.UpdateCommands();
  }

  static bool Enabled(CMainFrame& frame, Command command) {
    frame.UpdateCommands();
    return frame.Action(command)->isEnabled();
  }

 private slots:
  void aDownloadFromTheDialogCompletesIntoItsFolderAndTheHistory() {
    NginxServer nginx({.limitRate = 256 * 1024});
    FERROW_QT_START_OR_SKIP(nginx);
    const uint64_t size = 1536 * 1024;
    WritePatternFile(nginx.Root() / "setup.exe", size);
    CGuiHarness gui;
    gui.WriteSettings([](CSettings& s) { s.m_maxThreads = 2; });
    QVERIFY(gui.Start());
    CMainFrame& frame = gui.Frame();

    AddThroughDialog(frame, QString::fromStdString(nginx.Url("/setup.exe")), true, "Music");
    QTRY_VERIFY_WITH_TIMEOUT(Row(frame, "setup.exe"), kWait);
    // Progress shows in the list before the end.
    QTRY_VERIFY_WITH_TIMEOUT(Row(frame, "setup.exe")->record.m_done > 0, kWait);
    QVERIFY(Row(frame, "setup.exe")->record.m_done < size);
    QTRY_COMPARE_WITH_TIMEOUT(Row(frame, "setup.exe")->record.m_status, DownloadStatus::kCompleted,
                              kWait);
    const auto file = gui.DownloadDir() / "Music" / "setup.exe";
    QVERIFY(std::filesystem::exists(file));
    QCOMPARE(std::filesystem::file_size(file), size);
    QVERIFY(ReadFileBytes(file) == PatternBytes(0, size));

    // Filed in its folder and in the history.
    frame.ShowPane(Command::kShowFolders);
    const CFolderInfo tree = gui.App().GetFolders();
    const CFolderInfo* music = nullptr;
    for (const CFolderInfo& child : tree.m_folders)
      if (child.m_name == L"Music") music = &child;
    QVERIFY(music);
    frame.FolderPane()->Folders()->Select(music->m_id);
    QTRY_COMPARE_WITH_TIMEOUT(frame.FolderPane()->Files()->Model().rowCount(), 1, kWait);
    frame.ShowPane(Command::kShowHistory);
    QTRY_COMPARE_WITH_TIMEOUT(frame.HistoryPane()->Entries()->Model().rowCount(), 1, kWait);
    QCOMPARE(frame.HistoryPane()->Entries()->Model().At(0)->size, size);
  }

  void theQueueCommandsFollowTheirRulesAndDeleteAndExitAsk() {
    NginxServer nginx({.limitRate = 64 * 1024});
    FERROW_QT_START_OR_SKIP(nginx);
    for (const char* name : {"a.zip", "b.zip", "c.zip"})
      WritePatternFile(nginx.Root() / name, 4 * 1024 * 1024);
    CGuiHarness gui;
    gui.WriteSettings([](CSettings& s) {
      s.m_maxDownloads = 1;
      s.m_maxThreads = 1;
    });
    QVERIFY(gui.Start());
    CMainFrame& frame = gui.Frame();
    for (const char* name : {"a.zip", "b.zip", "c.zip"})
      AddThroughDialog(frame, QString::fromStdString(nginx.Url(std::string("/") + name)), true);
    // One runs; the others wait in the queue in the order they were added.
    QTRY_VERIFY_WITH_TIMEOUT(Row(frame, "a.zip") && Row(frame, "a.zip")->canStop, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(Row(frame, "c.zip"), kWait);
    QCOMPARE(Row(frame, "b.zip")->record.m_order, 1);
    QCOMPARE(Row(frame, "c.zip")->record.m_order, 2);

    Select(frame, "b.zip");
    QVERIFY(Enabled(frame, Command::kStart));
    QVERIFY(!Enabled(frame, Command::kStop));
    QVERIFY(!Enabled(frame, Command::kMoveUp));
    QVERIFY(Enabled(frame, Command::kMoveDown));
    QVERIFY(!Enabled(frame, Command::kOpen));
    frame.Action(Command::kMoveDown)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(Row(frame, "b.zip")->record.m_order, 2, kWait);
    QCOMPARE(Row(frame, "c.zip")->record.m_order, 1);
    QVERIFY(Enabled(frame, Command::kMoveUp));
    QVERIFY(!Enabled(frame, Command::kMoveDown));

    // Stop the running one: it stops and starts nothing else.
    Select(frame, "a.zip");
    QVERIFY(Enabled(frame, Command::kStop));
    QVERIFY(!Enabled(frame, Command::kMoveUp));
    frame.Action(Command::kStop)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(Row(frame, "a.zip")->record.m_status, DownloadStatus::kStopped,
                              kWait);
    QVERIFY(Enabled(frame, Command::kStart));
    QVERIFY(!Enabled(frame, Command::kStop));
    QCOMPARE(Row(frame, "c.zip")->record.m_status, DownloadStatus::kQueued);
    // Queue puts it at the end of the queue.
    QVERIFY(Enabled(frame, Command::kQueue));
    frame.Action(Command::kQueue)->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(Row(frame, "a.zip")->record.m_order, 3, kWait);

    // Delete asks; No keeps the download, Yes removes it.
    Select(frame, "c.zip");
    frame.Action(Command::kDelete)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(FindMessageBox(), kWait);
    QVERIFY(AnswerMessageBox(false));
    QTest::qWait(200);
    QVERIFY(Row(frame, "c.zip"));
    frame.Action(Command::kDelete)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(FindMessageBox(), kWait);
    QVERIFY(AnswerMessageBox(true));
    QTRY_VERIFY_WITH_TIMEOUT(!Row(frame, "c.zip"), kWait);
    QCOMPARE(Row(frame, "b.zip")->record.m_order, 1);

    // Start runs it whatever the limit; Exit while it runs asks, and No keeps everything going.
    Select(frame, "b.zip");
    frame.Action(Command::kStart)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(Row(frame, "b.zip")->canStop, kWait);
    frame.Action(Command::kExit)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(FindMessageBox(), kWait);
    QVERIFY(FindMessageBox()->text().contains("Downloads are still running"));
    QVERIFY(AnswerMessageBox(false));
    QTest::qWait(300);
    QVERIFY(gui.App().IsRunning());
    QVERIFY(!frame.IsExiting());
    QVERIFY(Row(frame, "b.zip")->canStop);
  }
};

}  // namespace ferrow::test

QTEST_MAIN(ferrow::test::DownloadsTest)
#include "gui_downloads_test.moc"
