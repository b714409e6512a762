#include "shell/dialup_service.h"

#include "platform/internet_connection.h"
#include "platform/link_hangup.h"
#include "platform/power_off.h"

namespace ferrow {

CDialupService::~CDialupService() {
  Stop();
}

bool CDialupService::IsDialupLink(const NetworkLink& link) {
  if (link.loopback) return false;
  return link.type == PppLinkType() || link.name.starts_with("ppp") ||
         link.name.starts_with("ww");  // "wwan0", and systemd's "wwp0s20f0u6"
}

std::set<std::string> CDialupService::UpLinks(bool& ok) {
  std::set<std::string> up;
  for (const NetworkLink& link : ListNetworkLinks(&ok))
    if (link.up && IsDialupLink(link)) up.insert(link.name);
  return up;
}

bool CDialupService::Start() {
  if (m_thread.IsRunning()) return true;
  // The socket and the thread are made here, so both see the caller's network namespace.
  if (!m_watch.Open()) return false;
  return m_thread.Start([this] { Run(); });
}

void CDialupService::Stop() {
  m_watch.Interrupt();
  m_thread.Wait();
}

bool CDialupService::TakeEvent(bool& connected) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_events.empty()) return false;
  connected = m_events.front();
  m_events.pop_front();
  return true;
}

void CDialupService::Run() {
  bool ok = false;
  // Links that are up already when we start are no news.
  std::set<std::string> known = UpLinks(ok);
  m_scans.fetch_add(1);
  while (!m_watch.IsInterrupted()) {
    m_watch.Wait(kScanMilliseconds);
    if (m_watch.IsInterrupted()) return;
    std::set<std::string> now = UpLinks(ok);
    if (!ok) {
      m_scans.fetch_add(1);
      continue;  // the kernel did not answer: keep what we knew
    }
    {
      std::lock_guard<std::mutex> lock(m_lock);
      for (const std::string& name : now)
        if (!known.count(name)) m_events.push_back(true);
      for (const std::string& name : known)
        if (!now.count(name)) m_events.push_back(false);
    }
    known = std::move(now);
    m_scans.fetch_add(1);
  }
}

void CDialupService::HangUpAll() {
  bool ok = false;
  for (const std::string& name : UpLinks(ok)) HangUpLink(name);
}

void CDialupService::ShutDown() {
  RequestPowerOff();
}

bool CDialupService::IsConnected() {
  return IsInternetConnected();
}

}  // namespace ferrow
