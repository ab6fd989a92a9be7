#include "app/portable/ProgramPaths.h"

#include <gtest/gtest.h>

TEST(ProgramDir, DropsTheFileNameAndTheSeparatorButKeepsADriveRootWhole) {
  EXPECT_EQ(ProgramDirOf("C:\\Tools\\x.exe"), "C:\\Tools");
  EXPECT_EQ(ProgramDirOf("C:\\x.exe"), "C:\\");
  EXPECT_EQ(ProgramDirOf("C:x.exe"), "C:");
  EXPECT_EQ(ProgramDirOf("\\\\server\\share\\x.exe"), "\\\\server\\share");
  // A separator right after another separator or a drive colon is kept.
  EXPECT_EQ(ProgramDirOf("C:\\Tools\\\\x.exe"), "C:\\Tools\\\\");
  EXPECT_EQ(ProgramDirOf("\\x.exe"), "\\");
  EXPECT_EQ(ProgramDirOf("x.exe"), "");
}

TEST(ProgramDir, ADoubleByteCharacterWhoseSecondByteIsABackslashIsNoSeparator) {
  // "表" is 95 5C in code page 932.
  const std::string folder = "C:\\表";
  EXPECT_EQ(ProgramDirOf(folder + "\\x.exe"), folder);
  EXPECT_EQ(ProgramDirOf("C:\\Tools\\表.exe"), "C:\\Tools");
  EXPECT_EQ(ProgramNameOf("C:\\Tools\\表.exe"), "表");
}

TEST(InfoPage, NamesTheProgramFileWithoutItsLastExtension) {
  EXPECT_EQ(InfoPageAddress("C:\\Tools\\mailcheck.exe"), "http://www.pelmora.example/info.php?pf=w&sn=mailcheck");
  EXPECT_EQ(ProgramNameOf("C:\\Tools\\a.b.exe"), "a.b");
  EXPECT_EQ(ProgramNameOf("C:\\Tools\\Pelmora"), "Pelmora");
  EXPECT_EQ(ProgramNameOf("C:Pelmora.exe"), "Pelmora");
  // A dot in a folder name is not an extension of the file; no escaping is applied to the name.
  EXPECT_EQ(ProgramNameOf("C:\\v1.2\\my tool"), "my tool");
  EXPECT_EQ(InfoPageAddress("D:\\a&b.exe"), "http://www.pelmora.example/info.php?pf=w&sn=a&b");
}

TEST(SettingsFile, LiesNextToTheProgramAndKeepsTheSeparator) {
  EXPECT_EQ(SettingsFileOf("C:\\Tools\\x.exe"), "C:\\Tools\\Pelmora.ini");
  EXPECT_EQ(SettingsFileOf("C:\\x.exe"), "C:\\Pelmora.ini");
  EXPECT_EQ(SettingsFileOf("C:x.exe"), "C:Pelmora.ini");
  EXPECT_EQ(SettingsFileOf("x.exe"), "Pelmora.ini");
  // 表 ends in the byte of "\": it is not a separator.
  EXPECT_EQ(SettingsFileOf("C:\\表\\x.exe"), "C:\\表\\Pelmora.ini");
}

// A kernel object's name: short whatever the folder's length, no "\" (which would name a namespace),
// one per folder.
TEST(InstanceName, IsShortWithoutBackslashAndOnePerFolder) {
  const std::u16string deep = u"C:\\" + std::u16string(5000, u'表') + u"\\TOOLS";
  const std::u16string name = InstanceNameOf(deep);
  EXPECT_EQ(name.size(), 24u);
  EXPECT_EQ(name.rfind(u"Pelmora-", 0), 0u);
  EXPECT_EQ(name.find(u'\\'), std::u16string::npos);
  EXPECT_EQ(InstanceNameOf(deep), name);
  EXPECT_NE(InstanceNameOf(u"C:\\TOOLS\\A"), InstanceNameOf(u"C:\\TOOLS\\B"));
  EXPECT_NE(InstanceNameOf(u"C:\\TOOLS"), InstanceNameOf(u"D:\\TOOLS"));
}
