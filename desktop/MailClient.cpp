#include "desktop/MailClient.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

// A string value of the registry, environment variables expanded; empty when there is none.
std::wstring RegistryText(HKEY root, const std::wstring& key, const wchar_t* name) {
  DWORD size = 0;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr, nullptr, &size) !=
          ERROR_SUCCESS ||
      size < sizeof(wchar_t))
    return {};
  std::vector<wchar_t> text(size / sizeof(wchar_t));
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ, nullptr, text.data(), &size) !=
      ERROR_SUCCESS)
    return {};
  return text.data();
}

}  // namespace

bool StartDefaultMailClient() {
  const std::wstring clients = L"Software\\Clients\\Mail";
  // The user's own choice comes before the machine's.
  std::wstring name = RegistryText(HKEY_CURRENT_USER, clients, nullptr);
  if (name.empty()) name = RegistryText(HKEY_LOCAL_MACHINE, clients, nullptr);
  if (name.empty()) return false;
  const std::wstring commandKey = clients + L"\\" + name + L"\\shell\\open\\command";
  std::wstring command = RegistryText(HKEY_CURRENT_USER, commandKey, nullptr);
  if (command.empty()) command = RegistryText(HKEY_LOCAL_MACHINE, commandKey, nullptr);
  if (command.empty()) return false;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}
