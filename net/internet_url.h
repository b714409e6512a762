#pragma once
// A parsed address: scheme, credentials, host, port, path and file name. Parsing is forgiving
// and never fails; fields that a parse does not set keep their previous values.
#include <cstdint>
#include <string>

namespace ferrow {

// The schemes of the URL model. The numbers are stored (a site's "Protocol") and never change.
enum class Scheme : int32_t {
  kFtp = 0,
  kFtps = 1,
  kSftp = 2,
  kHttp = 3,
  kHttps = 4,
  kSocks4 = 5,
  kSocks5 = 6,
  kOther = 7,
};

constexpr int32_t SchemeNumber(Scheme scheme) {
  return static_cast<int32_t>(scheme);
}

class CInternetURL {
 public:
  CInternetURL() = default;
  explicit CInternetURL(const std::wstring& text);
  virtual ~CInternetURL() = default;
  CInternetURL(const CInternetURL&) = default;
  CInternetURL& operator=(const CInternetURL&) = default;

  void Parse(const std::wstring& text);
  std::wstring Format() const;
  // Replaces the path (the file name stays) and rebuilds the text.
  void SetPath(const std::wstring& path);

  // Percent-escapes the 15 characters that may not stand in a URL as they are.
  static std::wstring Escape(const std::wstring& text);
  // Decodes "%XX" escapes (the bytes in the local character set); a "%" without two hex
  // digits stays as it is.
  static std::wstring Unescape(const std::wstring& text);
  // The address a reference (a redirect's "Location:") names, seen from base, as RFC 3986
  // resolves it: "b.bin" from "http://h/dir/a" is "http://h/dir/b.bin", "../b" and "//h2/b"
  // likewise; an absolute reference stands as it is. The scheme is given in small letters
  // and the fragment is left out.
  static std::wstring Resolve(const std::wstring& base, const std::wstring& reference);
  // The address with the password of its "user:password@" shown as "****", for logs and
  // messages; an address without a password stays as it is.
  static std::wstring MaskPassword(const std::wstring& text);
  // Standard Base64 of the text in the local character set (HTTP Basic credentials).
  static std::wstring Base64(const std::wstring& text);
  // The default port of a scheme number (0 for any other).
  static int32_t DefaultPort(Scheme scheme);

  const std::wstring& Text() const { return m_text; }
  Scheme GetScheme() const { return m_scheme; }
  const std::wstring& Host() const { return m_host; }
  int32_t Port() const { return m_port; }
  const std::wstring& User() const { return m_user; }
  const std::wstring& Password() const { return m_password; }
  const std::wstring& Path() const { return m_path; }
  const std::wstring& FileName() const { return m_fileName; }

  void SetText(const std::wstring& text) { m_text = text; }
  void SetScheme(Scheme scheme) { m_scheme = scheme; }
  void SetHost(const std::wstring& host) { m_host = host; }
  void SetPort(int32_t port) { m_port = port; }
  void SetUser(const std::wstring& user) { m_user = user; }
  void SetPassword(const std::wstring& password) { m_password = password; }
  void SetFileName(const std::wstring& fileName) { m_fileName = fileName; }

 private:
  void ParseAuthority(const std::wstring& authority);

  std::wstring m_text;
  Scheme m_scheme = Scheme::kFtp;
  std::wstring m_host;
  int32_t m_port = 0;
  std::wstring m_user;
  std::wstring m_password;
  std::wstring m_path;
  std::wstring m_fileName;
};

}  // namespace ferrow
