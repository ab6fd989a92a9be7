#include "toolkit/Files.h"

#include <windows.h>

#include "toolkit/Text.h"

namespace {

class FileHandle {
public:
  explicit FileHandle(HANDLE handle) : Value(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { Close(); }
  bool Valid() const { return Value != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return Value; }
  bool Close() {
    if (!Valid()) return true;
    const bool closed = CloseHandle(Value) != FALSE;
    Value = INVALID_HANDLE_VALUE;
    return closed;
  }

private:
  HANDLE Value;
};

}  // namespace

std::string WriteFailureReason(unsigned long error) {
  switch (error) {
    case ERROR_FILE_READ_ONLY: return "ファイルが読み取り専用です。";
    case ERROR_ACCESS_DENIED: return "ファイルかフォルダーに書き込む権限がありません。";
    case ERROR_WRITE_PROTECT: return "ディスクが書き込み禁止です。";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "ほかのプログラムがファイルを使っています。";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "ディスクの空きが足りません。";
    case ERROR_PATH_NOT_FOUND: return "フォルダーが見つかりません。";
    default: return "Windows のエラー " + std::to_string(error) + " です。";
  }
}

TReadResult ReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  FileHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    const DWORD error = GetLastError();
    return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? TReadResult::Missing
                                                                           : TReadResult::Failed;
  }
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr)) return TReadResult::Failed;
    if (got == 0) return TReadResult::Read;
    bytes.append(buffer, got);
  }
}

bool ReplaceWholeFile(const std::string& path, std::string_view bytes) {
  const std::wstring target = Widen(path);
  const std::wstring temporary = target + L".new";
  // A read-only file is not replaced behind the user's back.
  if (const DWORD attributes = GetFileAttributesW(target.c_str());
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetLastError(ERROR_FILE_READ_ONLY);
    return false;
  }
  DWORD error = ERROR_SUCCESS;
  {
    FileHandle file(
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return false;
    DWORD done = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) ||
        !FlushFileBuffers(file.Get())) {
      error = GetLastError();
    } else if (done != bytes.size()) {
      error = ERROR_HANDLE_DISK_FULL;
    }
    if (!file.Close() && error == ERROR_SUCCESS) error = GetLastError();
  }
  if (error == ERROR_SUCCESS &&
      MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  if (error == ERROR_SUCCESS) error = GetLastError();
  // The temporary file's removal must not hide why the file was not replaced.
  DeleteFileW(temporary.c_str());
  SetLastError(error);
  return false;
}

std::optional<std::uint64_t> FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Readers of the file (a viewer the user keeps open) do not stop a line from being added.
bool AppendToFile(const std::string& path, std::string_view bytes) {
  FileHandle file(CreateFileW(Widen(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) return false;
  DWORD written = 0;
  const bool wrote = WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                     written == bytes.size();
  const DWORD error = GetLastError();
  if (!file.Close()) return false;
  SetLastError(error);
  return wrote;
}
