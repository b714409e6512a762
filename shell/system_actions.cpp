#include "shell/system_actions.h"

#include "platform/open_with_chooser.h"
#include "shell/dialup_service.h"

namespace ferrow {

void CSystemActions::HangUp() {
  CDialupService::HangUpAll();
}

void CSystemActions::ShutDown() {
  CDialupService::ShutDown();
}

LaunchResult CSystemActions::StartProgram(const std::vector<std::wstring>& arguments) {
  return CProcessLauncher::Start(arguments);
}

bool CSystemActions::OfferOpenWith(const std::wstring& path) {
  return ::ferrow::OfferOpenWith(path);
}

}  // namespace ferrow
