#include "app/settings.h"

#include <algorithm>

#include "net/transfer_settings.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "store/xml_node.h"

namespace ferrow {
namespace {

// One stored key: written as a leaf or element on the way out, read back when present.
template <typename T>
void ExchangeKey(bool store, CXmlNode& node, const wchar_t* key, T& value) {
  if (store)
    node.AddChild(key, value);
  else
    node.GetChild(key, value);
}

}  // namespace

void CSettings::Exchange(bool store, CXmlNode& node) {
  ExchangeKey(store, node, L"AutoRun", m_autoRun);
  ExchangeKey(store, node, L"StartQueue", m_startQueue);
  ExchangeKey(store, node, L"MonitorClipboard", m_monitorClipboard);
  ExchangeKey(store, node, L"EnableIntegration", m_enableIntegration);
  ExchangeKey(store, node, L"ExtensionList", m_extensionList);
  ExchangeKey(store, node, L"ShowTrayIcon", m_showTrayIcon);
  ExchangeKey(store, node, L"OpenProgress", m_openProgress);
  ExchangeKey(store, node, L"CloseProgress", m_closeProgress);
  ExchangeKey(store, node, L"RemoveSuccessful", m_removeSuccessful);
  ExchangeKey(store, node, L"LanguageFile", m_languageFile);
  ExchangeKey(store, node, L"MaxDownloads", m_maxDownloads);
  ExchangeKey(store, node, L"MaxThreads", m_maxThreads);
  ExchangeKey(store, node, L"SpeedLimit", m_speedLimit);
  ExchangeKey(store, node, L"RetryAttempts", m_retryAttempts);
  ExchangeKey(store, node, L"RetryDelay", m_retryDelay);
  ExchangeKey(store, node, L"ConnectTimeout", m_connectTimeout);
  ExchangeKey(store, node, L"StallTimeout", m_stallTimeout);
  ExchangeKey<CXmlObject>(store, node, L"HttpProxy", m_httpProxy);
  ExchangeKey<CXmlObject>(store, node, L"SocksProxy", m_socksProxy);
  ExchangeKey(store, node, L"EmailAddress", m_emailAddress);
  ExchangeKey(store, node, L"UserAgent", m_userAgent);
  ExchangeKey(store, node, L"PassiveMode", m_passiveMode);
  ExchangeKey(store, node, L"DisableCache", m_disableCache);
  ExchangeKey(store, node, L"UseCookies", m_useCookies);
  ExchangeKey(store, node, L"SendReferrer", m_sendReferrer);
  ExchangeKey<CXmlObject>(store, node, L"SiteLogins", m_siteLogins);
  ExchangeKey(store, node, L"AutoClose", m_autoClose);
  ExchangeKey(store, node, L"AutoHangup", m_autoHangup);
  ExchangeKey(store, node, L"AutoShutdown", m_autoShutdown);
  ExchangeKey(store, node, L"UseAntivirus", m_useAntivirus);
  ExchangeKey(store, node, L"ScannerFile", m_scannerFile);
  ExchangeKey(store, node, L"ScannerArguments", m_scannerArguments);
  ExchangeKey(store, node, L"EnableSounds", m_enableSounds);
  ExchangeKey<CXmlObject>(store, node, L"SoundFiles", m_soundFiles);
}

void CSettings::SetDefaults() {
  m_autoRun = true;
  m_startQueue = true;
  m_monitorClipboard = true;
  m_enableIntegration = true;
  m_extensionList = kDefaultExtensionList;
  m_showTrayIcon = true;
  m_openProgress = true;
  m_closeProgress = false;
  m_removeSuccessful = false;
  // "LanguageFile" stays: it was chosen for this user at start-up.
  m_maxDownloads = 2;
  m_maxThreads = 4;
  m_speedLimit = 0;
  m_retryAttempts = 30;
  m_retryDelay = 10;
  m_connectTimeout = kDefaultConnectTimeoutSeconds;
  m_stallTimeout = kDefaultStallTimeoutSeconds;
  m_httpProxy = CProxyInfo();
  m_httpProxy.m_port = 8000;
  m_socksProxy = CProxyInfo();
  m_socksProxy.m_port = 1080;
  m_emailAddress = L"user@host";
  m_userAgent = L"Ferrow";
  m_passiveMode = true;
  m_disableCache = true;
  m_useCookies = true;
  m_sendReferrer = true;
  m_siteLogins.clear();
  m_autoClose = false;
  m_autoHangup = false;
  m_autoShutdown = false;
  m_useAntivirus = false;
  m_scannerFile.clear();
  m_scannerArguments.clear();
  m_enableSounds = false;
  m_soundFiles.SetDefaults();
}

std::filesystem::path CSettings::GetPath() {
  return std::filesystem::path(WideToLocal(GetAppDataFolder())) / kFileName;
}

void CSettings::CopyTo(CTransferSettings& transfer) const {
  transfer.SetSiteLogins(m_siteLogins);
  transfer.SetHttpProxy(m_httpProxy);
  transfer.SetSocksProxy(m_socksProxy);
  transfer.SetEmailAddress(m_emailAddress);
  transfer.SetUserAgent(m_userAgent);
  transfer.SetMaxThreads(m_maxThreads);
  transfer.SetRetryAttempts(m_retryAttempts);
  transfer.SetRetryDelay(m_retryDelay);
  // A negative limit from a hand-edited file means no limit rather than four billion KB/s.
  transfer.SetSpeedLimit(m_speedLimit > 0 ? static_cast<uint32_t>(m_speedLimit) : 0);
  transfer.SetPassiveMode(m_passiveMode);
  transfer.SetDisableCache(m_disableCache);
  transfer.SetUseCookies(m_useCookies);
  transfer.SetSendReferrer(m_sendReferrer);
  // A hand-edited 0 or less would mean waiting for ever, which is what the time-outs prevent.
  auto milliseconds = [](int32_t seconds, int32_t fallback) {
    return static_cast<uint32_t>(std::min(seconds > 0 ? seconds : fallback, 86400)) * 1000u;
  };
  transfer.SetConnectTimeout(milliseconds(m_connectTimeout, kDefaultConnectTimeoutSeconds));
  transfer.SetStallTimeout(milliseconds(m_stallTimeout, kDefaultStallTimeoutSeconds));
  transfer.SetTlsOptions(
      {.verify = m_verifyCertificates, .extraAuthority = WideToLocal(m_caCertificate)});
  transfer.SetExtraHeaders(m_extraHeaders);
  transfer.SetCookieFile(m_cookieFile);
  transfer.SetProxyBypass(m_proxyBypass);
}

}  // namespace ferrow
