#pragma once
// Starts the main program for a browser hand-over: "<AppPath>ferrow" with the argument vector
// { program, "/silent", "/url=" + urls } -- never through a shell, so nothing in a URL can become
// a second argument or an option. Shared by both plug-ins and the native messaging host.
//
// The child gets the caller's environment and current folder; standard input and output are
// /dev/null (the native host's own standard output is its message channel) and no other
// descriptor is passed on. The caller does not wait for it; children that have ended are
// reaped at the next launch and when the library is unloaded.
#include <string>
#include <vector>

namespace ferrow::plugin {

// The file name of the main program in the folder that "AppPath" names.
inline constexpr const char* kMainProgramName = "ferrow";
// The longest command line the hand-over builds, as the classic launch buffer held it; a longer
// one is cut (the URL text loses its tail) and still started.
inline constexpr size_t kMaxCommandLine = 32767;

// The argument vector for folder and URL text. The length of the command line that the vector
// stands for ("<folder>ferrow /silent /url=<urls>") counts in `unitsOf` units: the URL text is
// cut so that it stays within kMaxCommandLine of them. `unitsOf` gives the length of a string in
// the caller's units (UTF-16 units for Tavil, bytes for Rumex).
std::vector<std::string> MainProgramArguments(const std::string& folder, const std::string& urls,
                                              size_t (*unitsOf)(const std::string&),
                                              std::string (*cutTo)(const std::string&, size_t));
// The same with bytes as units.
std::vector<std::string> MainProgramArguments(const std::string& folder, const std::string& urls);

// Starts argv[0] with argv; with an argv[0] without a slash the PATH decides. The pid, or -1
// when the start failed.
int StartDetached(const std::vector<std::string>& argv);

// Reaps the children started here that have ended. Called on every start and at unload.
void ReapEndedChildren();

}  // namespace ferrow::plugin
