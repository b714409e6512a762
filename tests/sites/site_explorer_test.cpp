#include "sites/site_explorer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/settings.h"
#include "net/internet_client.h"
#include "platform/text.h"
#include "sites/folder_path.h"
#include "sites/listing_printer.h"
#include "tests/net/loopback.h"
#include "tests/support/ftp_server.h"
#include "tests/support/sandbox.h"
#include "tests/support/scripted_server.h"
#include "tests/support/wait_until.h"

namespace ferrow {
namespace {

using Events = std::vector<uint32_t>;

// ---------------------------------------------------------------------------------------------
// Folder path rules

TEST(FolderPathTest, ParentNameAndAbsoluteMoves) {
  struct Case {
    const wchar_t* path;
    const wchar_t* name;
    const wchar_t* expected;
  };
  for (const Case& c : {
           Case{L"/pub/linux/", L"..", L"/pub"},
           Case{L"/pub", L"..", L"/"},
           Case{L"/", L"..", L"/"},
           Case{L"", L"..", L"/"},
           Case{L"pub", L"..", L"/"},  // no "/" at all
           Case{L"/", L"x", L"/x"},
           Case{L"/pub", L"x", L"/pub/x"},
           Case{L"/pub//", L"My Folder", L"/pub/My Folder"},
           Case{L"/pub", L"", L"/pub"},  // refresh
           Case{L"/pub/linux", L"/", L"/"},
           Case{L"/pub/linux", L"/etc", L"/etc"},
       }) {
    EXPECT_EQ(NextFolderPath(c.path, c.name), c.expected) << c.path << " + " << c.name;
  }
}

TEST(FolderPathTest, LineBreaksAndNulAreNotSafe) {
  EXPECT_TRUE(IsSafeFolderText(L"/pub/a b\tc"));
  EXPECT_FALSE(IsSafeFolderText(L"x\r\nDELE y"));
  EXPECT_FALSE(IsSafeFolderText(L"x\nDELE y"));
  EXPECT_FALSE(IsSafeFolderText(std::wstring(L"x\0y", 3)));
}

// ---------------------------------------------------------------------------------------------
// Helpers shared by the tests below

// Records what a view would see.
class RecordingView : public ISiteExplorerListener {
 public:
  void OnExplorerEvent(uint32_t event) override {
    m_events.push_back(event);
    if (m_onEvent) m_onEvent(event);
  }
  // The explorer's own events (10 to 14), without log and client status events.
  Events ExplorerEvents() const {
    Events result;
    for (uint32_t e : m_events) {
      if (e >= ExplorerEvent::kConnecting && e <= ExplorerEvent::kListing) result.push_back(e);
    }
    return result;
  }
  size_t Count(uint32_t event) const {
    return static_cast<size_t>(std::count(m_events.begin(), m_events.end(), event));
  }
  void Clear() { m_events.clear(); }
  const Events& All() const { return m_events; }
  std::function<void(uint32_t)> m_onEvent;

 private:
  Events m_events;
};

// Drives the explorer's timer until the view has seen the event count times (a guard against a
// hang, not a speed check).
bool PumpUntil(CSiteExplorer& explorer, const RecordingView& view, uint32_t event,
               size_t count = 1) {
  return test::WaitUntil([&] {
    explorer.OnTimer();
    return view.Count(event) >= count;
  });
}

std::vector<std::wstring> Names(const CFileListing& listing) {
  std::vector<std::wstring> names;
  for (const CEntryInfo& entry : listing) names.push_back(entry.GetName());
  return names;
}

// The explorer's own log lines as "kind/number/argument/extra", the client's as "<" and ">".
std::vector<std::string> OwnLines(const std::vector<CLogInfo>& lines) {
  std::vector<std::string> own;
  for (const CLogInfo& line : lines) {
    if (line.Kind() == LogKind::kSent || line.Kind() == LogKind::kReceived) continue;
    own.push_back(std::to_string(LogKindNumber(line.Kind())) + "/" + std::to_string(line.Number()) +
                  "/" + WideToUtf8(line.Argument()) + "/" + std::to_string(line.Extra()));
  }
  return own;
}

// ---------------------------------------------------------------------------------------------
// A scripted client: connects its control socket to a loopback listener that never answers, so
// the explorer sees a real open connection that a stop can break, and serves folders from a
// table.

struct FakeSite {
  std::mutex lock;
  std::map<std::wstring, std::vector<std::wstring>> folders;
  bool refuseLogin = false;
  bool dropOnNextList = false;   // the control connection breaks during the next listing
  bool blockOnNextList = false;  // the next listing blocks in a receive on the control socket
  int logins = 0;
  std::vector<std::wstring> listed;
};

class FakeClient : public CInternetClient {
 public:
  FakeClient(const CClientContext& context, FakeSite& site)
      : CInternetClient(context), m_site(site) {}

  bool Login() override {
    std::lock_guard<std::mutex> lock(m_site.lock);
    ++m_site.logins;
    if (!m_site.refuseLogin) return true;
    ReportError(MakeError(kCategoryFtp, 530));
    return false;
  }

  bool ListDirectory(CFileListing& listing) override {
    listing.Clear();
    bool drop = false;
    bool block = false;
    std::vector<std::wstring> names;
    bool found = false;
    {
      std::lock_guard<std::mutex> lock(m_site.lock);
      m_site.listed.push_back(m_url.Path());
      std::swap(drop, m_site.dropOnNextList);
      std::swap(block, m_site.blockOnNextList);
      auto it = m_site.folders.find(m_url.Path());
      if (it != m_site.folders.end()) {
        found = true;
        names = it->second;
      }
    }
    if (block) {
      char byte = 0;
      m_socket.Receive(&byte, 1);  // the listener never sends: only a stop ends this
      return false;
    }
    if (drop) {
      ReportError(MakeError(kCategorySocket, SocketCode::kConnectionReset));
      m_socket.Close();
      return false;
    }
    if (!found) {
      ReportError(MakeError(kCategoryFtp, 550));
      return false;
    }
    listing.Add(CEntryInfo(L"..", CEntryInfo::kTypeDirectory));
    for (const std::wstring& name : names) listing.Add(CEntryInfo(name, CEntryInfo::kTypeFile));
    return true;
  }

 private:
  FakeSite& m_site;
};

class SiteExplorerFakeTest : public test::SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    m_settings.SetDefaults();
    m_site.folders[L"/"] = {L"a.txt", L"pub"};
    m_site.folders[L"/pub"] = {L"b.txt"};
    m_site.folders[L"/pub/x"] = {};
    m_explorer = std::make_unique<CSiteExplorer>(m_settings, [this](const CClientContext& c) {
      return std::make_unique<FakeClient>(c, m_site);
    });
    m_explorer->AddView(&m_view);
    m_url = L"ftp://127.0.0.1:" + std::to_wstring(m_listener.Port()) + L"/";
  }
  void TearDown() override {
    m_explorer.reset();
    SandboxedTest::TearDown();
  }

  // Connects and waits for the first listing to be done.
  void ConnectAndWait(const std::wstring& path = L"/") {
    m_explorer->Connect(m_url.substr(0, m_url.size() - 1) + path);
    ASSERT_TRUE(PumpUntil(*m_explorer, m_view, ExplorerEvent::kIdle));
  }
  // Changes folder and waits for the worker to be idle again.
  void ChangeAndWait(const std::wstring& name) {
    const size_t idle = m_view.Count(ExplorerEvent::kIdle);
    ASSERT_TRUE(m_explorer->ChangeFolder(name));
    ASSERT_TRUE(PumpUntil(*m_explorer, m_view, ExplorerEvent::kIdle, idle + 1));
  }

  test::LoopbackListener m_listener{64};
  CSettings m_settings;
  FakeSite m_site;
  RecordingView m_view;
  std::unique_ptr<CSiteExplorer> m_explorer;
  std::wstring m_url;
};

TEST_F(SiteExplorerFakeTest, EventsWaitForTheTimerAndComeInOrder) {
  m_explorer->Connect(m_url);
  // Nothing reaches a view except through the timer.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_TRUE(m_view.All().empty());
  ASSERT_TRUE(PumpUntil(*m_explorer, m_view, ExplorerEvent::kIdle));
  EXPECT_EQ(m_view.ExplorerEvents(), (Events{10, 12, 12, 14, 13}));
  // The start line comes after "connecting" and "busy", before the listing.
  const Events& all = m_view.All();
  EXPECT_EQ(std::vector<uint32_t>(all.begin(), all.begin() + 3), (Events{10, 12, 5}));
  EXPECT_EQ(OwnLines(m_explorer->GetLog()),
            (std::vector<std::string>{"0/1/127.0.0.1/" + std::to_string(m_listener.Port())}));
  EXPECT_EQ(Names(m_explorer->GetListing()), (std::vector<std::wstring>{L"..", L"a.txt", L"pub"}));
  EXPECT_TRUE(m_explorer->IsRunning());
  EXPECT_EQ(m_explorer->GetSiteAddress(), m_url);
}

TEST_F(SiteExplorerFakeTest, AFirstFolderThatCantBeListedStaysAsGiven) {
  ConnectAndWait(L"/missing");
  EXPECT_EQ(m_view.ExplorerEvents(), (Events{10, 12, 12, 13}));
  EXPECT_EQ(m_explorer->GetPath(), L"/missing");
  EXPECT_TRUE(m_explorer->GetListing().IsEmpty());
  ChangeAndWait(L"..");
  EXPECT_EQ(m_explorer->GetPath(), L"/");
}

TEST_F(SiteExplorerFakeTest, LoginFailureEndsWithAFailureLine) {
  m_site.refuseLogin = true;
  m_explorer->Connect(m_url);
  ASSERT_TRUE(PumpUntil(*m_explorer, m_view, ExplorerEvent::kEnded));
  EXPECT_EQ(m_view.ExplorerEvents(), (Events{10, 12, 11}));
  const std::string port = std::to_string(m_listener.Port());
  EXPECT_EQ(OwnLines(m_explorer->GetLog()),
            (std::vector<std::string>{"0/1/127.0.0.1/" + port,
                                      "3/3//" + std::to_string(MakeError(kCategoryFtp, 530))}));
  EXPECT_FALSE(m_explorer->IsRunning());
}

TEST_F(SiteExplorerFakeTest, ABrokenConnectionEndsAndTheNextChangeReconnectsWhereTheUserWas) {
  ConnectAndWait();
  ChangeAndWait(L"pub");
  {
    std::lock_guard<std::mutex> lock(m_site.lock);
    m_site.dropOnNextList = true;
  }
  m_view.Clear();
  m_explorer->GetLog();
  ASSERT_TRUE(m_explorer->ChangeFolder(L"x"));
  ASSERT_TRUE(PumpUntil(*m_explorer, m_view, ExplorerEvent::kEnded));
  EXPECT_EQ(m_view.ExplorerEvents(), (Events{12, 11}));
  const std::string reset =
      std::to_string(MakeError(kCategorySocket, SocketCode::kConnectionReset));
  EXPECT_EQ(OwnLines(m_explorer->GetLog()), (std::vector<std::string>{"3/3//" + reset}));
  // The folder that failed is given up; the one shown stays.
  EXPECT_EQ(m_explorer->GetPath(), L"/pub");
  EXPECT_EQ(Names(m_explorer->GetListing()), (std::vector<std::wstring>{L"..", L"b.txt"}));
  EXPECT_FALSE(m_explorer->IsRunning());

  m_view.Clear();
  ASSERT_TRUE(m_explorer->ChangeFolder(L"x"));
  EXPECT_TRUE(m_explorer->IsRunning());
  ASSERT_TRUE(PumpUntil(*m_explorer, m_view, ExplorerEvent::kIdle));
  EXPECT_EQ(m_view.ExplorerEvents(), (Events{10, 12, 12, 14, 13}));
  EXPECT_EQ(m_explorer->GetPath(), L"/pub/x");
  std::lock_guard<std::mutex> lock(m_site.lock);
  EXPECT_EQ(m_site.logins, 2);
  // Listed once on reconnecting, not once more for the change itself.
  EXPECT_EQ(m_site.listed.back(), L"/pub/x");
  EXPECT_EQ(std::count(m_site.listed.begin(), m_site.listed.end(), L"/pub/x"), 2);
}

TEST_F(SiteExplorerFakeTest, StopEndsAnIdleWorkerAsStopped) {
  ConnectAndWait();
  m_explorer->GetLog();
  m_explorer->Stop();
  EXPECT_FALSE(m_explorer->IsRunning());
  ASSERT_TRUE(PumpUntil(*m_explorer, m_view, ExplorerEvent::kEnded));
  EXPECT_EQ(OwnLines(m_explorer->GetLog()), (std::vector<std::string>{"0/2//0"}));
  // Stopping again, or with nothing running, does nothing.
  m_explorer->Stop();
  m_explorer->OnTimer();
  EXPECT_EQ(m_view.Count(ExplorerEvent::kEnded), 1u);
}

TEST_F(SiteExplorerFakeTest, StopBreaksAListingBlockedInAReceive) {
  ConnectAndWait();
  {
    std::lock_guard<std::mutex> lock(m_site.lock);
    m_site.blockOnNextList = true;
  }
  ASSERT_TRUE(m_explorer->ChangeFolder(L"pub"));
  // Wait until the worker is inside the listing.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    {
      std::lock_guard<std::mutex> lock(m_site.lock);
      if (!m_site.blockOnNextList) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  m_explorer->GetLog();
  m_explorer->Stop();
  ASSERT_TRUE(PumpUntil(*m_explorer, m_view, ExplorerEvent::kEnded));
  EXPECT_EQ(OwnLines(m_explorer->GetLog()), (std::vector<std::string>{"0/2//0"}));
  EXPECT_EQ(m_explorer->GetPath(), L"/");  // the folder never listed is given up
}

TEST_F(SiteExplorerFakeTest, NamesThatWouldBreakTheCommandLineAreRefused) {
  ConnectAndWait();
  EXPECT_FALSE(m_explorer->ChangeFolder(L"pub\r\nDELE a.txt"));
  EXPECT_FALSE(m_explorer->ChangeFolder(L"pub\nDELE a.txt"));
  EXPECT_EQ(m_explorer->GetPath(), L"/");
  // A URL with such a path starts at the top instead.
  m_explorer->Connect(m_url + L"pub\nDELE a.txt");
  EXPECT_EQ(m_explorer->GetPath(), L"/");
}

TEST_F(SiteExplorerFakeTest, ChangeFolderWithoutAnySiteDoesNothing) {
  EXPECT_FALSE(m_explorer->ChangeFolder(L"pub"));
  EXPECT_FALSE(m_explorer->IsRunning());
}

TEST_F(SiteExplorerFakeTest, ViewsCanLeaveDuringADelivery) {
  RecordingView second;
  m_view.m_onEvent = [&](uint32_t) { m_explorer->RemoveView(&second); };
  m_explorer->AddView(&second);
  m_explorer->AddView(&second);  // registered once only
  ConnectAndWait();
  // The first view removed the second before the first event reached it.
  EXPECT_TRUE(second.All().empty());
  EXPECT_FALSE(m_view.All().empty());
}

// ---------------------------------------------------------------------------------------------
// Against real servers

class SiteExplorerServerTest : public test::SandboxedTest {
 protected:
  void SetUp() override {
    SandboxedTest::SetUp();
    m_settings.SetDefaults();
  }
  CSettings m_settings;
};

void MakeTree(const std::filesystem::path& root) {
  test::WriteFileBytes(root / "a.txt", "hello");
  std::filesystem::create_directories(root / "sub" / "deeper");
  test::WriteFileBytes(root / "sub" / "b.bin", std::string(1234, 'b'));
}

TEST_F(SiteExplorerServerTest, BrowsesARealServer) {
  test::FtpServer ftp;
  FERROW_START_OR_SKIP(ftp);
  MakeTree(ftp.Root());

  CSiteExplorer explorer(m_settings);
  RecordingView view;
  RecordingView whole;  // never cleared
  explorer.AddView(&view);
  explorer.AddView(&whole);
  explorer.Connect(Utf8ToWide(ftp.Url("/")));
  ASSERT_TRUE(PumpUntil(explorer, view, ExplorerEvent::kIdle));
  EXPECT_EQ(view.ExplorerEvents(), (Events{10, 12, 12, 14, 13}));
  EXPECT_EQ(explorer.GetPath(), L"/");
  CFileListing root = explorer.GetListing();
  std::vector<std::wstring> names = Names(root);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0], L"..");
  std::sort(names.begin() + 1, names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"..", L"a.txt", L"sub"}));

  // Into a folder...
  view.Clear();
  ASSERT_TRUE(explorer.ChangeFolder(L"sub"));
  ASSERT_TRUE(PumpUntil(explorer, view, ExplorerEvent::kIdle));
  EXPECT_EQ(view.ExplorerEvents(), (Events{12, 14, 13}));
  EXPECT_EQ(explorer.GetPath(), L"/sub");
  names = Names(explorer.GetListing());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"..", L"b.bin", L"deeper"}));
  for (const CEntryInfo& entry : explorer.GetListing()) {
    if (entry.GetName() == L"b.bin") {
      EXPECT_EQ(entry.GetSize(), 1234);
      EXPECT_EQ(entry.GetType(), CEntryInfo::kTypeFile);
    }
  }

  // ...a refused one leaves path and listing as they were...
  const std::vector<std::wstring> shown = Names(explorer.GetListing());
  view.Clear();
  ASSERT_TRUE(explorer.ChangeFolder(L"no-such-folder"));
  ASSERT_TRUE(PumpUntil(explorer, view, ExplorerEvent::kIdle));
  EXPECT_EQ(view.ExplorerEvents(), (Events{12, 13}));
  EXPECT_EQ(explorer.GetPath(), L"/sub");
  EXPECT_EQ(Names(explorer.GetListing()), shown);

  // ...and back up.
  view.Clear();
  ASSERT_TRUE(explorer.ChangeFolder(L".."));
  ASSERT_TRUE(PumpUntil(explorer, view, ExplorerEvent::kIdle));
  EXPECT_EQ(view.ExplorerEvents(), (Events{12, 14, 13}));
  EXPECT_EQ(explorer.GetPath(), L"/");
  EXPECT_EQ(Names(explorer.GetListing()), Names(root));

  explorer.Stop();
  ASSERT_TRUE(PumpUntil(explorer, view, ExplorerEvent::kEnded));
  EXPECT_FALSE(explorer.IsRunning());

  // The protocol and the explorer's own lines, in order, each announced by one event.
  const std::vector<CLogInfo> log = explorer.GetLog();
  EXPECT_EQ(whole.Count(ExplorerEvent::kLog), log.size());
  std::vector<std::string> commands;
  for (const CLogInfo& line : log) {
    if (line.Kind() == LogKind::kSent) commands.push_back(WideToUtf8(line.Text()));
  }
  const auto sentIndex = [&](const std::string& prefix) {
    auto it = std::find_if(commands.begin(), commands.end(),
                           [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
    return it - commands.begin();
  };
  EXPECT_LT(sentIndex("USER"), sentIndex("CWD /sub"));
  EXPECT_LT(sentIndex("CWD /sub"), sentIndex("CWD /sub/no-such-folder"));
  EXPECT_LT(sentIndex("CWD /sub/no-such-folder"), static_cast<long>(commands.size()));
  const std::vector<std::string> own = OwnLines(log);
  ASSERT_FALSE(own.empty());
  EXPECT_EQ(own.front(), "0/1/127.0.0.1/" + std::to_string(ftp.Port()));
  EXPECT_EQ(own.back(), "0/2//0");
  EXPECT_EQ(own.size(), 2u);  // a refused folder is no failure of the connection
}

TEST_F(SiteExplorerServerTest, StopEndsAWorkerBlockedOnASilentServerAndTheNextChangeReconnects) {
  test::ScriptedServer stalled("fault_ftp", {"--stall"});
  FERROW_START_OR_SKIP(stalled);
  CSiteExplorer explorer(m_settings);
  RecordingView view;
  explorer.AddView(&view);
  explorer.Connect(Utf8ToWide(stalled.Url("/")));
  // Wait until the server has the connection; the worker then waits for a greeting that never
  // comes.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (stalled.LogLines("CONNECT").empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_FALSE(stalled.LogLines("CONNECT").empty());
  explorer.Stop();  // returns only once the worker has ended
  EXPECT_FALSE(explorer.IsRunning());
  ASSERT_TRUE(PumpUntil(explorer, view, ExplorerEvent::kEnded));
  EXPECT_EQ(view.ExplorerEvents(), (Events{10, 12, 11}));
  const std::vector<std::string> own = OwnLines(explorer.GetLog());
  ASSERT_EQ(own.size(), 2u);
  EXPECT_EQ(own.back(), "0/2//0");

  // The server now answers; the next change of folder connects again.
  ASSERT_TRUE(stalled.Restart({}));
  view.Clear();
  ASSERT_TRUE(explorer.ChangeFolder(L""));
  ASSERT_TRUE(PumpUntil(explorer, view, ExplorerEvent::kIdle));
  EXPECT_EQ(view.ExplorerEvents(), (Events{10, 12, 12, 14, 13}));
  EXPECT_EQ(stalled.LogLines("COMMAND 1 USER").size(), 1u);
}

TEST_F(SiteExplorerServerTest, NetworkSettingsAreTakenAtEachConnect) {
  test::FtpServer ftp;
  FERROW_START_OR_SKIP(ftp);
  MakeTree(ftp.Root());
  CSiteExplorer explorer(m_settings);
  RecordingView view;
  explorer.AddView(&view);

  m_settings.m_passiveMode = false;
  explorer.Connect(Utf8ToWide(ftp.Url("/")));
  ASSERT_TRUE(PumpUntil(explorer, view, ExplorerEvent::kListing));
  m_settings.m_passiveMode = true;  // not seen by the running connection
  ASSERT_TRUE(explorer.ChangeFolder(L"sub"));
  ASSERT_TRUE(PumpUntil(explorer, view, ExplorerEvent::kListing, 2));
  explorer.Connect(Utf8ToWide(ftp.Url("/")));
  ASSERT_TRUE(PumpUntil(explorer, view, ExplorerEvent::kListing, 3));
  explorer.Stop();

  std::vector<std::string> data;
  for (const std::string& command : ftp.Commands()) {
    if (command.rfind("PORT", 0) == 0) data.push_back("PORT");
    if (command.rfind("EPSV", 0) == 0) data.push_back("EPSV");
  }
  EXPECT_EQ(data, (std::vector<std::string>{"PORT", "PORT", "EPSV"}));
}

// The settings dialog's OK reaches a connection that is already open.
TEST_F(SiteExplorerServerTest, RefreshedSettingsReachTheRunningConnection) {
  test::FtpServer ftp;
  FERROW_START_OR_SKIP(ftp);
  MakeTree(ftp.Root());
  CSiteExplorer explorer(m_settings);
  RecordingView view;
  explorer.AddView(&view);

  m_settings.m_passiveMode = false;
  explorer.Connect(Utf8ToWide(ftp.Url("/")));
  ASSERT_TRUE(PumpUntil(explorer, view, ExplorerEvent::kListing));
  m_settings.m_passiveMode = true;
  explorer.RefreshSettings();
  ASSERT_TRUE(explorer.ChangeFolder(L"sub"));
  ASSERT_TRUE(PumpUntil(explorer, view, ExplorerEvent::kListing, 2));
  explorer.Stop();

  std::vector<std::string> data;
  for (const std::string& command : ftp.Commands()) {
    if (command.rfind("PORT", 0) == 0) data.push_back("PORT");
    if (command.rfind("EPSV", 0) == 0) data.push_back("EPSV");
  }
  EXPECT_EQ(data, (std::vector<std::string>{"PORT", "EPSV"}));
}

TEST_F(SiteExplorerServerTest, ListingPrinterPrintsEntriesAndSaysWhyNot) {
  test::FtpServer ftp;
  FERROW_START_OR_SKIP(ftp);
  MakeTree(ftp.Root());

  std::ostringstream out;
  std::ostringstream err;
  ASSERT_EQ(PrintRemoteListing(Utf8ToWide(ftp.Url("/sub/")), m_settings, out, err), 0) << err.str();
  const std::string text = out.str();
  const auto lineOf = [&](const std::string& name) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
      if (line.size() > name.size() && line.ends_with(" " + name)) return line;
    }
    return std::string();
  };
  EXPECT_EQ(lineOf("b.bin").substr(0, 18), "-            1234 ") << text;
  EXPECT_EQ(lineOf("deeper").substr(0, 2), "d ") << text;
  EXPECT_EQ(lineOf(".."), "") << text;
  EXPECT_TRUE(err.str().empty()) << err.str();

  std::ostringstream refusedOut;
  std::ostringstream refusedErr;
  EXPECT_EQ(
      PrintRemoteListing(Utf8ToWide(ftp.Url("/nothing/")), m_settings, refusedOut, refusedErr), 1);
  EXPECT_TRUE(refusedOut.str().empty());
  EXPECT_NE(refusedErr.str().find("failed: the folder could not be listed (550"), std::string::npos)
      << refusedErr.str();

  std::ostringstream closedOut;
  std::ostringstream closedErr;
  const std::wstring closed = L"ftp://127.0.0.1:" + std::to_wstring(test::UnusedPort()) + L"/";
  EXPECT_EQ(PrintRemoteListing(closed, m_settings, closedOut, closedErr), 1);
  EXPECT_NE(closedErr.str().find("failed: socket error 10061"), std::string::npos)
      << closedErr.str();

  std::ostringstream httpErr;
  EXPECT_EQ(PrintRemoteListing(L"http://127.0.0.1/", m_settings, closedOut, httpErr), 1);
  EXPECT_NE(httpErr.str().find("only ftp://"), std::string::npos);

  // Verbose: the conversation goes to err as well.
  std::ostringstream verboseOut;
  std::ostringstream verboseErr;
  ASSERT_EQ(PrintRemoteListing(Utf8ToWide(ftp.Url("/")), m_settings, verboseOut, verboseErr,
                               {.verbose = true, .interrupted = {}}),
            0);
  EXPECT_NE(verboseErr.str().find("> CWD /"), std::string::npos) << verboseErr.str();
  EXPECT_NE(verboseErr.str().find("< 226"), std::string::npos) << verboseErr.str();
}

}  // namespace
}  // namespace ferrow
