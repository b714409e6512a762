#pragma once
// What the download manager needs of one transfer. The real one is CFileTransfer; tests give
// the manager scripted transfers whose status and events they control.
#include <cstdint>
#include <string>

namespace ferrow {

class CTransferInfo;
class CEventList;
class CLogList;

class ITransfer {
 public:
  virtual ~ITransfer() = default;

  // Starts the worker for the URL into the target path; true when its thread was started.
  virtual bool Start(const std::wstring& url, const std::wstring& file) = 0;
  // Stops every thread of the transfer and waits until they have ended.
  virtual void Stop() = 0;
  // Asks every thread to stop and returns at once; HasEnded tells when they have. Stop then
  // finishes the job without waiting.
  virtual void RequestStop() = 0;
  // True once the worker thread has ended (its events may still wait to be taken).
  virtual bool HasEnded() const = 0;
  // Answers a login request: 1 try again, 0 give up.
  virtual void Resume(uint32_t value) = 0;
  // True when the worker has ended and every event has been taken.
  virtual bool IsFinished() const = 0;

  virtual CTransferInfo& Master() = 0;
  virtual CEventList& Events() = 0;
  virtual CLogList& Log() = 0;
  // Connections that are connecting or receiving right now (for progress displays).
  virtual int32_t GetConnectionCount() = 0;
};

}  // namespace ferrow
