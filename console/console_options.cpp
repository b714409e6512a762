#include "console/console_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <iostream>

#include "app/settings.h"
#include "platform/text.h"

namespace ferrow {
namespace {

bool ParseNumber(const std::string& text, int32_t low, int32_t high, int32_t& value) {
  if (text.empty()) return false;
  int64_t parsed = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  if (parsed < low || parsed > high) return false;
  value = static_cast<int32_t>(parsed);
  return true;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// "host:port" with a host and a port 1..65535.
bool SplitHostPort(const std::string& text, std::string& host, int32_t& port) {
  const size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  host = text.substr(0, colon);
  if (host.find_first_of("/@ ") != std::string::npos) return false;
  return ParseNumber(text.substr(colon + 1), 1, 65535, port);
}

std::string Trim(const std::string& line) {
  const char* blanks = " \t\r\n";
  const size_t first = line.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  return line.substr(first, line.find_last_not_of(blanks) - first + 1);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Options that take a value, long and short spellings.
struct ValueOption {
  const char* longName;
  char shortName;
};
constexpr ValueOption kValueOptions[] = {
    {"connections", 'n'},   {"parallel", 'j'},     {"limit", 0},    {"retries", 0},
    {"retry-delay", 0},     {"http-proxy", 0},     {"socks5", 0},   {"user-agent", 0},
    {"input-file", 'i'},    {"directory", 'd'},    {"output", 'o'}, {"list", 0},
    {"connect-timeout", 0}, {"stall-timeout", 0},  {"header", 0},   {"load-cookies", 0},
    {"timeout", 0},         {"ca-certificate", 0},
};

// Options without a value.
constexpr const char* kFlags[] = {"quiet",     "help",       "version",  "active",
                                  "verbose",   "no-proxy",   "no-netrc", "continue",
                                  "overwrite", "no-clobber", "insecure"};

}  // namespace

std::vector<std::string> CConsoleOptions::GetLongOptions() {
  std::vector<std::string> names(std::begin(kFlags), std::end(kFlags));
  for (const ValueOption& option : kValueOptions) names.push_back(option.longName);
  return names;
}

bool CConsoleOptions::Fail(std::string message) {
  m_error = std::move(message);
  return false;
}

bool CConsoleOptions::Parse(const std::vector<std::string>& arguments) {
  bool optionsEnded = false;
  bool existingGiven = false;
  for (size_t index = 0; index < arguments.size(); ++index) {
    const std::string& argument = arguments[index];
    if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
      m_urls.push_back(argument);
      continue;
    }
    if (argument == "--") {
      optionsEnded = true;
      continue;
    }
    std::string name;
    std::optional<std::string> inlineValue;
    if (argument.starts_with("--")) {
      name = argument.substr(2);
      const size_t equals = name.find('=');
      if (equals != std::string::npos) {
        inlineValue = name.substr(equals + 1);
        name = name.substr(0, equals);
      }
    } else {
      if (argument.size() > 2) inlineValue = argument.substr(2);  // -n4
      const char letter = argument[1];
      name = std::string(1, letter);
      for (const ValueOption& option : kValueOptions)
        if (option.shortName == letter) name = option.longName;
    }

    // Flags.
    if (name == "q" || name == "quiet") {
      m_quiet = true;
    } else if (name == "h" || name == "help") {
      m_help = true;
    } else if (name == "V" || name == "version") {
      m_version = true;
    } else if (name == "active") {
      m_activeMode = true;
    } else if (name == "v" || name == "verbose") {
      m_verbose = true;
    } else if (name == "insecure") {
      m_insecure = true;
    } else if (name == "no-proxy") {
      m_noProxy = true;
    } else if (name == "no-netrc") {
      m_noNetrc = true;
    } else if (name == "c" || name == "continue") {
      m_continue = true;
    } else if (name == "overwrite" || name == "no-clobber") {
      if (existingGiven &&
          m_existing != (name == "overwrite" ? ExistingFile::kReplace : ExistingFile::kKeep))
        return Fail("--overwrite and --no-clobber cannot be given together");
      existingGiven = true;
      m_existing = name == "overwrite" ? ExistingFile::kReplace : ExistingFile::kKeep;
    } else {
      const bool takesValue =
          std::any_of(std::begin(kValueOptions), std::end(kValueOptions),
                      [&](const ValueOption& option) { return name == option.longName; });
      if (!takesValue) return Fail("unknown option '" + MaskPassword(argument) + "'");
      std::string value;
      if (inlineValue) {
        value = *inlineValue;
      } else {
        if (index + 1 >= arguments.size()) return Fail("option '" + argument + "' needs a value");
        value = arguments[++index];
      }
      int32_t number = 0;
      if (name == "connections") {
        if (!ParseNumber(value, 1, 64, number))
          return Fail("--connections wants a number from 1 to 64, not '" + value + "'");
        m_connections = number;
      } else if (name == "parallel") {
        if (!ParseNumber(value, 1, 1000, number))
          return Fail("--parallel wants a number from 1 to 1000, not '" + value + "'");
        m_parallel = number;
      } else if (name == "limit") {
        if (!ParseRate(value, number))
          return Fail(
              "--limit wants a speed such as 500K or 2M (KiB/s without a suffix; 0 for "
              "none), not '" +
              value + "'");
        m_limit = number;
      } else if (name == "timeout") {
        if (!ParseNumber(value, 1, 86400, number))
          return Fail("--timeout wants seconds from 1 to 86400, not '" + value + "'");
        if (!m_connectTimeout) m_connectTimeout = number;
        if (!m_stallTimeout) m_stallTimeout = number;
      } else if (name == "header") {
        if (const std::string problem = CheckHeader(value); !problem.empty())
          return Fail("--header '" + value + "': " + problem);
        m_headers.push_back(value);
      } else if (name == "load-cookies") {
        if (value.empty()) return Fail("--load-cookies wants a file");
        m_cookieFile = value;
      } else if (name == "retries") {
        if (!ParseNumber(value, 1, 100000, number))
          return Fail("--retries wants a number of attempts (1 or more), not '" + value + "'");
        m_retries = number;
      } else if (name == "retry-delay") {
        if (!ParseNumber(value, 0, 86400, number))
          return Fail("--retry-delay wants seconds from 0 to 86400, not '" + value + "'");
        m_retryDelay = number;
      } else if (name == "connect-timeout" || name == "stall-timeout") {
        if (!ParseNumber(value, 1, 86400, number))
          return Fail("--" + name + " wants seconds from 1 to 86400, not '" + value + "'");
        (name == "connect-timeout" ? m_connectTimeout : m_stallTimeout) = number;
      } else if (name == "http-proxy") {
        std::string host;
        if (!SplitHostPort(value, host, number))
          return Fail("--http-proxy wants HOST:PORT, not '" + value + "'");
        m_httpProxy = value;
      } else if (name == "socks5") {
        std::string hostPort = value;
        const size_t at = value.rfind('@');
        if (at != std::string::npos) {
          if (value.substr(0, at).find(':') == std::string::npos)
            return Fail("--socks5 wants USER:PASS@HOST:PORT, not '" + MaskPassword(value) + "'");
          hostPort = value.substr(at + 1);
        }
        std::string host;
        if (!SplitHostPort(hostPort, host, number))
          return Fail("--socks5 wants [USER:PASS@]HOST:PORT, not '" + MaskPassword(value) + "'");
        m_socksProxy = value;
      } else if (name == "user-agent") {
        m_userAgent = value;
      } else if (name == "ca-certificate") {
        // Read now, so a wrong path is a usage error and not a failed handshake later.
        if (value.empty() || !std::ifstream(value))
          return Fail("cannot read the certificate file '" + value + "'");
        m_caCertificate = value;
      } else if (name == "input-file") {
        if (!ReadUrlFile(value)) return false;
      } else if (name == "directory") {
        if (value.empty()) return Fail("-d wants a folder");
        m_directory = value;
      } else if (name == "list") {
        m_listUrl = value;
      } else if (name == "output") {
        if (value.empty() || value.back() == '/') return Fail("-o wants a file name");
        m_outputFile = value;
      }
    }
  }
  if (m_help || m_version) return true;
  if (m_continue && m_existing == ExistingFile::kKeep)
    return Fail("--continue and --no-clobber cannot be given together");
  if (!m_listUrl.empty()) {
    if (!m_urls.empty()) return Fail("--list takes no URLs to download");
    const std::string problem = CheckUrl(m_listUrl);
    if (!problem.empty())
      return Fail("'" + MaskPassword(m_listUrl) + "' is not a URL ferrow-get can list: " + problem);
    // Folders can be listed on FTP sites only.
    if (!Lower(m_listUrl).starts_with("ftp://") && !Lower(m_listUrl).starts_with("ftps://"))
      return Fail("--list wants an ftp:// URL");
    return true;
  }
  if (m_urls.empty() && m_skipped.empty()) return Fail("no URL given");
  for (const std::string& url : m_urls) {
    const std::string problem = CheckUrl(url);
    if (!problem.empty())
      return Fail("'" + MaskPassword(url) + "' is not a URL ferrow-get can fetch: " + problem);
  }
  if (!m_outputFile.empty() && m_urls.size() != 1)
    return Fail("-o names one file, but " + std::to_string(m_urls.size()) + " URLs were given");
  if (m_outputFile.empty()) {
    // Two URLs with the same file name would overwrite each other's temporary file.
    std::vector<std::string> names;
    for (const std::string& url : m_urls) {
      const std::string name = FileNameForUrl(url);
      if (std::find(names.begin(), names.end(), name) != names.end())
        return Fail("two URLs would both be saved as '" + name + "'; fetch them in separate runs");
      names.push_back(name);
    }
  }
  return true;
}

bool CConsoleOptions::ReadUrlFile(const std::string& path) {
  std::ifstream file;
  if (path != "-") {
    file.open(path);
    if (!file) return Fail("cannot read the URL file '" + path + "'");
  }
  std::istream& in = path == "-" ? std::cin : file;
  std::string line;
  while (std::getline(in, line)) {
    const std::string url = Trim(line);
    // Blank lines and comments, as in the lists other tools read.
    if (url.empty() || url[0] == '#') continue;
    // As the import command: only lines beginning with the scheme in small letters.
    if (!url.starts_with("http://") && !url.starts_with("ftp://") && !url.starts_with("https://") &&
        !url.starts_with("ftps://")) {
      m_skipped.push_back({url, "not an http://, https://, ftp:// or ftps:// URL"});
    } else if (std::string problem = CheckUrl(url); !problem.empty()) {
      m_skipped.push_back({url, problem});
    } else {
      m_urls.push_back(url);
    }
  }
  return true;
}

std::string CConsoleOptions::CheckUrl(const std::string& url) {
  const std::string lower = Lower(url);
  size_t start = 0;
  if (lower.starts_with("http://"))
    start = 7;
  else if (lower.starts_with("https://") || lower.starts_with("ftps://"))
    start = lower.starts_with("https://") ? 8 : 7;
  else if (lower.starts_with("ftp://"))
    start = 6;
  else
    return "it must begin with http:// or ftp:// (or https://, ftps://)";
  for (unsigned char c : url)
    if (c <= ' ' || c == 0x7F) return "it contains spaces or control characters";
  const size_t slash = url.find('/', start);
  std::string authority =
      url.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
  const size_t at = authority.rfind('@');
  if (at != std::string::npos) authority = authority.substr(at + 1);
  std::string host = authority;
  size_t colon = authority.rfind(':');
  if (authority.starts_with("[")) {
    // An IPv6 literal: the port, if any, follows the closing bracket.
    const size_t close = authority.find(']');
    if (close == std::string::npos) return "the host name is malformed";
    host = authority.substr(1, close - 1);
    colon =
        authority.size() > close + 1 && authority[close + 1] == ':' ? close + 1 : std::string::npos;
    if (close + 1 < authority.size() && colon == std::string::npos)
      return "the host name is malformed";
    if (host.find_first_not_of("0123456789abcdefABCDEF:.") != std::string::npos)
      return "the host name is malformed";
  }
  if (colon != std::string::npos) {
    if (!authority.starts_with("[")) host = authority.substr(0, colon);
    int32_t port = 0;
    if (!ParseNumber(authority.substr(colon + 1), 1, 65535, port))
      return "the port must be a number from 1 to 65535";
  }
  if (host.empty()) return "it names no host";
  if (host.find_first_of("?#[]") != std::string::npos) return "the host name is malformed";
  if (!authority.starts_with("[") && host.find(':') != std::string::npos)
    return "the host name is malformed (an IPv6 address goes in brackets: http://[::1]/)";
  return "";
}

std::string CConsoleOptions::FileNameForUrl(const std::string& url) {
  const size_t schemeEnd = url.find("://");
  std::string rest = schemeEnd == std::string::npos ? url : url.substr(schemeEnd + 3);
  rest = rest.substr(0, rest.find_first_of("?#"));
  const size_t slash = rest.find('/');
  std::string segment = slash == std::string::npos ? "" : rest.substr(rest.rfind('/') + 1);
  std::string decoded;
  for (size_t i = 0; i < segment.size(); ++i) {
    if (segment[i] == '%' && i + 2 < segment.size() && HexValue(segment[i + 1]) >= 0 &&
        HexValue(segment[i + 2]) >= 0) {
      decoded += static_cast<char>(HexValue(segment[i + 1]) * 16 + HexValue(segment[i + 2]));
      i += 2;
    } else {
      decoded += segment[i];
    }
  }
  // A decoded separator or NUL must not reach the file system as such, nor a control
  // character a terminal that lists the folder.
  std::wstring name = LocalToWide(decoded);
  for (wchar_t& c : name) {
    auto code = static_cast<uint32_t>(c);
    if (c == L'/' || code < 0x20 || (code >= 0x7F && code < 0xA0)) c = L'_';
  }
  decoded = WideToLocal(name);
  if (decoded.empty() || decoded == "." || decoded == "..") return "index.html";
  return decoded;
}

bool CConsoleOptions::ParseRate(const std::string& text, int32_t& kib) {
  if (text.empty()) return false;
  std::string digits = text;
  int64_t factor = 1;
  switch (std::tolower(static_cast<unsigned char>(text.back()))) {
    case 'k':
      digits.pop_back();
      break;
    case 'm':
      factor = 1024;
      digits.pop_back();
      break;
    case 'g':
      factor = 1024 * 1024;
      digits.pop_back();
      break;
    default:
      break;
  }
  int32_t value = 0;
  if (!ParseNumber(digits, 0, 0x7FFFFFFF, value)) return false;
  if (value * factor > 0x7FFFFFFF) return false;
  kib = static_cast<int32_t>(value * factor);
  return true;
}

std::string CConsoleOptions::CheckHeader(const std::string& header) {
  const size_t colon = header.find(':');
  if (colon == std::string::npos || colon == 0) return "a header is written \"Name: value\"";
  const std::string name = header.substr(0, colon);
  for (unsigned char c : name)
    if (!std::isalnum(c) &&
        std::string("!#$%&'*+-.^_`|~").find(static_cast<char>(c)) == std::string::npos)
      return "the name may hold letters, digits and dashes only";
  for (unsigned char c : header)
    if (c < ' ' && c != '\t') return "it contains control characters";
  const std::string lower = Lower(name);
  if (lower == "range" || lower == "if-range") return "ferrow-get asks for the ranges itself";
  return "";
}

std::string CConsoleOptions::MaskPassword(const std::string& text) {
  const size_t scheme = text.find("://");
  const size_t begin = scheme == std::string::npos ? 0 : scheme + 3;
  const size_t slash = text.find('/', begin);
  const size_t at = text.rfind('@', slash == std::string::npos ? std::string::npos : slash);
  if (at == std::string::npos || at < begin) return text;
  const size_t colon = text.find(':', begin);
  if (colon == std::string::npos || colon > at) return text;
  return text.substr(0, colon + 1) + "***" + text.substr(at);
}

void CConsoleOptions::ApplyTo(CSettings& settings) const {
  if (m_connections) settings.m_maxThreads = *m_connections;
  if (m_parallel) settings.m_maxDownloads = *m_parallel;
  if (m_limit) settings.m_speedLimit = *m_limit;
  for (const std::string& header : m_headers)
    settings.m_extraHeaders.push_back(LocalToWide(header));
  if (m_noProxy) {
    settings.m_httpProxy.m_enabled = false;
    settings.m_socksProxy.m_enabled = false;
  }
  if (m_retries) settings.m_retryAttempts = *m_retries;
  if (m_retryDelay) settings.m_retryDelay = *m_retryDelay;
  if (m_connectTimeout) settings.m_connectTimeout = *m_connectTimeout;
  if (m_stallTimeout) settings.m_stallTimeout = *m_stallTimeout;
  if (m_activeMode) settings.m_passiveMode = false;
  if (m_caCertificate) settings.m_caCertificate = LocalToWide(*m_caCertificate);
  if (m_insecure) settings.m_verifyCertificates = false;
  if (m_userAgent) settings.m_userAgent = LocalToWide(*m_userAgent);
  if (m_httpProxy) {
    std::string host;
    int32_t port = 0;
    SplitHostPort(*m_httpProxy, host, port);
    settings.m_httpProxy.m_enabled = true;
    settings.m_httpProxy.m_server = LocalToWide(host);
    settings.m_httpProxy.m_port = port;
    settings.m_httpProxy.m_user.clear();
    settings.m_httpProxy.m_password.clear();
  }
  if (m_socksProxy) {
    std::string hostPort = *m_socksProxy;
    std::string user, password;
    const size_t at = hostPort.rfind('@');
    if (at != std::string::npos) {
      const std::string credentials = hostPort.substr(0, at);
      const size_t colon = credentials.find(':');
      user = credentials.substr(0, colon);
      password = credentials.substr(colon + 1);
      hostPort = hostPort.substr(at + 1);
    }
    std::string host;
    int32_t port = 0;
    SplitHostPort(hostPort, host, port);
    settings.m_socksProxy.m_enabled = true;
    settings.m_socksProxy.m_server = LocalToWide(host);
    settings.m_socksProxy.m_port = port;
    settings.m_socksProxy.m_user = LocalToWide(user);
    settings.m_socksProxy.m_password = LocalToWide(password);
  }
}

std::string CConsoleOptions::GetUsage() {
  return R"(Usage: ferrow-get [options] URL...
       ferrow-get [options] --list ftp://HOST/FOLDER/

Downloads every URL (http://, https://, ftp:// or ftps://) into the current
folder, each over several connections, under the name the server gives it.
Running the same command again continues from the temporary files (FILE.fr)
that an interrupted run left. Defaults come from Ferrow's Settings.xml when
there is one; the options override them for this run only.

Where the files go:
  -d, --directory DIR     save into DIR instead of the current folder
  -o, --output FILE       save the single URL as FILE; "-o -" writes it to
                          standard output
  -c, --continue          continue a partial file at the target, whatever
                          program made it
      --no-clobber        leave an existing file alone and download nothing
      --overwrite         replace an existing file
                          (default: a file of the server's size is left
                          alone and counts as done; another gets a free
                          name, NAME.1.EXT)

What to fetch:
  -i, --input-file FILE   also fetch the URLs in FILE, one a line ("-":
                          standard input); blank lines and lines beginning
                          with # are ignored

Connections:
  -n, --connections N     connections per download, 1 to 64 ("MaxThreads")
  -j, --parallel N        downloads running at once ("MaxDownloads")
      --limit RATE        total speed limit: 500K, 2M, 1G, or KiB/s without a
                          suffix; 0 for none ("SpeedLimit")
      --retries N         attempts per connection, the first included
      --retry-delay S     seconds to wait before another attempt
      --timeout S         both time-outs below at once
      --connect-timeout S seconds a connection may take to stand
                          ("ConnectTimeout")
      --stall-timeout S   seconds a connection may wait with (almost) no data
                          before it counts as stalled ("StallTimeout")

Servers and proxies:
      --http-proxy HOST:PORT            fetch HTTP through this proxy
      --socks5 [USER:PASS@]HOST:PORT    connect through this SOCKS5 proxy
      --active            FTP active mode (the server connects back)
      --ca-certificate FILE  also trust the certificates in FILE (PEM)
      --insecure          do not check certificates (anyone on the way can read
                          and change what is fetched)
      --no-proxy          no proxy, whatever the settings and the
                          environment say
      --header "NAME: VALUE"            send this request header (repeatable)
      --load-cookies FILE send the matching cookies of a cookies.txt file
      --user-agent TEXT   the User-Agent header
      --no-netrc          do not read logins from ~/.netrc
      --active            FTP active mode (the server connects back)

Listing an FTP folder:
      --list URL          print the entries of an FTP folder (type, size, date,
                          name) instead of downloading
  -v, --verbose           with --list: also print the FTP commands and replies

Messages:
  -q, --quiet             print nothing but errors
  -h, --help              show this text
  -V, --version           show the version

Environment: http_proxy, https_proxy, ALL_PROXY (http://, socks5://,
socks5h://) and no_proxy as other download tools read them; logins from
~/.netrc.

Exit status: 0 every download completed (or was there already, or the
folder was listed), 1 one or more failed or a line of a list was no URL,
2 usage error, 130 interrupted (Ctrl+C; run the same command again to
resume).

See ferrow-get(1) for more.
)";
}

}  // namespace ferrow
