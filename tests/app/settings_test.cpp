#include "app/settings.h"

#include <sys/stat.h>

#include "net/transfer_settings.h"
#include "tests/support/sandbox.h"

namespace ferrow {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

class SettingsTest : public test::SandboxedTest {};

// The stored form of the defaults, key by key in table order.
const char kDefaultFile[] =
    "<Root>\r\n"
    "    <AutoRun>True</AutoRun>\r\n"
    "    <StartQueue>True</StartQueue>\r\n"
    "    <MonitorClipboard>True</MonitorClipboard>\r\n"
    "    <EnableIntegration>True</EnableIntegration>\r\n"
    "    <ExtensionList>EXE ZIP ARJ RAR LHA LZH Z GZ GZIP TGZ TAR MSI MP3 MP2 WMA TIF TIFF AVI MPG "
    "MPEG QT MOV ASF WMV R0* R1* A0* A1*</ExtensionList>\r\n"
    "    <ShowTrayIcon>True</ShowTrayIcon>\r\n"
    "    <OpenProgress>True</OpenProgress>\r\n"
    "    <CloseProgress>False</CloseProgress>\r\n"
    "    <RemoveSuccessful>False</RemoveSuccessful>\r\n"
    "    <LanguageFile>Languages/English.lng</LanguageFile>\r\n"
    "    <MaxDownloads>2</MaxDownloads>\r\n"
    "    <MaxThreads>4</MaxThreads>\r\n"
    "    <SpeedLimit>0</SpeedLimit>\r\n"
    "    <RetryAttempts>30</RetryAttempts>\r\n"
    "    <RetryDelay>10</RetryDelay>\r\n"
    "    <ConnectTimeout>30</ConnectTimeout>\r\n"
    "    <StallTimeout>60</StallTimeout>\r\n"
    "    <HttpProxy>\r\n"
    "        <Enabled>False</Enabled>\r\n"
    "        <Server></Server>\r\n"
    "        <Port>8000</Port>\r\n"
    "        <User></User>\r\n"
    "        <Password></Password>\r\n"
    "    </HttpProxy>\r\n"
    "    <SocksProxy>\r\n"
    "        <Enabled>False</Enabled>\r\n"
    "        <Server></Server>\r\n"
    "        <Port>1080</Port>\r\n"
    "        <User></User>\r\n"
    "        <Password></Password>\r\n"
    "    </SocksProxy>\r\n"
    "    <EmailAddress>user@host</EmailAddress>\r\n"
    "    <UserAgent>Ferrow</UserAgent>\r\n"
    "    <PassiveMode>True</PassiveMode>\r\n"
    "    <DisableCache>True</DisableCache>\r\n"
    "    <UseCookies>True</UseCookies>\r\n"
    "    <SendReferrer>True</SendReferrer>\r\n"
    "    <SiteLogins></SiteLogins>\r\n"
    "    <AutoClose>False</AutoClose>\r\n"
    "    <AutoHangup>False</AutoHangup>\r\n"
    "    <AutoShutdown>False</AutoShutdown>\r\n"
    "    <UseAntivirus>False</UseAntivirus>\r\n"
    "    <ScannerFile></ScannerFile>\r\n"
    "    <ScannerArguments></ScannerArguments>\r\n"
    "    <EnableSounds>False</EnableSounds>\r\n"
    "    <SoundFiles>\r\n"
    "        <Sound>\r\n"
    "            <Event>0</Event>\r\n"
    "            <File>Sounds/Added.wav</File>\r\n"
    "        </Sound>\r\n"
    "        <Sound>\r\n"
    "            <Event>1</Event>\r\n"
    "            <File>Sounds/Started.wav</File>\r\n"
    "        </Sound>\r\n"
    "        <Sound>\r\n"
    "            <Event>2</Event>\r\n"
    "            <File>Sounds/Completed.wav</File>\r\n"
    "        </Sound>\r\n"
    "        <Sound>\r\n"
    "            <Event>3</Event>\r\n"
    "            <File>Sounds/Error.wav</File>\r\n"
    "        </Sound>\r\n"
    "        <Sound>\r\n"
    "            <Event>4</Event>\r\n"
    "            <File>Sounds/Finished.wav</File>\r\n"
    "        </Sound>\r\n"
    "        <Sound>\r\n"
    "            <Event>5</Event>\r\n"
    "            <File>Sounds/Login.wav</File>\r\n"
    "        </Sound>\r\n"
    "        <Sound>\r\n"
    "            <Event>6</Event>\r\n"
    "            <File>Sounds/Close.wav</File>\r\n"
    "        </Sound>\r\n"
    "        <Sound>\r\n"
    "            <Event>7</Event>\r\n"
    "            <File>Sounds/Hangup.wav</File>\r\n"
    "        </Sound>\r\n"
    "        <Sound>\r\n"
    "            <Event>8</Event>\r\n"
    "            <File>Sounds/Shutdown.wav</File>\r\n"
    "        </Sound>\r\n"
    "    </SoundFiles>\r\n"
    "</Root>\r\n";

TEST_F(SettingsTest, ConstructedIsZeroAndDefaultsAreStoredKeyByKeyInOrder) {
  CSettings settings;
  EXPECT_FALSE(settings.m_autoRun);
  EXPECT_EQ(settings.m_maxThreads, 0);
  EXPECT_TRUE(settings.m_extensionList.empty());
  EXPECT_EQ(settings.m_soundFiles.GetCount(), 0u);

  settings.m_languageFile = L"Languages/English.lng";
  settings.SetDefaults();
  EXPECT_EQ(std::wstring(CSettings::kDefaultExtensionList).size(), 110u);
  ASSERT_TRUE(settings.Save());
  EXPECT_EQ(CSettings::GetPath(), DataHome() / "Brennick" / "Ferrow" / "Settings.xml");
  EXPECT_EQ(ReadFileBytes(CSettings::GetPath()), kDefaultFile);

  struct stat info {};
  ASSERT_EQ(stat(CSettings::GetPath().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);  // it holds passwords

  CSettings loaded;
  ASSERT_TRUE(loaded.Load());
  EXPECT_EQ(loaded.m_httpProxy.m_port, 8000);
  EXPECT_EQ(loaded.m_socksProxy.m_port, 1080);
  EXPECT_EQ(loaded.m_retryAttempts, 30);
  EXPECT_TRUE(loaded.m_sendReferrer);
  EXPECT_EQ(loaded.m_soundFiles.GetFiles(), settings.m_soundFiles.GetFiles());
}

TEST_F(SettingsTest, MissingKeysKeepTheirValueSoMaxThreadsLoadsZero) {
  std::string text = kDefaultFile;
  text.erase(text.find("    <MaxThreads>"),
             std::string("    <MaxThreads>4</MaxThreads>\r\n").size());
  text.replace(text.find("<MaxDownloads>2<"), 16, "<MaxDownloads>9<");
  text.replace(text.find("<AutoClose>False<"), 17, "<AutoClose>true<");
  text.insert(text.find("    <AutoHangup>"), "    <Unknown>ignored</Unknown>\r\n");
  // A file written before the time-outs existed.
  for (const char* key : {"ConnectTimeout", "StallTimeout"}) {
    size_t begin = text.find(std::string("    <") + key + ">");
    text.erase(begin, text.find('\n', begin) + 1 - begin);
  }
  std::filesystem::create_directories(CSettings::GetPath().parent_path());
  WriteFileBytes(CSettings::GetPath(), text);

  CSettings settings;
  ASSERT_TRUE(settings.Load());
  CTransferSettings transfer;
  settings.CopyTo(transfer);
  EXPECT_EQ(transfer.GetConnectTimeout(), 30000u);
  EXPECT_EQ(transfer.GetStallTimeout(), 60000u);
  EXPECT_EQ(settings.m_maxThreads, 0);
  EXPECT_EQ(settings.m_maxDownloads, 9);
  EXPECT_TRUE(settings.m_autoClose);
  EXPECT_EQ(settings.m_retryDelay, 10);
  EXPECT_EQ(settings.m_scannerFile, L"");
}

TEST_F(SettingsTest, SetDefaultsKeepsTheLanguageAndResetsLoginsAndSounds) {
  CSettings settings;
  settings.m_languageFile = L"Languages/German.lng";
  settings.m_siteLogins.SetLogin(L"ftp.example.com", L"me", L"secret", true);
  settings.m_soundFiles.SetAt(42, L"/tmp/x.wav");
  settings.SetDefaults();
  EXPECT_EQ(settings.m_languageFile, L"Languages/German.lng");
  EXPECT_TRUE(settings.m_siteLogins.empty());
  EXPECT_EQ(settings.m_soundFiles.GetCount(), 9u);
  std::wstring file;
  EXPECT_FALSE(settings.m_soundFiles.Lookup(42, file));
  EXPECT_TRUE(settings.m_soundFiles.Lookup(8, file));
  EXPECT_EQ(file, L"Sounds/Shutdown.wav");
}

TEST_F(SettingsTest, StoredSoundListReplacesTheWholeMap) {
  std::string text = kDefaultFile;
  size_t begin = text.find("    <SoundFiles>");
  size_t end = text.find("</Root>");
  text.replace(begin, end - begin,
               "    <SoundFiles>\r\n        <Sound>\r\n            <Event>3</Event>\r\n"
               "            <File>C:\\beep.wav</File>\r\n        </Sound>\r\n"
               "        <Sound>\r\n            <File>no event</File>\r\n        </Sound>\r\n"
               "    </SoundFiles>\r\n");
  std::filesystem::create_directories(CSettings::GetPath().parent_path());
  WriteFileBytes(CSettings::GetPath(), text);
  CSettings settings;
  settings.SetDefaults();
  ASSERT_TRUE(settings.Load());
  EXPECT_EQ(settings.m_soundFiles.GetCount(), 1u);
  std::wstring file;
  EXPECT_TRUE(settings.m_soundFiles.Lookup(3, file));
  EXPECT_EQ(file, L"C:\\beep.wav");
  EXPECT_EQ(settings.m_soundFiles[5], L"");  // asking adds an empty entry
  EXPECT_EQ(settings.m_soundFiles.GetCount(), 2u);
}

TEST_F(SettingsTest, OnlyKeptLoginsAreStoredAndCopiesAreDeep) {
  CSettings live;
  live.SetDefaults();
  live.m_siteLogins.SetLogin(L"kept.example", L"u1", L"p1", true);
  live.m_siteLogins.SetLogin(L"session.example", L"u2", L"p2", false);
  live.m_httpProxy.m_server = L"proxy";
  ASSERT_TRUE(live.Save());
  std::string stored = ReadFileBytes(CSettings::GetPath());
  EXPECT_NE(stored.find("kept.example"), std::string::npos);
  EXPECT_EQ(stored.find("session.example"), std::string::npos);

  CSettings edited;
  edited = live;
  edited.m_httpProxy.m_server = L"other";
  edited.m_siteLogins.clear();
  edited.m_soundFiles.SetAt(0, L"changed.wav");
  EXPECT_EQ(live.m_httpProxy.m_server, L"proxy");
  EXPECT_EQ(live.m_siteLogins.size(), 2u);
  EXPECT_EQ(live.m_soundFiles[0], L"Sounds/Added.wav");
  live = edited;
  EXPECT_EQ(live.m_httpProxy.m_server, L"other");
  EXPECT_TRUE(live.m_siteLogins.empty());
}

TEST_F(SettingsTest, CopyToFillsEveryNetworkSetting) {
  CSettings settings;
  settings.SetDefaults();
  settings.m_siteLogins.SetLogin(L"host", L"user", L"pw", true);
  settings.m_socksProxy.m_enabled = true;
  settings.m_socksProxy.m_server = L"socks";
  settings.m_emailAddress = L"me@example.com";
  settings.m_maxThreads = 8;
  settings.m_speedLimit = 120;
  settings.m_passiveMode = false;
  settings.m_useCookies = false;
  CTransferSettings transfer;
  settings.CopyTo(transfer);
  ASSERT_EQ(transfer.GetSiteLogins().size(), 1u);
  EXPECT_EQ(transfer.GetSiteLogins()[0].m_password, L"pw");
  EXPECT_EQ(transfer.GetHttpProxy().m_port, 8000);
  EXPECT_TRUE(transfer.GetSocksProxy().m_enabled);
  EXPECT_EQ(transfer.GetSocksProxy().m_server, L"socks");
  EXPECT_EQ(transfer.GetEmailAddress(), L"me@example.com");
  EXPECT_EQ(transfer.GetUserAgent(), L"Ferrow");
  EXPECT_EQ(transfer.GetMaxThreads(), 8);
  EXPECT_EQ(transfer.GetRetryAttempts(), 30);
  EXPECT_EQ(transfer.GetRetryDelay(), 10);
  EXPECT_EQ(transfer.GetSpeedLimit(), 120u);
  EXPECT_FALSE(transfer.GetPassiveMode());
  EXPECT_TRUE(transfer.GetDisableCache());
  EXPECT_FALSE(transfer.GetUseCookies());
  EXPECT_TRUE(transfer.GetSendReferrer());

  settings.m_speedLimit = -5;  // a hand-edited file: no limit
  settings.CopyTo(transfer);
  EXPECT_EQ(transfer.GetSpeedLimit(), 0u);
}

}  // namespace
}  // namespace ferrow
