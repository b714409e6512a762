// The rest of the window: a server's login request answered in the login dialog (against nginx
// with basic authentication), the folder tree's new folders, renames and moved entries, a new
// site from its dialog, the status bar's way into the settings, the tray's Integration item,
// and help that cannot be opened.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

#include "app/ferrow_app.h"
#include "gui/entry_view.h"
#include "gui/explorer_pane.h"
#include "gui/folder_pane.h"
#include "gui/login_dialog.h"
#include "gui/main_frame.h"
#include "gui/qt_text.h"
#include "gui/settings_dialog.h"
#include "gui/site_properties_dialog.h"
#include "gui/system_tray.h"
#include "platform/text.h"
#include "tests/gui/gui_harness.h"
#include "tests/support/nginx_server.h"
#include "tests/support/sandbox.h"
#include "tests/support/test_data.h"

namespace ferrow::test {

class PanesTest : public QObject {
  Q_OBJECT

 private slots:
  void aLoginAskedForIsAnsweredInTheDialogAndRemembered() {
    NginxServer nginx({.authPath = "/private/", .authUser = "anna", .authPassword = "s3cret"});
    FERROW_QT_START_OR_SKIP(nginx);
    std::filesystem::create_directories(nginx.Root() / "private");
    WritePatternFile(nginx.Root() / "private" / "report.pdf", 300000);
    CGuiHarness gui;
    QVERIFY(gui.Start());
    CFerrowApp::NewDownload download;
    download.url = Utf8ToWide(nginx.Url("/private/report.pdf"));
    download.file = (gui.DownloadDir() / "report.pdf").wstring();
    const Guid id = gui.App().AddDownload(download);
    QTRY_VERIFY_WITH_TIMEOUT(FindWindow("Login"), kWait);
    auto* login = FindDialog<CLoginDialog>("Login");
    QCOMPARE(login->PasswordLine()->echoMode(), QLineEdit::Password);
    QVERIFY(login->RememberBox()->isChecked());
    login->UserLine()->setText("anna");
    login->PasswordLine()->setText("s3cret");
    static_cast<QDialog*>(login)->accept();
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
          DownloadSnapshot row;
          return gui.App().GetDownload(id, row) &&
                 row.record.m_status == DownloadStatus::kCompleted;
        }(),
        kWait);
    QVERIFY(ReadFileBytes(gui.DownloadDir() / "report.pdf") == PatternBytes(0, 300000));
    const CLoginInfo* stored = gui.App().GetSettings().m_siteLogins.Find(L"127.0.0.1");
    QVERIFY(stored);
    QCOMPARE(stored->m_user, std::wstring(L"anna"));
    QVERIFY(stored->m_keep);
  }

  void foldersAreMadeRenamedAndTakeMovedEntries() {
    CGuiHarness gui;
    QVERIFY(gui.Start());
    CMainFrame& frame = gui.Frame();
    frame.ShowPane(Command::kShowFolders);
    CFolderView& folders = *frame.FolderPane()->Folders();
    const Guid root = gui.App().GetFolders().m_id;
    folders.Select(root);
    folders.ExecuteCommand(Command::kNewFolder);
    const QModelIndex created = folders.currentIndex();
    QCOMPARE(created.data().toString(), QStringLiteral("New Folder"));
    // The name typed in place: a name with "/" is refused and said so, a plain one taken.
    QVERIFY(!folders.Model().setData(created, QStringLiteral("a/b"), Qt::EditRole));
    QTRY_VERIFY_WITH_TIMEOUT(FindMessageBox(), kWait);
    QVERIFY(AnswerMessageBox(true));
    QVERIFY(folders.Model().setData(created, QStringLiteral("Books"), Qt::EditRole));
    QTRY_VERIFY_WITH_TIMEOUT(folders.currentIndex().data().toString() == "Books", kWait);
    const CFolderInfo* books = folders.CurrentFolder();
    QVERIFY(books);
    QCOMPARE(books->m_path, (gui.DownloadDir() / "Books").wstring() + L"/");
    const Guid booksId = books->m_id;

    // Two entries of the root dragged onto Books.
    for (const wchar_t* name : {L"a.pdf", L"b.pdf", L"c.pdf"}) {
      CFileInfo file;
      file.m_name = name;
      gui.App().GetData().m_folders.m_files.push_back(file);
    }
    frame.FoldersChanged();
    folders.Select(root);
    CEntryView& files = *frame.FolderPane()->Files();
    QTRY_COMPARE_WITH_TIMEOUT(files.Model().rowCount(), 3, kWait);
    QMimeData* dragged =
        files.Model().mimeData({files.Model().index(0, 0), files.Model().index(2, 0)});
    QVERIFY(folders.Model().dropMimeData(dragged, Qt::MoveAction, -1, -1,
                                         folders.Model().IndexOf(booksId)) == false);
    delete dragged;
    QTRY_COMPARE_WITH_TIMEOUT(gui.App().GetFolders().FindFolder(booksId)->m_files.size(), size_t{2},
                              kWait);
    QCOMPARE(gui.App().GetFolders().m_files.front().m_name, std::wstring(L"b.pdf"));
    QTRY_COMPARE_WITH_TIMEOUT(files.Model().rowCount(), 1, kWait);
  }

  void aNewSiteComesFromItsDialog() {
    CGuiHarness gui;
    QVERIFY(gui.Start());
    CMainFrame& frame = gui.Frame();
    frame.ShowPane(Command::kShowExplorer);
    CSiteView& sites = *frame.ExplorerPane()->Sites();
    sites.ExecuteCommand(Command::kNewSite);
    auto* dialog = FindDialog<CSitePropertiesDialog>("PropertiesSite");
    QVERIFY(dialog);
    QCOMPARE(dialog->NameLine()->text(), QStringLiteral("New Site"));
    QCOMPARE(dialog->PasswordLine()->echoMode(), QLineEdit::Password);
    dialog->NameLine()->setText("Mirror");
    dialog->ServerLine()->setText("ftp.example.org");
    dialog->PortBox()->setValue(2121);
    dialog->UserLine()->setText("anna");
    dialog->PasswordLine()->setText("pw");
    static_cast<QDialog*>(dialog)->accept();
    QCOMPARE(sites.Model().Sites().size(), size_t{1});
    QCOMPARE(sites.Model().Sites()[0].GetUrl(),
             std::wstring(L"ftp://anna:pw@ftp.example.org:2121/"));
    // Copy URL leaves the password out.
    sites.Select(sites.Model().Sites()[0].m_id);
    sites.ExecuteCommand(Command::kCopyUrl);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("ftp://anna@ftp.example.org:2121/"));
  }

  void theStatusBarTheTrayAndHelp() {
    CGuiHarness gui;
    gui.WriteSettings([](CSettings& s) { s.m_autoHangup = true; });
    QVERIFY(gui.Start());
    CMainFrame& frame = gui.Frame();
    // The counts open the connections page, the indicators the page of what happens after.
    QVERIFY(!frame.StatusPane(3)->isEnabled());
    QVERIFY(frame.StatusPane(4)->isEnabled());
    QTest::mouseDClick(frame.StatusPane(1), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(FindWindow("Settings"), kWait);
    QCOMPARE(FindDialog<CSettingsDialog>("Settings")->Pages()->currentIndex(), 1);
    QTest::mouseDClick(frame.StatusPane(4), Qt::LeftButton);
    QCOMPARE(FindDialog<CSettingsDialog>("Settings")->Pages()->currentIndex(), 5);
    CloseDialogs();

    // The tray menu's Integration item follows and switches the setting.
    QMenu* menu = frame.Tray()->Menu();
    emit menu->aboutToShow();
    QAction* integration = nullptr;
    for (QAction* action : menu->actions())
      if (action->data().toUInt() == static_cast<uint32_t>(Command::kIntegration))
        integration = action;
    QVERIFY(integration);
    QCOMPARE(integration->isChecked(), gui.App().GetSettings().m_enableIntegration);
    const bool before = gui.App().GetSettings().m_enableIntegration;
    integration->trigger();
    QCOMPARE(gui.App().GetSettings().m_enableIntegration, !before);

    // The source tree's program folder has no help pages: message 3005.
    frame.Action(Command::kHelpContents)->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(FindMessageBox(), kWait);
    QCOMPARE(FindMessageBox()->text(), QStringLiteral("The help file cannot be opened."));
    QVERIFY(AnswerMessageBox(true));
  }
};

}  // namespace ferrow::test

QTEST_MAIN(ferrow::test::PanesTest)
#include "gui_panes_test.moc"
