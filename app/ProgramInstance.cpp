#include "app/ProgramInstance.h"

#include "app/portable/ProgramPaths.h"
#include "toolkit/portable/Exception.h"
#include "toolkit/Text.h"

namespace {

// The folder as the file system compares it: short (8.3) names made long, case folded.
std::wstring InstanceName(const std::string& programDir) {
  std::wstring folder = Widen(programDir);
  std::wstring longName(folder.size() + MAX_PATH, L'\0');
  const DWORD length = GetLongPathNameW(folder.c_str(), longName.data(), static_cast<DWORD>(longName.size()));
  if (length > 0 && length < longName.size()) folder.assign(longName.data(), length);
  std::wstring upper(folder.size(), L'\0');
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, folder.data(), static_cast<int>(folder.size()),
                    upper.data(), static_cast<int>(upper.size()), nullptr, nullptr, 0) == 0)
    upper = folder;
  const std::u16string name = InstanceNameOf(std::u16string(upper.begin(), upper.end()));
  return std::wstring(name.begin(), name.end());
}

}  // namespace

TProgramInstance::TProgramInstance(const std::string& programPath)
    : Name(InstanceName(ProgramDirOf(programPath))), Mutex(CreateMutexW(nullptr, FALSE, (L"Local\\" + Name).c_str())) {
  if (!Mutex.Get()) throw Exception("Cannot create the mutex of the program's folder (error " +
                                    std::to_string(GetLastError()) + ")");
  IsFirst = GetLastError() != ERROR_ALREADY_EXISTS;
}

void TProgramInstance::ShowRunningCopy() const {
  // The user started this copy, so it may hand the foreground on; the running copy may not take it.
  AllowSetForegroundWindow(ASFW_ANY);
  PostMessageW(HWND_BROADCAST, RegisterWindowMessageW((Name + L"-show").c_str()), 0, 0);
}

UINT ShowRunningCopyMessage(const std::string& programDir) {
  return RegisterWindowMessageW((InstanceName(programDir) + L"-show").c_str());
}
