#include "desktop/SpinEdit.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

#include "desktop/portable/SpinRules.h"
#include "toolkit/Application.h"
#include "toolkit/Buttons.h"
#include "toolkit/Edits.h"
#include "toolkit/Font.h"
#include "toolkit/Form.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

void PumpFor(milliseconds period) {
  const auto end = Clock::now() + period;
  do {
    Application().ProcessMessages();
    Sleep(1);
  } while (Clock::now() < end);
}

// Pumps until `done` holds or `limit` passes; returns whether it holds.
bool PumpUntil(const std::function<bool()>& done, milliseconds limit = milliseconds(3000)) {
  const auto end = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > end) return false;
    Application().ProcessMessages();
    Sleep(1);
  }
  return true;
}

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

class SpinEditTest : public ::testing::Test {
protected:
  // One form for the suite: showing and hiding a window costs Wine seconds without a window manager.
  static void SetUpTestSuite() {
    Form = std::make_unique<TForm>("spin", 300, 120);
    Form->Show();
  }
  static void TearDownTestSuite() { Form.reset(); }

  void SetUp() override {
    Other = std::make_unique<TEdit>(*Form, TBounds{8, 60, 100, 21});
    Spin = std::make_unique<TSpinEdit>(*Form, TBounds{8, 8, 110, 20});
    // Loaded the way the settings page loads it.
    Spin->SetLoading(true);
    Spin->SetMaxValue(59);
    Spin->SetMinValue(1);
    Spin->SetValue(30);
    Spin->SetLoading(false);
    Spin->OnChange = [this](TObject* sender) {
      ++Changes;
      LastSender = sender;
    };
    Spin->SetFocus();
    Application().ProcessMessages();
  }

  void TearDown() override {
    Spin.reset();
    Other.reset();
    Form->DefaultButton = nullptr;
    Form->CancelButton = nullptr;
  }

  void Type(const char* text) {
    for (const char* c = text; *c; ++c) SendMessageW(Spin->Handle(), WM_CHAR, static_cast<unsigned char>(*c), 0);
  }
  void Key(WPARAM key) { SendMessageW(Spin->Handle(), WM_KEYDOWN, key, 0); }
  void SelectAll() { SendMessageW(Spin->Handle(), EM_SETSEL, 0, -1); }
  HWND Button() { return Spin->Button().Handle(); }
  int Side() {
    RECT r{};
    GetClientRect(Button(), &r);
    return r.bottom;
  }
  void Click(int x, int y) {
    SendMessageW(Button(), WM_LBUTTONDOWN, MK_LBUTTON, At(x, y));
    SendMessageW(Button(), WM_LBUTTONUP, 0, At(x, y));
  }
  // Starts counting changes afresh from a value.
  void Start(std::int32_t value) {
    Spin->SetValue(value);
    Changes = 0;
  }

  static inline std::unique_ptr<TForm> Form;
  std::unique_ptr<TEdit> Other;
  std::unique_ptr<TSpinEdit> Spin;
  int Changes = 0;
  TObject* LastSender = nullptr;
};

}  // namespace

TEST_F(SpinEditTest, LoadingRaisesTheInitialZeroWithoutOnChange) {
  TSpinEdit fresh(*Form, TBounds{8, 30, 110, 20});
  int changes = 0;
  fresh.OnChange = [&](TObject*) { ++changes; };
  EXPECT_EQ(fresh.Text(), "0");
  EXPECT_EQ(fresh.MinValue(), 0);
  EXPECT_EQ(fresh.MaxValue(), 100);
  EXPECT_EQ(fresh.PageSize(), 10);
  EXPECT_EQ(fresh.Interval(), 100);  // a held button repeats after 300 ms, then every 100 ms
  fresh.SetLoading(true);
  fresh.SetMaxValue(59);
  fresh.SetMinValue(1);
  EXPECT_EQ(fresh.Text(), "1");
  fresh.SetValue(30);
  fresh.SetLoading(false);
  EXPECT_EQ(fresh.Text(), "30");
  EXPECT_EQ(changes, 0);
  fresh.SetValue(31);
  EXPECT_EQ(changes, 1);
}

TEST_F(SpinEditTest, WritesClampAndFireOnlyWhenTheTextChanges) {
  Spin->SetValue(31);
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(LastSender, Spin.get());
  Spin->SetValue(31);
  EXPECT_EQ(Changes, 1);
  Spin->SetValue(100);
  EXPECT_EQ(Spin->Text(), "59");
  Spin->SetValue(-4);
  EXPECT_EQ(Spin->Text(), "1");
  EXPECT_EQ(Changes, 3);
}

TEST_F(SpinEditTest, BoundsThatWouldCrossAreIgnoredOutsideLoading) {
  Start(31);
  Spin->SetMaxValue(1);
  Spin->SetMinValue(59);
  EXPECT_EQ(Spin->MinValue(), 1);
  EXPECT_EQ(Spin->MaxValue(), 59);
  EXPECT_EQ(Changes, 0);
  Spin->SetMinValue(40);  // the value now lies below: written again clamped
  EXPECT_EQ(Spin->Text(), "40");
  Spin->SetMaxValue(45);  // still inside: nothing written
  EXPECT_EQ(Changes, 1);
}

TEST_F(SpinEditTest, TypedNumbersReadAsTypedUntilTheFocusLeaves) {
  SelectAll();
  Type("0");
  EXPECT_EQ(Spin->Text(), "0");
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(Spin->Value(), 0);
  EXPECT_EQ(Spin->Text(), "0");
  Other->SetFocus();
  EXPECT_EQ(Spin->Text(), "1");
  EXPECT_EQ(Changes, 2);

  Spin->SetFocus();
  SelectAll();
  Type("75");
  EXPECT_EQ(Spin->Value(), 75);
  // The focus going to no control of this window (another program, the tray menu) leaves the number as typed.
  ::SetFocus(nullptr);
  EXPECT_EQ(Spin->Text(), "75");
  Spin->SetFocus();
  Other->SetFocus();
  EXPECT_EQ(Spin->Text(), "59");
  EXPECT_EQ(Changes, 5);  // "7", "75", "59"

  // A value inside the range is left alone.
  Spin->SetFocus();
  Other->SetFocus();
  EXPECT_EQ(Changes, 5);
}

TEST_F(SpinEditTest, EmptyOrSignAloneReadsAsTheMinimumAndReplacesTheText) {
  Spin->SetText("");
  EXPECT_EQ(Changes, 1);
  EXPECT_EQ(Spin->Value(), 1);
  EXPECT_EQ(Spin->Text(), "1");
  EXPECT_EQ(Changes, 2);
  for (const char* sign : {"-", "+"}) {
    Spin->SetText(sign);
    EXPECT_EQ(Spin->Value(), 1) << sign;
    EXPECT_EQ(Spin->Text(), "1") << sign;
  }
}

TEST_F(SpinEditTest, ArrowsPagesAndWheelStepWithinTheRange) {
  Start(59);
  Key(VK_UP);
  EXPECT_EQ(Spin->Text(), "59");
  EXPECT_EQ(Changes, 0);
  Start(55);
  Key(VK_PRIOR);
  EXPECT_EQ(Spin->Text(), "59");
  Start(5);
  Key(VK_NEXT);
  EXPECT_EQ(Spin->Text(), "1");
  Start(30);
  Key(VK_DOWN);
  EXPECT_EQ(Spin->Text(), "29");
  SendMessageW(Spin->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(Spin->Text(), "30");
  SendMessageW(Spin->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
  EXPECT_EQ(Spin->Text(), "29");
  Spin->SetLineSize(5);
  Spin->SetPageSize(20);
  Key(VK_UP);
  EXPECT_EQ(Spin->Text(), "34");
  Key(VK_NEXT);
  EXPECT_EQ(Spin->Text(), "14");
}

TEST_F(SpinEditTest, AHighResolutionWheelStepsOncePerNotch) {
  Start(30);
  const auto wheel = [this](int delta) {
    SendMessageW(Spin->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)), 0);
  };
  for (int i = 0; i < 4; ++i) wheel(WHEEL_DELTA / 4);
  EXPECT_EQ(Spin->Text(), "31");
  wheel(WHEEL_DELTA / 2);
  wheel(-WHEEL_DELTA / 2);  // back the other way: the half notch forward is dropped
  wheel(-WHEEL_DELTA / 2);
  EXPECT_EQ(Spin->Text(), "30");
  wheel(3 * WHEEL_DELTA);
  EXPECT_EQ(Spin->Text(), "33");
}

TEST_F(SpinEditTest, ReadOnlyStepsNothing) {
  Start(30);
  Spin->SetReadOnly(true);
  Key(VK_UP);
  Key(VK_PRIOR);
  Key(VK_NEXT);
  Click(0, 0);
  Type("5");
  EXPECT_EQ(Spin->Text(), "30");
  EXPECT_EQ(Changes, 0);
}

TEST_F(SpinEditTest, OnlySignsDigitsAndControlCharactersAreTyped) {
  SelectAll();
  Type("1a. 2$x");
  EXPECT_EQ(Spin->Text(), "12");
  EXPECT_EQ(Changes, 2);
  SendMessageW(Spin->Handle(), WM_CHAR, VK_BACK, 0);
  EXPECT_EQ(Spin->Text(), "1");
  Type("-");
  EXPECT_EQ(Spin->Text(), "1-");
  Type("\r");
  EXPECT_EQ(Spin->Text(), "1-");
}

TEST_F(SpinEditTest, EnterAndEscapeReachTheFormsButtons) {
  TButton ok(*Form, TBounds{150, 8, 60, 24}, "OK");
  TButton cancel(*Form, TBounds{150, 40, 60, 24}, "Cancel");
  int oks = 0, cancels = 0;
  ok.OnClick = [&](TObject*) { ++oks; };
  cancel.OnClick = [&](TObject*) { ++cancels; };
  ok.SetDefault(true);
  cancel.SetCancel(true);
  Spin->SetFocus();
  PostMessageW(Spin->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(Spin->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
  PumpFor(milliseconds(50));
  EXPECT_EQ(oks, 1);
  EXPECT_EQ(cancels, 1);
  EXPECT_EQ(Spin->Text(), "30");
}

TEST_F(SpinEditTest, SquareButtonAtTheRightEdgeAndTheTextEndsTwoPixelsBeforeIt) {
  RECT window{}, client{}, button{}, text{};
  GetWindowRect(Spin->Handle(), &window);
  GetClientRect(Spin->Handle(), &client);
  GetWindowRect(Button(), &button);
  MapWindowPoints(nullptr, Spin->Handle(), reinterpret_cast<POINT*>(&button), 2);
  const int width = window.right - window.left, height = window.bottom - window.top;
  EXPECT_EQ(height, 20);
  const int border = GetSystemMetrics(SM_CYBORDER);
  EXPECT_EQ(button.left, width - height);
  EXPECT_EQ(button.top, 0);
  EXPECT_EQ(button.bottom - button.top, height - 4 * border);
  EXPECT_EQ(button.right - button.left, button.bottom - button.top);
  EXPECT_EQ(button.right, client.right);
  SendMessageW(Spin->Handle(), EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  EXPECT_EQ(text.right, button.left - 2);
}

TEST_F(SpinEditTest, NeverLowerThanItsFontNeeds) {
  TSpinEdit low(*Form, TBounds{8, 30, 110, 8});
  const auto heightOf = [&](HGDIOBJ font) {
    const HDC dc = GetDC(low.Handle());
    const HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(low.Handle(), dc);
    return static_cast<int>(metrics.tmHeight);
  };
  const int expected =
      SpinMinHeight(heightOf(DesignFont()), heightOf(GetStockObject(SYSTEM_FONT)), GetSystemMetrics(SM_CYBORDER), true);
  EXPECT_EQ(low.Bounds().Height, expected);
  // The button follows the new height.
  RECT button{};
  GetClientRect(low.Button().Handle(), &button);
  EXPECT_EQ(button.bottom, expected - 4 * GetSystemMetrics(SM_CYBORDER));
}

TEST_F(SpinEditTest, TheDiagonalsBoundaryPixelsThroughMouseMessages) {
  const int side = Side();
  ASSERT_GT(side, 4);
  struct Case {
    int x, y, step;
  };
  // The diagonal runs where x + y == side and belongs to the upper half.
  for (const Case c : {Case{1, side - 1, +1}, {2, side - 1, -1}, {side - 1, 1, +1}, {side - 1, 2, -1},
                       {0, 0, +1}, {side - 1, side - 1, -1}, {side / 2, side / 2, +1}, {side / 2, side / 2 + 1, -1}}) {
    Start(30);
    Click(c.x, c.y);
    EXPECT_EQ(Spin->Value(), 30 + c.step) << c.x << "," << c.y;
    EXPECT_EQ(Changes, 1) << c.x << "," << c.y;
  }
}

TEST_F(SpinEditTest, OnlyTheLeftButtonActsAndThePicturesFollowThePress) {
  Start(30);
  SendMessageW(Button(), WM_RBUTTONDOWN, MK_RBUTTON, At(1, 1));
  SendMessageW(Button(), WM_RBUTTONUP, 0, At(1, 1));
  SendMessageW(Button(), WM_MBUTTONDOWN, MK_MBUTTON, At(1, 1));
  SendMessageW(Button(), WM_MBUTTONUP, 0, At(1, 1));
  EXPECT_EQ(Changes, 0);

  EXPECT_EQ(Spin->Button().Picture(), SpinPicture::Normal);
  SendMessageW(Button(), WM_LBUTTONDOWN, MK_LBUTTON, At(1, 1));
  EXPECT_EQ(Spin->Button().Picture(), SpinPicture::UpPressed);
  SendMessageW(Button(), WM_LBUTTONUP, 0, At(1, 1));
  const int side = Side();
  SendMessageW(Button(), WM_LBUTTONDOWN, MK_LBUTTON, At(side - 1, side - 1));
  EXPECT_EQ(Spin->Button().Picture(), SpinPicture::DownPressed);
  SendMessageW(Button(), WM_LBUTTONUP, 0, At(side - 1, side - 1));
  EXPECT_EQ(Spin->Button().Picture(), SpinPicture::Normal);

  Spin->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(Button()));
  EXPECT_EQ(Spin->Button().Picture(), SpinPicture::Disabled);
  Spin->SetEnabled(true);
  EXPECT_EQ(Spin->Button().Picture(), SpinPicture::Normal);
}

TEST_F(SpinEditTest, PressGivesTheFieldTheFocus) {
  Other->SetFocus();
  Click(1, 1);
  EXPECT_TRUE(Spin->Focused());
}

TEST_F(SpinEditTest, HeldButtonRepeatsAfterIntervalPlus200ThenEveryInterval) {
  Spin->SetInterval(20);
  Start(10);
  const auto pressed = Clock::now();
  SendMessageW(Button(), WM_LBUTTONDOWN, MK_LBUTTON, At(1, 1));
  EXPECT_EQ(Spin->Value(), 11);  // the step on the press
  // Timers never fire early: nothing more before Interval + 200 ms.
  PumpFor(milliseconds(150));
  EXPECT_EQ(Spin->Value(), 11);
  ASSERT_TRUE(PumpUntil([&] { return Spin->Value() >= 14; }));
  // Three repeats: the first at 220 ms, then at 240 and 260 at the earliest.
  EXPECT_GE(Clock::now() - pressed, milliseconds(260));

  // Off the button the repeat and the pressed picture pause; back on they resume.
  SendMessageW(Button(), WM_MOUSEMOVE, MK_LBUTTON, At(-3, -3));
  EXPECT_EQ(Spin->Button().Picture(), SpinPicture::Normal);
  int paused = Spin->Value();
  PumpFor(milliseconds(150));
  EXPECT_EQ(Spin->Value(), paused);
  // The other half counts as off too.
  const int side = Side();
  SendMessageW(Button(), WM_MOUSEMOVE, MK_LBUTTON, At(side - 1, side - 1));
  PumpFor(milliseconds(100));
  EXPECT_EQ(Spin->Value(), paused);
  SendMessageW(Button(), WM_MOUSEMOVE, MK_LBUTTON, At(2, 2));
  EXPECT_EQ(Spin->Button().Picture(), SpinPicture::UpPressed);
  ASSERT_TRUE(PumpUntil([&] { return Spin->Value() > paused; }));

  SendMessageW(Button(), WM_LBUTTONUP, 0, At(2, 2));
  paused = Spin->Value();
  PumpFor(milliseconds(150));
  EXPECT_EQ(Spin->Value(), paused);
}

TEST_F(SpinEditTest, HeldButtonStopsAtTheMaximumWithoutFurtherChanges) {
  Spin->SetInterval(10);
  Start(55);
  SendMessageW(Button(), WM_LBUTTONDOWN, MK_LBUTTON, At(1, 1));
  ASSERT_TRUE(PumpUntil([&] { return Spin->Text() == "59"; }));
  PumpFor(milliseconds(100));
  SendMessageW(Button(), WM_LBUTTONUP, 0, At(1, 1));
  EXPECT_EQ(Changes, 4);  // 56, 57, 58, 59
}
