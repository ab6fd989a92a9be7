// Message dialogs read back from inside their own loops.
#include "toolkit/Dialogs.h"

#include <gtest/gtest.h>

#include "tests/toolkit/BoxWatch.h"
#include "toolkit/Application.h"
#include "toolkit/portable/Object.h"

namespace {
const std::wstring kTitle = L"ペルモーラ";
const std::string kQuestion = "削除しますか？";
const std::string kConfirm = "確認";
}  // namespace

TEST(Dialogs, ShowMessageHasTheApplicationTitleOneOkButtonAndNoIcon) {
  Application().SetTitle("ペルモーラ");
  const BoxSeen box = WatchBox([] { ShowMessage("新着メール 3"); },
                               [](HWND b) { PressBoxKey(b, VK_RETURN); });
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_EQ(box.text, L"新着メール 3");
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
  EXPECT_EQ(box.caption, L"確認");
  EXPECT_EQ(box.text, L"削除しますか？");
  EXPECT_TRUE(box.icon);
  ASSERT_EQ(box.buttons.size(), 2u);
  EXPECT_EQ(box.buttons[0], L"はい(&Y)");
  EXPECT_EQ(box.buttons[1], L"いいえ(&N)");
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
