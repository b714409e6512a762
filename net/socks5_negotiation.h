#pragma once
// The SOCKS 5 connection set-up (RFC 1928) with the user name and password method (RFC 1929),
// over a stream already connected to the proxy. A failure of the stream keeps the stream's
// error; a reply that is not SOCKS 5 (or not of the password sub-negotiation) is category 4 code
// 700; a refusing reply byte b is category 4 code 700 + b read as a signed byte (0xFF "no
// acceptable method" gives 699, 0x05 "connection refused" 705).
#include <cstdint>
#include <string>

#include "platform/error_code.h"

namespace ferrow {

class CProxyInfo;
class IByteStream;

// A user name or password longer than this cannot be carried by the login message.
constexpr size_t kMaxSocksLoginLength = 255;

// Whether the proxy's user name and password fit the login message; when not, the error is
// category 0 code 87 (invalid parameter), so that nothing is sent at all.
bool CheckSocks5Login(const CProxyInfo& proxy, ErrorValue& error);

// Method selection, login when the proxy asks for it, and the connection request for the
// target, which the client resolves itself (the proxy is never given a name). True when the
// stream now carries the connection to the target; exactly the proxy's replies have been read,
// so the target's first bytes stay in the stream. On failure error is this negotiation's own
// error, or 0 when the stream failed (its error says why).
bool NegotiateSocks5(IByteStream& stream, const CProxyInfo& proxy, const std::wstring& host,
                     uint16_t port, ErrorValue& error);

}  // namespace ferrow
