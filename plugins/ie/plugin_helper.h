#pragma once
// The plug-in's four operations. Nothing is kept between calls: every call reads the registry
// afresh, so a changed "AppPath" or "ExtensionList" counts at once, and calls from several
// browser threads share no buffers.
#include <string>

namespace ferrow::tavil {

class CPluginHelper {
 public:
  static constexpr const wchar_t* kProgramKey = L"Software\\Brennick\\Ferrow";
  static constexpr const wchar_t* kDefaultExtensionList =
      L"EXE ZIP ARJ RAR LHA LZH Z GZ GZIP TGZ TAR MSI MP3 MP2 WMA TIF TIFF AVI MPG MPEG QT MOV ASF "
      L"WMV R0* R1* A0* A1*";

  // The machine's "AppPath" (the main program's folder with its trailing '/'); empty when it is
  // missing, not a string or longer than 259 characters.
  std::wstring ReadAppPath() const;
  // The user's "ExtensionList"; the default list when missing, not a string or longer than 1039
  // characters.
  std::wstring ReadExtensionList() const;
  // Whether the browser should hand this URL over: "http://" or "ftp://" (exact case), and the
  // text after the last '.', which must follow the last '/', matches an entry of the list.
  bool IsListedUrl(const std::wstring& url) const;
  // The same test against a given list.
  static bool IsListedUrl(const std::wstring& url, const std::wstring& extensionList);
  // Starts the main program with "/silent" and "/url=" + url; does not wait. The pid, or -1 when
  // it could not be started (the browser is not told).
  int LaunchMainProgram(const std::wstring& url) const;
};

// The one instance of the library.
CPluginHelper& PluginHelper();

// A string value of at most `room` bytes (terminator included), as a fixed buffer holds it.
bool ReadRegistryString(int hive, const std::wstring& key, const wchar_t* name, size_t room,
                        std::wstring& value);

}  // namespace ferrow::tavil
