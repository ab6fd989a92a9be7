#pragma once
// A player for one device of the Media Control Interface, driven by command messages. It is used
// as a sound player: FileName, Open, Play, and Close. Its window is never shown; it receives the
// completion notices of the devices it plays.
#include <windows.h>
#include <mmsystem.h>

#include <optional>
#include <string>

#include "desktop/Mci.h"
#include "toolkit/portable/Event.h"
#include "toolkit/portable/Exception.h"
#include "toolkit/Window.h"

class EMCIDeviceError : public Exception {
public:
  using Exception::Exception;
};

enum class TMPDeviceTypes {
  dtAutoSelect,
  dtAVIVideo,
  dtCDAudio,
  dtDAT,
  dtDigitalVideo,
  dtMMMovie,
  dtOther,
  dtOverlay,
  dtScanner,
  dtSequencer,
  dtVCR,
  dtVideodisc,
  dtWaveAudio,
};

enum class TMPNotifyValues { nvSuccessful, nvSuperseded, nvAborted, nvFailure };

class TMediaPlayer : public TWindow {
public:
  // The player's window is a message-only window, or a hidden child of `parent` at `bounds`.
  explicit TMediaPlayer(TMci& mci = SystemMci());
  TMediaPlayer(TMci& mci, HWND parent, const RECT& bounds);
  // Closes an open device, waiting for it and ignoring the result.
  ~TMediaPlayer() override;

  std::string FileName;  // CP932
  TMPDeviceTypes DeviceType = TMPDeviceTypes::dtAutoSelect;
  bool Shareable = false;
  bool AutoRewind = true;

  // Opens a device for FileName, closing the open one first; raises EMCIDeviceError on failure.
  void Open();
  // Starts playing and returns at once; a rejection is only recorded in Error.
  void Play();
  // Closes the device; a rejection is recorded in Error and the device stays open.
  void Close();

  // One-shot overrides of the wait and notify flags and the play range, used by the next command
  // that consults them.
  void SetWait(bool value) { WaitOverride = value; }
  void SetNotify(bool value) { NotifyOverride = value; }
  void SetFrom(DWORD position) { FromOverride = position; }
  void SetTo(DWORD position) { ToOverride = position; }

  bool Opened() const { return OpenedFlag; }
  MCIDEVICEID DeviceID() const { return Device; }
  DWORD Error() const { return LastError; }  // the result of the last command sent
  DWORD Flags() const { return LastFlags; }  // the flags of the last command sent
  // The platform's text for Error(), or a fixed text when it has none.
  std::string ErrorMessage() const;
  DWORD Length();
  DWORD Position();
  DWORD StepSize() const { return Step; }
  bool CanPlay() const { return CanPlayFlag; }
  bool CanRecord() const { return CanRecordFlag; }
  bool CanEject() const { return CanEjectFlag; }
  bool HasVideo() const { return HasVideoFlag; }
  bool CanStep() const { return CanStepFlag; }
  TMPNotifyValues NotifyValue() const { return LastNotify; }

  Event<TObject*> OnNotify;

protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
  MCIERROR Send(MCIDEVICEID device, UINT command, DWORD flags, void* parameters);
  DWORD WaitNotifyFlags();
  DWORD StatusItem(DWORD item);
  DWORD CapabilityItem(DWORD item);
  void ReadCapabilities();

  TMci& Mci;
  bool OpenedFlag = false;
  MCIDEVICEID Device = 0;
  DWORD LastError = 0;
  DWORD LastFlags = 0;
  DWORD Step = 0;
  bool CanPlayFlag = false;
  bool CanRecordFlag = false;
  bool CanEjectFlag = false;
  bool HasVideoFlag = false;
  bool CanStepFlag = false;
  TMPNotifyValues LastNotify = TMPNotifyValues::nvSuccessful;
  std::optional<bool> WaitOverride;
  std::optional<bool> NotifyOverride;
  std::optional<DWORD> FromOverride;
  std::optional<DWORD> ToOverride;
};
