// Whole-file reading and the one-step replace.
#include "toolkit/Files.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "toolkit/Text.h"

namespace {

// A fresh folder under %TEMP% with a Japanese name, removed with what it holds.
class TempFolder {
public:
  TempFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    Path = std::wstring(temp) + L"pelmora-files-テスト-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(Path.c_str(), nullptr);
  }
  ~TempFolder() {
    for (const wchar_t* name : {L"\\account.dat", L"\\account.dat.new"}) {
      SetFileAttributesW((Path + name).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW((Path + name).c_str());
    }
    RemoveDirectoryW((Path + L"\\account.dat").c_str());
    RemoveDirectoryW(Path.c_str());
  }
  std::string File() const { return Narrow(Path + L"\\account.dat"); }
  std::wstring Path;
};

}  // namespace

TEST(Files, AMissingFileIsMissingAndAFolderInItsPlaceIsAFailure) {
  TempFolder folder;
  std::string bytes = "old";
  EXPECT_EQ(ReadWholeFile(folder.File(), bytes), TReadResult::Missing);
  EXPECT_EQ(ReadWholeFile(Narrow(folder.Path) + "\\no\\such.dat", bytes), TReadResult::Missing);
  CreateDirectoryW(Widen(folder.File()).c_str(), nullptr);
  EXPECT_EQ(ReadWholeFile(folder.File(), bytes), TReadResult::Failed);
}

TEST(Files, ReplaceWritesEveryByteAndLeavesNoTemporaryFile) {
  TempFolder folder;
  std::string content(200000, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  ASSERT_TRUE(ReplaceWholeFile(folder.File(), content));
  std::string back;
  ASSERT_EQ(ReadWholeFile(folder.File(), back), TReadResult::Read);
  EXPECT_EQ(back, content);
  ASSERT_TRUE(ReplaceWholeFile(folder.File(), ""));
  ASSERT_EQ(ReadWholeFile(folder.File(), back), TReadResult::Read);
  EXPECT_EQ(back, "");
  EXPECT_EQ(GetFileAttributesW((Widen(folder.File()) + L".new").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(Files, AFailedReplaceLeavesTheOldFileWhole) {
  TempFolder folder;
  ASSERT_TRUE(ReplaceWholeFile(folder.File(), "old content\r\n"));
  SetFileAttributesW(Widen(folder.File()).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(ReplaceWholeFile(folder.File(), "new"));
  std::string back;
  ASSERT_EQ(ReadWholeFile(folder.File(), back), TReadResult::Read);
  EXPECT_EQ(back, "old content\r\n");
  EXPECT_EQ(GetFileAttributesW((Widen(folder.File()) + L".new").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(ReplaceWholeFile(Narrow(folder.Path) + "\\no\\such\\account.dat", "x"));
}
