#pragma once
// Every user preference of the main program, stored as "Settings.xml" in the data folder. The one
// live instance belongs to CApplicationData and is used on the user-interface thread; the
// settings dialog edits a copy and assigns it back. Worker threads never read it: they get the
// network part through CTransferSettings.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "download/download_settings.h"
#include "net/cookie_file.h"
#include "net/login_list.h"
#include "net/proxy_bypass.h"
#include "net/proxy_info.h"
#include "shell/sound_list.h"
#include "store/xml_object.h"

namespace ferrow {

class CTransferSettings;

class CSettings : public CXmlObject, public IDownloadSettings {
 public:
  static constexpr const char* kFileName = "Settings.xml";
  static constexpr int32_t kDefaultConnectTimeoutSeconds = 30;
  static constexpr int32_t kDefaultStallTimeoutSeconds = 60;
  // The default "ExtensionList": the file types that browsers hand to the program.
  static constexpr const wchar_t* kDefaultExtensionList =
      L"EXE ZIP ARJ RAR LHA LZH Z GZ GZIP TGZ TAR MSI MP3 MP2 WMA TIF TIFF AVI MPG MPEG QT MOV ASF "
      L"WMV R0* R1* A0* A1*";

  // Booleans and integers start at zero and strings, proxies and lists empty; the defaults come
  // only from SetDefaults, so that a key missing from a file loads as zero. The time-outs are
  // the exception: newer than the file format, they start at their defaults, so that a file
  // written before them loads with working time-outs.
  CSettings() = default;
  CSettings(const CSettings&) = default;
  CSettings& operator=(const CSettings&) = default;

  // Writes or reads the keys in their stored order; keys missing from the file keep their value.
  void Exchange(bool store, CXmlNode& node) override;

  // Every key to its default except "LanguageFile"; no stored logins; the nine default sounds.
  void SetDefaults();

  // Data folder + "Brennick/Ferrow/Settings.xml".
  static std::filesystem::path GetPath();
  bool Load() { return CXmlObject::Load(GetPath()); }
  bool Save() { return CXmlObject::Save(GetPath()); }

  // Copies the network settings in their fixed order: logins, HTTP proxy, SOCKS proxy, e-mail
  // address, user agent, threads, retry attempts, retry delay, speed limit, passive mode, cache,
  // cookies, referrer; then the two time-outs.
  void CopyTo(CTransferSettings& transfer) const override;

  // What the download manager reads.
  int32_t GetMaxDownloads() const override { return m_maxDownloads; }
  bool GetStartQueue() const override { return m_startQueue; }
  bool GetRemoveSuccessful() const override { return m_removeSuccessful; }

  bool m_autoRun = false;
  bool m_startQueue = false;
  bool m_monitorClipboard = false;
  bool m_enableIntegration = false;
  std::wstring m_extensionList;
  bool m_showTrayIcon = false;
  bool m_openProgress = false;
  bool m_closeProgress = false;
  bool m_removeSuccessful = false;
  std::wstring m_languageFile;  // relative to the program folder, "Languages/English.lng"
  int32_t m_maxDownloads = 0;
  int32_t m_maxThreads = 0;
  int32_t m_speedLimit = 0;  // KB/s, 0 = no limit
  int32_t m_retryAttempts = 0;
  int32_t m_retryDelay = 0;                                  // seconds
  int32_t m_connectTimeout = kDefaultConnectTimeoutSeconds;  // seconds; below 1: the default
  int32_t m_stallTimeout = kDefaultStallTimeoutSeconds;      // seconds; below 1: the default
  CProxyInfo m_httpProxy;
  CProxyInfo m_socksProxy;
  std::wstring m_emailAddress;
  std::wstring m_userAgent;
  bool m_passiveMode = false;
  bool m_disableCache = false;
  bool m_useCookies = false;
  bool m_sendReferrer = false;
  CLoginList m_siteLogins;
  bool m_autoClose = false;
  bool m_autoHangup = false;
  bool m_autoShutdown = false;
  bool m_useAntivirus = false;
  std::wstring m_scannerFile;
  std::wstring m_scannerArguments;
  bool m_enableSounds = false;
  CSoundList m_soundFiles;
  // For this run only, never stored: extra trust anchors (a PEM file) for encrypted
  // connections, and whether certificates are checked at all.
  std::wstring m_caCertificate;
  bool m_verifyCertificates = true;

  // For one run only (ferrow-get's options and environment), never stored: request headers,
  // cookies from a file, the hosts reached without a proxy.
  std::vector<std::wstring> m_extraHeaders;
  std::shared_ptr<const CCookieFile> m_cookieFile;
  CProxyBypass m_proxyBypass;

 protected:
  // The file holds proxy and site passwords.
  FileAccess GetFileAccess() const override { return FileAccess::kOwnerOnly; }
};

}  // namespace ferrow
