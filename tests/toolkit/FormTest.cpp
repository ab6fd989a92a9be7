// Forms, standard controls and the message loop, in this process under Wine.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/Application.h"
#include "toolkit/Buttons.h"
#include "toolkit/Edits.h"
#include "toolkit/portable/Exception.h"
#include "toolkit/Font.h"
#include "toolkit/Form.h"
#include "toolkit/Labels.h"
#include "toolkit/PageControl.h"
#include "toolkit/Text.h"
#include "tests/toolkit/TabOrder.h"
#include "tests/toolkit/BoxWatch.h"

namespace {

const std::string kOk = "OK";
const std::string kCancel = "キャンセル";

// A dialog like the program's: a page with an edit and a label for it, a hidden button, OK and Cancel.
class TestForm : public TForm {
public:
  TestForm()
      : TForm("テスト", 417, 376),
        Pages(*this, {4, 4, 409, 330}),
        Sheet1(Pages, "プロパティ"),
        Sheet2(Pages, "two"),
        Name(Sheet1, {22, 24, 359, 20}),
        NameLabel(Sheet1, {12, 8, 101, 12}, "名前(&C):"),
        Hidden(Sheet1, {22, 60, 60, 20}, "hidden", false),
        Check(Sheet1, {22, 90, 200, 17}, "check"),
        Other(Sheet2, {10, 10, 100, 20}),
        Ok(*this, {92, 344, 110, 21}, kOk),
        Cancel(*this, {216, 344, 110, 21}, kCancel) {
    NameLabel.FocusControl = &Name;
    Ok.ModalResult = mrOk;
    Ok.SetDefault(true);
    Cancel.ModalResult = mrCancel;
    Cancel.SetCancel(true);
  }

  TPageControl Pages;
  TTabSheet Sheet1;
  TTabSheet Sheet2;
  TEdit Name;
  TLabel NameLabel;
  TButton Hidden;
  TCheckBox Check;
  TEdit Other;
  TButton Ok;
  TButton Cancel;
};

void Post(HWND target, UINT msg, WPARAM wParam, LPARAM lParam = 0) { PostMessageW(target, msg, wParam, lParam); }

}  // namespace

TEST(Form, HasAFixedDialogFrameTheExactClientSizeAndIsCentred) {
  TestForm form;
  EXPECT_EQ(form.ClientWidth(), 417);
  EXPECT_EQ(form.ClientHeight(), 376);
  const LONG style = GetWindowLongW(form.Handle(), GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(form.Visible());
  RECT r{};
  GetWindowRect(form.Handle(), &r);
  EXPECT_LE(std::abs((r.left + r.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
  EXPECT_LE(std::abs((r.top + r.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2), 1);
  // Owned by the application window: no taskbar button of its own.
  EXPECT_EQ(GetWindow(form.Handle(), GW_OWNER), Application().Handle());
  EXPECT_EQ(form.Caption(), "テスト");
}

TEST(Form, EveryControlUsesAnInstalledJapaneseDesignFontOf12Pixels) {
  TestForm form;
  EXPECT_TRUE(FontFamilyInstalled(DesignFontFace()));
  for (HWND control : {form.Name.Handle(), form.Ok.Handle(), form.NameLabel.Handle(), form.Pages.TabsHandle()}) {
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), DesignFont());
  }
  LOGFONTW font{};
  GetObjectW(DesignFont(), sizeof(font), &font);
  EXPECT_EQ(font.lfHeight, -12);
  EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
  // The face the font mapper really picks has the Japanese glyphs.
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, DesignFont());
  EXPECT_EQ(GetTextCharset(dc), SHIFTJIS_CHARSET);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
}

TEST(Form, BoundsAreInTheParentsClientAreaAndTabOrderSkipsHiddenControls) {
  TestForm form;
  const TBounds ok = form.Ok.Bounds();
  EXPECT_EQ(ok.Left, 92);
  EXPECT_EQ(ok.Top, 344);
  EXPECT_EQ(ok.Width, 110);
  EXPECT_EQ(ok.Height, 21);
  EXPECT_EQ(form.Name.Bounds().Left, 22);
  EXPECT_EQ(form.Pages.ActivePageIndex(), 0);
  EXPECT_TRUE(form.Sheet1.Visible());
  EXPECT_FALSE(form.Sheet2.Visible());
  EXPECT_EQ(form.Sheet1.TabCaption(), "プロパティ");

  form.Show();
  const std::vector<HWND> order = TabCycle(form);
  const std::vector<HWND> expected = {form.Name.Handle(), form.Check.Handle(), form.Pages.TabsHandle(),
                                      form.Ok.Handle(), form.Cancel.Handle()};
  EXPECT_EQ(order, expected);
  form.Hide();
}

TEST(Form, TheUserSwitchesPagesWithTheTabRow) {
  TestForm form;
  form.Show();
  int changes = 0;
  form.Pages.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &form.Pages);
    ++changes;
  };
  RECT tab{};
  SendMessageW(form.Pages.TabsHandle(), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab));
  const LPARAM at = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
  Post(form.Pages.TabsHandle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  Post(form.Pages.TabsHandle(), WM_LBUTTONUP, 0, at);
  Application().ProcessMessages();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(form.Pages.ActivePage(), &form.Sheet2);
  EXPECT_FALSE(form.Sheet1.Visible());
  EXPECT_TRUE(form.Sheet2.Visible());
  form.Hide();
}

TEST(Form, ShowModalEndsWithTheModalResultOfEnterEscOrTheCloseBox) {
  TestForm form;
  TButton ownerButton(form, {0, 0, 10, 10}, "x");
  struct Case {
    UINT msg;
    WPARAM key;
    int expected;
  };
  for (const Case& c : {Case{WM_KEYDOWN, VK_RETURN, mrOk}, Case{WM_KEYDOWN, VK_ESCAPE, mrCancel},
                        Case{WM_CLOSE, 0, mrCancel}}) {
    TestForm dialog;
    dialog.Name.SetText("x");
    int clicks = 0;
    dialog.Ok.OnClick = [&](TObject*) { ++clicks; };
    form.Show();
    bool ownerDisabledMeanwhile = false;
    // Posted before the loop starts; delivered by the modal loop to the focused edit or the form.
    if (c.msg == WM_CLOSE) {
      Post(dialog.Handle(), WM_CLOSE, 0);
    } else {
      Post(dialog.Name.Handle(), c.msg, c.key);
    }
    dialog.OnClose = [&](TObject*, TCloseAction&) { ownerDisabledMeanwhile = !IsWindowEnabled(form.Handle()); };
    dialog.Ok.OnClick = [&](TObject*) {
      ++clicks;
      ownerDisabledMeanwhile = !IsWindowEnabled(form.Handle());
    };
    dialog.Cancel.OnClick = [&](TObject*) { ownerDisabledMeanwhile = !IsWindowEnabled(form.Handle()); };
    EXPECT_EQ(dialog.ShowModal(), c.expected);
    EXPECT_EQ(clicks, c.expected == mrOk ? 1 : 0);
    EXPECT_TRUE(ownerDisabledMeanwhile);
    EXPECT_TRUE(IsWindowEnabled(form.Handle()));
    EXPECT_FALSE(dialog.Visible());
    form.Hide();
  }
}

TEST(Form, ADisabledDefaultButtonIsNotPressedByEnter) {
  TestForm dialog;
  dialog.Ok.SetEnabled(false);
  Post(dialog.Name.Handle(), WM_KEYDOWN, VK_RETURN);
  Post(dialog.Name.Handle(), WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
}

TEST(Form, AltWithALabelsAccessKeyFocusesItsControl) {
  TestForm dialog;
  bool focused = false;
  dialog.Cancel.OnClick = [&](TObject*) { focused = dialog.Name.Focused(); };
  // Alt+C, sent while the check box has the focus, goes to the label's edit; Esc then ends the dialog.
  Post(dialog.Check.Handle(), WM_SYSCHAR, L'c', 1 << 29);
  Post(dialog.Check.Handle(), WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_TRUE(focused);
}

// Shown again after the control it was left at has been disabled, a modal form still has a focus: its
// first control, as at every showing.
TEST(Form, AModalFormOpensAtItsFirstControlEveryTime) {
  TestForm dialog;
  HWND focusAtCancel = nullptr;
  dialog.Cancel.OnClick = [&](TObject*) { focusAtCancel = GetFocus(); };
  Post(dialog.Check.Handle(), WM_LBUTTONDOWN, MK_LBUTTON);
  Post(dialog.Check.Handle(), WM_LBUTTONUP, 0);
  Post(dialog.Check.Handle(), WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  ASSERT_EQ(focusAtCancel, dialog.Check.Handle());
  dialog.Check.SetEnabled(false);
  Post(dialog.Name.Handle(), WM_KEYDOWN, VK_ESCAPE);
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_EQ(focusAtCancel, dialog.Name.Handle());
}

TEST(Controls, CheckBoxesFireOnClickOnRealChangesOnly) {
  TestForm form;
  int clicks = 0;
  form.Check.OnClick = [&](TObject* sender) {
    EXPECT_EQ(sender, &form.Check);
    ++clicks;
  };
  form.Check.SetChecked(false);
  EXPECT_EQ(clicks, 0);
  form.Check.SetChecked(true);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(form.Check.Checked());
  SendMessageW(form.Check.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 2);
  EXPECT_FALSE(form.Check.Checked());
}

TEST(Controls, RadioButtonsOfOneParentAreOneGroup) {
  TestForm form;
  TRadioButton first(form.Sheet1, {22, 200, 160, 17}, "1", true);
  TRadioButton second(form.Sheet1, {22, 220, 160, 17}, "2");
  TRadioButton third(form.Sheet1, {22, 240, 160, 17}, "3");
  int clicks = 0;
  second.OnClick = [&](TObject*) { ++clicks; };
  EXPECT_TRUE(first.Checked());
  second.SetChecked(true);
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(first.Checked());
  EXPECT_TRUE(second.Checked());
  SendMessageW(third.Handle(), BM_CLICK, 0, 0);
  EXPECT_TRUE(third.Checked());
  EXPECT_FALSE(second.Checked());
  EXPECT_FALSE(first.Checked());
}

TEST(Controls, EditsReportEveryChangeButNotSettingTheSameText) {
  TestForm form;
  int changes = 0;
  form.Name.OnChange = [&](TObject*) { ++changes; };
  const std::string japanese = "メール";
  form.Name.SetText(japanese);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(form.Name.Text(), japanese);
  form.Name.SetText(japanese);
  EXPECT_EQ(changes, 1);
  SendMessageW(form.Name.Handle(), EM_SETSEL, 100, 100);
  SendMessageW(form.Name.Handle(), WM_CHAR, L'a', 0);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(form.Name.Text(), japanese + "a");
}

TEST(Controls, AnExceptionInAHandlerIsShownByTheErrorDialogAndGoesNoFurther) {
  TestForm form;
  Application().SetTitle("ペルモーラ");
  bool after = false;
  form.Ok.OnClick = [](TObject*) { throw Exception("失敗"); };
  const BoxSeen box = WatchBox([&] {
    SendMessageW(form.Ok.Handle(), BM_CLICK, 0, 0);
    after = true;
  }, [](HWND box) { PressBoxButton(box, IDOK); });
  EXPECT_TRUE(after);
  EXPECT_EQ(box.caption, L"ペルモーラ");
  EXPECT_EQ(box.text, L"失敗.");
  EXPECT_TRUE(box.icon);
  EXPECT_EQ(box.buttons.size(), 1u);
}
