#include "checking/portable/NewMailNotice.h"

#include <gtest/gtest.h>

#include "tests/checking/Cp932Iconv.h"

using namespace checking;

TEST(NewMailNoticeText, NamesAtMostFiveNewestFirstAndCountsTheRest) {
  const std::vector<MailSummary> one{{u"田中", u"🎉"}};
  EXPECT_EQ(NewMailNoticeText("自宅のメール", 1, one, Cp932ToUtf16),
            u"'自宅のメール' に 1 通の新しいメールが届いています。\n田中: 🎉");
  // Seven new, one of whose headers could not be read.
  std::vector<MailSummary> six(6, {u"a@b", u""});
  six[0] = {u"", u"最新"};
  EXPECT_EQ(NewMailNoticeText("Home", 7, six, Cp932ToUtf16),
            u"'Home' に 7 通の新しいメールが届いています。\n（差出人なし）: 最新\na@b: （件名なし）\na@b: （件名なし）\n"
            u"a@b: （件名なし）\na@b: （件名なし）\nほか 2 通");
  EXPECT_EQ(NewMailNoticeText("x", 2, {}, Cp932ToUtf16), u"'x' に 2 通の新しいメールが届いています。\nほか 2 通");
}

// A line is at most 40 full-width characters wide (a half-width one counts half), so that a long
// subject never wraps over several lines of the box; a character outside the basic plane is never split.
TEST(NewMailNoticeText, CutsEachLineToFortyFullWidthCharacters) {
  const auto line = [](std::u16string sender, std::u16string subject) {
    const std::u16string text = NewMailNoticeText("x", 1, {{std::move(sender), std::move(subject)}}, Cp932ToUtf16);
    return text.substr(text.find(u'\n') + 1);
  };
  const std::u16string full(50, u'あ');
  EXPECT_EQ(line(u"田中", full), u"田中: " + full.substr(0, 36) + u"…");
  EXPECT_EQ(line(u"a@b", std::u16string(75, u'x')), u"a@b: " + std::u16string(75, u'x')) << "80 half-widths fit";
  EXPECT_EQ(line(u"a@b", std::u16string(76, u'x')), u"a@b: " + std::u16string(73, u'x') + u"…");
  EXPECT_EQ(line(u"a@b", std::u16string(75, u'ｱ')), u"a@b: " + std::u16string(75, u'ｱ')) << "half-width katakana";
  EXPECT_EQ(line(u"a@b", std::u16string(72, u'x') + u"🎉yy"), u"a@b: " + std::u16string(72, u'x') + u"…");
  EXPECT_EQ(line(u"a@b", std::u16string(71, u'x') + u"🎉yyy"), u"a@b: " + std::u16string(71, u'x') + u"🎉…");
  EXPECT_EQ(line(std::u16string(60, u'送'), u""), std::u16string(39, u'送') + u"…") << "a long sender alone";
}
