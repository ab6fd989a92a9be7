#include "tests/support/ProgramRun.h"

#include <atomic>
#include <stdexcept>

#include "tests/support/Utf8.h"
#include "toolkit/Text.h"

namespace testsupport {
namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + " (error " + std::to_string(GetLastError()) + ")");
}

std::wstring NewFolder() {
  static std::atomic<unsigned> counter{0};
  wchar_t temp[MAX_PATH] = {};
  if (!GetTempPathW(MAX_PATH, temp)) Fail("GetTempPath failed");
  for (;;) {
    std::wstring folder = std::wstring(temp) + L"pelmora-run-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                          std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(counter++);
    if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) Fail("cannot create " + ToUtf8(folder));
  }
}

void RemoveFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveFolder(path);
      else
        DeleteFileW(path.c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

std::wstring FileName(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

std::string EnvironmentVariable(const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  const DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
  return n > 0 && n < MAX_PATH ? ToUtf8(value) : std::string();
}

}  // namespace

std::wstring FromLinuxPath(std::string_view path) {
  std::wstring out = L"Z:" + FromUtf8(path);
  for (auto& c : out)
    if (c == L'/') c = L'\\';
  return out;
}

std::wstring PelmoraExe() { return FromLinuxPath(PELMORA_EXE_LINUX_PATH); }

ProgramRun::ProgramRun(const std::wstring& exe, const std::vector<ProgramFile>& files) : folder_(NewFolder()) {
  try {
    const std::wstring copy = folder_ + L"\\" + FileName(exe);
    if (!CopyFileW(exe.c_str(), copy.c_str(), TRUE)) Fail("cannot copy " + ToUtf8(exe));
    for (const auto& file : files) WriteFile(file.name, file.bytes);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring commandLine = L"\"" + copy + L"\"";
    if (!CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &startup, &info_))
      Fail("cannot start " + ToUtf8(copy));
  } catch (...) {
    RemoveFolder(folder_);
    throw;
  }
}

ProgramRun::~ProgramRun() {
  Stop();
  RemoveFolder(folder_);
}

bool ProgramRun::HasFile(std::string_view name) const {
  return GetFileAttributesW((folder_ + L"\\" + FromUtf8(name)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ProgramRun::ReadFile(std::string_view name) const {
  const std::wstring path = folder_ + L"\\" + FromUtf8(name);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("cannot open " + ToUtf8(path));
  std::string bytes;
  char block[4096];
  DWORD got = 0;
  while (::ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) bytes.append(block, got);
  CloseHandle(file);
  return bytes;
}

void ProgramRun::WriteFile(std::string_view name, std::string_view bytes) const {
  const std::wstring path = folder_ + L"\\" + FromUtf8(name);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("cannot create " + ToUtf8(path));
  DWORD written = 0;
  const bool ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  CloseHandle(file);
  if (!ok) Fail("cannot write " + ToUtf8(path));
}

bool ProgramRun::WaitForExit(DWORD timeoutMs) const {
  return info_.hProcess && WaitForSingleObject(info_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD ProgramRun::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (info_.hProcess) GetExitCodeProcess(info_.hProcess, &code);
  return code;
}

void ProgramRun::Stop() {
  if (!info_.hProcess) return;
  if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 1);
  WaitForSingleObject(info_.hProcess, INFINITE);
  CloseHandle(info_.hThread);
  CloseHandle(info_.hProcess);
  info_.hThread = info_.hProcess = nullptr;
}

std::string Screenshot(std::string_view name) {
  const std::string build = EnvironmentVariable(L"PELMORA_BUILD_DIR");
  const std::string display = EnvironmentVariable(L"DISPLAY");
  if (build.empty() || display.empty()) return {};
  CreateDirectoryW(FromLinuxPath(build + "/screenshots").c_str(), nullptr);
  const std::string png = build + "/screenshots/" + std::string(name) + ".png";
  const std::wstring windowsPng = FromLinuxPath(png);
  DeleteFileW(windowsPng.c_str());
  // Wine starts the Linux program but hands back no handle that waits for it: poll until the file
  // is there and has stopped growing.
  std::wstring commandLine = FromLinuxPath("/usr/bin/import") + L" -window root -display " + FromUtf8(display) + L" \"" + FromUtf8(png) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return {};
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  DWORD lastSize = 0;
  for (int waited = 0; waited < 20000; waited += 100) {
    Sleep(100);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(windowsPng.c_str(), GetFileExInfoStandard, &data)) continue;
    if (data.nFileSizeLow > 0 && data.nFileSizeLow == lastSize) return png;
    lastSize = data.nFileSizeLow;
  }
  return {};
}

}  // namespace testsupport
