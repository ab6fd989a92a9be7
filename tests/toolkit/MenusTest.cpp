#include "toolkit/Menus.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "toolkit/Text.h"

namespace {

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// Runs inside the open menu's modal loop: reads the menu as shown, then presses keys in it.
struct OpenMenu {
  static inline std::vector<std::wstring> Shown;  // "-" for a separator
  static inline std::vector<bool> Greyed;
  static inline RECT Bounds{};
  static inline std::vector<WPARAM> Keys;

  static void CALLBACK Inspect(HWND, UINT, UINT_PTR id, DWORD) {
    const HWND window = FindWindowW(L"#32768", nullptr);
    if (!window || !IsWindowVisible(window)) return;
    KillTimer(nullptr, id);
    GetWindowRect(window, &Bounds);
    const auto menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
    Shown.clear();
    Greyed.clear();
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
      Greyed.push_back((GetMenuState(menu, i, MF_BYPOSITION) & MF_GRAYED) != 0);
      if (GetMenuState(menu, i, MF_BYPOSITION) & MF_SEPARATOR) {
        Shown.push_back(L"-");
        continue;
      }
      wchar_t text[256] = {};
      GetMenuStringW(menu, i, text, 256, MF_BYPOSITION);
      Shown.push_back(text);
    }
    for (WPARAM key : Keys) PostMessageW(window, WM_KEYDOWN, key, 0);
    if (Keys.empty()) EndMenu();
  }
};

class PopupMenuTest : public ::testing::Test {
protected:
  PopupMenuTest() {
    for (auto* item : {&Check, &Line1, &Settings, &Exit}) Menu.Add(*item);
    for (auto* item : {&Check, &Settings, &Exit})
      item->OnClick = [this, item](TObject* sender) {
        EXPECT_EQ(sender, item);
        Clicked.push_back(item->Caption);
      };
  }

  void PopupWith(std::vector<WPARAM> keys, int x, int y) {
    OpenMenu::Shown.clear();
    OpenMenu::Keys = std::move(keys);
    SetTimer(nullptr, 0, 50, &OpenMenu::Inspect);
    Menu.Popup(x, y);
  }

  TPopupMenu Menu;
  TMenuItem Check{"メールチェック(&C)"};
  TMenuItem Line1{"-"};
  TMenuItem Settings{"設定(&S)..."};
  TMenuItem Exit{"終了する(&X)"};
  std::vector<std::string> Clicked;
};

TEST_F(PopupMenuTest, ShowsTheItemsInOrderAtThePoint) {
  PopupWith({}, 120, 90);
  const std::vector<std::wstring> expected{L"メールチェック(&C)", L"-",
                                           L"設定(&S)...", L"終了する(&X)"};
  EXPECT_EQ(OpenMenu::Shown, expected);
  EXPECT_EQ(OpenMenu::Bounds.left, 120);
  EXPECT_EQ(OpenMenu::Bounds.top, 90);
  Pump();
  EXPECT_TRUE(Clicked.empty()) << "a dismissed menu runs nothing";
}

TEST_F(PopupMenuTest, ChosenItemRunsFromTheMessageLoopAfterTheMenuHasClosed) {
  // Down selects the first item, the second Down skips the separator.
  PopupWith({VK_DOWN, VK_DOWN, VK_RETURN}, 50, 50);
  EXPECT_TRUE(Clicked.empty()) << "the command arrives as a message, after Popup returns";
  Pump();
  ASSERT_EQ(Clicked.size(), 1u);
  EXPECT_EQ(Clicked[0], Settings.Caption);
}

TEST_F(PopupMenuTest, ADisabledItemIsShownGreyAndRunsNothing) {
  Check.Enabled = false;
  PopupWith({VK_DOWN, VK_RETURN, VK_ESCAPE}, 50, 50);
  ASSERT_EQ(OpenMenu::Greyed.size(), 4u);
  EXPECT_TRUE(OpenMenu::Greyed[0]);
  EXPECT_FALSE(OpenMenu::Greyed[2]);
  Pump();
  EXPECT_TRUE(Clicked.empty());
  Check.Enabled = true;
  PopupWith({VK_DOWN, VK_RETURN}, 50, 50);
  Pump();
  EXPECT_EQ(Clicked, std::vector<std::string>{Check.Caption}) << "enabled again";
}

TEST_F(PopupMenuTest, ItemsLeaveTheMenuWhenDestroyedOrMoved) {
  {
    TMenuItem extra("extra");
    Menu.Add(extra);
    EXPECT_EQ(Menu.Items().size(), 5u);
  }
  EXPECT_EQ(Menu.Items().size(), 4u);
  TPopupMenu other;
  other.Add(Exit);
  EXPECT_EQ(Menu.Items(), (std::vector<TMenuItem*>{&Check, &Line1, &Settings}));
  EXPECT_EQ(other.Items(), (std::vector<TMenuItem*>{&Exit}));
}

TEST(PopupMenu, UsersHearOfItsDestructionAndItemsOutliveIt) {
  struct User : TPopupMenuUser {
    TPopupMenu* Seen = nullptr;
    void PopupMenuFreed(TPopupMenu& menu) override { Seen = &menu; }
  } told, removed;
  auto item = std::make_unique<TMenuItem>("x");
  auto menu = std::make_unique<TPopupMenu>();
  TPopupMenu* address = menu.get();
  menu->Add(*item);
  menu->AddUser(told);
  menu->AddUser(removed);
  menu->RemoveUser(removed);
  menu.reset();
  EXPECT_EQ(told.Seen, address);
  EXPECT_EQ(removed.Seen, nullptr);
  item.reset();
}

}  // namespace
