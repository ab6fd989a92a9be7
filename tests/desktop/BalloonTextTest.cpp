#include "desktop/portable/BalloonText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool EndsInLeadSurrogate(const std::u16string& text) {
  return !text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF;
}

}  // namespace

// The shell keeps 255 units: a text of up to 255 is whole, without an ellipsis; a longer one is cut
// to whole characters and ends in one.
TEST(Shortened, CutsOnlyWhatDoesNotFitAndNeverSplitsASurrogatePair) {
  for (const std::size_t size : {std::size_t{254}, kMaxBalloonText}) {
    const std::u16string text(size, u'あ');
    EXPECT_EQ(Shortened(text, kMaxBalloonText), text) << size;
  }
  const std::u16string longer(kMaxBalloonText + 1, u'あ');
  EXPECT_EQ(Shortened(longer, kMaxBalloonText), std::u16string(kMaxBalloonText - 1, u'あ') + u"…");

  // Emoji (two units each) after one unit: the cut falls inside a pair.
  std::u16string emoji = u"x";
  for (int i = 0; i < 200; ++i) emoji += u"🎉";
  const std::u16string cut = Shortened(emoji, kMaxBalloonText);
  ASSERT_LE(cut.size(), kMaxBalloonText);
  EXPECT_EQ(cut.back(), u'…');
  EXPECT_FALSE(EndsInLeadSurrogate(cut.substr(0, cut.size() - 1)));
  EXPECT_EQ(Shortened(std::u16string(70, u'a'), kMaxBalloonTitle).size(), kMaxBalloonTitle);
  EXPECT_EQ(Shortened(u"line\nmore", 6), u"line…") << "no ellipsis alone on a line";
}

// One account with five long subjects fills the balloon: the failures after it keep at least their
// first lines, and what fits is never cut.
TEST(BalloonText, KeepsEveryFailuresFirstLineBehindLongNotices) {
  const std::u16string failure = u"'nowhere' へのサーバー接続に失敗しました。";
  const std::u16string reason = u"サーバーの証明書を確認できませんでした。";
  EXPECT_EQ(BalloonText({u"'home' に 3 通のメールが届いています。"}, {failure}),
            u"'home' に 3 通のメールが届いています。\n" + failure);
  EXPECT_EQ(BalloonText({}, {failure + u"\n" + reason}), failure + u"\n" + reason);

  std::u16string notice = u"'home' に 5 通の新しいメールが届いています。";
  for (int i = 0; i < 5; ++i) notice += u"\nsender@example.jp: " + std::u16string(60, u'件');
  const std::u16string text = BalloonText({notice}, {failure + u"\n" + reason, failure, u"'x' " + failure});
  ASSERT_LE(text.size(), kMaxBalloonText);
  EXPECT_EQ(text.rfind(notice.substr(0, 20), 0), 0u) << "the notices come first";
  const std::u16string failures = u"…\n" + failure + u"\n" + reason + u"\n" + failure + u"\n'x' " + failure;
  EXPECT_EQ(text.substr(text.size() - failures.size()), failures) << "the failures fit whole";
  EXPECT_FALSE(EndsInLeadSurrogate(text));

  // More failures than half the balloon holds whole: each keeps its first line.
  std::vector<std::u16string> many;
  for (char16_t c = u'a'; c < u'd'; ++c) many.push_back(u"'" + std::u16string(1, c) + u"' 失敗\n" + std::u16string(80, u'理'));
  const std::u16string crowded = BalloonText({notice}, many);
  ASSERT_LE(crowded.size(), kMaxBalloonText);
  EXPECT_TRUE(crowded.ends_with(u"…\n'a' 失敗…\n'b' 失敗…\n'c' 失敗…"));
}
