#include "net/speed_limit.h"

#include <algorithm>

#include "net/internet_client.h"
#include "net/proxy_socket.h"
#include "net/transfer_info.h"
#include "net/transfer_settings.h"

namespace ferrow {

namespace {

CBandwidth& DownloadOf(CTransferInfo& transfer) {
  CTransferInfo* master = transfer.Master();
  return master != nullptr ? master->Bandwidth() : transfer.Bandwidth();
}

}  // namespace

CSpeedLimit::CSpeedLimit(CTransferInfo& transfer) : CSpeedLimit(DownloadOf(transfer)) {}

CSpeedLimit::CSpeedLimit(CBandwidth& download) : m_node(&download) {
  m_node.Enter();
}

void CSpeedLimit::SetLimit(uint32_t bytesPerSecond) {
  m_node.Root().SetLimit(bytesPerSecond);
}

int CSpeedLimit::Receive(CProxySocket& socket, char* buffer, int maximum) {
  const int granted = m_node.Grant(maximum);
  const int received = socket.Receive(buffer, granted, 0);
  m_node.Refund(granted - std::max(received, 0));
  return received;
}

int CSpeedLimit::ReceiveUntilEnd(CProxySocket& socket, char* buffer, int maximum) {
  const int granted = m_node.Grant(maximum);
  const int received = socket.ReceiveUntilEnd(buffer, granted);
  m_node.Refund(granted - std::max(received, 0));
  return received;
}

uint32_t CSpeedLimit::Delay() {
  return m_node.Delay();
}

bool CSpeedLimit::Pause(CInternetClient& client) {
  for (;;) {
    const uint32_t delay = Delay();
    if (delay == 0) return false;
    if (client.WaitForStop(std::min(delay, kSettingsCheckMilliseconds))) return true;
    if (const CTransferSettings* settings = client.Settings()) {
      SetLimit(static_cast<uint32_t>(
          std::min<uint64_t>(uint64_t{settings->GetSpeedLimit()} * 1024, 0xFFFFFFFFu)));
    }
  }
}

}  // namespace ferrow
