#pragma once
// Starts a Windows program for an end-to-end test in a folder of its own, with the files it reads
// next to it, and stops it again leaving no process behind.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

struct ProgramFile {
  std::string name;   // file name beside the program, e.g. "account.dat"
  std::string bytes;  // exact contents
};

// The Windows path of a Linux path (Wine's Z: drive is the Linux root).
std::wstring FromLinuxPath(std::string_view path);

// The Pelmora.exe built with these tests.
std::wstring PelmoraExe();

class ProgramRun {
 public:
  // Copies `exe` into a new empty folder under %TEMP%, writes `files` there and starts the copy
  // with that folder as its working directory. Throws std::runtime_error when any step fails.
  explicit ProgramRun(const std::wstring& exe, const std::vector<ProgramFile>& files = {});
  // Stops the program and removes its folder.
  ~ProgramRun();
  ProgramRun(const ProgramRun&) = delete;
  ProgramRun& operator=(const ProgramRun&) = delete;

  DWORD ProcessId() const { return info_.dwProcessId; }
  HANDLE Process() const { return info_.hProcess; }
  const std::wstring& Folder() const { return folder_; }

  // A file of the program's folder: whether it exists, and its bytes (throws when it is missing).
  bool HasFile(std::string_view name) const;
  std::string ReadFile(std::string_view name) const;
  void WriteFile(std::string_view name, std::string_view bytes) const;

  // True when the program ended within `timeoutMs`.
  bool WaitForExit(DWORD timeoutMs) const;
  // The exit code; STILL_ACTIVE while it runs.
  DWORD ExitCode() const;
  // Ends the program at once if it still runs and waits until it is gone. Safe to call twice.
  void Stop();

 private:
  std::wstring folder_;
  PROCESS_INFORMATION info_{};
};

// Saves a PNG of the whole virtual display as <build folder>/screenshots/<name>.png for a human
// to look at; returns its Linux path, or an empty string when no screenshot could be taken.
std::string Screenshot(std::string_view name);

}  // namespace testsupport
