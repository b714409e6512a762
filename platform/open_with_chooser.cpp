#include "platform/open_with_chooser.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/process_launcher.h"
#include "platform/text.h"

namespace ferrow {

std::string FileUri(const std::string& absolutePath) {
  std::string uri = "file://";
  for (unsigned char c : absolutePath) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
    if (plain) {
      uri += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      uri += escaped;
    }
  }
  return uri;
}

bool OfferOpenWith(const std::wstring& path) {
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (!bus || !*bus || path.empty()) return false;
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(WideToLocal(path), error);
  if (error) return false;
  // gdbus reads each argument as GVariant text: the escaped URI inside single quotes can
  // never end the string early.
  const std::string uri = "'" + FileUri(absolute.string()) + "'";
  return CProcessLauncher::Start({L"gdbus", L"call", L"--session", L"--dest",
                                  L"org.freedesktop.portal.Desktop", L"--object-path",
                                  L"/org/freedesktop/portal/desktop", L"--method",
                                  L"org.freedesktop.portal.OpenURI.OpenURI", L"''",
                                  LocalToWide(uri), L"{'ask': <true>}"})
      .Started();
}

}  // namespace ferrow
