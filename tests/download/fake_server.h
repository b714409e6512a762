#pragma once
// A transfer served from memory over loopback, for fast and exact tests of the worker.
//
// FakeServer listens on 127.0.0.1 and speaks a one-line protocol: the client sends
// "GET <offset> <end>\n"
// (end 0: to the end of the content); the server answers "OK P\n" (data from the offset follows),
// "OK W\n" (the whole content from byte 0 follows: it ignores the offset) or "ERR <status>\n".
// Fault switches cut bodies, stall them or pace them; counters tell what was asked and sent.
//
// FakeClient is the protocol client for it: QueryInformation reads Size and Date from the
// source (or fails with its status), ProbeResume says whether offsets work, OpenData sends the
// request. Everything else is the base client's, including the file operations.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/internet_client.h"
#include "platform/socket.h"

namespace ferrow::test {

struct FakeSource {
  std::string content;
  uint64_t date = 1445412480;
  bool unknownSize = false;
  bool notResumable = false;  // ProbeResume reports a server that cannot continue at an offset
  bool ignoreRange = false;   // every request gets the whole content from byte 0
  int64_t resetAfter = -1;    // cut each body after this many bytes
  int resetCount = 0;         // only the first K bodies are cut (0: every one)
  bool stallBody = false;     // send the answer line, then nothing until the client leaves
  int64_t paceBytes = 0;      // with paceMs: send this many bytes, then sleep
  int paceMs = 0;
  bool paceOddConnectionsOnly = false;  // pace only the 1st, 3rd... connection: slow parts
  int evenPaceMs = 0;  // with it: the other connections sleep this long after each 64 KiB
  int queryStatus = 0;        // QueryInformation fails with this HTTP status
  int dataStatus = 0;         // every data request fails with this HTTP status
  bool requireLogin = false;  // 401 until authorized is set
  std::atomic<bool> authorized{false};

  // The switches a request is served with, copied under the server's lock.
  struct Switches {
    bool ignoreRange = false;
    int64_t resetAfter = -1;
    int resetCount = 0;
    bool stallBody = false;
    int64_t paceBytes = 0;
    int dataStatus = 0;
    bool requireLogin = false;
    bool paceOddConnectionsOnly = false;
    int evenPaceMs = 0;
  };
  Switches CopySwitches() const {
    return {ignoreRange, resetAfter,   resetCount,  stallBody,
            paceBytes,   dataStatus,   requireLogin, paceOddConnectionsOnly, evenPaceMs};
  }
};

class FakeServer {
 public:
  explicit FakeServer(FakeSource& source);
  ~FakeServer();
  FakeServer(const FakeServer&) = delete;
  FakeServer& operator=(const FakeServer&) = delete;

  // Changes the source while the server runs: under the server's lock, so that connections
  // accepted afterwards see the change.
  void Configure(const std::function<void(FakeSource&)>& change);

  uint16_t Port() const { return m_port; }
  std::wstring Url(const std::string& path = "/file.bin") const;

  // Body bytes sent in all, and the offsets asked for, in arrival order.
  int64_t BytesSent() const { return m_bytesSent.load(); }
  int DataRequests() const { return m_dataRequests.load(); }
  int Connections() const { return m_connections.load(); }
  std::vector<uint64_t> Offsets() const;
  // The byte ranges [first, end) of the content that bodies carried, in the order they began
  // (a body cut or left unread counts what was sent).
  using Span = std::pair<uint64_t, uint64_t>;
  std::vector<Span> Served() const;
  // True when no connection is open (the counters no longer move).
  bool Idle() const;

 private:
  void AcceptLoop();
  void Serve(SocketHandle socket, int connection);

  FakeSource& m_source;
  SocketHandle m_listener = kInvalidSocket;
  uint16_t m_port = 0;
  std::atomic<bool> m_closing{false};
  std::thread m_acceptThread;
  mutable std::mutex m_lock;  // guards the lists below
  std::vector<std::thread> m_threads;
  std::vector<SocketHandle> m_sockets;
  std::vector<uint64_t> m_offsets;
  std::vector<Span> m_served;
  std::atomic<int64_t> m_bytesSent{0};
  std::atomic<int> m_dataRequests{0};
  std::atomic<int> m_connections{0};
  std::atomic<int> m_bodies{0};
};

class FakeClient : public CInternetClient {
 public:
  FakeClient(FakeSource& source, const CClientContext& context);

  bool Login() override { return true; }
  bool QueryInformation() override;
  bool ProbeResume() override;
  bool IsLoginFailure(ErrorValue error) const override;
  std::unique_ptr<CInternetClient> Clone(const CClientContext& context) const override;
  CProxySocket* OpenData(int64_t offset) override;

 private:
  FakeSource& m_source;
};

}  // namespace ferrow::test
