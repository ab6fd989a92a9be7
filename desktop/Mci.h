#pragma once
// The Media Control Interface calls of the program, handed to its parts at construction: the
// program passes SystemMci(), tests a recorder (derived from TSystemMci to reach the real devices).
#include <windows.h>
#include <mmsystem.h>

#include <string>

class TMci {
public:
  virtual ~TMci() = default;
  // A command message to a device (mciSendCommand).
  virtual MCIERROR SendCommand(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR parameters) = 0;
  // A command string, its answer not wanted (mciSendString).
  virtual MCIERROR SendString(const std::wstring& command) = 0;
};

class TSystemMci : public TMci {
public:
  MCIERROR SendCommand(MCIDEVICEID device, UINT command, DWORD_PTR flags, DWORD_PTR parameters) override;
  MCIERROR SendString(const std::wstring& command) override;
};

TMci& SystemMci();
