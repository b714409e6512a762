#include "shell/update_checker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "shell/registry.h"
#include "tests/support/fake_clock.h"
#include "tests/support/nginx_server.h"
#include "tests/support/sandbox.h"
#include "tests/support/server_process.h"
#include "tests/support/wait_until.h"

namespace ferrow {
namespace {

constexpr int64_t kDay = 86400;

class UpdateCheckerTest : public test::SandboxedTest {
 protected:
  // Runs the worker through its first wait and exactly one check, then stops it. Returns
  // whether a newer version was reported; the waits it asked for land in m_waits.
  bool CheckOnce(const std::string& url, bool connected = true) {
    m_waits.clear();
    CUpdateChecker checker(m_clock);
    checker.SetConnectedQuery([connected] { return connected; });
    checker.SetStopWait([this](int64_t seconds, const CStopEvent& stop) {
      m_waits.push_back(seconds);
      return m_waits.size() == 1 ? stop.IsSet() : stop.Wait(kWaitForever);
    });
    EXPECT_TRUE(checker.Start(LocalToWide(url), CUpdateChecker::kCurrentVersion,
                              CUpdateChecker::kInterval));
    EXPECT_TRUE(test::WaitUntil([&] { return checker.GetCheckCount() == 1; }));
    checker.Stop();
    return checker.TakeNotification();
  }
  static uint32_t LastCheck() {
    uint32_t value = 0;
    CRegistry(L"", CRegistry::kRead).ReadDword(RegistryNames::kLastCheckUpdate, value);
    return value;
  }

  test::FakeClock m_clock;
  std::vector<int64_t> m_waits;  // written by the worker, read after it ended
};

TEST_F(UpdateCheckerTest, OnlyANewerVersionFromA200Notifies) {
  test::NginxServer nginx({.replies = {{"/gone", 404, "4.0"}}});
  FERROW_START_OR_SKIP(nginx);
  for (const auto& [name, body] :
       std::vector<std::pair<std::string, std::string>>{{"v31", "3.1"},
                                                        {"v30x", "3.0x"},
                                                        {"v30", "3.0"},
                                                        {"v29", "2.9"},
                                                        {"v30line", "3.0\r\n"}})
    test::WriteFileBytes(nginx.Root() / name, body);
  EXPECT_TRUE(CheckOnce(nginx.Url("/v31")));
  EXPECT_TRUE(CheckOnce(nginx.Url("/v30x")));
  EXPECT_FALSE(CheckOnce(nginx.Url("/v30")));
  EXPECT_FALSE(CheckOnce(nginx.Url("/v29")));
  EXPECT_FALSE(CheckOnce(nginx.Url("/v30line")));  // a line end is not a newer version
  EXPECT_FALSE(CheckOnce(nginx.Url("/gone")));
  EXPECT_FALSE(CheckOnce("http://127.0.0.1:" + std::to_string(test::PickFreePort()) + "/v"));
}

TEST_F(UpdateCheckerTest, FirstCheckWaitsOutTheWeekSinceTheLastOne) {
  m_clock.SetSeconds(1700000000);
  CRegistry(L"", CRegistry::kWrite)
      .WriteDword(RegistryNames::kLastCheckUpdate, static_cast<uint32_t>(1700000000 - 3 * kDay));
  // Without a connection the time is still recorded, and nothing is asked.
  EXPECT_FALSE(CheckOnce("http://127.0.0.1:1/never", false));
  EXPECT_EQ(m_waits, (std::vector<int64_t>{4 * kDay, 7 * kDay}));
  EXPECT_EQ(LastCheck(), 1700000000u);

  m_clock.AdvanceSeconds(8 * kDay);  // overdue: check at once
  CheckOnce("http://127.0.0.1:1/never", false);
  EXPECT_EQ(m_waits.front(), 0);
}

TEST_F(UpdateCheckerTest, AHugeReplyIsNotReadBeyondTheBound) {
  test::NginxServer nginx({.limitRate = 1 << 20});
  FERROW_START_OR_SKIP(nginx);
  test::WriteFileBytes(nginx.Root() / "big", "4" + std::string(10 * 1024 * 1024, '0'));
  EXPECT_FALSE(CheckOnce(nginx.Url("/big")));
  ASSERT_TRUE(nginx.WaitForRequests(1, std::chrono::seconds(30)));
  EXPECT_LT(nginx.BodyBytesSent("/big"), 10 * 1024 * 1024);
}

TEST(UpdateVersionTest, ComparedByCharacterCodes) {
  const std::wstring current = L"3.0";
  for (const wchar_t* newer : {L"3.1", L"4", L"3.0x", L"3.01", L" 3.1\r\n"})
    EXPECT_TRUE(CUpdateChecker::IsNewer(newer, current)) << newer;
  for (const wchar_t* older : {L"3.0", L"2.9", L"3.", L"", L"10.0", L"3.0\n"})
    EXPECT_FALSE(CUpdateChecker::IsNewer(older, current)) << older;
}

}  // namespace
}  // namespace ferrow
