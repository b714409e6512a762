#include "app/log_text.h"

#include "l10n/message_numbers.h"
#include "l10n/resource_manager.h"
#include "platform/text.h"
#include "sites/site_explorer.h"

namespace ferrow {
namespace {

std::wstring WithoutLineEnd(const std::wstring& text) {
  size_t end = text.size();
  while (end > 0 && (text[end - 1] == L'\r' || text[end - 1] == L'\n')) --end;
  return PrintableText(std::wstring_view(text).substr(0, end));
}

}  // namespace

std::wstring FormatLogLine(const CLogInfo& line, const CResourceManager& resources) {
  switch (line.Kind()) {
    case LogKind::kSent:
      return L"> " + WithoutLineEnd(line.Text());
    case LogKind::kReceived:
      return L"< " + WithoutLineEnd(line.Text());
    case LogKind::kNotice:
      return L"* " + WithoutLineEnd(line.Text());
    case LogKind::kInfo:
      if (line.Number() == ExplorerLog::kStart)
        return resources.FormatMessage(Msg::kLogConnecting,
                                       {PrintableText(line.Argument()), line.Extra()});
      if (line.Number() == ExplorerLog::kStopped) return resources.GetString(Msg::kLogStopped);
      break;
    case LogKind::kFailure:
      if (line.Number() == ExplorerLog::kFailure)
        return resources.FormatMessage(Msg::kLogFailed, {resources.ErrorText(line.Extra())});
      break;
    default:
      break;
  }
  return WithoutLineEnd(line.Text().empty() ? line.Argument() : line.Text());
}

}  // namespace ferrow
