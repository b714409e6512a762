#pragma once
// What every protocol-client test needs: one transfer's shared objects, transfer settings,
// a stop the way the user-interface thread requests it, and helpers to read a data stream.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "net/client_context.h"
#include "net/event_list.h"
#include "net/log_list.h"
#include "net/proxy_socket.h"
#include "net/resume_event.h"
#include "net/socket_list.h"
#include "net/stop_event.h"
#include "net/transfer_info.h"
#include "net/transfer_settings.h"

namespace ferrow::test {

class ClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // No browser cookies from the machine running the tests.
    setenv("FERROW_COOKIES_FILE", "", 1);
    m_settings.SetUserAgent(L"FerrowTest/1.0");
    m_settings.SetEmailAddress(L"tester@example.org");
  }

  CClientContext Context() {
    return CClientContext(&m_transfer, &m_settings, &m_events, &m_log, &m_sockets, &m_stop,
                          &m_resume);
  }

  void RequestStop() {
    m_stop.Set();
    m_sockets.CloseAll();
  }

  ErrorValue Error() const { return m_transfer.Error(); }

  // Exactly count bytes from the socket (fewer when it fails first).
  static std::string ReadBytes(CProxySocket& socket, size_t count) {
    std::string out;
    char buffer[16384];
    while (out.size() < count) {
      size_t want = std::min(sizeof buffer, count - out.size());
      int n = socket.Receive(buffer, static_cast<int>(want));
      if (n < 0) break;
      out.append(buffer, static_cast<size_t>(n));
    }
    return out;
  }

  // Runs the call on another thread, requests a stop after the delay and returns the call's
  // result and how long the call went on after the stop (a hung call fails the test).
  bool RunAndStop(const std::function<bool()>& call, std::chrono::milliseconds delay,
                  std::chrono::milliseconds& afterStop) {
    auto result = std::async(std::launch::async, call);
    std::this_thread::sleep_for(delay);
    auto stopped = std::chrono::steady_clock::now();
    RequestStop();
    if (result.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
      ADD_FAILURE() << "the call did not end after the stop";
      std::abort();  // the blocked thread would otherwise outlive the objects it uses
    }
    afterStop = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - stopped);
    return result.get();
  }

  CTransferInfo m_transfer;
  CTransferSettings m_settings;
  CEventList m_events;
  CLogList m_log;
  CSocketList m_sockets;
  CStopEvent m_stop;
  CResumeEvent m_resume;
};

}  // namespace ferrow::test
