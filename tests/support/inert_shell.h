#pragma once
// Shell services that do nothing, for tests that run the application without touching the
// machine: no hang-up, no shutdown, no programs started, no sound played.
#include <string>
#include <vector>

#include "platform/wave_player.h"
#include "shell/shell_actions.h"

namespace ferrow::test {

class InertActions : public IShellActions {
 public:
  void HangUp() override {}
  void ShutDown() override {}
  LaunchResult StartProgram(const std::vector<std::wstring>&) override { return {}; }
  bool OfferOpenWith(const std::wstring&) override { return false; }
};

class SilentPlayer : public IWavePlayer {
 public:
  bool Play(const std::wstring&, const ManualResetEvent&) override { return false; }
};

}  // namespace ferrow::test
