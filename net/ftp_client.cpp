#include "net/ftp_client.h"

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "net/debug_output.h"
#include "net/entry_info.h"
#include "net/file_listing.h"
#include "net/ftp_reply.h"
#include "net/log_info.h"
#include "net/safe_file_name.h"
#include "net/transfer_errors.h"
#include "net/transfer_info.h"
#include "net/transfer_settings.h"
#include "platform/socket.h"
#include "platform/text.h"

namespace ferrow {

namespace {

// The longest listing line taken as one; a longer run without a line end is cut there.
constexpr size_t kMaxListingLine = 65536;

}  // namespace

CFtpClient::CFtpClient(const CClientContext& context) : CInternetClient(context), m_data(context) {
  static std::atomic<uint64_t> clients{0};
  m_tlsKey = L"ftps-control-" + std::to_wstring(++clients);
}

bool CFtpClient::IsSecure() const {
  return m_url.GetScheme() == Scheme::kFtps;
}

bool CFtpClient::Open(const std::wstring& url) {
  if (!CInternetClient::Open(url)) return false;
  if (m_url.User().empty()) {
    m_url.SetUser(L"anonymous");
    m_url.SetPassword(Settings() != nullptr ? Settings()->GetEmailAddress() : std::wstring());
  }
  return true;
}

bool CFtpClient::SendCommand(const std::wstring& command) {
  // A line end inside an argument (a path from a URL) would start a second command.
  if (!IsSafeCommandText(command)) {
    ReportError(MakeError(kCategorySystem, SystemCode::kInvalidName));
    return false;
  }
  std::wstring line = command + L"\r\n";
  std::wstring shown = command.compare(0, 5, L"PASS ") == 0 ? L"PASS ****\r\n" : line;
  AddLogLine(LogKind::kSent, shown);
  DebugOutput(WideToLocal(shown));
  std::string bytes = WideToLocal(line);
  size_t sent = 0;
  while (sent < bytes.size()) {
    int n = m_socket.Send(bytes.data() + sent, static_cast<int>(bytes.size() - sent));
    if (n < 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

bool CFtpClient::ReadReply(uint32_t accepted, uint32_t alsoAccepted, bool quiet) {
  m_replyCode = 0;
  m_replyText = nullptr;
  char* buffer = m_buffer.get();
  // The code of a multi-line reply being read: only a line with this code and a space after
  // it ends the reply, whatever the inner lines look like.
  uint32_t openCode = 0;
  uint32_t code = 0;
  for (;;) {
    // A line feed ends a line, so a server that leaves out the carriage return is read too.
    int n = m_socket.ReadLine(buffer, kClientBufferSize, "\n");
    if (n < 0) return false;
    std::string_view line(buffer, static_cast<size_t>(n));
    AddLogLine(LogKind::kReceived, LocalToWide(line));
    DebugOutput(line);
    if (!ParseReplyCode(line, code)) continue;  // an inner line, or noise before a reply
    if (openCode != 0 && (code != openCode || IsContinuedReplyLine(line))) continue;
    m_replyCode = code;
    m_replyText = buffer + (line.size() > 4 ? 4 : line.size());
    if (openCode == 0 && IsContinuedReplyLine(line)) {
      openCode = code;
      continue;
    }
    break;
  }
  if (code == accepted || (alsoAccepted != 0 && code == alsoAccepted)) return true;
  if (!quiet) ReportError(MakeError(kCategoryFtp, static_cast<uint16_t>(code)));
  return false;
}

bool CFtpClient::Command(const std::wstring& command, uint32_t accepted, uint32_t alsoAccepted) {
  return SendCommand(command) && ReadReply(accepted, alsoAccepted);
}

bool CFtpClient::Login() {
  if (!ReadReply(220)) return false;
  // Explicit TLS before anything secret is sent; no way back to plain text if it fails.
  if (IsSecure() && (!Command(L"AUTH TLS", 234) || !m_socket.StartTls(m_url.Host(), m_tlsKey)))
    return false;
  if (!Command(L"USER " + m_url.User(), 230, 331)) return false;
  if (m_replyCode == 331 && !Command(L"PASS " + m_url.Password(), 230)) return false;
  return !IsSecure() || (Command(L"PBSZ 0", 200) && Command(L"PROT P", 200));
}

bool CFtpClient::QueryInformation() {
  if (!Command(L"TYPE I", 200)) return false;
  if (!Command(L"SIZE " + RemotePath(), 213)) return false;
  int64_t size = 0;
  if (!ParseSizeReply(m_replyText, size)) {
    ReportError(MakeError(kCategoryFtp, static_cast<uint16_t>(m_replyCode)));
    return false;
  }
  if (!Command(L"MDTM " + RemotePath(), 213)) return false;
  uint64_t date = ParseModificationTimeReply(m_replyText);
  if (Transfer() != nullptr) {
    Transfer()->SetSize(static_cast<uint64_t>(size));
    Transfer()->SetDate(date);
    Transfer()->SetServerFileName(FileNameOfUrl(m_url.Text()));
  }
  return true;
}

bool CFtpClient::ProbeResume() {
  if (!SendCommand(L"REST 1")) return false;
  if (ReadReply(350, 0, true)) {
    if (Transfer() != nullptr) Transfer()->SetResumeMode(ResumeMode::kResumable);
    return true;
  }
  if (m_replyCode == 0) return false;  // the connection failed; its error is recorded
  // No restart support is no error: the file comes in one part from its start.
  if (Transfer() != nullptr) {
    Transfer()->SetResumeMode(ResumeMode::kNotResumable);
    Transfer()->SetParts(1);
  }
  return false;
}

bool CFtpClient::IsLoginFailure(ErrorValue error) const {
  return error == MakeError(kCategoryFtp, 530);
}

std::unique_ptr<CInternetClient> CFtpClient::Clone(const CClientContext& context) const {
  return std::make_unique<CFtpClient>(context);
}

std::wstring CFtpClient::RemotePath() const {
  return CInternetURL::Unescape(m_url.Path());
}

bool CFtpClient::OpenPassive() {
  std::wstring host = m_socket.PeerHost();
  if (host.empty()) host = m_url.Host();
  uint16_t port = 0;
  // EPSV names only a port, works over IPv6 and through every proxy; PASV is for servers that
  // do not know it.
  if (!SendCommand(L"EPSV")) return false;
  if (ReadReply(229, 0, true)) {
    if (!ParseExtendedPassiveReply(m_replyText, port)) {
      ReportError(MakeError(kCategoryFtp, static_cast<uint16_t>(m_replyCode)));
      return false;
    }
    return m_data.Create() && m_data.Connect(host, port);
  }
  if (m_replyCode == 0) return false;  // the connection failed; its error is recorded
  if (!Command(L"PASV", 227)) return false;
  uint32_t address = 0;
  if (!ParsePassiveReply(m_replyText, address, port)) {
    ReportError(MakeError(kCategoryFtp, static_cast<uint16_t>(m_replyCode)));
    return false;
  }
  // Only the port is taken from the reply: the data connection goes to the host the control
  // connection reached, so a server cannot send Ferrow to a third host (the FTP bounce).
  const IpAddress replied = IpAddress::Ipv4(address);
  std::wstring named = LocalToWide(replied.Text());
  IpAddress reached;
  if (ParseNumericAddress(WideToLocal(host), reached) && reached != replied) {
    AddLogLine(LogKind::kNotice, L"The passive reply names " + named +
                                     L"; the data connection "
                                     L"goes to " +
                                     host + L", the control connection's host.");
  }
  return m_data.Create() && m_data.Connect(host, port);
}

bool CFtpClient::IsSameFile() {
  CTransferInfo* master = Transfer() != nullptr ? Transfer()->Master() : nullptr;
  if (master == nullptr) return true;
  // Some servers refuse SIZE in ASCII mode.
  if (!Command(L"TYPE I", 200) || !Command(L"SIZE " + RemotePath(), 213)) return false;
  int64_t size = 0;
  std::wstring why;
  if (ParseSizeReply(m_replyText, size) && static_cast<uint64_t>(size) != master->Size()) {
    why =
        L"its size is " + std::to_wstring(size) + L" bytes, not " + std::to_wstring(master->Size());
  }
  if (why.empty()) {
    if (!Command(L"MDTM " + RemotePath(), 213)) return false;
    if (ParseModificationTimeReply(m_replyText) != master->Date()) why = L"its date changed";
  }
  if (why.empty()) return true;
  AddLogLine(LogKind::kNotice,
             L"The server now has another file than the download began with: " + why + L".");
  ReportError(kFileChangedError);
  return false;
}

CProxySocket* CFtpClient::OpenData(int64_t offset) {
  const bool passive = Settings() == nullptr || Settings()->GetPassiveMode();
  // The waiting end of an active connection; closed whichever way this ends.
  CProxySocket listener(Context());
  m_data.Close();
  auto fail = [this]() -> CProxySocket* {
    m_data.Close();
    return nullptr;
  };

  if (offset != kListingOffset && !IsSameFile()) return fail();
  if (passive) {
    if (!OpenPassive()) return fail();
  } else {
    if (!listener.ListenLike(m_socket)) return fail();
    // PORT carries IPv4 only; over IPv6 the server must know EPRT.
    const bool extended = m_socket.IsIpv6();
    std::wstring address = extended ? listener.ExtendedPortText() : listener.PortText();
    if (address.empty() || !Command((extended ? L"EPRT " : L"PORT ") + address, 200)) return fail();
  }

  if (offset == kListingOffset) {
    if (!Command(L"TYPE A", 200) || !SendCommand(L"LIST")) return fail();
  } else {
    if (!Command(L"TYPE I", 200)) return fail();
    bool resumable = Transfer() != nullptr && Transfer()->GetResumeMode() == ResumeMode::kResumable;
    if (resumable && !Command(L"REST " + std::to_wstring(offset), 350)) return fail();
    if (!SendCommand(L"RETR " + RemotePath())) return fail();
  }
  if (!ReadReply(125, 150)) return fail();
  if (!passive && !listener.Accept(m_data)) return fail();
  // The server starts its side of the handshake once it has answered the command.
  if (IsSecure() && !m_data.StartTls(m_url.Host(), m_tlsKey)) return fail();
  return &m_data;
}

bool CFtpClient::ListDirectory(CFileListing& listing) {
  listing.Clear();
  if (!Command(L"CWD " + RemotePath(), 250)) return false;
  if (OpenData(kListingOffset) == nullptr) return false;
  CFileListing entries;
  bool read = ReadListing(entries);
  m_data.Close();
  if (!read || CheckStop(0)) return false;
  // Some servers end a listing with 250 rather than 226.
  if (!ReadReply(226, 250)) return false;
  listing.Add(CEntryInfo(L"..", CEntryInfo::kTypeDirectory));
  for (const CEntryInfo& entry : entries) listing.Add(entry);
  return true;
}

bool CFtpClient::ReadListing(CFileListing& listing) {
  std::wstring folder = m_url.Text();
  if (folder.empty() || folder.back() != L'/') folder += L'/';
  std::string pending;
  std::vector<char> chunk(16384);
  bool ended = false;
  while (!ended || !pending.empty()) {
    size_t lineEnd = pending.find('\n');
    if (lineEnd == std::string::npos && !ended && pending.size() < kMaxListingLine) {
      // The server closes the data connection after the last line; that is the end, not a
      // failure, so the socket is read here directly.
      int n = m_data.ReceiveUntilEnd(chunk.data(), static_cast<int>(chunk.size()));
      if (n < 0) return false;
      if (n == 0) ended = true;
      pending.append(chunk.data(), static_cast<size_t>(n));
      continue;
    }
    size_t take =
        lineEnd != std::string::npos ? lineEnd + 1 : std::min(pending.size(), kMaxListingLine);
    std::string line = pending.substr(0, take);
    pending.erase(0, take);
    CEntryInfo entry;
    if (!entry.ParseLine(LocalToWide(line)) || entry.IsDotEntry()) continue;
    // The address's path is decoded when it is fetched, so a "%" in a name is escaped.
    std::wstring name = entry.GetName();
    for (size_t at = name.find(L'%'); at != std::wstring::npos; at = name.find(L'%', at + 3)) {
      name.replace(at, 1, L"%25");
    }
    entry.SetAddress(folder + name);
    listing.Add(entry);
  }
  return true;
}

}  // namespace ferrow
