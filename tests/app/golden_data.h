#pragma once
// The data behind tests/app/data/golden: the files there were written from exactly this data
// by the build before the layers were split, and every later build must write the same bytes.
// Change it only together with the files.
#include <cwchar>
#include <string>

#include "app/application_data.h"

// Every stored field set, non-ASCII text within ISO 8859-1, a line break inside a text,
// unknown sizes, a nested folder tree.
namespace ferrow::test::golden {

inline Guid G(const wchar_t* text) {
  Guid guid;
  Guid::Parse(text, guid);
  return guid;
}

inline void Fill(CApplicationData& data) {
  CSettings& s = data.m_settings;
  s.SetDefaults();
  s.m_languageFile = L"Languages/German.lng";
  s.m_autoRun = false;
  s.m_removeSuccessful = true;
  s.m_extensionList = L"EXE ZIP ISO R0*";
  s.m_maxDownloads = 3;
  s.m_maxThreads = 16;
  s.m_speedLimit = 512;
  s.m_retryAttempts = 7;
  s.m_retryDelay = 5;
  s.m_connectTimeout = 12;
  s.m_stallTimeout = 45;
  s.m_httpProxy.m_enabled = true;
  s.m_httpProxy.m_server = L"proxy.example.org";
  s.m_httpProxy.m_port = 3128;
  s.m_httpProxy.m_user = L"hp-user";
  s.m_httpProxy.m_password = L"hp-secret";
  s.m_socksProxy.m_enabled = false;
  s.m_socksProxy.m_server = L"socks.example.org";
  s.m_socksProxy.m_port = 1081;
  s.m_socksProxy.m_user = L"s-user";
  s.m_socksProxy.m_password = L"s-secret";
  s.m_emailAddress = L"j\u00fcrgen@example.org";
  s.m_userAgent = L"Ferrow/3.0 (golden)";
  s.m_siteLogins.SetLogin(L"ftp.example.org", L"anna", L"p\u00e4ss", true);
  s.m_siteLogins.SetLogin(L"files.example.com", L"bob", L"bobs\nsecret", true);
  s.m_autoHangup = true;
  s.m_useAntivirus = true;
  s.m_scannerFile = L"/usr/bin/clamscan";
  s.m_scannerArguments = L"--quiet 'a b'";
  s.m_enableSounds = true;
  s.m_soundFiles.SetAt(3, L"Sounds/Other.wav");

  CDownloadInfo first(L"http://example.org/files/a%20b.zip",
                      G(L"11111111-2222-4333-8444-555555555555"), L"/home/u/Downloads/a b.zip");
  first.m_id = G(L"0f8fad5b-d9cb-469f-a165-70867728950e");
  first.m_comment = L"Stra\u00dfe\r\nzwei";
  first.m_size = 1234567890123ull;
  first.m_date = 1445412480;
  first.m_done = 1234567;
  first.m_progress = 0;
  first.m_elapsed = 33;
  first.m_left = 1200;
  first.m_speed = 65536;
  first.m_status = DownloadStatus::kQueued;
  first.m_error = 0;
  first.m_order = 1;
  data.m_downloads.push_back(first);
  CDownloadInfo second(L"ftp://user:pw@ftp.example.org/pub/x.iso", Guid(), L"/tmp/x.iso");
  second.m_id = G(L"7c9e6679-7425-40de-944b-e07fc1f90ae7");
  second.m_size = 18446744073709551615ull;
  second.m_date = 18446744073709551615ull;
  second.m_status = DownloadStatus::kFailed;
  second.m_error = static_cast<int32_t>(0x00010000u | 10054u);
  data.m_downloads.push_back(second);
  CDownloadInfo third(L"http://example.org/done.bin", Guid(), L"/tmp/done.bin");
  third.m_id = G(L"a3bb189e-8bf9-4888-9912-ace4e6543002");
  third.m_status = DownloadStatus::kCompleted;
  third.m_size = 100;
  third.m_done = 100;
  third.m_progress = 100;
  third.m_left = 0;
  data.m_downloads.push_back(third);

  CFolderInfo& root = data.m_folders;
  root.SetDefaults(L"/home/u/Downloads/",
                   [](int number) { return L"Folder " + std::to_wstring(number); });
  root.m_id = G(L"00000000-0000-4000-8000-000000000001");
  int n = 2;
  for (CFolderInfo& child : root.m_folders) {
    wchar_t text[40];
    swprintf(text, 40, L"00000000-0000-4000-8000-%012d", n++);
    child.m_id = G(text);
  }
  CFolderInfo& music = root.AddFolder(L"M\u00fcsik");
  music.m_id = G(L"00000000-0000-4000-8000-000000000099");
  CFolderInfo& deep = music.AddFolder(L"Live");
  deep.m_id = G(L"00000000-0000-4000-8000-000000000100");
  root.AddFile(deep.m_id, CFileInfo(third, 1700000000));
  root.AddFile(Guid(), CFileInfo(first, 1700000001));

  data.m_history.Add(CHistoryInfo(third, 1700000002));
  data.m_history.Add(CHistoryInfo(first, 1700000003));

  CSiteInfo site(L"Debian");
  site.m_id = G(L"5b1c2f3e-1111-4222-8333-444455556666");
  site.m_server = L"ftp.debian.org";
  site.m_user = L"anonymous";
  site.m_password = L"me@example.org";
  data.m_sites.Add(site);
  CSiteInfo other(L"Alpha \u00e9t\u00e9");
  other.m_id = G(L"5b1c2f3e-1111-4222-8333-444455557777");
  other.m_server = L"10.0.0.1";
  other.m_port = 2121;
  other.m_protocol = 0;
  data.m_sites.Add(other);
}

}  // namespace ferrow::test::golden
