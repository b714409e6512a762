#include "net/socks5_negotiation.h"

#include <string>

#include "net/proxy_info.h"
#include "net/proxy_socket.h"
#include "platform/socket.h"
#include "platform/text.h"

namespace ferrow {

namespace {

constexpr uint8_t kVersion = 0x05;
constexpr uint8_t kLoginVersion = 0x01;
constexpr uint8_t kNoAuthentication = 0x00;
constexpr uint8_t kUserPassword = 0x02;
constexpr uint8_t kCommandConnect = 0x01;
constexpr uint8_t kAddressIpv4 = 0x01;
constexpr uint8_t kAddressName = 0x03;
constexpr uint8_t kAddressIpv6 = 0x04;
constexpr uint8_t kSucceeded = 0x00;
constexpr uint16_t kNotSocks = 700;

bool Refuse(CProxySocket& socket, uint16_t code) {
  socket.ReportError(MakeError(kCategorySocks, code));
  socket.Close();
  return false;
}

// The error of a reply byte that is not the expected one: 700 plus the byte read as signed.
uint16_t RefusalCode(uint8_t byte) {
  return static_cast<uint16_t>(kNotSocks + static_cast<int8_t>(byte));
}

bool SendMessage(CProxySocket& socket, const std::string& message) {
  int sent = socket.Send(message.data(), static_cast<int>(message.size()));
  if (sent < 0) return false;
  // A message cut short would leave the proxy waiting for the rest.
  if (static_cast<size_t>(sent) != message.size()) return socket.ReportFailure();
  return true;
}

// Receives exactly count bytes; a reply cut short by the proxy closing is a socket failure.
bool ReceiveExactly(CProxySocket& socket, uint8_t* buffer, int count) {
  for (int got = 0; got < count;) {
    int n = socket.Receive(buffer + got, count - got);
    if (n < 0) return false;
    got += n;
  }
  return true;
}

// Reads the two-byte head of a reply and checks its version and status bytes.
bool ReceiveReplyHead(CProxySocket& socket, uint8_t version, uint8_t head[2]) {
  if (!ReceiveExactly(socket, head, 2)) return false;
  if (head[0] != version) return Refuse(socket, kNotSocks);
  return true;
}

}  // namespace

bool CheckSocks5Login(CProxySocket& socket, const CProxyInfo& proxy) {
  if (WideToLocal(proxy.m_user).size() <= kMaxSocksLoginLength &&
      WideToLocal(proxy.m_password).size() <= kMaxSocksLoginLength)
    return true;
  socket.ReportError(MakeError(kCategorySystem, SystemCode::kInvalidParameter));
  socket.Close();
  return false;
}

bool NegotiateSocks5(CProxySocket& socket, const CProxyInfo& proxy, const std::wstring& host,
                     uint16_t port) {
  if (!CheckSocks5Login(socket, proxy)) return false;
  const bool offerLogin = !proxy.m_user.empty();

  // Method selection.
  std::string greeting =
      offerLogin
          ? std::string{static_cast<char>(kVersion), 2, static_cast<char>(kUserPassword),
                        static_cast<char>(kNoAuthentication)}
          : std::string{static_cast<char>(kVersion), 1, static_cast<char>(kNoAuthentication)};
  uint8_t head[2];
  if (!SendMessage(socket, greeting) || !ReceiveReplyHead(socket, kVersion, head)) return false;
  const uint8_t method = head[1];
  if (method != kNoAuthentication && !(method == kUserPassword && offerLogin))
    return Refuse(socket, RefusalCode(method));

  // Login, only when the proxy chose it.
  if (method == kUserPassword) {
    std::string user = WideToLocal(proxy.m_user);
    std::string password = WideToLocal(proxy.m_password);
    std::string login;
    login += static_cast<char>(kLoginVersion);
    login += static_cast<char>(user.size());
    login += user;
    login += static_cast<char>(password.size());
    login += password;
    if (!SendMessage(socket, login) || !ReceiveReplyHead(socket, kLoginVersion, head)) return false;
    if (head[1] != kSucceeded) return Refuse(socket, RefusalCode(head[1]));
  }

  // Connection request for the target's IPv4 address.
  uint32_t address = 0;
  if (!LookupHost(WideToLocal(host), address)) return socket.ReportFailure();
  std::string request{static_cast<char>(kVersion), static_cast<char>(kCommandConnect), 0,
                      static_cast<char>(kAddressIpv4)};
  for (int shift = 24; shift >= 0; shift -= 8) request += static_cast<char>(address >> shift);
  request += static_cast<char>(port >> 8);
  request += static_cast<char>(port & 0xFF);
  if (!SendMessage(socket, request) || !ReceiveReplyHead(socket, kVersion, head)) return false;
  if (head[1] != kSucceeded) return Refuse(socket, RefusalCode(head[1]));

  // The rest of the reply names the proxy's bound address. It is read to its exact end, so
  // that the target's first bytes (an FTP greeting) stay for the protocol client.
  uint8_t rest[2 + 255 + 2];
  if (!ReceiveExactly(socket, rest, 2)) return false;
  int left;
  switch (rest[1]) {
    case kAddressIpv4:
      left = 4 + 2;
      break;
    case kAddressIpv6:
      left = 16 + 2;
      break;
    case kAddressName:
      if (!ReceiveExactly(socket, rest, 1)) return false;
      left = rest[0] + 2;
      break;
    default:
      return Refuse(socket, kNotSocks);
  }
  return ReceiveExactly(socket, rest, left);
}

}  // namespace ferrow
