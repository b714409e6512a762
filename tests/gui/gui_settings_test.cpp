// The settings dialog and the layout: a number out of its range is refused with message 2306
// naming the bounds; OK applies the settings to the running program and saves them; the German
// language file gives German menus and dialogs; reordered columns and a moved window come back
// after a restart.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QTabWidget>
#include <QTest>

#include "app/ferrow_app.h"
#include "download/download_manager.h"
#include "gui/download_pane.h"
#include "gui/main_frame.h"
#include "gui/range_spin_box.h"
#include "gui/settings_dialog.h"
#include "net/transfer_settings.h"
#include "tests/gui/gui_harness.h"
#include "tests/support/sandbox.h"

namespace ferrow::test {

class SettingsTest : public QObject {
  Q_OBJECT

 private:
  static CSettingsDialog* OpenSettings(CMainFrame& frame) {
    frame.Action(Command::kSettings)->trigger();
    return FindDialog<CSettingsDialog>("Settings");
  }

 private slots:
  void aValueOutOfRangeIsRefusedAndOkAppliesAndSaves() {
    CGuiHarness gui;
    QVERIFY(gui.Start());
    CMainFrame& frame = gui.Frame();
    CSettingsDialog* dialog = OpenSettings(frame);
    QVERIFY(dialog);
    QCOMPARE(dialog->Pages()->count(), 8);

    // Typed beyond the range: refused, the page with the field shown, the bounds named.
    dialog->Pages()->setCurrentIndex(0);
    CRangeSpinBox* threads = dialog->RangeBox(L"MaxThreads");
    threads->setValue(65);
    static_cast<QDialog*>(dialog)->accept();
    QTRY_VERIFY_WITH_TIMEOUT(FindMessageBox(), kWait);
    QCOMPARE(FindMessageBox()->text(), QStringLiteral("Please enter a number between 1 and 64."));
    QVERIFY(AnswerMessageBox(true));
    QVERIFY(dialog->isVisible());
    QCOMPARE(dialog->Pages()->currentIndex(), 1);
    QCOMPARE(gui.App().GetSettings().m_maxThreads, 4);
    // The arrows step within 1 to 16 only.
    threads->setValue(16);
    threads->stepBy(1);
    QCOMPARE(threads->value(), 16);
    dialog->RangeBox(L"RetryDelay")->setValue(4);
    threads->setValue(64);
    static_cast<QDialog*>(dialog)->accept();
    QTRY_VERIFY_WITH_TIMEOUT(FindMessageBox(), kWait);
    QCOMPARE(FindMessageBox()->text(), QStringLiteral("Please enter a number between 5 and 1000."));
    QVERIFY(AnswerMessageBox(true));

    // In range: applied to the running program at once and saved.
    dialog->RangeBox(L"RetryDelay")->setValue(7);
    dialog->RangeBox(L"SpeedLimit")->setValue(300);
    dialog->CheckBox("PassiveMode")->setChecked(false);
    dialog->CheckBox("ShowTrayIcon")->setChecked(false);
    static_cast<QDialog*>(dialog)->accept();
    QTRY_VERIFY_WITH_TIMEOUT(!FindWindow("Settings"), kWait);
    QCOMPARE(gui.App().GetSettings().m_maxThreads, 64);
    QCOMPARE(gui.App().GetSettings().m_retryDelay, 7);
    CTransferSettings& network = gui.App().GetDownloadManager().GetTransferSettings();
    QCOMPARE(network.GetSpeedLimit(), 300u);
    QVERIFY(!network.GetPassiveMode());
    QVERIFY(!frame.TrayState().IsVisible());
    QTRY_VERIFY_WITH_TIMEOUT(
        ReadFileBytes(gui.DataDir() / "Settings.xml").find("<RetryDelay>7</RetryDelay>") !=
            std::string::npos,
        kWait);
  }

  void theGermanLanguageFileGivesGermanMenusAndDialogs() {
    CGuiHarness gui;
    gui.WriteSettings([](CSettings& s) { s.m_languageFile = L"Languages/German.lng"; });
    QVERIFY(gui.Start());
    CMainFrame& frame = gui.Frame();
    const QList<QAction*> menus = frame.menuBar()->actions();
    QVERIFY(menus.size() >= 6);
    QCOMPARE(menus[0]->text(), QStringLiteral("&Datei"));
    QCOMPARE(menus[1]->text(), QStringLiteral("&Bearbeiten"));
    QCOMPARE(frame.Action(Command::kExit)->text(), QStringLiteral("&Beenden"));
    QCOMPARE(frame.Action(Command::kDelete)->text(), QStringLiteral("&Löschen\tEntf"));
    CSettingsDialog* dialog = OpenSettings(frame);
    QVERIFY(dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Einstellungen"));
    QCOMPARE(dialog->Pages()->tabText(0), QStringLiteral("Allgemein"));
    QCOMPARE(dialog->CheckBox("MonitorClipboard")->text(),
             QStringLiteral("Die &Zwischenablage auf Links zum Herunterladen überwachen"));
    // A new language takes effect at the next start, and says so.
    const int english = dialog->LanguageBox()->findText(QStringLiteral("English"));
    QVERIFY(english >= 0);
    dialog->LanguageBox()->setCurrentIndex(english);
    static_cast<QDialog*>(dialog)->accept();
    QTRY_VERIFY_WITH_TIMEOUT(FindMessageBox(), kWait);
    QVERIFY(FindMessageBox()->text().contains(QStringLiteral("nächsten Start")));
    QVERIFY(AnswerMessageBox(true));
    QCOMPARE(gui.App().GetSettings().m_languageFile, std::wstring(L"Languages/English.lng"));
    QCOMPARE(frame.menuBar()->actions()[0]->text(), QStringLiteral("&Datei"));
  }

  void columnsAndTheWindowComeBackAfterARestart() {
    CGuiHarness gui;
    QVERIFY(gui.Start());
    QRect placed;
    {
      CMainFrame& frame = gui.Frame();
      QHeaderView* header = frame.DownloadPane()->header();
      header->moveSection(header->visualIndex(8), 0);  // URL first
      header->resizeSection(0, 333);
      frame.DownloadPane()->sortByColumn(1, Qt::DescendingOrder);
      frame.move(64, 48);
      frame.resize(800, 500);
      QTRY_COMPARE_WITH_TIMEOUT(frame.geometry().size(), QSize(800, 500), kWait);
      placed = frame.geometry();
      gui.Exit();
    }
    QVERIFY(gui.Restart());
    CMainFrame& frame = gui.Frame();
    QHeaderView* header = frame.DownloadPane()->header();
    QCOMPARE(header->logicalIndex(0), 8);
    QCOMPARE(header->sectionSize(0), 333);
    QCOMPARE(header->sortIndicatorSection(), 1);
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(frame.geometry(), placed);
  }
};

}  // namespace ferrow::test

QTEST_MAIN(ferrow::test::SettingsTest)
#include "gui_settings_test.moc"
