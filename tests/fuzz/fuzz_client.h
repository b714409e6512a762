#pragma once
// One transfer's shared objects for a protocol client under fuzzing, and checks on what the
// client sent. The network is the fake of fake_network.h.
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/client_context.h"
#include "net/event_list.h"
#include "net/log_list.h"
#include "net/resume_event.h"
#include "net/socket_list.h"
#include "net/stop_event.h"
#include "net/transfer_info.h"
#include "net/transfer_settings.h"
#include "tests/fuzz/fuzz_check.h"

namespace ferrow::fuzz {

struct ClientObjects {
  CTransferInfo transfer;
  CTransferSettings settings;
  CEventList events;
  CLogList log;
  CSocketList sockets;
  CStopEvent stop;
  CResumeEvent resume;

  CClientContext Context() {
    return CClientContext(&transfer, &settings, &events, &log, &sockets, &stop, &resume);
  }
};

// No browser cookies, hand-over notes or registry of the machine running the fuzzer.
inline void IsolateFromUserFiles() {
  setenv("FERROW_COOKIES_FILE", "", 1);
  setenv("XDG_DATA_HOME", "/nonexistent/ferrow-fuzz", 1);
  setenv("XDG_CONFIG_HOME", "/nonexistent/ferrow-fuzz", 1);
  setenv("FERROW_REGISTRY_DIR", "/nonexistent/ferrow-fuzz", 1);
}

// Every line sent ends in CR LF and holds no other CR or LF: nothing a server, a redirect or a
// file said can end a line early and smuggle in a command or header of its own.
inline void CheckSentLines(std::string_view sent) {
  while (!sent.empty()) {
    size_t end = sent.find("\r\n");
    FUZZ_CHECK(end != std::string_view::npos);
    FUZZ_CHECK(sent.substr(0, end).find_first_of("\r\n") == std::string_view::npos);
    sent.remove_prefix(end + 2);
  }
}

}  // namespace ferrow::fuzz
