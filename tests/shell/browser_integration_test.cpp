#include "shell/browser_integration.h"

#include "app/application_data.h"
#include "l10n/message_ui.h"
#include "l10n/resource_manager.h"
#include "platform/registry_file.h"
#include "platform/text.h"
#include "tests/plugins/fake_main_program.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

class RecordingUi : public CMessageUi {
 public:
  void ShowMessage(const std::wstring& text) override { messages.push_back(text); }
  bool AskYesNo(const std::wstring&) override { return false; }
  std::vector<std::wstring> messages;
};

class BrowserIntegrationTest : public test::SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    ASSERT_TRUE(m_resources.LoadText("[StringTable]\n3006=Cannot use %s.\n"));
    m_resources.SetMessageUi(&m_ui);
  }

  CResourceManager m_resources;
  RecordingUi m_ui;
};

TEST_F(BrowserIntegrationTest, SwitchesThePluginAndTheTrayCommandStoresItsState) {
  test::FakeMainProgram program(SandboxDir() / "app");
  program.Register();
  CBrowserIntegration integration(&m_resources, LocalToWide(FERROW_TAVIL_LIBRARY));
  EXPECT_EQ(integration.Apply(true), 1);
  EXPECT_EQ(integration.Call(CBrowserIntegration::Export::kIsPluginEnabled), 1);
  CSettings settings;
  settings.m_enableIntegration = true;
  EXPECT_FALSE(integration.Toggle(settings.m_enableIntegration));
  EXPECT_FALSE(settings.m_enableIntegration);
  EXPECT_EQ(integration.Call(CBrowserIntegration::Export::kIsPluginEnabled), 0);
  EXPECT_TRUE(integration.Toggle(settings.m_enableIntegration));

  // The settings' apply step runs the integration with "EnableIntegration".
  CApplicationData data;
  data.m_settings.m_enableIntegration = false;
  data.ApplyRegistrySettings(L"/usr/bin/ferrow", [&](bool on) { integration.Apply(on); });
  EXPECT_EQ(integration.Call(CBrowserIntegration::Export::kIsPluginEnabled), 0);
  EXPECT_TRUE(m_ui.messages.empty());

  // Without "AppPath" the plug-in refuses: the setting follows what it reports.
  RegistryDeleteValue(RegistryHive::kLocalMachine, L"Software\\Brennick\\Ferrow",
                      std::wstring(L"AppPath"));
  settings.m_enableIntegration = false;
  EXPECT_FALSE(integration.Toggle(settings.m_enableIntegration));
}

TEST_F(BrowserIntegrationTest, MissingLibraryOrExportIsReportedWithThePath) {
  const std::wstring missing = LocalToWide((SandboxDir() / "nowhere" / "Tavil.so").string());
  EXPECT_EQ(CBrowserIntegration(&m_resources, missing).Apply(true), 0);
  // A library without the exports (the other plug-in).
  const std::wstring other = LocalToWide(FERROW_RUMEX_LIBRARY);
  EXPECT_EQ(
      CBrowserIntegration(&m_resources, other).Call(CBrowserIntegration::Export::kIsPluginEnabled),
      0);
  EXPECT_EQ(m_ui.messages, (std::vector<std::wstring>{L"Cannot use " + missing + L".",
                                                      L"Cannot use " + other + L"."}));
  // A bare name is not looked up in the library path.
  EXPECT_EQ(CBrowserIntegration(nullptr, L"libc.so.6").Apply(true), 0);
}

}  // namespace
}  // namespace ferrow
