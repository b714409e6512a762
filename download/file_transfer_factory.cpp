#include "download/file_transfer_factory.h"

#include "download/file_transfer.h"
#include "net/transfer_info.h"

namespace ferrow {
namespace {

// CFileTransfer as the manager sees it.
class FileTransferHandle : public ITransfer {
 public:
  FileTransferHandle(CTransferSettings& settings, const TransferOptions& options)
      : m_transfer(&settings) {
    m_transfer.SetOptions(options);
  }
  bool Start(const std::wstring& url, const std::wstring& file) override {
    return m_transfer.Start(url, file);
  }
  void Stop() override { m_transfer.Stop(); }
  void RequestStop() override { m_transfer.RequestStop(); }
  bool HasEnded() const override { return !m_transfer.IsRunning(); }
  void Resume(uint32_t value) override { m_transfer.Resume(value); }
  bool IsFinished() const override { return m_transfer.IsFinished(); }
  CTransferInfo& Master() override { return m_transfer.Master(); }
  CEventList& Events() override { return m_transfer.Events(); }
  CLogList& Log() override { return m_transfer.Log(); }
  int32_t GetConnectionCount() override {
    const int32_t parts = m_transfer.Master().Parts();
    int32_t count = 0;
    for (int32_t index = 0; index < parts && index < 64; ++index) {
      if (IsActiveStatus(m_transfer.Part(index).Status())) ++count;
    }
    return count;
  }

 private:
  CFileTransfer m_transfer;
};

}  // namespace

std::unique_ptr<ITransfer> CFileTransferFactory::Create(CTransferSettings& settings) {
  return std::make_unique<FileTransferHandle>(settings, m_options);
}

}  // namespace ferrow
