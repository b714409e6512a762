#pragma once
// The SOCKS 5 connection set-up (RFC 1928) with the user name and password method (RFC 1929),
// on a socket already connected to the proxy. Failures are recorded on the socket's transfer
// description: a socket failure as category 1; a reply that is not SOCKS 5 (or not of the
// password sub-negotiation) as category 4 code 700; a refusing reply byte b as category 4 code
// 700 + b read as a signed byte (0xFF "no acceptable method" gives 699, 0x05 "connection
// refused" 705). Every failure closes the socket.
#include <cstdint>
#include <string>

namespace ferrow {

class CProxyInfo;
class CProxySocket;

// A user name or password longer than this cannot be carried by the login message.
constexpr size_t kMaxSocksLoginLength = 255;

// Whether the proxy's user name and password fit the login message; when not, records
// category 0 code 87 (invalid parameter) so that nothing is sent at all.
bool CheckSocks5Login(CProxySocket& socket, const CProxyInfo& proxy);

// Method selection, login when the proxy asks for it, and the connection request for the
// target, which the client resolves itself (the proxy is never given a name). True when the
// socket now carries the connection to the target; exactly the proxy's replies have been read,
// so the target's first bytes stay in the socket.
bool NegotiateSocks5(CProxySocket& socket, const CProxyInfo& proxy, const std::wstring& host,
                     uint16_t port);

}  // namespace ferrow
