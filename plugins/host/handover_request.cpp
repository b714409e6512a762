#include "plugins/host/handover_request.h"

#include "platform/browser_handover.h"
#include "platform/clock.h"
#include "platform/registry_file.h"
#include "platform/text.h"
#include "plugins/common/main_program_launcher.h"
#include "plugins/host/json_value.h"
#include "plugins/ie/plugin_helper.h"

namespace ferrow::host {
namespace {

constexpr size_t kMaxItems = 10000;
constexpr size_t kAppPathRoom = 520;

// Text from the outside, made safe for a message: printable ASCII only.
std::string Printable(const std::string& text) {
  std::string out;
  for (unsigned char c : text) out += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?';
  return out;
}

std::string ReadAppPath() {
  RegistryValue stored;
  if (!RegistryReadValue(RegistryHive::kLocalMachine, L"Software\\Brennick\\Ferrow",
                         std::wstring(L"AppPath"), stored) ||
      stored.type != RegistryType::kString || stored.data.size() > kAppPathRoom)
    return "";
  std::wstring path = Utf16LeToWide(stored.data.substr(0, stored.data.size() & ~size_t{1}));
  if (size_t zero = path.find(L'\0'); zero != std::wstring::npos) path.resize(zero);
  return WideToLocal(path);
}

std::string Download(const CJsonValue& request, const MainProgram& program) {
  const CJsonValue* items = request.Find("items");
  if (!items || !items->IsArray() || items->Items().empty())
    return ErrorReply("The request names no URL (\"items\" must be a non-empty list).");
  if (items->Items().size() > kMaxItems)
    return ErrorReply("Too many URLs in one request (at most " + std::to_string(kMaxItems) + ").");
  std::string referrer;
  if (const CJsonValue* page = request.Find("referrer"); page && page->IsString()) {
    std::string reason;
    // A page that is no web address (a local file, a blank page) is simply not passed on.
    if (IsHandoverUrl(page->String(), reason)) referrer = page->String();
  }
  std::vector<BrowserHandoverNote> notes;
  std::vector<std::string> urls;
  const int64_t now = SystemClock().WallSeconds();
  for (size_t i = 0; i < items->Items().size(); ++i) {
    const CJsonValue& item = items->Items()[i];
    const CJsonValue* url = item.Find("url");
    const std::string which = "URL " + std::to_string(i + 1);
    if (!url || !url->IsString()) return ErrorReply(which + " is missing or not a text.");
    std::string reason;
    if (!IsHandoverUrl(url->String(), reason))
      return ErrorReply(which + " was not handed over: " + reason);
    std::string cookies;
    if (const CJsonValue* c = item.Find("cookies"); c && c->IsString()) cookies = c->String();
    if (!IsStorableHandoverField(cookies, kBrowserHandoverMaxCookies))
      return ErrorReply("The cookies of " + which +
                        " hold control characters or are too long; nothing was handed over.");
    urls.push_back(url->String());
    if (!cookies.empty() || !referrer.empty())
      notes.push_back({now, url->String(), referrer, cookies});
  }

  const std::string folder = program.folder();
  const std::string joined = JoinHandoverUrls(urls);
  const std::vector<std::string> argv = plugin::MainProgramArguments(folder, joined);
  if (argv[2].size() != joined.size() + 5)
    return ErrorReply("The URLs are too long for one hand-over (" + std::to_string(joined.size()) +
                      " characters; the command line holds " +
                      std::to_string(plugin::kMaxCommandLine) + "). Hand over fewer at a time.");
  bool notesKept = true;
  for (const auto& note : notes) notesKept = WriteBrowserHandoverNote(note) && notesKept;
  if (program.start(argv) < 0) {
    return ErrorReply("Ferrow could not be started as \"" + Printable(argv[0]) +
                      "\". Check that Ferrow is installed; \"AppPath\" names its folder (run "
                      "ferrow-native-host --register FOLDER to set it).");
  }
  std::string reply = "{\"ok\":true,\"started\":" + std::to_string(urls.size());
  if (!notesKept)
    reply +=
        ",\"warning\":" + JsonQuote(
                              "The cookies and the page address could not be stored; a download "
                              "behind a login may fail.");
  return reply + "}";
}

}  // namespace

MainProgram DefaultMainProgram() {
  return {ReadAppPath, plugin::StartDetached};
}

bool IsHandoverUrl(const std::string& url, std::string& reason) {
  if (url.size() > kBrowserHandoverMaxUrl) {
    reason = "it is longer than " + std::to_string(kBrowserHandoverMaxUrl) + " characters.";
    return false;
  }
  size_t schemeEnd = 0;
  for (const char* scheme : {"http://", "https://", "ftp://"})
    if (url.starts_with(scheme)) schemeEnd = std::char_traits<char>::length(scheme);
  if (schemeEnd == 0) {
    reason = "only http://, https:// and ftp:// URLs can be downloaded.";
    return false;
  }
  if (schemeEnd == url.size() || url[schemeEnd] == '/') {
    reason = "it names no server.";
    return false;
  }
  for (unsigned char c : url) {
    // What a browser writes out as a URL never holds these; their presence means the text did
    // not come from one.
    if (c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>') {
      reason =
          "it holds spaces, quotes, control or non-ASCII characters, which a browser "
          "always encodes.";
      return false;
    }
  }
  return true;
}

std::string JoinHandoverUrls(const std::vector<std::string>& urls) {
  std::string joined;
  for (size_t i = 0; i < urls.size(); ++i) {
    if (i > 0) joined += '|';
    for (char c : urls[i]) {
      if (c == '|')
        joined += "%7C";
      else
        joined += c;
    }
  }
  return joined;
}

std::string ErrorReply(const std::string& message) {
  return "{\"ok\":false,\"error\":" + JsonQuote(message) + "}";
}

std::string HandleMessage(const std::string& json, const MainProgram& program) {
  CJsonValue request;
  std::string error;
  if (!CJsonValue::Parse(json, request, error))
    return ErrorReply("The message is not valid JSON (" + error + ").");
  if (!request.IsObject()) return ErrorReply("The message must be a JSON object.");
  const CJsonValue* command = request.Find("command");
  if (!command || !command->IsString()) return ErrorReply("The message names no \"command\".");
  if (command->String() == "ping")
    return "{\"ok\":true,\"version\":" + JsonQuote(FERROW_VERSION) + "}";
  if (command->String() == "download") return Download(request, program);
  if (command->String() == "offer") {
    // A download the browser started: taken only when the URL passes the plug-in's test against
    // the user's "ExtensionList", as the download hook decides it.
    const CJsonValue* items = request.Find("items");
    const CJsonValue* url = items && items->IsArray() && items->Items().size() == 1
                                ? items->Items()[0].Find("url")
                                : nullptr;
    if (!url || !url->IsString()) return ErrorReply("An offer names exactly one URL.");
    if (!tavil::PluginHelper().IsListedUrl(Utf8ToWide(url->String())))
      return "{\"ok\":true,\"taken\":false}";
    std::string reply = Download(request, program);
    if (reply.starts_with("{\"ok\":true")) reply.insert(1, "\"taken\":true,");
    return reply;
  }
  return ErrorReply("Unknown command \"" + Printable(command->String()) + "\".");
}

}  // namespace ferrow::host
