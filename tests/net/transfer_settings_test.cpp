#include "net/transfer_settings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace ferrow {
namespace {

TEST(TransferSettingsTest, StartsWithTheConstructionDefaults) {
  CTransferSettings settings;
  EXPECT_TRUE(settings.GetSiteLogins().empty());
  EXPECT_FALSE(settings.GetHttpProxy().m_enabled);
  EXPECT_FALSE(settings.GetSocksProxy().m_enabled);
  EXPECT_EQ(settings.GetMaxThreads(), 0);
  EXPECT_EQ(settings.GetSpeedLimit(), 0u);
  EXPECT_TRUE(settings.GetPassiveMode());
  EXPECT_TRUE(settings.GetDisableCache());
  EXPECT_TRUE(settings.GetUseCookies());
}

// A worker copying the proxy while the UI thread replaces it sees one whole proxy or the other.
TEST(TransferSettingsTest, ReadersNeverSeeAHalfReplacedProxy) {
  CTransferSettings settings;
  CProxyInfo first, second;
  first.m_server = L"first.example";
  first.m_port = 1;
  second.m_server = L"second.example.with.a.longer.name";
  second.m_port = 2;
  settings.SetSocksProxy(first);
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 20000; ++i) {
      settings.SetSocksProxy(i % 2 ? first : second);
      settings.SetLogin(L"host" + std::to_wstring(i % 7), L"u", L"p", true);
    }
    done = true;
  });
  int mismatches = 0;
  while (!done) {
    CProxyInfo seen = settings.GetSocksProxy();
    if ((seen.m_port == 1) != (seen.m_server == first.m_server)) ++mismatches;
    if (settings.GetSiteLogins().size() > 7) ++mismatches;
  }
  writer.join();
  EXPECT_EQ(mismatches, 0);
  EXPECT_EQ(settings.GetSiteLogins().size(), 7u);
}

}  // namespace
}  // namespace ferrow
