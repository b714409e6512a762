#include "net/socks5_negotiation.h"

#include <string>

#include "net/byte_stream.h"
#include "net/proxy_info.h"
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

bool Refuse(ErrorValue& error, uint16_t code) {
  error = MakeError(kCategorySocks, code);
  return false;
}

// The error of a reply byte that is not the expected one: 700 plus the byte read as signed.
uint16_t RefusalCode(uint8_t byte) {
  return static_cast<uint16_t>(kNotSocks + static_cast<int8_t>(byte));
}

bool SendMessage(IByteStream& stream, const std::string& message, ErrorValue& error) {
  int sent = stream.Send(message.data(), static_cast<int>(message.size()));
  if (sent < 0) return false;
  // A message cut short would leave the proxy waiting for the rest.
  if (static_cast<size_t>(sent) != message.size()) {
    error = MakeError(kCategorySocket, SocketCode::kConnectionReset);
    return false;
  }
  return true;
}

// Receives exactly count bytes; a reply cut short by the proxy closing is a socket failure.
bool ReceiveExactly(IByteStream& stream, uint8_t* buffer, int count, ErrorValue& error) {
  for (int got = 0; got < count;) {
    int n = stream.Receive(buffer + got, count - got, 0);
    if (n < 0) return false;
    if (n == 0) {
      error = MakeError(kCategorySocket, SocketCode::kDisconnected);
      return false;
    }
    got += n;
  }
  return true;
}

// Reads the two-byte head of a reply and checks its version and status bytes.
bool ReceiveReplyHead(IByteStream& stream, uint8_t version, uint8_t head[2], ErrorValue& error) {
  if (!ReceiveExactly(stream, head, 2, error)) return false;
  if (head[0] != version) return Refuse(error, kNotSocks);
  return true;
}

// The IP address the request names: the target as a numeric address, else as the name
// server gives it.
bool ResolveTarget(const std::wstring& host, IpAddress& address, ErrorValue& error) {
  const std::string name = WideToLocal(host);
  if (ParseNumericAddress(name, address) || LookupHost(name, address)) return true;
  uint16_t code = LastSocketError();
  if (code == SocketCode::kNoData || code == 0) code = SocketCode::kHostNotFound;
  error = MakeError(kCategorySocket, code);
  return false;
}

}  // namespace

bool CheckSocks5Login(const CProxyInfo& proxy, ErrorValue& error) {
  if (WideToLocal(proxy.m_user).size() <= kMaxSocksLoginLength &&
      WideToLocal(proxy.m_password).size() <= kMaxSocksLoginLength)
    return true;
  error = MakeError(kCategorySystem, SystemCode::kInvalidParameter);
  return false;
}

bool NegotiateSocks5(IByteStream& stream, const CProxyInfo& proxy, const std::wstring& host,
                     uint16_t port, ErrorValue& error) {
  error = 0;
  if (!CheckSocks5Login(proxy, error)) return false;
  const bool offerLogin = !proxy.m_user.empty();

  // Method selection.
  std::string greeting =
      offerLogin
          ? std::string{static_cast<char>(kVersion), 2, static_cast<char>(kUserPassword),
                        static_cast<char>(kNoAuthentication)}
          : std::string{static_cast<char>(kVersion), 1, static_cast<char>(kNoAuthentication)};
  uint8_t head[2];
  if (!SendMessage(stream, greeting, error) || !ReceiveReplyHead(stream, kVersion, head, error))
    return false;
  const uint8_t method = head[1];
  if (method != kNoAuthentication && !(method == kUserPassword && offerLogin))
    return Refuse(error, RefusalCode(method));

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
    if (!SendMessage(stream, login, error) || !ReceiveReplyHead(stream, kLoginVersion, head, error))
      return false;
    if (head[1] != kSucceeded) return Refuse(error, RefusalCode(head[1]));
  }

  // Connection request for the target's address, or its name when the proxy is to resolve it.
  IpAddress address;
  std::string request{static_cast<char>(kVersion), static_cast<char>(kCommandConnect), 0};
  const std::string name = WideToLocal(host);
  if (proxy.m_remoteNames && !ParseNumericAddress(name, address) && name.size() <= 255) {
    // The proxy looks the name up (it may know names this machine does not).
    request += static_cast<char>(kAddressName);
    request += static_cast<char>(name.size());
    request += name;
  } else {
    if (!ResolveTarget(host, address, error)) return false;
    request += static_cast<char>(address.IsIpv4() ? kAddressIpv4 : kAddressIpv6);
    const size_t length = address.IsIpv4() ? 4 : 16;
    for (size_t i = 0; i < length; ++i) request += static_cast<char>(address.bytes[i]);
  }
  request += static_cast<char>(port >> 8);
  request += static_cast<char>(port & 0xFF);
  if (!SendMessage(stream, request, error) || !ReceiveReplyHead(stream, kVersion, head, error))
    return false;
  if (head[1] != kSucceeded) return Refuse(error, RefusalCode(head[1]));

  // The rest of the reply names the proxy's bound address. It is read to its exact end, so
  // that the target's first bytes (an FTP greeting) stay for the protocol client.
  uint8_t rest[2 + 255 + 2];
  if (!ReceiveExactly(stream, rest, 2, error)) return false;
  int left;
  switch (rest[1]) {
    case kAddressIpv4:
      left = 4 + 2;
      break;
    case kAddressIpv6:
      left = 16 + 2;
      break;
    case kAddressName:
      if (!ReceiveExactly(stream, rest, 1, error)) return false;
      left = rest[0] + 2;
      break;
    default:
      return Refuse(error, kNotSocks);
  }
  return ReceiveExactly(stream, rest, left, error);
}

}  // namespace ferrow
