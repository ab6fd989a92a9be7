#include "desktop/MediaPlayer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/WaveFile.h"
#include "toolkit/Text.h"

namespace {

const std::string kNoDevice = "MCI デバイスがありません";
const std::string kUnknownError = "原因不明のエラー";

struct MciCall {
  MCIDEVICEID device;
  UINT command;
  DWORD flags;
  MCIERROR result;
  HWND callback;         // the first field of every parameter block
  std::wstring element;  // the file name of an open
};

// Passes every command to the real MCI, or answers a chosen command with an error instead.
class CommandRecorder : public TSystemMci {
public:
  MCIERROR SendCommand(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR parameters) override {
    MciCall call{device, command, static_cast<DWORD>(flags), 0,
                 reinterpret_cast<HWND>(reinterpret_cast<MCI_GENERIC_PARMS*>(parameters)->dwCallback), {}};
    if (command == MCI_OPEN) call.element = reinterpret_cast<MCI_OPEN_PARMSW*>(parameters)->lpstrElementName;
    call.result = command == RejectCommand ? RejectWith : TSystemMci::SendCommand(device, command, flags, parameters);
    Calls.push_back(call);
    return call.result;
  }

  std::vector<MciCall> Calls;
  UINT RejectCommand = 0;
  MCIERROR RejectWith = 0;
};

// A player whose commands the recorder sees; the recorder outlives it.
class RecordingPlayer {
public:
  std::vector<MciCall> Of(UINT command) const {
    std::vector<MciCall> found;
    for (const MciCall& call : Calls)
      if (call.command == command) found.push_back(call);
    return found;
  }

  CommandRecorder Mci;
  std::vector<MciCall>& Calls = Mci.Calls;
  UINT& RejectCommand = Mci.RejectCommand;
  MCIERROR& RejectWith = Mci.RejectWith;
  TMediaPlayer Player{Mci};
};

std::string PlatformText(MCIERROR error) {
  wchar_t text[4096];
  return mciGetErrorStringW(error, text, 4096) ? Narrow(text) : std::string();
}

bool PumpUntil(const bool& flag) {
  for (int i = 0; i < 300 && !flag; ++i) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (!flag) Sleep(10);
  }
  return flag;
}

TEST(MediaPlayer, PlayWithoutADeviceRaisesAndSendsNothing) {
  RecordingPlayer r;
  try {
    r.Player.Play();
    FAIL() << "no exception";
  } catch (const EMCIDeviceError& e) {
    EXPECT_EQ(e.message(), kNoDevice);
  }
  EXPECT_TRUE(r.Calls.empty());
  r.Player.Close();
  EXPECT_TRUE(r.Calls.empty()) << "closing a closed player sends nothing";
  EXPECT_FALSE(IsWindowVisible(r.Player.Handle()));
}

TEST(MediaPlayer, MissingFileRaisesThePlatformTextAndStaysClosed) {
  RecordingPlayer r;
  r.Player.FileName = "C:\\no such folder\\メール.wav";
  try {
    r.Player.Open();
    FAIL() << "no exception";
  } catch (const EMCIDeviceError& e) {
    ASSERT_EQ(r.Calls.size(), 1u);
    const MciCall& open = r.Calls[0];
    EXPECT_EQ(open.command, static_cast<UINT>(MCI_OPEN));
    EXPECT_EQ(open.device, 0u);
    EXPECT_EQ(open.flags, 0x202u) << "MCI_WAIT | MCI_OPEN_ELEMENT";
    EXPECT_EQ(open.element, L"C:\\no such folder\\メール.wav");
    EXPECT_NE(open.result, 0u);
    EXPECT_EQ(r.Player.Error(), open.result);
    EXPECT_FALSE(PlatformText(open.result).empty());
    EXPECT_EQ(e.message(), PlatformText(open.result));
  }
  EXPECT_FALSE(r.Player.Opened());
  EXPECT_EQ(r.Player.DeviceID(), 0u);
  EXPECT_THROW(r.Player.Play(), EMCIDeviceError);
}

TEST(MediaPlayer, ErrorWithoutPlatformTextHasTheFixedText) {
  RecordingPlayer r;
  r.RejectCommand = MCI_OPEN;
  r.RejectWith = 0x7fff;
  r.Player.FileName = "x.wav";
  try {
    r.Player.Open();
    FAIL() << "no exception";
  } catch (const EMCIDeviceError& e) {
    EXPECT_EQ(e.message(), kUnknownError);
  }
}

TEST(MediaPlayer, OpenPlayCloseOfAWaveFileThroughTheMciCommands) {
  RecordingPlayer r;
  bool notified = false;
  r.Player.OnNotify = [&](TObject* sender) {
    EXPECT_EQ(sender, &r.Player);
    notified = true;
  };
  r.Player.FileName = WriteWave("pelmora-player-test.wav");
  r.Player.Open();
  ASSERT_TRUE(r.Player.Opened());
  const MCIDEVICEID device = r.Player.DeviceID();
  EXPECT_NE(device, 0u);
  EXPECT_EQ(r.Calls[0].command, static_cast<UINT>(MCI_OPEN));
  EXPECT_EQ(r.Calls[0].flags, 0x202u);
  EXPECT_EQ(r.Calls[0].callback, r.Player.Handle());
  EXPECT_EQ(r.Player.Length(), 100u) << "milliseconds, the device's default time format";
  EXPECT_EQ(r.Player.StepSize(), 10u);
  EXPECT_TRUE(r.Player.CanPlay());
  EXPECT_FALSE(r.Player.HasVideo());

  r.Player.Play();
  const std::vector<MciCall> plays = r.Of(MCI_PLAY);
  ASSERT_EQ(plays.size(), 1u);
  EXPECT_EQ(plays[0].device, device);
  EXPECT_EQ(plays[0].flags, static_cast<DWORD>(MCI_NOTIFY)) << "returns at once, the end comes as a notice";
  EXPECT_EQ(plays[0].callback, r.Player.Handle());
  // The device reports the end, or a failure where the machine has no sound output.
  ASSERT_TRUE(PumpUntil(notified));
  EXPECT_TRUE(r.Player.NotifyValue() == TMPNotifyValues::nvSuccessful ||
              r.Player.NotifyValue() == TMPNotifyValues::nvFailure);
  EXPECT_TRUE(r.Player.Opened()) << "the device stays open after the sound";

  r.Player.Close();
  const std::vector<MciCall> closes = r.Of(MCI_CLOSE);
  ASSERT_EQ(closes.size(), 1u);
  EXPECT_EQ(closes[0].device, device);
  EXPECT_EQ(closes[0].flags, static_cast<DWORD>(MCI_WAIT));
  EXPECT_EQ(closes[0].result, 0u);
  EXPECT_FALSE(r.Player.Opened());
  EXPECT_EQ(r.Player.DeviceID(), 0u);
}

TEST(MediaPlayer, SecondOpenClosesTheFirstDeviceAndDestructionClosesTheLast) {
  const std::string wave = WriteWave("pelmora-player-twice.wav");
  CommandRecorder mci;
  {
    TMediaPlayer player(mci);
    player.FileName = wave;
    player.Open();
    const MCIDEVICEID first = player.DeviceID();
    player.Play();
    mci.Calls.clear();
    player.Open();
    ASSERT_GE(mci.Calls.size(), 2u);
    EXPECT_EQ(mci.Calls[0].command, static_cast<UINT>(MCI_CLOSE));
    EXPECT_EQ(mci.Calls[0].device, first);
    EXPECT_EQ(mci.Calls[1].command, static_cast<UINT>(MCI_OPEN));
    ASSERT_TRUE(player.Opened());
    mci.Calls.clear();
  }
  ASSERT_EQ(mci.Calls.size(), 1u);
  EXPECT_EQ(mci.Calls[0].command, static_cast<UINT>(MCI_CLOSE));
  EXPECT_EQ(mci.Calls[0].flags, static_cast<DWORD>(MCI_WAIT));
  EXPECT_EQ(mci.Calls[0].result, 0u);
}

TEST(MediaPlayer, RejectedPlayIsRecordedAndRejectedCloseKeepsTheDevice) {
  RecordingPlayer r;
  r.Player.FileName = WriteWave("pelmora-player-reject.wav");
  r.Player.Open();
  r.RejectCommand = MCI_PLAY;
  r.RejectWith = MCIERR_HARDWARE;
  EXPECT_NO_THROW(r.Player.Play());
  EXPECT_EQ(r.Player.Error(), static_cast<DWORD>(MCIERR_HARDWARE));
  const MCIDEVICEID device = r.Player.DeviceID();
  r.RejectCommand = MCI_CLOSE;
  r.Player.Close();
  EXPECT_TRUE(r.Player.Opened());
  EXPECT_EQ(r.Player.DeviceID(), device);
  r.RejectCommand = 0;
}

TEST(MediaPlayer, OneShotOverridesApplyToTheNextCommandOnly) {
  RecordingPlayer r;
  r.Player.FileName = WriteWave("pelmora-player-flags.wav");
  r.Player.Open();
  r.Player.SetWait(true);
  r.Player.SetNotify(false);
  r.Player.SetFrom(10);
  r.Player.SetTo(50);
  r.Player.Play();
  r.Player.Play();
  const std::vector<MciCall> plays = r.Of(MCI_PLAY);
  ASSERT_EQ(plays.size(), 2u);
  EXPECT_EQ(plays[0].flags, static_cast<DWORD>(MCI_WAIT | MCI_FROM | MCI_TO));
  EXPECT_EQ(plays[1].flags, static_cast<DWORD>(MCI_NOTIFY));
  r.Player.SetNotify(true);
  r.Player.Close();
  EXPECT_EQ(r.Of(MCI_CLOSE).at(0).flags, static_cast<DWORD>(MCI_WAIT | MCI_NOTIFY));
}

}  // namespace
