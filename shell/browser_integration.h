#pragma once
// The main program's side of the browser integration: it switches the plug-in's integration on
// and off and asks for its state by loading "Tavil.so" and calling its exports "EnablePlugin",
// "DisablePlugin" and "IsPluginEnabled" (no arguments, a 32-bit result), unloading it again
// after each call. Where the library or the export cannot be had, message 3006 names the
// library's path and the result is 0.
//
// Used at start-up, when the settings are applied, and by the tray's Integration command.
#include <string>

namespace ferrow {

class CResourceManager;

class CBrowserIntegration {
 public:
  enum class Export { kEnablePlugin, kDisablePlugin, kIsPluginEnabled };

  // The library in the folder of the running program, else in the installed layout's
  // <prefix>/lib/ferrow/ beside the program's bin folder; the first when neither exists.
  static std::wstring DefaultLibraryPath();

  // resources may be null (no message is shown then).
  explicit CBrowserIntegration(const CResourceManager* resources,
                               std::wstring libraryPath = DefaultLibraryPath());

  // Loads the library, calls the export and unloads it; 0 (after message 3006) when the library
  // or the export cannot be had.
  int Call(Export which) const;
  // "EnablePlugin" when enable is set, else "DisablePlugin": the integration step of applying
  // the settings and of start-up.
  int Apply(bool enable) const {
    return Call(enable ? Export::kEnablePlugin : Export::kDisablePlugin);
  }
  // The tray's Integration command: switches to the opposite of the "EnableIntegration" setting
  // given, then stores what "IsPluginEnabled" reports into it. The new setting.
  bool Toggle(bool& enableIntegration) const;

  const std::wstring& LibraryPath() const { return m_libraryPath; }

 private:
  const CResourceManager* m_resources;
  std::wstring m_libraryPath;
};

}  // namespace ferrow
