#include "shell/update_checker.h"

#include "net/client_context.h"
#include "net/http_client.h"
#include "platform/internet_connection.h"
#include "platform/text.h"
#include "shell/registry.h"

namespace ferrow {
namespace {

std::wstring Trimmed(const std::wstring& text) {
  const wchar_t* space = L" \t\r\n";
  const size_t begin = text.find_first_not_of(space);
  if (begin == std::wstring::npos) return std::wstring();
  return text.substr(begin, text.find_last_not_of(space) - begin + 1);
}

}  // namespace

CUpdateChecker::CUpdateChecker(const IClock& clock) : m_clock(clock) {
  m_connected = [] { return IsInternetConnected(); };
  m_wait = [](int64_t seconds, const CStopEvent& stop) {
    // Waits longer than the event can take at once go in steps.
    constexpr int64_t kStep = 86400;
    while (seconds > 0) {
      const int64_t step = seconds < kStep ? seconds : kStep;
      if (stop.Wait(static_cast<uint32_t>(step * 1000))) return true;
      seconds -= step;
    }
    return stop.IsSet();
  };
  m_settings.SetUserAgent(L"Ferrow");
  m_settings.SetDisableCache(true);
}

CUpdateChecker::~CUpdateChecker() {
  Stop();
}

bool CUpdateChecker::Start(const std::wstring& queryUrl, const std::wstring& currentVersion,
                           uint32_t intervalSeconds) {
  if (m_thread.IsRunning()) return false;
  m_stop.Reset();
  return m_thread.Start([this, queryUrl, currentVersion, intervalSeconds] {
    Run(queryUrl, currentVersion, intervalSeconds);
  });
}

void CUpdateChecker::Stop() {
  m_stop.Set();
  m_sockets.CloseAll();  // breaks a request under way
  m_thread.Wait();
}

bool CUpdateChecker::IsNewer(const std::wstring& reply, const std::wstring& current) {
  const std::wstring text = Trimmed(reply);
  for (size_t i = 0;; ++i) {
    const wchar_t mine = i < current.size() ? current[i] : 0;
    const wchar_t theirs = i < text.size() ? text[i] : 0;
    if (mine != theirs) return theirs > mine;
    if (mine == 0) return false;  // equal
  }
}

int64_t CUpdateChecker::FirstWait(int64_t lastCheck, int64_t now, uint32_t interval) {
  const int64_t due = lastCheck + interval;
  return now < due ? due - now : 0;
}

void CUpdateChecker::Run(std::wstring url, std::wstring version, uint32_t interval) {
  uint32_t last = 0;
  CRegistry(L"", CRegistry::kRead).ReadDword(RegistryNames::kLastCheckUpdate, last);
  int64_t wait = FirstWait(last, m_clock.WallSeconds(), interval);
  for (;;) {
    if (m_wait(wait, m_stop)) return;
    wait = interval;
    CRegistry(L"", CRegistry::kWrite)
        .WriteDword(RegistryNames::kLastCheckUpdate, static_cast<uint32_t>(m_clock.WallSeconds()));
    if (m_connected()) Check(url, version);
    m_checks.fetch_add(1);
  }
}

void CUpdateChecker::Check(const std::wstring& url, const std::wstring& version) {
  CClientContext context(nullptr, &m_settings, nullptr, nullptr, &m_sockets, &m_stop, &m_resume);
  CHttpClient client(context);
  std::string body;
  if (!client.FetchText(url, kMaxReplyBytes, body) || body.empty()) return;
  if (IsNewer(LocalToWide(body), version)) m_notifications.fetch_add(1);
}

}  // namespace ferrow
