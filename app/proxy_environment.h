#pragma once
// The proxies of the environment, read as the common command-line tools read them:
// "http_proxy" (lower case only: a web server may set HTTP_PROXY from a request header) for
// http:// addresses, "https_proxy" or "HTTPS_PROXY" for https:// ones, "ALL_PROXY" or
// "all_proxy" for every protocol without its own, "no_proxy" or "NO_PROXY" for the hosts
// reached directly. A value is "[scheme://][user:password@]host[:port][/]" with the scheme
// http (the default), socks5 (names resolved here) or socks5h (names resolved by the proxy);
// the port defaults to 1080.
#include <functional>
#include <optional>
#include <string>

#include "net/proxy_info.h"

namespace ferrow {

class CSettings;

struct ProxyEnvironment {
  std::optional<CProxyInfo> http;   // an HTTP proxy for http:// addresses
  std::optional<CProxyInfo> https;  // for https:// addresses
  std::optional<CProxyInfo> socks;  // a SOCKS proxy for every connection
  std::wstring noProxy;
  // The variable and the problem of a value that could not be used, for a warning.
  std::string problem;

  // Reads the variables through get (getenv; null for a variable that is not set).
  static ProxyEnvironment Read(const std::function<const char*(const char*)>& get);
  // One value; false with why when it is unusable. socks tells which kind of proxy it is.
  static bool ParseProxy(const std::string& text, CProxyInfo& proxy, bool& socks, std::string& why);

  // Writes what was found over the settings' proxies and bypass list.
  void ApplyTo(CSettings& settings) const;
};

}  // namespace ferrow
