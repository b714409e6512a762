#include "tests/download/fake_server.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "net/transfer_info.h"
#include "platform/text.h"

namespace ferrow::test {

namespace {

const IpAddress kLoopbackAddress = IpAddress::Ipv4(0x7F000001);

bool SendAll(SocketHandle socket, const char* data, size_t size) {
  while (size > 0) {
    int n = SocketSend(socket, data, static_cast<int>(std::min<size_t>(size, 65536)));
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool ReadRequestLine(SocketHandle socket, std::string& line) {
  line.clear();
  char c = 0;
  while (line.size() < 200) {
    if (SocketReceive(socket, &c, 1, 0) != 1) return false;
    if (c == '\n') return true;
    line += c;
  }
  return false;
}

}  // namespace

FakeServer::FakeServer(FakeSource& source) : m_source(source) {
  m_listener = SocketCreate();
  SocketBind(m_listener, kLoopbackAddress, 0);
  SocketListen(m_listener, 128);
  SocketAddress local;
  SocketLocalAddress(m_listener, local);
  m_port = local.port;
  m_acceptThread = std::thread([this] { AcceptLoop(); });
}

FakeServer::~FakeServer() {
  m_closing = true;
  SocketShutdown(m_listener);
  m_acceptThread.join();
  SocketClose(m_listener);
  std::vector<std::thread> threads;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    for (SocketHandle socket : m_sockets) SocketShutdown(socket);
    threads.swap(m_threads);
  }
  for (std::thread& thread : threads) thread.join();
}

std::wstring FakeServer::Url(const std::string& path) const {
  return Utf8ToWide("http://127.0.0.1:" + std::to_string(m_port) + path);
}

std::vector<uint64_t> FakeServer::Offsets() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_offsets;
}

std::vector<FakeServer::Span> FakeServer::Served() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_served;
}

void FakeServer::Configure(const std::function<void(FakeSource&)>& change) {
  std::lock_guard<std::mutex> guard(m_lock);
  change(m_source);
}

bool FakeServer::Idle() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_sockets.empty();
}

void FakeServer::AcceptLoop() {
  for (;;) {
    SocketHandle socket = SocketAccept(m_listener);
    if (socket == kInvalidSocket) return;
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_closing) {
      SocketClose(socket);
      return;
    }
    const int connection = ++m_connections;
    m_sockets.push_back(socket);
    m_threads.emplace_back([this, socket, connection] { Serve(socket, connection); });
  }
}

void FakeServer::Serve(SocketHandle socket, int connection) {
  std::string line;
  while (ReadRequestLine(socket, line)) {
    char* rest = nullptr;
    uint64_t offset = std::strtoull(line.c_str() + 4, &rest, 10);
    uint64_t requestEnd = std::strtoull(rest, nullptr, 10);
    // The switches as they are now, read under the lock that Configure changes them under.
    FakeSource::Switches switches;
    {
      std::lock_guard<std::mutex> guard(m_lock);
      m_offsets.push_back(offset);
      switches = m_source.CopySwitches();
    }
    ++m_dataRequests;
    int status = switches.dataStatus;
    if (switches.requireLogin && !m_source.authorized) status = 401;
    if (status != 0) {
      std::string answer = "ERR " + std::to_string(status) + "\n";
      if (!SendAll(socket, answer.data(), answer.size())) break;
      continue;
    }
    const std::string& content = m_source.content;
    uint64_t from = switches.ignoreRange ? 0 : std::min<uint64_t>(offset, content.size());
    const char* answer = switches.ignoreRange ? "OK W\n" : "OK P\n";
    if (!SendAll(socket, answer, 5)) break;
    if (switches.stallBody) {
      char c;
      while (SocketReceive(socket, &c, 1, 0) > 0) {
      }
      break;
    }
    uint64_t end = content.size();
    if (!switches.ignoreRange && requestEnd > from) end = std::min<uint64_t>(end, requestEnd);
    int body = ++m_bodies;
    bool cut =
        switches.resetAfter >= 0 && (switches.resetCount == 0 || body <= switches.resetCount);
    if (cut) end = std::min<uint64_t>(end, from + static_cast<uint64_t>(switches.resetAfter));
    const bool paced = !switches.paceOddConnectionsOnly || connection % 2 == 1;
    bool ok = true;
    size_t served = 0;
    {
      std::lock_guard<std::mutex> guard(m_lock);
      served = m_served.size();
      m_served.emplace_back(from, from);
    }
    while (ok && from < end) {
      uint64_t chunk = end - from;
      if (paced && switches.paceBytes > 0) chunk = std::min<uint64_t>(chunk, switches.paceBytes);
      chunk = std::min<uint64_t>(chunk, 65536);
      // Counted before the send: the client may see the bytes before this thread runs again,
      // and tests read the count as soon as the client is done.
      m_bytesSent += static_cast<int64_t>(chunk);
      {
        std::lock_guard<std::mutex> guard(m_lock);
        m_served[served].second = from + chunk;
      }
      ok = SendAll(socket, content.data() + from, chunk);
      if (ok) {
        from += chunk;
      } else {
        m_bytesSent -= static_cast<int64_t>(chunk);
        std::lock_guard<std::mutex> guard(m_lock);
        m_served[served].second = from;
      }
      if (ok && from < end) {
        // Read again each time: a test speeds a running body up through Configure.
        int pace = 0;
        {
          std::lock_guard<std::mutex> guard(m_lock);
          pace = m_source.paceMs;
        }
        if (!paced) pace = switches.evenPaceMs;
        if (pace > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pace));
      }
    }
    if (cut || !ok) break;
  }
  {
    std::lock_guard<std::mutex> guard(m_lock);
    std::erase(m_sockets, socket);
  }
  SocketClose(socket);
}

FakeClient::FakeClient(FakeSource& source, const CClientContext& context)
    : CInternetClient(context), m_source(source) {}

bool FakeClient::QueryInformation() {
  int status = m_source.queryStatus;
  if (m_source.requireLogin && !m_source.authorized) status = 401;
  if (status != 0) {
    ReportError(MakeError(kCategoryHttp, static_cast<uint16_t>(status)));
    return false;
  }
  Transfer()->SetSize(m_source.unknownSize ? kUnknownSize : m_source.content.size());
  Transfer()->SetDate(m_source.date);
  return true;
}

bool FakeClient::ProbeResume() {
  Transfer()->SetResumeMode(m_source.notResumable ? ResumeMode::kNotResumable
                                                  : ResumeMode::kResumable);
  return true;
}

bool FakeClient::IsLoginFailure(ErrorValue error) const {
  return error == MakeError(kCategoryHttp, 401);
}

std::unique_ptr<CInternetClient> FakeClient::Clone(const CClientContext& context) const {
  return std::make_unique<FakeClient>(m_source, context);
}

CProxySocket* FakeClient::OpenData(int64_t offset) {
  // Like a closed range: the server sends no more than the part needs.
  CTransferInfo* info = Transfer();
  uint64_t end = info->Start() != kUnknownSize ? info->Start() + info->Size() : 0;
  std::string request = "GET " + std::to_string(offset) + " " + std::to_string(end) + "\n";
  if (m_socket.Send(request.c_str()) < 0) return nullptr;
  char line[64];
  if (m_socket.ReadLine(line, sizeof(line), "\n") < 0) return nullptr;
  if (std::string(line, 3) == "ERR") {
    ReportError(MakeError(kCategoryHttp, static_cast<uint16_t>(std::atoi(line + 4))));
    return nullptr;
  }
  // The whole content instead of the offset asked for: the server ignores ranges.
  const uint64_t size = m_source.content.size();
  if (line[3] == 'W') {
    if (offset != 0) Transfer()->SetResumeMode(ResumeMode::kNotResumable);
    m_socket.SetBodyLength(static_cast<int64_t>(size));
  } else {
    uint64_t last = end != 0 ? std::min<uint64_t>(end, size) : size;
    m_socket.SetBodyLength(static_cast<int64_t>(last - std::min<uint64_t>(offset, last)));
  }
  return &m_socket;
}

}  // namespace ferrow::test
