#include "shell/tray_state.h"

#include <gtest/gtest.h>

namespace ferrow {
namespace {

TEST(TrayStateTest, OnlyRealChangesReachTheIcon) {
  CTrayState tray;
  EXPECT_EQ(tray.GetFrame(), -1);
  EXPECT_TRUE(tray.SetTip(L"Ferrow"));
  EXPECT_FALSE(tray.SetTip(L"Ferrow"));  // set twice: one update
  const std::wstring longTip(200, L'x');
  EXPECT_TRUE(tray.SetTip(longTip));
  EXPECT_EQ(tray.GetTip().size(), CTrayState::kMaxTipLength);
  EXPECT_FALSE(tray.SetTip(longTip + L"more"));  // shows the same 127 characters

  EXPECT_TRUE(tray.SetBusy(true));
  EXPECT_EQ(tray.GetFrame(), CTrayState::kBusyFrame);
  EXPECT_FALSE(tray.SetBusy(true));
  EXPECT_TRUE(tray.SetBusy(false));

  tray.SetAnimation(2, 4);
  int frames[4];
  for (int& frame : frames) {
    tray.Tick();
    frame = tray.GetFrame();
  }
  EXPECT_EQ(std::vector<int>(frames, frames + 4), (std::vector<int>{2, 3, 4, 2}));
  const uint64_t revision = tray.GetRevision();
  EXPECT_FALSE(tray.Show(false));
  EXPECT_EQ(tray.GetRevision(), revision);
}

}  // namespace
}  // namespace ferrow
