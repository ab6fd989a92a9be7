#pragma once
// Whole-file reading and replacing for the program's data files. Paths are CP932 texts. The header
// is free of Windows headers, so that Windows-free code can name TReadResult.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

enum class TReadResult { Read, Missing, Failed };

// The file's bytes; Missing when there is no such file (or folder on its path); Failed when it exists
// but can't be read.
TReadResult ReadWholeFile(const std::string& path, std::string& bytes);

// Writes the bytes to a temporary file beside `path` and then puts it in place of `path` in one step,
// so `path` holds either its old or its new content, never a part. False when any step failed, with
// that step's error left for GetLastError (ERROR_FILE_READ_ONLY for a read-only `path`).
bool ReplaceWholeFile(const std::string& path, std::string_view bytes);

// Why a file could not be written (GetLastError's code), as the user can act on it.
std::string WriteFailureReason(unsigned long error);

// The size of the file in bytes; nothing when it is missing or can't be asked.
std::optional<std::uint64_t> FileSize(const std::string& path);
// Adds the bytes at the end of `path` (made when missing) and closes it again, so that nothing holds
// the file between two calls. False when any step failed, with its error left for GetLastError.
bool AppendToFile(const std::string& path, std::string_view bytes);
