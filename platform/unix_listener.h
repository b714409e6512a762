#pragma once
// The listening end of a Unix-domain stream socket at a path in a private folder. Accept waits
// until a peer connects or another thread calls Interrupt.
#include <string>

#include "platform/error_code.h"
#include "platform/wake_fd.h"

namespace ferrow {

class CUnixConnection;

class CUnixListener {
 public:
  CUnixListener() = default;
  // Closes the socket and removes its file.
  ~CUnixListener();
  CUnixListener(const CUnixListener&) = delete;
  CUnixListener& operator=(const CUnixListener&) = delete;

  // Removes whatever socket file a dead owner left at path, binds there (readable and writable
  // by the user alone) and listens. Only the path's rightful owner calls it (the holder of the
  // instance lock). Returns 0 or the packed system error.
  ErrorValue Listen(const std::wstring& path);
  // Waits for the next connection; false when interrupted or the socket failed.
  bool Accept(CUnixConnection& connection);
  // Ends a waiting Accept and every later one; callable from any thread.
  void Interrupt() { m_wake.Signal(); }
  void Close();

 private:
  int m_fd = -1;
  std::string m_path;
  CWakeFd m_wake;
};

}  // namespace ferrow
