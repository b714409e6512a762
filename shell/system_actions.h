#pragma once
// The after-download actions as the system carries them out: hang-up and power-off through the
// dial-up service, programs through the process launcher, the desktop's chooser.
#include "shell/shell_actions.h"

namespace ferrow {

class CSystemActions : public IShellActions {
 public:
  void HangUp() override;
  void ShutDown() override;
  LaunchResult StartProgram(const std::vector<std::wstring>& arguments) override;
  bool OfferOpenWith(const std::wstring& path) override;
};

}  // namespace ferrow
