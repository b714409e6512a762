// ferrow-screenshots: pictures of the windowed program for the README (scripts/screenshots runs
// it under Xvfb). It starts nginx and an FTP server on 127.0.0.1, runs the program in a sandbox
// with a few downloads in progress, finished, queued and failed, and saves each pane and the
// main dialogs as PNG files into the folder given.
//
//   ferrow-screenshots OUTPUT_FOLDER
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QImage>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "app/ferrow_app.h"
#include "gui/connect_dialog.h"
#include "gui/download_file_dialog.h"
#include "gui/download_model.h"
#include "gui/download_pane.h"
#include "gui/download_properties_dialog.h"
#include "gui/explorer_pane.h"
#include "gui/folder_pane.h"
#include "gui/main_frame.h"
#include "gui/progress_dialog.h"
#include "gui/qt_text.h"
#include "gui/settings_dialog.h"
#include "platform/text.h"
#include "sites/site_info.h"
#include "tests/gui/gui_harness.h"
#include "tests/support/ftp_server.h"
#include "tests/support/nginx_server.h"
#include "tests/support/sandbox.h"
#include "tests/support/test_data.h"

namespace ferrow::test {
namespace {

QString g_output;

bool WaitFor(const std::function<bool()>& condition, int milliseconds = kWait) {
  QDeadlineTimer deadline(milliseconds);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QTest::qWait(50);
  }
  return true;
}

void Save(QWidget* widget, const char* name) {
  QTest::qWait(300);  // let the views paint their last figures
  QImage image = widget->grab().toImage();
  // Few colours: a palette keeps the files small.
  image = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
  const QString path = g_output + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
  std::printf("%s %s\n", image.save(path, "PNG", 9) ? "saved" : "FAILED", qPrintable(path));
}

Guid Add(CFerrowApp& app, const std::string& url, const std::wstring& folderName, bool start) {
  const CFolderInfo tree = app.GetFolders();
  CFerrowApp::NewDownload download;
  download.url = Utf8ToWide(url);
  const CFolderInfo* folder = &tree;
  for (const CFolderInfo& child : tree.m_folders)
    if (child.m_name == folderName) folder = &child;
  download.folder = folder->m_id;
  download.file = folder->m_path + Utf8ToWide(url.substr(url.rfind('/') + 1));
  return app.AddDownload(download, start);
}

int Run() {
  NginxServer nginx({.limitRate = 160 * 1024, .replies = {{"/files/old-driver.zip", 404, ""}}});
  FtpServer ftp;
  if (!nginx.Start() || !ftp.Start()) {
    std::fprintf(stderr, "cannot start nginx or the FTP server\n");
    return 1;
  }
  std::filesystem::create_directories(nginx.Root() / "files");
  for (const char* name :
       {"debian-12.5.0-amd64-netinst.iso", "firmware-bundle-2024.tar.xz", "video-lecture-01.mp4",
        "podcast-episode-42.mp3", "dataset-2024-q1.zip", "office-suite-7.6.msi"})
    WritePatternFile(nginx.Root() / "files" / name, 48 * 1024 * 1024);
  for (const char* name : {"setup-tools-2.1.exe", "release-notes.zip", "theme-pack.zip"})
    WritePatternFile(nginx.Root() / "files" / name, 120 * 1024);
  std::filesystem::create_directories(ftp.Root() / "pub" / "linux" / "kernel");
  std::filesystem::create_directories(ftp.Root() / "pub" / "mirrors");
  WriteFileBytes(ftp.Root() / "pub" / "README", "Mirror of free software.\n");
  for (const char* name : {"kernel-6.1.tar.xz", "busybox-1.36.tar.bz2", "checksums.sha256"})
    WritePatternFile(ftp.Root() / "pub" / name, 2 * 1024 * 1024);

  CGuiHarness gui;
  gui.WriteSettings([](CSettings& s) {
    s.m_maxDownloads = 3;
    s.m_maxThreads = 4;
    s.m_openProgress = false;
  });
  if (!gui.Start()) return 1;
  CFerrowApp& app = gui.App();
  CMainFrame& frame = gui.Frame();
  frame.resize(1180, 580);
  const auto url = [&](const char* name) { return nginx.Url(std::string("/files/") + name); };

  // Finished ones first, for the folders and the history.
  Add(app, url("setup-tools-2.1.exe"), L"Programs", true);
  Add(app, url("release-notes.zip"), L"Archives", true);
  Add(app, url("theme-pack.zip"), L"Programs", true);
  WaitFor([&] {
    for (const DownloadSnapshot& row : app.GetDownloads())
      if (row.record.m_status != DownloadStatus::kCompleted) return false;
    return true;
  });
  Add(app, url("debian-12.5.0-amd64-netinst.iso"), L"Programs", true);
  Add(app, url("video-lecture-01.mp4"), L"Video", true);
  Add(app, url("podcast-episode-42.mp3"), L"Music", true);
  Add(app, url("old-driver.zip"), L"Programs", true);
  const Guid stopped = Add(app, url("firmware-bundle-2024.tar.xz"), L"Archives", false);
  Add(app, url("dataset-2024-q1.zip"), L"Archives", false);
  Add(app, url("office-suite-7.6.msi"), L"Programs", false);
  app.StopDownload(stopped);
  WaitFor([] { return false; }, 7000);  // some progress and speeds to show

  frame.ShowPane(Command::kShowDownloads);
  frame.DownloadPane()->SelectIds({});
  Save(&frame, "downloads");
  frame.ShowPane(Command::kShowFolders);
  for (const CFolderInfo& child : app.GetFolders().m_folders)
    if (child.m_name == L"Programs") frame.FolderPane()->Folders()->Select(child.m_id);
  Save(&frame, "folders");
  frame.ShowPane(Command::kShowHistory);
  Save(&frame, "history");

  for (const auto& [name, server] : {std::pair{L"Debian mirror", L"ftp.debian.example"},
                                     std::pair{L"Local test server", L"127.0.0.1"},
                                     std::pair{L"Project files", L"files.example.org"}}) {
    CSiteInfo site(name);
    site.m_server = server;
    app.AddSite(site);
  }
  frame.SitesChanged();
  app.ExploreUrl(Utf8ToWide(ftp.Url("/pub/")));
  frame.ShowPane(Command::kShowExplorer);
  WaitFor([&] { return frame.ExplorerPane()->Remote()->Model().rowCount() > 3; });
  Save(&frame, "explorer");

  frame.ShowPane(Command::kShowDownloads);
  frame.AddDownload(QString::fromStdString(url("video-lecture-02.mp4")), &frame);
  Save(FindWindow("DownloadFile"), "dialog-new-download");
  CloseDialogs();
  frame.AddDownloads({QString::fromStdString(ftp.Url("/pub/kernel-6.1.tar.xz")),
                      QString::fromStdString(ftp.Url("/pub/busybox-1.36.tar.bz2")),
                      QString::fromStdString(ftp.Url("/pub/checksums.sha256"))},
                     &frame);
  Save(FindWindow("DownloadList"), "dialog-download-list");
  CloseDialogs();
  frame.OpenSettings(1);
  Save(FindWindow("Settings"), "dialog-settings-general");
  FindDialog<CSettingsDialog>("Settings")->Pages()->setCurrentIndex(1);
  Save(FindWindow("Settings"), "dialog-settings-connections");
  CloseDialogs();
  for (const DownloadSnapshot& row : app.GetDownloads())
    if (row.record.m_name == L"debian-12.5.0-amd64-netinst.iso")
      CDownloadPropertiesDialog::Open(frame, row.record.m_id);
  Save(FindWindow("PropertiesDownload"), "dialog-properties");
  CloseDialogs();
  for (const DownloadSnapshot& row : app.GetDownloads())
    if (row.record.m_name == L"video-lecture-01.mp4") CProgressDialog::Open(frame, row.record.m_id);
  Save(FindWindow("Progress"), "dialog-progress");
  CloseDialogs();
  return 0;
}

}  // namespace
}  // namespace ferrow::test

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: ferrow-screenshots OUTPUT_FOLDER\n");
    return 2;
  }
  ferrow::test::g_output = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
  QDir().mkpath(ferrow::test::g_output);
  int result = 1;
  QTimer::singleShot(0, [&] {
    result = ferrow::test::Run();
    QApplication::quit();
  });
  application.exec();
  return result;
}
