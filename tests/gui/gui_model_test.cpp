// The download list model follows the core's change reports row by row: a changed row is
// repainted alone (the cells that changed), neighbouring rows in one signal, the whole range once
// more than half of the rows changed; added rows come at the bottom and removed ones go where they
// are.
#include <QSignalSpy>
#include <QTest>

#include "app/ferrow_app.h"
#include "gui/download_model.h"
#include "l10n/resource_manager.h"
#include "shell/shell_front_end.h"
#include "tests/gui/gui_harness.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_transfer.h"

namespace ferrow::test {

class ModelTest : public QObject {
  Q_OBJECT

 private:
  struct NoFrontEnd : IShellFrontEnd {
    void ShowStartupError(const std::wstring&) override {}
  };
  struct Forward : ICoreListener {
    CDownloadModel* model = nullptr;
    void OnDownloadsChanged(const DownloadChanges& changes) override {
      model->ApplyChanges(changes);
    }
  };

 private slots:
  void onlyChangedRowsAreRepainted() {
    CGuiHarness sandbox;  // folders of its own; the application here runs in memory
    NoFrontEnd frontEnd;
    FakeClock clock;
    FakeTransferFactory factory;
    CFerrowApp::Options options;
    options.transferFactory = &factory;
    options.clock = &clock;
    CFerrowApp app(frontEnd, CResourceManager::Instance(), options);
    CSettings settings;
    settings.SetDefaults();
    settings.m_startQueue = false;
    settings.m_maxDownloads = 10;
    QVERIFY(app.StartInMemory(settings));
    for (int i = 0; i < 6; ++i)
      app.AddDownload({L"http://127.0.0.1:9/" + std::to_wstring(i), Guid(),
                       L"/tmp/f" + std::to_wstring(i), L""});
    CDownloadModel model(app);
    Forward forward;
    forward.model = &model;
    app.AddListener(&forward);
    QCOMPARE(model.rowCount(), 6);
    const auto tick = [&] {
      clock.AdvanceMilliseconds(100);
      app.Poll();
    };
    tick();
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    factory.At(4)->SetProgress(100, 1000);
    tick();
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed[0][0].toModelIndex().row(), 4);
    QCOMPARE(changed[0][1].toModelIndex().row(), 4);
    // Only the figures' cells: the name, URL and folder are not painted again.
    QVERIFY(changed[0][0].toModelIndex().column() > int(DownloadColumn::kName));
    QVERIFY(changed[0][1].toModelIndex().column() < int(DownloadColumn::kUrl));
    QCOMPARE(model.At(4)->record.m_done, uint64_t{100});
    tick();
    QCOMPARE(changed.size(), 1);  // nothing moved: nothing repainted

    factory.At(1)->SetProgress(10, 1000);
    factory.At(2)->SetProgress(10, 1000);
    factory.At(5)->SetProgress(10, 1000);
    changed.clear();
    tick();
    QCOMPARE(model.GetLastRepaintedRows(), 3);
    QCOMPARE(changed.size(), 2);  // rows 1 and 2 together, row 5 alone
    QCOMPARE(changed[0][0].toModelIndex().row(), 1);
    QCOMPARE(changed[0][1].toModelIndex().row(), 2);

    for (int i = 0; i < 4; ++i) factory.At(i)->SetProgress(500, 1000);
    changed.clear();
    tick();
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed[0][0].toModelIndex().row(), 0);
    QCOMPARE(changed[0][1].toModelIndex().row(), 5);

    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    const Guid third = model.At(2)->record.m_id;
    const Guid fourth = model.At(3)->record.m_id;
    QVERIFY(app.DeleteDownload(third));
    QCOMPARE(removed.size(), 1);
    QCOMPARE(removed[0][1].toInt(), 2);
    QCOMPARE(model.rowCount(), 5);
    QCOMPARE(model.At(2)->record.m_id, fourth);
    app.AddDownload({L"http://127.0.0.1:9/new", Guid(), L"/tmp/new", L""});
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(inserted[0][1].toInt(), 5);
    QCOMPARE(model.RowOf(fourth), 2);
    app.RemoveListener(&forward);
  }
};

}  // namespace ferrow::test

QTEST_MAIN(ferrow::test::ModelTest)
#include "gui_model_test.moc"
