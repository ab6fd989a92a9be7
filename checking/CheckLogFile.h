#pragma once
// The check log: lines added to a file beside the program, which is moved aside to "<name>.1" before
// it would pass its bound. The file is opened for each line only.
#include <string>
#include <utility>

namespace checking {

class TCheckLogFile {
public:
  // `path` in code page 932, as the program's other files.
  explicit TCheckLogFile(std::string path) : FilePath(std::move(path)) {}

  const std::string& Path() const { return FilePath; }
  // Adds a line, given in code page 932, as UTF-8. Raises Exception naming the file when it cannot
  // be written.
  void Append(const std::string& line);

private:
  std::string FilePath;
};

}  // namespace checking
