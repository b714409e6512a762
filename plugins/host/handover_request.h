#pragma once
// One request of the extension and the host's answer. Requests:
//   {"command": "ping"}
//       -> {"ok": true, "version": "..."}
//   {"command": "download", "referrer": "<page URL>",
//    "items": [{"url": "<URL>", "cookies": "<name=value; ...>"}, ...]}
//       -> {"ok": true, "started": <number of URLs>}
//   {"command": "offer", "referrer": ..., "items": [{"url": ..., "cookies": ...}]}
//       a download the browser began: handed over like "download" when the URL's extension is
//       on the user's "ExtensionList" -> {"taken": true, "ok": true, "started": 1}; else
//       {"ok": true, "taken": false} and the browser keeps it
// and for anything wrong {"ok": false, "error": "<what went wrong and what to do>"}. A download
// request starts the main program once with all URLs joined by '|', or, when any part of the
// request is refused, not at all.
#include <functional>
#include <string>
#include <vector>

namespace ferrow::host {

// Starts the main program with an argument vector; the pid, or -1. The seam between the host
// and the program it starts: the default reads "AppPath" and spawns "<AppPath>ferrow".
struct MainProgram {
  std::function<std::string()> folder;  // "AppPath", with its trailing '/'
  std::function<int(const std::vector<std::string>&)> start;
};
MainProgram DefaultMainProgram();

// Whether a browser could have sent this as a URL to hand over: "http://", "https://" or
// "ftp://" followed by a host, printable ASCII without spaces, quotes or angle brackets, at
// most 8192 bytes. False with the reason.
bool IsHandoverUrl(const std::string& url, std::string& reason);

// The URLs joined for "/url=": each '|' inside a URL is written as "%7C" first, as the main
// program splits the text at '|'.
std::string JoinHandoverUrls(const std::vector<std::string>& urls);

// Answers one message (its JSON text).
std::string HandleMessage(const std::string& json, const MainProgram& program);

// Error replies for framing faults.
std::string ErrorReply(const std::string& message);

}  // namespace ferrow::host
