#include "desktop/MailClient.h"

#include <windows.h>

#include <string>
#include <vector>

#include "desktop/portable/MailCommand.h"

namespace {

// A string value of the registry, environment variables expanded; empty when there is none.
// RRF_RT_REG_SZ alone takes REG_EXPAND_SZ values too, expanded; Wine and older Windows versions
// refuse RRF_RT_REG_EXPAND_SZ without RRF_NOEXPAND as an invalid parameter.
std::wstring RegistryText(HKEY root, const std::wstring& key, const wchar_t* name) {
  DWORD size = 0;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS ||
      size < sizeof(wchar_t))
    return {};
  std::vector<wchar_t> text(size / sizeof(wchar_t));
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, text.data(), &size) != ERROR_SUCCESS) return {};
  return text.data();
}

bool IsFile(std::u16string_view path) {
  const std::wstring wide(path.begin(), path.end());
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool StartDefaultMailClient() {
  const std::wstring clients = L"Software\\Clients\\Mail";
  // The user's own choice comes before the machine's.
  std::wstring name = RegistryText(HKEY_CURRENT_USER, clients, nullptr);
  if (name.empty()) name = RegistryText(HKEY_LOCAL_MACHINE, clients, nullptr);
  if (name.empty()) return false;
  const std::wstring commandKey = clients + L"\\" + name + L"\\shell\\open\\command";
  std::wstring registered = RegistryText(HKEY_CURRENT_USER, commandKey, nullptr);
  if (registered.empty()) registered = RegistryText(HKEY_LOCAL_MACHINE, commandKey, nullptr);
  const std::u16string line = MailCommandLine(std::u16string(registered.begin(), registered.end()), IsFile);
  if (line.empty()) return false;
  std::wstring command(line.begin(), line.end());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}
