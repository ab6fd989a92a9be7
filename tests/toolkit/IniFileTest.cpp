#include "toolkit/IniFile.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "toolkit/portable/Exception.h"
#include "toolkit/Text.h"

namespace {

// に書き込めません
const std::string kCannotWrite = "に書き込めません";

class IniFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    wchar_t base[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, base);
    // A folder name in CP932 beyond ASCII: ペルモーラ
    Folder = Narrow(base) + "ペルモーラ-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryW(Widen(Folder).c_str(), nullptr);
    Path = Folder + "\\Pelmora.ini";
    DeleteFileW(Widen(Path).c_str());
  }
  void TearDown() override {
    SetFileAttributesW(Widen(Path).c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(Widen(Path).c_str());
    RemoveDirectoryW(Widen(Folder).c_str());
  }

  std::string FileBytes() const {
    const HANDLE file = CreateFileW(Widen(Path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "(missing)";
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
  }
  void WriteFileBytes(const std::string& bytes) const {
    const HANDLE file = CreateFileW(Widen(Path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }

  std::string Folder;
  std::string Path;
};

}  // namespace

TEST_F(IniFileTest, WritesOneValuePerCallInCallOrderAndReadsThemBack) {
  {
    TIniFile ini(Path);
    ini.WriteBool("SET", "START", false);
    ini.WriteBool("SET", "TIME", true);
    ini.WriteInteger("SET", "MINUTE", 75);
  }
  EXPECT_EQ(FileBytes(), "[SET]\r\nSTART=0\r\nTIME=1\r\nMINUTE=75\r\n");
  TIniFile ini(Path);
  EXPECT_FALSE(ini.ReadBool("SET", "START", true));
  EXPECT_TRUE(ini.ReadBool("SET", "TIME", false));
  EXPECT_EQ(ini.ReadInteger("SET", "MINUTE", 30), 75);
  // Rewriting a key keeps its place.
  ini.WriteInteger("SET", "START", -1);
  EXPECT_EQ(FileBytes(), "[SET]\r\nSTART=-1\r\nTIME=1\r\nMINUTE=75\r\n");
}

TEST_F(IniFileTest, TextsAreCp932AndLongValuesComeBackWhole) {
  TIniFile ini(Path);
  const std::string name = "ペルモーラ";
  ini.WriteString(name, "KEY", name);
  EXPECT_EQ(ini.ReadString(name, "KEY", ""), name);
  const std::string longValue(5000, 'v');
  ini.WriteString("SET", "LONG", longValue);
  EXPECT_EQ(ini.ReadString("SET", "LONG", ""), longValue);
}

TEST_F(IniFileTest, IntegerRulesAndDefaults) {
  WriteFileBytes(
      "[SET]\r\nSTART=2\r\nTIME=abc\r\nMINUTE=0x0A\r\nA=$1F\r\nB=-5\r\nC=0X0b\r\nD=12abc\r\nE=\r\nF=0\r\n");
  const TIniFile ini(Path);
  EXPECT_TRUE(ini.ReadBool("SET", "START", false));  // any integer but 0 is on
  EXPECT_TRUE(ini.ReadBool("SET", "TIME", true));    // not an integer: the default
  EXPECT_FALSE(ini.ReadBool("SET", "TIME", false));
  EXPECT_FALSE(ini.ReadBool("SET", "F", true));
  EXPECT_EQ(ini.ReadInteger("SET", "MINUTE", 30), 10);
  EXPECT_EQ(ini.ReadInteger("SET", "A", 30), 31);
  EXPECT_EQ(ini.ReadInteger("SET", "B", 30), -5);
  EXPECT_EQ(ini.ReadInteger("SET", "C", 30), 11);
  EXPECT_EQ(ini.ReadInteger("SET", "D", 30), 30);
  EXPECT_EQ(ini.ReadInteger("SET", "E", 30), 30);
  EXPECT_EQ(ini.ReadInteger("SET", "MISSING", 30), 30);
  EXPECT_EQ(ini.ReadInteger("OTHER", "MINUTE", 30), 30);
  const TIniFile none(Folder + "\\none.ini");
  EXPECT_EQ(none.ReadInteger("SET", "MINUTE", 30), 30);
  EXPECT_TRUE(none.ReadBool("SET", "TIME", true));
}

TEST_F(IniFileTest, AFileThatCannotBeWrittenRaisesWithItsPath) {
  const std::string missing = Folder + "\\no such folder\\Pelmora.ini";
  TIniFile ini(missing);
  try {
    ini.WriteInteger("SET", "MINUTE", 30);
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.message(), missing + " " + kCannotWrite);
  }
  EXPECT_THROW(ini.WriteBool("SET", "START", true), Exception);
  EXPECT_THROW(ini.WriteString("SET", "X", "y"), Exception);
}

TEST_F(IniFileTest, AFolderInPlaceOfTheFileCannotBeWritten) {
  // Permissions do not stop every user (an administrator writes a read-only file): a folder does.
  ASSERT_TRUE(CreateDirectoryW(Widen(Path).c_str(), nullptr));
  TIniFile ini(Path);
  EXPECT_THROW(ini.WriteInteger("SET", "MINUTE", 30), Exception);
  RemoveDirectoryW(Widen(Path).c_str());
}
