#include "desktop/portable/MailCommand.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// The files of a machine that has a mail program under Program Files, and a planted C:\Program.exe.
std::u16string LineFor(std::u16string_view command) {
  static const std::set<std::u16string, std::less<>> files = {
      u"C:\\Program.exe", u"C:\\Program Files\\Mail App\\mail.exe", u"C:\\Tools\\mailer.exe"};
  return MailCommandLine(command, [](std::u16string_view path) { return files.count(path) != 0; });
}

}  // namespace

TEST(MailCommandLine, AnUnquotedPathWithSpacesIsTheLongestRunThatNamesAFile) {
  EXPECT_EQ(LineFor(u"C:\\Program Files\\Mail App\\mail.exe"), u"\"C:\\Program Files\\Mail App\\mail.exe\"");
  EXPECT_EQ(LineFor(u"C:\\Program Files\\Mail App\\mail.exe /mail -x"),
            u"\"C:\\Program Files\\Mail App\\mail.exe\" /mail -x");
  // Without an extension, as the system adds one.
  EXPECT_EQ(LineFor(u"C:\\Program Files\\Mail App\\mail /mail"), u"\"C:\\Program Files\\Mail App\\mail.exe\" /mail");
  EXPECT_EQ(LineFor(u"C:\\Tools\\mailer"), u"\"C:\\Tools\\mailer.exe\"");
  // No run names a file: the first word alone, quoted, so no shorter path is ever tried for it.
  EXPECT_EQ(LineFor(u"D:\\Other Place\\x.exe -y"), u"\"D:\\Other\" Place\\x.exe -y");
  EXPECT_EQ(LineFor(u"  \tmailer.exe"), u"\"mailer.exe\"");
}

TEST(MailCommandLine, AQuotedProgramEndsAtItsClosingQuote) {
  EXPECT_EQ(LineFor(u"\"C:\\Program Files\\Mail App\\mail.exe\" -mail"),
            u"\"C:\\Program Files\\Mail App\\mail.exe\" -mail");
  EXPECT_EQ(LineFor(u"\"C:\\Program Files\\Mail App\\mail.exe\"-mail"),
            u"\"C:\\Program Files\\Mail App\\mail.exe\" -mail");
  EXPECT_EQ(LineFor(u"\"C:\\Program Files\\Mail App\\mail.exe"), u"\"C:\\Program Files\\Mail App\\mail.exe\"");
  EXPECT_EQ(LineFor(u"\"\" -mail"), u"");
  EXPECT_EQ(LineFor(u" \t "), u"");
  EXPECT_EQ(LineFor(u""), u"");
}

TEST(MailCommandLine, PlaceholdersOfTheFileAndFurtherArgumentsAreLeftOut) {
  EXPECT_EQ(LineFor(u"\"C:\\Tools\\mailer.exe\" %1"), u"\"C:\\Tools\\mailer.exe\"");
  EXPECT_EQ(LineFor(u"\"C:\\Tools\\mailer.exe\" -compose \"%1\""), u"\"C:\\Tools\\mailer.exe\" -compose \"\"");
  EXPECT_EQ(LineFor(u"C:\\Tools\\mailer.exe %L %l %0 %2 %9 %* %~ %I %i /x"), u"\"C:\\Tools\\mailer.exe\"          /x");
  EXPECT_EQ(LineFor(u"C:\\Tools\\mailer.exe 100%% %x %"), u"\"C:\\Tools\\mailer.exe\" 100% %x %");
}
