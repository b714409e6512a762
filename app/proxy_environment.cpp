#include "app/proxy_environment.h"

#include <algorithm>
#include <cctype>

#include "app/settings.h"
#include "platform/text.h"

namespace ferrow {
namespace {

constexpr int32_t kDefaultProxyPort = 1080;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// "%40" in a user name or password is how a URL carries an "@".
std::string PercentDecode(const std::string& text) {
  std::string result;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() &&
        std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      result += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      result += text[i];
    }
  }
  return result;
}

}  // namespace

bool ProxyEnvironment::ParseProxy(const std::string& text, CProxyInfo& proxy, bool& socks,
                                  std::string& why) {
  std::string rest = text;
  std::string scheme = "http";
  if (const size_t end = rest.find("://"); end != std::string::npos) {
    scheme = Lower(rest.substr(0, end));
    rest = rest.substr(end + 3);
  }
  if (scheme != "http" && scheme != "socks5" && scheme != "socks5h") {
    why = "the scheme " + scheme + ":// is not one ferrow-get can use (http, socks5, socks5h)";
    return false;
  }
  socks = scheme != "http";
  rest = rest.substr(0, rest.find('/'));
  proxy = CProxyInfo();
  proxy.m_enabled = true;
  proxy.m_remoteNames = scheme == "socks5h";
  if (const size_t at = rest.rfind('@'); at != std::string::npos) {
    const std::string credentials = rest.substr(0, at);
    const size_t colon = credentials.find(':');
    proxy.m_user = LocalToWide(PercentDecode(credentials.substr(0, colon)));
    if (colon != std::string::npos)
      proxy.m_password = LocalToWide(PercentDecode(credentials.substr(colon + 1)));
    rest = rest.substr(at + 1);
  }
  std::string host = rest;
  int32_t port = kDefaultProxyPort;
  const size_t colon = rest.rfind(':');
  if (colon != std::string::npos && rest.find(']', colon) == std::string::npos) {
    host = rest.substr(0, colon);
    const std::string digits = rest.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(),
                     [](unsigned char c) { return std::isdigit(c); }) ||
        std::stoi(digits) < 1 || std::stoi(digits) > 65535) {
      why = "the port must be a number from 1 to 65535";
      return false;
    }
    port = std::stoi(digits);
  }
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  if (host.empty()) {
    why = "it names no host";
    return false;
  }
  proxy.m_server = LocalToWide(host);
  proxy.m_port = port;
  return true;
}

ProxyEnvironment ProxyEnvironment::Read(const std::function<const char*(const char*)>& get) {
  ProxyEnvironment result;
  auto first = [&](std::initializer_list<const char*> names, std::string& which) -> std::string {
    for (const char* name : names) {
      const char* value = get(name);
      if (value != nullptr && *value != '\0') {
        which = name;
        return value;
      }
    }
    return "";
  };
  // Takes one variable into the proxy it names (an HTTP proxy, or a SOCKS one for everything).
  auto take = [&](std::initializer_list<const char*> names, std::optional<CProxyInfo>& into) {
    std::string which;
    const std::string value = first(names, which);
    if (value.empty()) return;
    CProxyInfo proxy;
    bool socks = false;
    std::string why;
    if (!ParseProxy(value, proxy, socks, why)) {
      if (result.problem.empty()) result.problem = which + ": " + why;
      return;
    }
    if (socks)
      result.socks = proxy;
    else
      into = proxy;
  };
  std::optional<CProxyInfo> all;
  take({"ALL_PROXY", "all_proxy"}, all);
  take({"https_proxy", "HTTPS_PROXY"}, result.https);
  take({"http_proxy"}, result.http);
  // An HTTP proxy for all protocols serves the two that it can carry.
  if (all && !result.http) result.http = all;
  if (all && !result.https) result.https = all;
  std::string which;
  result.noProxy = LocalToWide(first({"no_proxy", "NO_PROXY"}, which));
  return result;
}

void ProxyEnvironment::ApplyTo(CSettings& settings) const {
  if (http) settings.m_httpProxy = *http;
  if (socks) settings.m_socksProxy = *socks;
  if (!noProxy.empty()) settings.m_proxyBypass.Parse(noProxy);
}

}  // namespace ferrow
