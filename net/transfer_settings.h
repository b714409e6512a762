#pragma once
// The network settings as the transfer threads see them: one shared instance for the download
// manager and one for the site explorer, filled from CSettings on the user-interface thread and
// read by every worker. One lock guards all fields; every accessor copies under it, so a reader
// never sees a half-updated proxy or login list.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "net/cookie_file.h"
#include "net/login_list.h"
#include "net/proxy_bypass.h"
#include "net/proxy_info.h"
#include "platform/tls_channel.h"

namespace ferrow {

class CConnectionPool;

constexpr uint32_t kDefaultConnectTimeout = 30000;
constexpr uint32_t kDefaultStallTimeout = 60000;
// Less than this within a stall time-out of waiting is a stalled connection, however steadily
// the bytes trickle in.
constexpr uint64_t kStallMinimumBytes = 1024;

class CTransferSettings {
 public:
  CTransferSettings() = default;
  CTransferSettings(const CTransferSettings&) = delete;
  CTransferSettings& operator=(const CTransferSettings&) = delete;

  CLoginList GetSiteLogins() const;
  void SetSiteLogins(const CLoginList& logins);
  CProxyInfo GetHttpProxy() const;
  void SetHttpProxy(const CProxyInfo& proxy);
  // The proxy for https:// addresses: one of its own when set (the environment can name one),
  // else the HTTP proxy, which carries them through a tunnel.
  CProxyInfo GetHttpsProxy() const;
  void SetHttpsProxy(const CProxyInfo& proxy);
  CProxyInfo GetSocksProxy() const;
  void SetSocksProxy(const CProxyInfo& proxy);
  std::wstring GetEmailAddress() const;
  void SetEmailAddress(const std::wstring& address);
  std::wstring GetUserAgent() const;
  void SetUserAgent(const std::wstring& agent);
  int32_t GetMaxThreads() const;
  void SetMaxThreads(int32_t threads);
  int32_t GetRetryAttempts() const;
  void SetRetryAttempts(int32_t attempts);
  int32_t GetRetryDelay() const;  // seconds
  void SetRetryDelay(int32_t seconds);
  uint32_t GetSpeedLimit() const;  // KiB/s, 0 = none
  void SetSpeedLimit(uint32_t limit);
  bool GetPassiveMode() const;
  void SetPassiveMode(bool passive);
  bool GetDisableCache() const;
  void SetDisableCache(bool disable);
  bool GetUseCookies() const;
  void SetUseCookies(bool use);
  bool GetSendReferrer() const;
  void SetSendReferrer(bool send);
  // How long a connection may take to stand (SOCKS negotiation included), and how long a
  // connection may wait for data without getting at least kStallMinimumBytes, in milliseconds.
  // Either failure is the retryable socket time-out.
  uint32_t GetConnectTimeout() const;
  void SetConnectTimeout(uint32_t milliseconds);
  uint32_t GetStallTimeout() const;
  void SetStallTimeout(uint32_t milliseconds);

  // How encrypted connections check the server: on by default against the system's trust
  // store, with extra trust anchors from a PEM file when one is named.
  TlsOptions GetTlsOptions() const;
  void SetTlsOptions(const TlsOptions& options);
  // Request headers sent with every HTTP request ("Name: value"), replacing one of the same
  // name that the client would send.
  std::vector<std::wstring> GetExtraHeaders() const;
  void SetExtraHeaders(const std::vector<std::wstring>& headers);
  // Cookies read from a file, sent to the servers they belong to; null for none.
  std::shared_ptr<const CCookieFile> GetCookieFile() const;
  void SetCookieFile(std::shared_ptr<const CCookieFile> cookies);
  // Where HTTP connections kept alive wait for the next part or download; null for none (each
  // request then connects anew). Not a user setting: the download manager gives its transfers
  // one, and copying the user's settings leaves it alone.
  std::shared_ptr<CConnectionPool> GetConnectionPool() const;
  void SetConnectionPool(std::shared_ptr<CConnectionPool> pool);
  // Hosts reached directly although a proxy is set.
  bool BypassesProxy(const std::wstring& host) const;
  void SetProxyBypass(const CProxyBypass& bypass);

  // Replaces the login of a server, or adds one, in a single locked step (the login dialog).
  void SetLogin(const std::wstring& server, const std::wstring& user, const std::wstring& password,
                bool keep);

 private:
  mutable std::mutex m_lock;
  CLoginList m_siteLogins;
  CProxyInfo m_httpProxy;
  CProxyInfo m_httpsProxy;
  CProxyInfo m_socksProxy;
  std::wstring m_emailAddress;
  std::wstring m_userAgent;
  int32_t m_maxThreads = 0;
  int32_t m_retryAttempts = 0;
  int32_t m_retryDelay = 0;
  uint32_t m_speedLimit = 0;
  bool m_passiveMode = true;
  bool m_disableCache = true;
  bool m_useCookies = true;
  bool m_sendReferrer = false;
  uint32_t m_connectTimeout = kDefaultConnectTimeout;
  uint32_t m_stallTimeout = kDefaultStallTimeout;
  TlsOptions m_tls;
  std::vector<std::wstring> m_extraHeaders;
  std::shared_ptr<const CCookieFile> m_cookieFile;
  std::shared_ptr<CConnectionPool> m_connectionPool;
  CProxyBypass m_proxyBypass;
};

// Whoever holds the user's network settings and fills a transfer's copy from them: the
// application's settings, or a test's.
class ITransferSettingsSource {
 public:
  virtual void CopyTo(CTransferSettings& transfer) const = 0;

 protected:
  ~ITransferSettingsSource() = default;
};

}  // namespace ferrow
