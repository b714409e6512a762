#include "net/transfer_settings.h"

namespace ferrow {

CLoginList CTransferSettings::GetSiteLogins() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_siteLogins;
}

void CTransferSettings::SetSiteLogins(const CLoginList& logins) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_siteLogins = logins;
}

CProxyInfo CTransferSettings::GetHttpProxy() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_httpProxy;
}

void CTransferSettings::SetHttpProxy(const CProxyInfo& proxy) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_httpProxy = proxy;
}

CProxyInfo CTransferSettings::GetHttpsProxy() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_httpsProxy.m_enabled ? m_httpsProxy : m_httpProxy;
}

void CTransferSettings::SetHttpsProxy(const CProxyInfo& proxy) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_httpsProxy = proxy;
}

CProxyInfo CTransferSettings::GetSocksProxy() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_socksProxy;
}

void CTransferSettings::SetSocksProxy(const CProxyInfo& proxy) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_socksProxy = proxy;
}

std::wstring CTransferSettings::GetEmailAddress() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_emailAddress;
}

void CTransferSettings::SetEmailAddress(const std::wstring& address) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_emailAddress = address;
}

std::wstring CTransferSettings::GetUserAgent() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_userAgent;
}

void CTransferSettings::SetUserAgent(const std::wstring& agent) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_userAgent = agent;
}

int32_t CTransferSettings::GetMaxThreads() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_maxThreads;
}

void CTransferSettings::SetMaxThreads(int32_t threads) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_maxThreads = threads;
}

int32_t CTransferSettings::GetRetryAttempts() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_retryAttempts;
}

void CTransferSettings::SetRetryAttempts(int32_t attempts) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_retryAttempts = attempts;
}

int32_t CTransferSettings::GetRetryDelay() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_retryDelay;
}

void CTransferSettings::SetRetryDelay(int32_t seconds) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_retryDelay = seconds;
}

uint32_t CTransferSettings::GetSpeedLimit() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_speedLimit;
}

void CTransferSettings::SetSpeedLimit(uint32_t limit) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_speedLimit = limit;
}

bool CTransferSettings::GetPassiveMode() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_passiveMode;
}

void CTransferSettings::SetPassiveMode(bool passive) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_passiveMode = passive;
}

bool CTransferSettings::GetDisableCache() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_disableCache;
}

void CTransferSettings::SetDisableCache(bool disable) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_disableCache = disable;
}

bool CTransferSettings::GetUseCookies() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_useCookies;
}

void CTransferSettings::SetUseCookies(bool use) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_useCookies = use;
}

bool CTransferSettings::GetSendReferrer() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_sendReferrer;
}

void CTransferSettings::SetSendReferrer(bool send) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_sendReferrer = send;
}

uint32_t CTransferSettings::GetConnectTimeout() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_connectTimeout;
}

void CTransferSettings::SetConnectTimeout(uint32_t milliseconds) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_connectTimeout = milliseconds;
}

uint32_t CTransferSettings::GetStallTimeout() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_stallTimeout;
}

void CTransferSettings::SetStallTimeout(uint32_t milliseconds) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_stallTimeout = milliseconds;
}

void CTransferSettings::SetLogin(const std::wstring& server, const std::wstring& user,
                                 const std::wstring& password, bool keep) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_siteLogins.SetLogin(server, user, password, keep);
}

TlsOptions CTransferSettings::GetTlsOptions() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_tls;
}

void CTransferSettings::SetTlsOptions(const TlsOptions& options) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_tls = options;
}

std::vector<std::wstring> CTransferSettings::GetExtraHeaders() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_extraHeaders;
}

void CTransferSettings::SetExtraHeaders(const std::vector<std::wstring>& headers) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_extraHeaders = headers;
}

std::shared_ptr<CConnectionPool> CTransferSettings::GetConnectionPool() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_connectionPool;
}

void CTransferSettings::SetConnectionPool(std::shared_ptr<CConnectionPool> pool) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_connectionPool = std::move(pool);
}

std::shared_ptr<const CCookieFile> CTransferSettings::GetCookieFile() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_cookieFile;
}

void CTransferSettings::SetCookieFile(std::shared_ptr<const CCookieFile> cookies) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_cookieFile = std::move(cookies);
}

bool CTransferSettings::BypassesProxy(const std::wstring& host) const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_proxyBypass.Matches(host);
}

void CTransferSettings::SetProxyBypass(const CProxyBypass& bypass) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_proxyBypass = bypass;
}

}  // namespace ferrow
