#pragma once
// The FTP client: logs in on the control connection, learns size and date with SIZE and MDTM,
// probes REST, and opens one data connection per transfer or part, passive or active as the
// "PassiveMode" setting says, for a file (RETR) or a folder listing (LIST). Every command and
// every reply line goes into the transfer's log (kinds 1 and 2, each followed by event 5).
// A client belongs to one worker, part or browsing thread.
#include <cstdint>
#include <memory>
#include <string>

#include "net/internet_client.h"

namespace ferrow {

class CFtpClient : public CInternetClient {
 public:
  // The offset of Open data that asks for a folder listing instead of a file.
  static constexpr int64_t kListingOffset = -1;

  explicit CFtpClient(const CClientContext& context);

  // Without a user (from the URL or a stored login): "anonymous" with the "EmailAddress"
  // setting as password.
  bool Open(const std::wstring& url) override;
  // Greeting, USER and, unless USER already logged in, PASS.
  // Greeting, USER and PASS; for ftps:// first AUTH TLS (the control connection encrypted) and
  // afterwards PBSZ 0 and PROT P, so that every data connection is encrypted too, resuming the
  // control connection's session (servers such as vsftpd insist on that).
  bool Login() override;
  // TYPE I, SIZE and MDTM.
  bool QueryInformation() override;
  // REST 1: accepted means resume mode 2; anything else quietly means one part from the start.
  bool ProbeResume() override;
  bool IsLoginFailure(ErrorValue error) const override;
  std::unique_ptr<CInternetClient> Clone(const CClientContext& context) const override;
  // The data connection for the file from the offset (REST when the server can continue), or
  // for a listing with kListingOffset. The server's completion reply is left unread.
  CProxySocket* OpenData(int64_t offset) override;
  // CWD to the URL's path and LIST it: ".." first, then every entry the listing parser reads,
  // without "." and "..". Reads the completion reply, so the connection can list again.
  bool ListDirectory(CFileListing& listing) override;

  CProxySocket& DataSocket() { return m_data; }

  // Sends one command line; refuses text that would end the line early. The log and the
  // debugger output show a PASS command's argument as "****".
  bool SendCommand(const std::wstring& command);
  // Reads one whole reply, multi-line replies included, and checks its code. An unexpected
  // code records category 2 with it unless quiet.
  bool ReadReply(uint32_t accepted, uint32_t alsoAccepted = 0, bool quiet = false);

 private:
  bool Command(const std::wstring& command, uint32_t accepted, uint32_t alsoAccepted = 0);
  bool OpenPassive();
  // The URL's path as the server names it: percent escapes decoded.
  std::wstring RemotePath() const;
  // For a part: whether SIZE and MDTM still give what the download began with. Records
  // kFileChangedError when not.
  bool IsSameFile();
  bool ReadListing(CFileListing& listing);

  bool IsSecure() const;

  CProxySocket m_data;
  // The key under which this client's control session is kept for its data connections: one
  // per client, as each control connection is a session of its own at the server.
  std::wstring m_tlsKey;
};

}  // namespace ferrow
