#include "download/file_transfer.h"

#include "download/existing_target.h"
#include "download/segment_plan.h"
#include "download/transfer_file.h"
#include "download/transfer_operations.h"
#include "net/client_context.h"
#include "net/ftp_client.h"
#include "net/http_client.h"
#include "net/internet_client.h"
#include "net/internet_url.h"
#include "net/log_info.h"
#include "net/safe_file_name.h"
#include "net/transfer_settings.h"
#include "platform/file.h"

namespace ferrow {

namespace {

// The clients of the two protocols the worker serves.
std::unique_ptr<CInternetClient> CreateProtocolClient(Scheme scheme,
                                                      const CClientContext& context) {
  if (scheme == Scheme::kHttp || scheme == Scheme::kHttps)
    return std::make_unique<CHttpClient>(context);
  if (scheme == Scheme::kFtp || scheme == Scheme::kFtps)
    return std::make_unique<CFtpClient>(context);
  return nullptr;
}

// How often a download starts again from the beginning (a file that changed on the server, a
// redirect to another protocol) before the cause counts as a failure.
constexpr int kMaxRestarts = 3;

// Below this size a download goes on the query's one connection: a second connection would
// cost more in set-up than it could bring.
constexpr uint64_t kOneConnectionBytes = 1024 * 1024;

// The HTTP client followed a redirect to an address of another protocol: it has recorded the
// redirect's status and put the new address into the master description.
bool RedirectedToOtherProtocol(CTransferInfo& master, Scheme scheme) {
  ErrorValue error = master.Error();
  uint16_t code = ErrorCodeOf(error);
  return ErrorCategoryOf(error) == kCategoryHttp && code >= 300 && code <= 399 &&
         CInternetURL(master.Url()).GetScheme() != scheme;
}

}  // namespace

CFileTransfer::CFileTransfer(CTransferSettings* settings)
    : m_settings(settings), m_factory(CreateProtocolClient) {
  for (size_t i = 1; i < m_infos.size(); ++i) m_infos[i].SetMaster(&m_infos[0]);
  int32_t maxThreads = settings != nullptr ? settings->GetMaxThreads() : 1;
  m_infos[0].SetParts(CSegmentPlan::ClampParts(maxThreads));
}

CFileTransfer::~CFileTransfer() {
  Stop();
}

void CFileTransfer::SetClientFactory(ClientFactory factory) {
  m_factory = std::move(factory);
}

bool CFileTransfer::Start(const std::wstring& url, const std::wstring& file) {
  if (m_thread.IsRunning()) return false;
  CTransferInfo& master = m_infos[0];
  master.SetUrl(url);
  master.SetFile(file);
  master.SetTemporaryFile(file + L".fr");
  return m_thread.Start([this] { Work(); });
}

void CFileTransfer::Stop() {
  if (m_thread.IsRunning()) RequestStop();
  m_thread.Wait();
}

void CFileTransfer::RequestStop() {
  // The stop event before the sockets: a socket made after the close sees the event.
  m_stop.Set();
  m_resume.Signal(1);
  m_sockets.CloseAll();
}

void CFileTransfer::Resume(uint32_t value) {
  m_resume.Signal(value);
}

bool CFileTransfer::IsFinished() const {
  return !m_thread.IsRunning() && m_events.IsEmpty();
}

void CFileTransfer::Wait() {
  m_thread.Wait();
}

std::unique_ptr<CInternetClient> CFileTransfer::CreateClient(const CClientContext& context) {
  CInternetURL url;
  url.Parse(m_infos[0].Url());
  return m_factory ? m_factory(url.GetScheme(), context) : nullptr;
}

void CFileTransfer::Work() {
  CTransferInfo& master = m_infos[0];
  CClientContext context(&master, m_settings, &m_events, &m_log, &m_sockets, &m_stop, &m_resume);
  std::unique_ptr<CInternetClient> client = CreateClient(context);
  if (!client) return;
  context.QueueEvent(TransferEvent::kStarted);
  {
    // Held from the first Prepare until the work is over, across the final rename.
    CTransferFile file;
    file.SetOutput(m_options.output);
    Scheme scheme = CInternetURL(master.Url()).GetScheme();
    int restarts = 0;
    bool targetChecked = false;
    for (;;) {
      master.ClearError();
      client->Open(master.Url());
      // A file already at the target may make the download unnecessary: ask about it first
      // without fetching any of it.
      // (Into a folder, the name the address suggests stands for the one the server will give.)
      const std::wstring target = master.File();
      const std::wstring likely =
          !target.empty() && target.back() == L'/' ? target + FileNameOfUrl(master.Url()) : target;
      if (!targetChecked && m_options.existing != ExistingFile::kReplace && !m_options.output &&
          GetEntryKind(likely) != EntryKind::kNone)
        client->AskWithoutBody();
      if (client->Connect() && client->Login() && client->QueryInformation()) {
        client->ProbeResume();
        file.ChooseName(context);
        if (!targetChecked) {
          targetChecked = true;
          const CExistingTarget::Outcome outcome = CExistingTarget::Resolve(context, m_options);
          if (outcome != CExistingTarget::Outcome::kProceed) break;
        }
        // The query's answer goes on as the first part's data where the client kept it; a
        // file that is not worth splitting then needs no other request at all.
        if (client->HasOpenData()) {
          if (master.Size() < kOneConnectionBytes) master.SetParts(1);
        } else {
          client->Disconnect();
        }
        if (!file.Prepare(context)) break;
        if (CTransferOperations::Download(*client, file)) {
          file.Finish(context);
          break;
        }
      }
      client->Disconnect();
      if (client->WaitForStop(0)) break;
      if (restarts < kMaxRestarts && RedirectedToOtherProtocol(master, scheme)) {
        ++restarts;
        scheme = CInternetURL(master.Url()).GetScheme();
        std::unique_ptr<CInternetClient> next = CreateClient(context);
        if (next) {
          client = std::move(next);
          continue;
        }
      }
      // A stream cannot take back what it has sent: a changed file fails it.
      if (restarts < kMaxRestarts && master.Error() == kFileChangedError && !m_options.output) {
        ++restarts;
        context.AddLogLine(LogKind::kNotice,
                           L"The file changed on the server during the download; it is fetched "
                           L"again from the beginning.");
        file.Discard(context);
        continue;
      }
      if (CTransferOperations::RetryDecision(*client)) break;
    }
    // Whatever ended the work, the download never stays in a running status.
    const DownloadStatus status = master.Status();
    if (status != DownloadStatus::kCompleted && status != DownloadStatus::kFailed) {
      context.ReportError(master.Error() != 0 ? master.Error()
                                              : MakeError(kCategorySystem, SystemCode::kCancelled));
    }
    client.reset();
  }
  context.QueueEvent(TransferEvent::kFinished);
}

}  // namespace ferrow
