#pragma once
// The base of the protocol clients. A client owns the connection, the URL it works on and a
// 64 KiB receive buffer, and offers the protocol steps the transfer worker calls in a fixed
// order: Open, Connect, Login, QueryInformation, ProbeResume, Disconnect, then OpenData for each
// part. It moves bytes only: where they go on disk is the transfer's business (download/).
// Results are true for success; a failing operation has recorded the transfer's error first.
// A client lives for one worker or part thread.
#include <cstdint>
#include <memory>
#include <string>

#include "net/client_context.h"
#include "net/internet_url.h"
#include "net/proxy_socket.h"

namespace ferrow {

class CFileListing;

constexpr int kClientBufferSize = 65536;

class CInternetClient : public CClientContext {
 public:
  explicit CInternetClient(const CClientContext& context);
  ~CInternetClient() override;
  CInternetClient(const CInternetClient&) = delete;
  CInternetClient& operator=(const CInternetClient&) = delete;

  // Parses the URL to work on; a stored site login for its host (exact match) replaces its
  // user and password.
  virtual bool Open(const std::wstring& url);
  // Status Connecting, then a connection to the URL's host and port.
  virtual bool Connect();
  virtual bool Login();
  // Closes the connection; always succeeds.
  virtual bool Disconnect();
  // Learns Size and Date of the remote file.
  virtual bool QueryInformation();
  // Learns whether the server can continue at an offset (the description's resume mode).
  virtual bool ProbeResume();
  // The next QueryInformation only learns about the file and asks for none of its bytes (an
  // HTTP HEAD): for a check whether a file at hand is already the server's. Off again after it.
  virtual void AskWithoutBody() {}

  virtual bool IsLoginFailure(ErrorValue error) const;
  // Worth another attempt: a connection reset, refused or closed early, a time-out, and the
  // HTTP answers of a busy or failing server (408, 429, 500, 502, 503, 504).
  virtual bool IsRetryable(ErrorValue error) const;
  // The server refuses one more connection for now (503, 429): a part gives its range back
  // to the others rather than fail.
  bool IsBusyRefusal(ErrorValue error) const;
  // Waits on the stop event (0 only tests); when set, records "cancelled" and returns true.
  virtual bool WaitForStop(uint32_t milliseconds);
  // Waits on the resume event (kWaitForever has no limit); when set, resets it and returns
  // its value, else 0.
  virtual uint32_t WaitForResume(uint32_t milliseconds);
  // A new client of the same protocol for another context (a part); none in the base.
  virtual std::unique_ptr<CInternetClient> Clone(const CClientContext& context) const;
  // Opens the data stream from an offset; returns the socket to read it from, or none.
  virtual CProxySocket* OpenData(int64_t offset);
  // Where the bytes the next OpenData asks for end (exclusive); -1 for the end of the file. A
  // request that ends with the part's range leaves the connection reusable once it is read:
  // the part keeps it for the next range it takes over.
  void SetDataEnd(int64_t end) { m_dataEnd = end; }
  // True while the connection carries the file's body from byte 0, unread: the answer to the
  // query, which the first part reads instead of asking again.
  bool HasOpenData() const { return m_openData && m_socket.IsConnected(); }
  // Takes over another client's open body (and its connection and URL); the other is left
  // without a connection.
  void AdoptOpenData(CInternetClient& from);
  virtual bool ListDirectory(CFileListing& listing);

  CProxySocket& Socket() { return m_socket; }
  CInternetURL& Url() { return m_url; }
  const CInternetURL& Url() const { return m_url; }
  char* Buffer() { return m_buffer.get(); }
  uint32_t ReplyCode() const { return m_replyCode; }
  const char* ReplyText() const { return m_replyText; }

 protected:
  CProxySocket m_socket;
  CInternetURL m_url;
  std::unique_ptr<char[]> m_buffer;
  uint32_t m_replyCode = 0;
  const char* m_replyText = nullptr;  // points into m_buffer
  bool m_openData = false;            // see HasOpenData
  int64_t m_dataEnd = -1;             // see SetDataEnd
};

}  // namespace ferrow
