#include "desktop/MediaPlayer.h"

#include <vector>

#include "toolkit/Text.h"

namespace {
constexpr const wchar_t* kPlayerClass = L"PelmoraMediaPlayer";

const wchar_t* DeviceTypeName(TMPDeviceTypes type) {
  switch (type) {
    case TMPDeviceTypes::dtAutoSelect: return L"";
    case TMPDeviceTypes::dtAVIVideo: return L"AVIVideo";
    case TMPDeviceTypes::dtCDAudio: return L"CDAudio";
    case TMPDeviceTypes::dtDAT: return L"DAT";
    case TMPDeviceTypes::dtDigitalVideo: return L"DigitalVideo";
    case TMPDeviceTypes::dtMMMovie: return L"MMMovie";
    case TMPDeviceTypes::dtOther: return L"Other";
    case TMPDeviceTypes::dtOverlay: return L"Overlay";
    case TMPDeviceTypes::dtScanner: return L"Scanner";
    case TMPDeviceTypes::dtSequencer: return L"Sequencer";
    case TMPDeviceTypes::dtVCR: return L"VCR";
    case TMPDeviceTypes::dtVideodisc: return L"Videodisc";
    case TMPDeviceTypes::dtWaveAudio: return L"WaveAudio";
  }
  return L"";
}
}  // namespace

// Never shown: the window exists only as the target of the devices' completion notices.
TMediaPlayer::TMediaPlayer(TMci& mci) : Mci(mci) {
  RegisterOwnClass(kPlayerClass);
  CreateOwn(kPlayerClass, 0, 0, "", RECT{}, HWND_MESSAGE, 0);
}

TMediaPlayer::TMediaPlayer(TMci& mci, HWND parent, const RECT& bounds) : Mci(mci) {
  RegisterOwnClass(kPlayerClass);
  CreateOwn(kPlayerClass, 0, WS_CHILD, "", bounds, parent, 0);
}

TMediaPlayer::~TMediaPlayer() {
  if (Device != 0) {
    MCI_GENERIC_PARMS parameters{};
    Send(Device, MCI_CLOSE, MCI_WAIT, &parameters);
  }
}

MCIERROR TMediaPlayer::Send(MCIDEVICEID device, UINT command, DWORD flags, void* parameters) {
  LastFlags = flags;
  LastError = Mci.SendCommand(device, command, flags, reinterpret_cast<DWORD_PTR>(parameters));
  return LastError;
}

std::string TMediaPlayer::ErrorMessage() const {
  std::vector<wchar_t> text(4096);
  if (!mciGetErrorStringW(LastError, text.data(), static_cast<UINT>(text.size())))
    return "原因不明のエラー";
  return Narrow(text.data());
}

DWORD TMediaPlayer::WaitNotifyFlags() {
  DWORD flags = MCI_WAIT;
  if (WaitOverride && !*WaitOverride) flags = 0;
  if (NotifyOverride && *NotifyOverride) flags |= MCI_NOTIFY;
  WaitOverride.reset();
  NotifyOverride.reset();
  return flags;
}

void TMediaPlayer::Open() {
  MCI_OPEN_PARMSW parameters{};
  if (OpenedFlag) Close();
  const std::wstring element = Widen(FileName);
  parameters.lpstrDeviceType = DeviceTypeName(DeviceType);
  parameters.lpstrElementName = element.c_str();
  DWORD flags = WaitNotifyFlags();
  flags |= DeviceType == TMPDeviceTypes::dtAutoSelect ? MCI_OPEN_ELEMENT : MCI_OPEN_TYPE;
  if (Shareable) flags |= MCI_OPEN_SHAREABLE;
  parameters.dwCallback = reinterpret_cast<DWORD_PTR>(Handle());
  if (Send(0, MCI_OPEN, flags, &parameters) != 0) throw EMCIDeviceError(ErrorMessage());
  OpenedFlag = true;
  Device = static_cast<WORD>(parameters.wDeviceID);
  Step = Length() / 10;
  ReadCapabilities();
  if (DeviceType == TMPDeviceTypes::dtCDAudio || DeviceType == TMPDeviceTypes::dtVideodisc) {
    MCI_SET_PARMS format{};
    format.dwTimeFormat = MCI_FORMAT_TMSF;
    Send(Device, MCI_SET, MCI_WAIT | MCI_SET_TIME_FORMAT, &format);
  }
}

void TMediaPlayer::ReadCapabilities() {
  CanPlayFlag = CapabilityItem(MCI_GETDEVCAPS_CAN_PLAY) != 0;
  CanRecordFlag = CapabilityItem(MCI_GETDEVCAPS_CAN_RECORD) != 0;
  CanEjectFlag = CapabilityItem(MCI_GETDEVCAPS_CAN_EJECT) != 0;
  HasVideoFlag = CapabilityItem(MCI_GETDEVCAPS_HAS_VIDEO) != 0;
  switch (CapabilityItem(MCI_GETDEVCAPS_DEVICE_TYPE)) {
    case MCI_DEVTYPE_VCR:
    case MCI_DEVTYPE_OVERLAY:
    case MCI_DEVTYPE_ANIMATION:
    case MCI_DEVTYPE_DIGITAL_VIDEO: CanStepFlag = true; break;
    default: CanStepFlag = false; break;
  }
}

DWORD TMediaPlayer::CapabilityItem(DWORD item) {
  MCI_GETDEVCAPS_PARMS parameters{};
  parameters.dwItem = item;
  Send(Device, MCI_GETDEVCAPS, MCI_WAIT | MCI_GETDEVCAPS_ITEM, &parameters);
  return parameters.dwReturn;
}

DWORD TMediaPlayer::StatusItem(DWORD item) {
  MCI_STATUS_PARMS parameters{};
  parameters.dwItem = item;
  Send(Device, MCI_STATUS, MCI_WAIT | MCI_STATUS_ITEM, &parameters);
  return static_cast<DWORD>(parameters.dwReturn);
}

DWORD TMediaPlayer::Length() { return OpenedFlag ? StatusItem(MCI_STATUS_LENGTH) : 0; }

DWORD TMediaPlayer::Position() { return OpenedFlag ? StatusItem(MCI_STATUS_POSITION) : 0; }

void TMediaPlayer::Play() {
  if (!OpenedFlag) throw EMCIDeviceError("MCI デバイスがありません");
  // A sound that has played to its end starts again from the beginning.
  if (AutoRewind && !FromOverride && !ToOverride && Position() == Length()) {
    MCI_SEEK_PARMS seek{};
    Send(Device, MCI_SEEK, MCI_WAIT | MCI_SEEK_TO_START, &seek);
  }
  MCI_PLAY_PARMS parameters{};
  DWORD flags = MCI_NOTIFY;
  if (NotifyOverride && !*NotifyOverride) flags = 0;
  if (WaitOverride && *WaitOverride) flags |= MCI_WAIT;
  if (FromOverride) {
    flags |= MCI_FROM;
    parameters.dwFrom = *FromOverride;
  }
  if (ToOverride) {
    flags |= MCI_TO;
    parameters.dwTo = *ToOverride;
  }
  WaitOverride.reset();
  NotifyOverride.reset();
  FromOverride.reset();
  ToOverride.reset();
  parameters.dwCallback = reinterpret_cast<DWORD_PTR>(Handle());
  Send(Device, MCI_PLAY, flags, &parameters);
}

void TMediaPlayer::Close() {
  if (Device == 0) return;
  MCI_GENERIC_PARMS parameters{};
  const DWORD flags = WaitNotifyFlags();
  parameters.dwCallback = reinterpret_cast<DWORD_PTR>(Handle());
  if (Send(Device, MCI_CLOSE, flags, &parameters) != 0) return;
  OpenedFlag = false;
  Device = 0;
}

LRESULT TMediaPlayer::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == MM_MCINOTIFY) {
    switch (wParam) {
      case MCI_NOTIFY_SUCCESSFUL: LastNotify = TMPNotifyValues::nvSuccessful; break;
      case MCI_NOTIFY_SUPERSEDED: LastNotify = TMPNotifyValues::nvSuperseded; break;
      case MCI_NOTIFY_ABORTED: LastNotify = TMPNotifyValues::nvAborted; break;
      case MCI_NOTIFY_FAILURE: LastNotify = TMPNotifyValues::nvFailure; break;
      default: break;
    }
    OnNotify(this);
    return 0;
  }
  return TWindow::WndProc(msg, wParam, lParam);
}
