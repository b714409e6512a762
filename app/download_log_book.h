#pragma once
// The transfer log lines of each download since the program started, for its properties: the
// front end takes the lines from the transfer as they come (CFerrowApp::TakeDownloadLog on the
// log event) and keeps them here. Each download keeps its newest kMaxLines lines; a deleted
// download's lines go with it. Owner's thread only.
#include <cstddef>
#include <deque>
#include <map>
#include <vector>

#include "net/log_info.h"
#include "platform/guid.h"

namespace ferrow {

class CDownloadLogBook {
 public:
  static constexpr size_t kMaxLines = 2000;

  void Append(const Guid& id, std::vector<CLogInfo> lines);
  // The lines kept for the download, oldest first.
  std::vector<CLogInfo> Lines(const Guid& id) const;
  // How many lines were ever appended for it (a view that showed n lines shows the rest).
  size_t TotalAppended(const Guid& id) const;
  void Forget(const Guid& id);

 private:
  struct Log {
    std::deque<CLogInfo> lines;
    size_t appended = 0;
  };
  std::map<Guid, Log> m_logs;
};

}  // namespace ferrow
