#pragma once
// A parsed address: scheme, credentials, host, port, path and file name. Parsing is forgiving
// and never fails; fields that a parse does not set keep their previous values.
#include <cstdint>
#include <string>

namespace ferrow {

namespace Scheme {
constexpr int32_t kFtp = 0;
constexpr int32_t kFtps = 1;
constexpr int32_t kSftp = 2;
constexpr int32_t kHttp = 3;
constexpr int32_t kHttps = 4;
constexpr int32_t kSocks4 = 5;
constexpr int32_t kSocks5 = 6;
constexpr int32_t kOther = 7;
}  // namespace Scheme

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
  // Standard Base64 of the text in the local character set (HTTP Basic credentials).
  static std::wstring Base64(const std::wstring& text);
  // The default port of a scheme number (0 for any other).
  static int32_t DefaultPort(int32_t scheme);

  const std::wstring& Text() const { return m_text; }
  int32_t GetScheme() const { return m_scheme; }
  const std::wstring& Host() const { return m_host; }
  int32_t Port() const { return m_port; }
  const std::wstring& User() const { return m_user; }
  const std::wstring& Password() const { return m_password; }
  const std::wstring& Path() const { return m_path; }
  const std::wstring& FileName() const { return m_fileName; }

  void SetText(const std::wstring& text) { m_text = text; }
  void SetScheme(int32_t scheme) { m_scheme = scheme; }
  void SetHost(const std::wstring& host) { m_host = host; }
  void SetPort(int32_t port) { m_port = port; }
  void SetUser(const std::wstring& user) { m_user = user; }
  void SetPassword(const std::wstring& password) { m_password = password; }
  void SetFileName(const std::wstring& fileName) { m_fileName = fileName; }

 private:
  void ParseAuthority(const std::wstring& authority);

  std::wstring m_text;
  int32_t m_scheme = 0;
  std::wstring m_host;
  int32_t m_port = 0;
  std::wstring m_user;
  std::wstring m_password;
  std::wstring m_path;
  std::wstring m_fileName;
};

}  // namespace ferrow
