#pragma once
// One local stream connection over a Unix-domain socket, with every wait bounded by a time
// limit, so that a peer that hangs never holds us. Used by one thread at a time.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ferrow {

class CUnixConnection {
 public:
  CUnixConnection() = default;
  ~CUnixConnection();
  CUnixConnection(const CUnixConnection&) = delete;
  CUnixConnection& operator=(const CUnixConnection&) = delete;

  // Connects to the socket file at path, waiting at most the time given.
  bool Connect(const std::wstring& path, uint32_t milliseconds);
  // Takes over an accepted descriptor.
  void Adopt(int fd);
  void Close();
  bool IsOpen() const { return m_fd >= 0; }

  // Sends every byte within the time.
  bool Send(std::string_view bytes, uint32_t milliseconds);
  // Reads up to and without the next '\n'; fails on a longer line, the peer's end or the time.
  bool ReceiveLine(std::string& line, size_t maxLength, uint32_t milliseconds);
  // Reads exactly count bytes.
  bool ReceiveExact(std::string& bytes, size_t count, uint32_t milliseconds);
  // Whether the peer runs as the same user as we do.
  bool PeerIsSameUser() const;

 private:
  // Waits until the descriptor is ready for the events or the deadline passes.
  bool WaitFor(short events, int64_t deadline) const;
  bool Fill(int64_t deadline);

  int m_fd = -1;
  std::string m_pending;  // bytes received beyond what was taken
};

}  // namespace ferrow
