#pragma once
// One download from its URL to a finished file: a worker thread that talks to the server
// through a protocol client, up to 64 part threads fetching byte ranges in parallel, the
// temporary file with its resume block, retries, and the final rename.
//
// Owned by the download manager, which starts it once, reads the master description and drains
// the event and log lists from the user-interface thread, and destroys it after it has
// finished. The worker and part threads only touch the descriptions (each under its own lock),
// the lists (each with its own lock) and the events.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "download/segment_plan.h"
#include "download/transfer_options.h"
#include "net/event_list.h"
#include "net/internet_url.h"
#include "net/log_list.h"
#include "net/resume_event.h"
#include "net/socket_list.h"
#include "net/stop_event.h"
#include "net/transfer_info.h"
#include "platform/thread.h"

namespace ferrow {

class CInternetClient;
class CClientContext;
class CTransferSettings;

// Makes the protocol client for a URL's scheme (Scheme::kHttp, Scheme::kFtp...); none for a
// scheme it does not serve.
using ClientFactory =
    std::function<std::unique_ptr<CInternetClient>(Scheme scheme, const CClientContext& context)>;

class CFileTransfer {
 public:
  // The settings are the manager's and outlive the transfer. The master's Parts becomes
  // "MaxThreads", kept within 1..64.
  explicit CFileTransfer(CTransferSettings* settings);
  ~CFileTransfer();
  CFileTransfer(const CFileTransfer&) = delete;
  CFileTransfer& operator=(const CFileTransfer&) = delete;

  // Replaces the HTTP and FTP clients (tests serve a transfer from memory this way).
  void SetClientFactory(ClientFactory factory);
  // Before Start: what to do about an existing target, and where the bytes go.
  void SetOptions(const TransferOptions& options) { m_options = options; }

  // Sets URL, File and the temporary file (target + ".fr") and starts the worker; true when
  // the thread was started. A target that ends with "/" is a folder: the file in it gets the
  // name the server gives (CTransferFile::ChooseName).
  bool Start(const std::wstring& url, const std::wstring& file);
  // Asks every thread to stop, breaks their network calls and waits for the worker.
  void Stop();
  // The same without the wait: the threads end on their own, soon.
  void RequestStop();
  // Answers a login request: 1 try again (with the login now stored), 0 give up.
  void Resume(uint32_t value);
  // True when the worker has ended and every event has been taken.
  bool IsFinished() const;
  bool IsRunning() const { return m_thread.IsRunning(); }
  // Waits until the worker has ended (without stopping it).
  void Wait();

  CTransferInfo& Master() { return m_infos[0]; }
  // Part 0..63.
  CTransferInfo& Part(int32_t index) { return *CSegmentPlan::PartOf(&m_infos[0], index); }
  CEventList& Events() { return m_events; }
  CLogList& Log() { return m_log; }

 private:
  void Work();
  std::unique_ptr<CInternetClient> CreateClient(const CClientContext& context);

  CThread m_thread;
  std::array<CTransferInfo, kMaxParts + 1> m_infos;  // the master, then the parts
  CTransferSettings* m_settings;
  CEventList m_events;
  CLogList m_log;
  CSocketList m_sockets;
  CStopEvent m_stop;
  CResumeEvent m_resume;
  ClientFactory m_factory;
  TransferOptions m_options;
};

}  // namespace ferrow
