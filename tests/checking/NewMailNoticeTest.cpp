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
            u"'Home' に 7 通の新しいメールが届いています。\n(差出人なし): 最新\na@b: (件名なし)\na@b: (件名なし)\n"
            u"a@b: (件名なし)\na@b: (件名なし)\nほか 2 通");
  EXPECT_EQ(NewMailNoticeText("x", 2, {}, Cp932ToUtf16), u"'x' に 2 通の新しいメールが届いています。\nほか 2 通");
}
