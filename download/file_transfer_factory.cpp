#include "download/file_transfer_factory.h"

#include "download/file_transfer.h"
#include "download/transfer_info.h"
#include "download/transfer_operations.h"
#include "net/ftp_client.h"
#include "net/http_client.h"
#include "net/internet_url.h"

namespace ferrow {
namespace {

// A protocol client with the shared file operations of a transfer. The protocol clients
// leave these to whoever runs them; parts are cloned as the same kind.
template <class Client>
class TransferClient : public Client {
 public:
  using Client::Client;
  bool PrepareFile() override { return CTransferOperations::PrepareFile(*this); }
  bool Download() override { return CTransferOperations::Download(*this); }
  bool ReceivePart() override { return CTransferOperations::ReceivePart(*this); }
  bool FinishFile() override { return CTransferOperations::FinishFile(*this); }
  bool RetryDecision() override { return CTransferOperations::RetryDecision(*this); }
  std::unique_ptr<CInternetClient> Clone(const CClientContext& context) const override {
    return std::make_unique<TransferClient>(context);
  }
};

std::unique_ptr<CInternetClient> CreateProtocolClient(int32_t scheme,
                                                      const CClientContext& context) {
  if (scheme == Scheme::kHttp) return std::make_unique<TransferClient<CHttpClient>>(context);
  if (scheme == Scheme::kFtp) return std::make_unique<TransferClient<CFtpClient>>(context);
  return nullptr;
}

// CFileTransfer as the manager sees it.
class FileTransferHandle : public ITransfer {
 public:
  explicit FileTransferHandle(CTransferSettings& settings) : m_transfer(&settings) {
    m_transfer.SetClientFactory(CreateProtocolClient);
  }
  bool Start(const std::wstring& url, const std::wstring& file) override {
    return m_transfer.Start(url, file);
  }
  void Stop() override { m_transfer.Stop(); }
  void Resume(uint32_t value) override { m_transfer.Resume(value); }
  bool IsFinished() const override { return m_transfer.IsFinished(); }
  CTransferInfo& Master() override { return m_transfer.Master(); }
  CEventList& Events() override { return m_transfer.Events(); }
  CLogList& Log() override { return m_transfer.Log(); }
  int32_t GetConnectionCount() override {
    const int32_t parts = m_transfer.Master().Parts();
    int32_t count = 0;
    for (int32_t index = 0; index < parts && index < 64; ++index) {
      const int32_t status = m_transfer.Part(index).Status();
      if (status >= DownloadStatus::kConnecting && status <= DownloadStatus::kRetrying) ++count;
    }
    return count;
  }

 private:
  CFileTransfer m_transfer;
};

}  // namespace

std::unique_ptr<ITransfer> CFileTransferFactory::Create(CTransferSettings& settings) {
  return std::make_unique<FileTransferHandle>(settings);
}

}  // namespace ferrow
