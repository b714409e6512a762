#include "shell/sound_manager.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/settings.h"
#include "platform/alsa_wave_player.h"
#include "platform/text.h"
#include "platform/wave_file.h"
#include "tests/support/sandbox.h"
#include "tests/support/wait_until.h"

namespace ferrow {
namespace {

// Records what it is asked to play. Each sound takes a few milliseconds, so that the events
// queue up behind it; one path can be made to hang until the stop.
class RecordingPlayer : public IWavePlayer {
 public:
  bool Play(const std::wstring& path, const ManualResetEvent& stop) override {
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_played.push_back(path);
    }
    if (path == m_hangOn) return !stop.Wait(kWaitForever);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return path.find(L"missing") == std::wstring::npos;
  }
  std::vector<std::wstring> Played() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_played;
  }
  std::wstring m_hangOn;

 private:
  std::mutex m_lock;
  std::vector<std::wstring> m_played;
};

class SoundManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("FERROW_PROGRAM_DIR", "/prog", 1);
    m_settings.SetDefaults();
    m_settings.m_enableSounds = true;
    m_sounds.SetSettings(&m_settings.m_enableSounds, &m_settings.m_soundFiles);
  }
  void TearDown() override { unsetenv("FERROW_PROGRAM_DIR"); }

  CSettings m_settings;
  RecordingPlayer m_player;
  CSoundManager m_sounds{m_player};
};

TEST_F(SoundManagerTest, SoundsOffStartsNoThread) {
  m_settings.m_enableSounds = false;
  m_sounds.Play(SoundEvent::kCompleted);
  EXPECT_FALSE(m_sounds.IsThreadRunning());
  EXPECT_TRUE(m_player.Played().empty());
}

TEST_F(SoundManagerTest, QuickEventsPlayInOrderAndAMissingFileDoesNotBlockTheNext) {
  m_settings.m_soundFiles.SetAt(3, L"/sounds/missing.wav");
  m_settings.m_soundFiles.SetAt(5, L"");  // no sound for this event
  for (SoundEvent event : {SoundEvent::kCompleted, SoundEvent::kError, SoundEvent::kLogin,
                           SoundEvent::kFinished, SoundEvent::kClose})
    m_sounds.Play(event);
  const std::vector<std::wstring> expected = {L"/prog/Sounds/Completed.wav", L"/sounds/missing.wav",
                                              L"/prog/Sounds/Finished.wav",
                                              L"/prog/Sounds/Close.wav"};
  ASSERT_TRUE(test::WaitUntil([&] { return m_player.Played().size() >= expected.size(); }));
  EXPECT_EQ(m_player.Played(), expected);

  // A sound queued after the queue ran dry plays too (no wake-up is lost).
  for (int round = 0; round < 20; ++round) {
    m_sounds.Play(SoundEvent::kStarted);
    const size_t want = expected.size() + round + 1;
    ASSERT_TRUE(test::WaitUntil([&] { return m_player.Played().size() >= want; })) << round;
  }
}

TEST_F(SoundManagerTest, StopCutsAHangingSoundShortAndDropsTheRest) {
  m_player.m_hangOn = L"/prog/Sounds/Shutdown.wav";
  m_sounds.Play(SoundEvent::kShutdown);
  m_sounds.Play(SoundEvent::kClose);
  ASSERT_TRUE(test::WaitUntil([&] { return !m_player.Played().empty(); }));
  m_sounds.Stop();  // would hang here if the player were not told
  EXPECT_FALSE(m_sounds.IsThreadRunning());
  EXPECT_EQ(m_player.Played().size(), 1u);
  m_sounds.Play(SoundEvent::kAdded);
  EXPECT_EQ(m_player.Played().size(), 1u);
}

TEST(WavePlaybackTest, ShippedSoundsAreWaveFilesAndNoDeviceMeansNoHang) {
  CSettings settings;
  settings.SetDefaults();
  for (const auto& [event, file] : settings.m_soundFiles.GetFiles()) {
    CWaveFile wave;
    EXPECT_TRUE(wave.Load(LocalToWide((test::SourceDir() / WideToLocal(file)).string())))
        << WideToLocal(file);
    EXPECT_GT(wave.GetFrameCount(), 0u);
  }
  CWaveFile broken;
  EXPECT_FALSE(broken.Parse(std::string("RIFF\x10\0\0\0WAVEdata\x04\0\0\0abcd", 24)));

  // Whatever the machine has (a sound card, a sound server, nothing), playing returns.
  ManualResetEvent stop;
  CAlsaWavePlayer player;
  EXPECT_FALSE(player.Play(L"/no/such/sound.wav", stop));
  player.Play(LocalToWide((test::SourceDir() / "Sounds/Started.wav").string()), stop);
}

}  // namespace
}  // namespace ferrow
