#include "checking/portable/MailHeader.h"

#include <gtest/gtest.h>

#include "tests/checking/Cp932Iconv.h"

using namespace checking;

namespace {

std::string Utf8(std::u8string_view text) { return {reinterpret_cast<const char*>(text.data()), text.size()}; }

struct HeaderCase {
  const char* Name;
  std::string Header;
  std::u16string Sender;
  std::u16string Subject;
};

}  // namespace

// Narrow literals are CP932 here, so a Japanese one is a raw Shift_JIS header.
TEST(ReadMailHeader, DecodesHeadersAsJapaneseMailComes) {
  const HeaderCase cases[] = {
      {"ISO-2022-JP B, Japanese display name",
       "Received: from x\r\nFrom: =?ISO-2022-JP?B?GyRCOzNFRBsoQiAbJEJCQE86GyhC?= <yamada@example.jp>\r\n"
       "Subject: =?ISO-2022-JP?B?GyRCMnE1RCROJCpDTiRpJDsbKEI=?=\r\nTo: a@b\r\n\r\n",
       u"山田 太郎", u"会議のお知らせ"},
      {"UTF-8 Q in lower case, quoted name with a comma",
       "from: \"Suzuki, Ichiro\" <suzuki@example.com>\r\nsubject: =?utf-8?q?=E3=83=86=E3=82=B9=E3=83=88_mail?=\r\n",
       u"Suzuki, Ichiro", u"テスト mail"},
      {"Shift_JIS B with a CP932 character",
       "From: <only@example.net>\r\nSubject: =?Shift_JIS?B?h0CU1ILMjKmQz4Lggug=?=\r\n", u"only@example.net",
       u"①番の見積もり"},
      {"EUC-JP B with half-width katakana, address with a comment name",
       "From: shop@example.com (=?UTF-8?Q?Shop_=E2=98=85?=)\r\nSubject: =?EUC-JP?B?jraOwI62jsWkzrfv?=\r\n",
       u"Shop ★", u"ｶﾀｶﾅの件"},
      {"ISO-8859-1 Q, bare address, control characters dropped",
       "From: bare@example.org\r\nSubject: =?ISO-8859-1?Q?Caf=E9=01_au_lait?=\r\n", u"bare@example.org",
       u"Café au lait"},
      {"folded lines; blanks between encoded words dropped, others kept",
       "From: \"Suzuki, Ichiro\"\r\n <suzuki@example.com>\r\nSubject: Re: weekly\r\n\treport =?UTF-8?B?44GC?=\r\n"
       " =?UTF-8?B?44GE?= end\r\n",
       u"Suzuki, Ichiro", u"Re: weekly report あい end"},
      {"characters split across encoded words (UTF-8 and ISO-2022-JP)",
       "From: =?ISO-2022-JP?B?GyRCNA==?= =?iso-2022-jp?B?QTt6GyhC?= <k@example.jp>\r\n"
       "Subject: =?UTF-8?B?44E=?= =?utf-8?B?guOBhA==?=\r\n",
       u"漢字", u"あい"},
      {"raw 8-bit UTF-8", Utf8(u8"From: 田中 <tanaka@example.jp>\r\nSubject: 日本語の件名\r\n"), u"田中",
       u"日本語の件名"},
      {"raw 8-bit Shift_JIS", "From: 佐藤 <sato@example.jp>\r\nSubject: 見積もりの件\r\n", u"佐藤", u"見積もりの件"},
      {"raw JIS with half-width katakana and JIS X 0212",
       "Subject: \x1b$BE9\x1b(I6\x1b$(D0!\x1b(B!\r\n", u"", u"店ｶ\uFFFD!"},
      {"an emoji in UTF-8", "Subject: =?UTF-8?B?8J+OiSDjg5Hjg7zjg4bjgqPjg7w=?=\r\n", u"", u"🎉 パーティー"},
      {"broken base64 and an invalid UTF-8 byte", "Subject: =?UTF-8?B?44GC44GE44G?= x\xff\r\n", u"",
       u"あい\uFFFD x\uFFFD"},
      {"unknown charset: ASCII kept", "From: =?x-unknown?B?YWJj/w==?= <u@x>\r\nSubject: =?KOI8-R?Q?ok=C1?=\r\n",
       u"abc\uFFFD", u"ok\uFFFD"},
      {"body after the header is not read", "From: a@b\r\n\r\nSubject: not this\r\n", u"a@b", u""},
  };
  for (const HeaderCase& c : cases) {
    const MailSummary summary = ReadMailHeader(c.Header, Cp932ToUtf16);
    EXPECT_EQ(summary.Sender, c.Sender) << c.Name;
    EXPECT_EQ(summary.Subject, c.Subject) << c.Name;
  }
}

TEST(ReadMailHeader, CutsAHugeSubjectWithoutSplittingACharacter) {
  // 175 KB of raw UTF-8 whose cut falls inside a surrogate pair.
  std::string header = "Subject: ";
  for (int i = 0; i < 25000; ++i) header += Utf8(u8"🎉あ");
  const std::u16string subject = ReadMailHeader(header, Cp932ToUtf16).Subject;
  ASSERT_LE(subject.size(), kMaxShownChars);
  EXPECT_GE(subject.size(), kMaxShownChars - 2);
  EXPECT_EQ(subject.back(), u'…');
  EXPECT_FALSE(subject[subject.size() - 2] >= 0xD800 && subject[subject.size() - 2] <= 0xDBFF);
}

// A right-to-left override in a name would turn the rest of the notice line around; every
// embedding, override, isolate and mark goes, from encoded words and raw UTF-8 alike.
TEST(ReadMailHeader, DropsBidirectionalControlsFromSenderAndSubject) {
  // The sender is "evil\u202Egpj.exe" in base64.
  const MailSummary summary = ReadMailHeader(
      "From: =?UTF-8?B?ZXZpbOKArmdwai5leGU=?= <e@example.jp>\r\n" +
          Utf8(u8"Subject: a\u202Ab\u202Bc\u202Cd\u202De\u2066f\u2067g\u2068h\u2069i\u200Ej\u200Fk\u061Cl\r\n"),
      Cp932ToUtf16);
  EXPECT_EQ(summary.Sender, u"evilgpj.exe");
  EXPECT_EQ(summary.Subject, u"abcdefghijkl");
}
