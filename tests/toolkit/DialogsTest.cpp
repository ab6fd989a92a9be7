// Message dialogs read back from inside their own loops.
#include "toolkit/Dialogs.h"

#include <gtest/gtest.h>

#include "tests/toolkit/BoxWatch.h"
#include "toolkit/Application.h"
#include "toolkit/Object.h"

namespace {
const std::wstring kTitle = L"\u30DA\u30EB\u30E2\u30FC\u30E9";  // ペルモーラ
const std::string kQuestion = "\x8d\xed\x8f\x9c\x82\xb5\x82\xdc\x82\xb7\x82\xa9\x81\x48";  // 削除しますか？
const std::string kConfirm = "\x8a\x6d\x94\x46";                                      // 確認
}  // namespace

TEST(Dialogs, ShowMessageHasTheApplicationTitleOneOkButtonAndNoIcon) {
  Application().SetTitle("\x83\x79\x83\x8b\x83\x82\x81\x5b\x83\x89");
  const BoxSeen box = WatchBox([] { ShowMessage("\x90\x56\x92\x85\x83\x81\x81\x5b\x83\x8b 3"); },  // 新着メール 3
                               [](HWND b) { PressBoxKey(b, VK_RETURN); });
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_EQ(box.text, L"\u65B0\u7740\u30E1\u30FC\u30EB 3");
  EXPECT_FALSE(box.icon);
  ASSERT_EQ(box.buttonIds.size(), 1u);
  EXPECT_EQ(box.buttonIds[0], IDOK);
}

TEST(Dialogs, TheYesNoQuestionHasJapaneseButtonsWhateverTheSystemLanguage) {
  int answer = 0;
  const BoxSeen box = WatchBox([&] { answer = ConfirmYesNo(kQuestion, kConfirm); },
                               [](HWND b) { PressBoxKey(b, VK_RETURN); });
  ASSERT_TRUE(box.found);
  EXPECT_EQ(answer, mrYes);  // Enter answers the default button, "はい(&Y)"
  EXPECT_EQ(box.caption, L"\u78BA\u8A8D");
  EXPECT_EQ(box.text, L"\u524A\u9664\u3057\u307E\u3059\u304B\uFF1F");
  EXPECT_TRUE(box.icon);
  ASSERT_EQ(box.buttons.size(), 2u);
  EXPECT_EQ(box.buttons[0], L"\u306F\u3044(&Y)");
  EXPECT_EQ(box.buttons[1], L"\u3044\u3044\u3048(&N)");
}

TEST(Dialogs, EscAndTheNoButtonAnswerNo) {
  int answer = 0;
  WatchBox([&] { answer = ConfirmYesNo(kQuestion, kConfirm); }, [](HWND b) { PressBoxKey(b, VK_ESCAPE); });
  EXPECT_EQ(answer, mrNo);
  WatchBox([&] { answer = ConfirmYesNo(kQuestion, kConfirm); }, [](HWND b) { PressBoxButton(b, IDNO); });
  EXPECT_EQ(answer, mrNo);
  WatchBox([&] { answer = ConfirmYesNo(kQuestion, kConfirm); }, [](HWND b) { PressBoxButton(b, IDYES); });
  EXPECT_EQ(answer, mrYes);
}
