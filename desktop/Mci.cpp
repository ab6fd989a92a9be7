#include "desktop/Mci.h"

MCIERROR TSystemMci::SendCommand(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR parameters) {
  return mciSendCommandW(device, command, flags, parameters);
}

MCIERROR TSystemMci::SendString(const std::wstring& command) {
  return mciSendStringW(command.c_str(), nullptr, 0, nullptr);
}

TMci& SystemMci() {
  static TSystemMci mci;
  return mci;
}
