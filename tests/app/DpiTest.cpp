// The windows and the tray icon at the DPI of the display. This program carries the program's own
// manifest and icon, so it is DPI-aware as Pelmora.exe is; ctest runs it in the tests' prefix (96
// DPI) and in a twin prefix at the DPI that PELMORA_DPI names.
// The main window's header brings the sockets header, which must come before windows.h.
#include "app/MainWindow1.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "accounts/AccountWindow1.h"
#include "accounts/portable/AccountTable.h"
#include "checking/MailActions.h"
#include "checking/portable/NewMailNotice.h"
#include "desktop/TrayIcon.h"
#include "resources/Resource.h"
#include "tests/support/PlatformRecorders.h"
#include "tests/support/ProgramRun.h"
#include "toolkit/Application.h"
#include "toolkit/Dpi.h"
#include "toolkit/Text.h"
#include "tests/toolkit/Bounds.h"
#include "tests/toolkit/BoxWatch.h"

namespace {

// The DPI the prefix was made with.
int PrefixDpi() {
  const char* dpi = std::getenv("PELMORA_DPI");
  return dpi ? std::atoi(dpi) : 96;
}

void ForEachControl(HWND parent, const std::function<void(HWND)>& visit) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    visit(child);
    ForEachControl(child, visit);
  }
}

std::map<HWND, RECT> ControlRects(HWND form) {
  std::map<HWND, RECT> rects;
  ForEachControl(form, [&rects](HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    rects[control] = r;
  });
  return rects;
}

// A control's text as it draws it: in its own font, on one line.
RECT TextExtent(HWND control) {
  wchar_t text[256] = {};
  const int length = GetWindowTextW(control, text, 256);
  const HDC dc = GetDC(control);
  const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT needed{};
  DrawTextW(dc, text, length, &needed, DT_CALCRECT | DT_SINGLELINE);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return needed;
}

RECT ClientRect(HWND control) {
  RECT client{};
  GetClientRect(control, &client);
  return client;
}

// Every label's text fits inside it: as wide as it is, and as high give or take the pixel row of the
// font's cell below the glyphs that the design at 96 DPI leaves out too (12 pixels high for a
// 13-pixel cell), scaled.
void ExpectLabelsFit(TForm& form) {
  int labels = 0;
  ForEachControl(form.Handle(), [&labels](HWND control) {
    const auto* label = dynamic_cast<TLabel*>(TWindow::FromHandle(control));
    if (!label) return;
    const RECT needed = TextExtent(control), client = ClientRect(control);
    EXPECT_LE(needed.right, client.right) << label->Caption();
    EXPECT_LE(needed.bottom, client.bottom + label->Scale(1)) << label->Caption();
    ++labels;
  });
  EXPECT_GT(labels, 0);
}

// Every check box's caption fits beside the box: Windows draws the box 13 pixels wide and the text a
// few pixels after it, both scaled, and cuts a caption that is longer.
void ExpectCheckBoxesFit(TForm& form) {
  int boxes = 0;
  ForEachControl(form.Handle(), [&boxes](HWND control) {
    const auto* box = dynamic_cast<TCheckBox*>(TWindow::FromHandle(control));
    if (!box) return;
    EXPECT_LE(TextExtent(control).right + box->Scale(13 + 4), ClientRect(control).right) << box->Caption();
    ++boxes;
  });
  EXPECT_GT(boxes, 0);
}

int FontHeight(HWND control) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
  return font.lfHeight;
}

void SaveScreenshot(TForm& form, const std::string& name) {
  form.BringToFront();
  Application().ProcessMessages();
  const std::string shot = testsupport::Screenshot(name + "-" + std::to_string(PrefixDpi()) + "dpi");
  if (!shot.empty()) std::printf("screenshot: %s\n", shot.c_str());
  form.Hide();
}

TEST(Dpi, WindowsAreLaidOutFromTheirDesignAtTheDpiOfTheDisplay) {
  const int dpi = PrefixDpi();
  TMainForm1 settings;
  TAccountForm1 account(settings.MediaPlayer1, settings.SignIns1, SystemShell());
  ASSERT_EQ(WindowDpi(settings.Handle()), dpi);
  EXPECT_NEAR(settings.ClientWidth(), ScaleToDpi(610, dpi), 1);
  EXPECT_NEAR(settings.ClientHeight(), ScaleToDpi(262, dpi), 1);
  EXPECT_NEAR(account.ClientWidth(), ScaleToDpi(417, dpi), 1);
  EXPECT_NEAR(account.ClientHeight(), ScaleToDpi(484, dpi), 1);
  const TBounds button = ScaleBounds({466, 232, 110, 21}, dpi);
  ExpectBounds(settings.Button4, button.Left, button.Top, button.Width, button.Height);
  const TBounds edit = ScaleBounds({157, 148, 224, 20}, dpi);
  ExpectBounds(account.Edit2, edit.Left, edit.Top, edit.Width, edit.Height);
  EXPECT_EQ(FontHeight(account.Edit2.Handle()), -ScaleToDpi(12, dpi));
  EXPECT_EQ(settings.StringGrid1.ColWidth(2), ScaleToDpi(152, dpi));
  RECT browse{};
  GetWindowRect(account.FileOpenEdit1.BrowseButton(), &browse);
  EXPECT_EQ(browse.right - browse.left, ScaleToDpi(TFileOpenEdit::kButtonWidth, dpi));
  ExpectLabelsFit(settings);
  ExpectLabelsFit(account);
  ExpectCheckBoxesFit(settings);

  // The spinner's square button fills the field's height, and a press hits the half it lands on.
  const HWND spin = settings.SpinEdit1.Button().Handle();
  RECT side{};
  GetClientRect(spin, &side);
  EXPECT_EQ(side.right, side.bottom);
  EXPECT_GE(side.bottom, ScaleToDpi(14, dpi));
  const auto press = [spin](int x, int y) {
    SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(spin, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  };
  press(side.right - 2, side.bottom - 2);
  EXPECT_EQ(settings.SpinEdit1.Value(), 29);
  press(1, 1);
  EXPECT_EQ(settings.SpinEdit1.Value(), 30);

  SaveScreenshot(settings, "settings-window");
  settings.PageControl1.SetActivePageIndex(1);
  SaveScreenshot(settings, "settings-check-tab");
  SaveScreenshot(account, "account-dialog");
  // A port that is none: the dialog says why OK is disabled.
  account.Edit5.SetText("0");
  ExpectLabelsFit(account);
  SaveScreenshot(account, "account-dialog-port-reason");
}

// The account grid shows the connection in force: its columns are measured in the grid's own font,
// with the margin a list view keeps on either side of a cell's text, at the DPI of the display.
TEST(Dpi, TheConnectionColumnsOfTheAccountGridFitTheirTitlesAndTexts) {
  const int dpi = PrefixDpi();
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::string folder = Narrow(temp) + "pelmora-dpi-" + std::to_string(GetCurrentProcessId());
  ASSERT_TRUE(CreateDirectoryW(Widen(folder).c_str(), nullptr));
  const std::string accounts = folder + "\\account.dat";
  {
    const HANDLE file = CreateFileW(Widen(accounts).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::string bytes =
        "\"自宅\",する,pop.example.jp,taro,pw,ﾒｯｾｰｼﾞ,\r\n"
        "\"会社\",する,mail.example.com,hanako,pw,ﾒｯｾｰｼﾞ,,SSL,\r\n"
        "\"実家\",しない,pop.example.net,jiro,pw,ﾒｯｾｰｼﾞ,,STARTTLS,65535\r\n"
        "\"学校\",する,imap.example.ac.jp,saburo,pw,ﾒｯｾｰｼﾞ,,SSL,,IMAP\r\n";
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
  }
  {
    TMainForm1 settings(SystemShell(), SystemMci(), folder + "\\Pelmora.exe");
    const TStringGrid& grid = settings.StringGrid1;
    const HWND list = grid.Handle();
    const int margin = 2 * ScaleToDpi(6, dpi);
    for (int col = accounts::ColSecurity; col <= accounts::ColProtocol; ++col) {
      for (int row = 0; row < grid.RowCount(); ++row) {
        const std::wstring text = Widen(grid.Cell(col, row));
        const int width = static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str())));
        EXPECT_LE(width + margin, grid.ColWidth(col)) << "column " << col << " row " << row << ": " << grid.Cell(col, row);
      }
    }
    EXPECT_EQ(grid.Cell(accounts::ColPort, 1), "110");
    settings.N1Click(&settings.N1);
    // The connection columns, at the grid's right end, in view.
    SendMessageW(list, LVM_SCROLL, static_cast<WPARAM>(ScaleToDpi(2000, dpi)), 0);
    SaveScreenshot(settings, "account-grid");
  }
  DeleteFileW(Widen(accounts).c_str());
  DeleteFileW(Widen(folder + "\\Pelmora.ini").c_str());
  RemoveDirectoryW(Widen(folder).c_str());
}

// Moved to a monitor of twice the DPI and back, a window is laid out anew each time and ends where it
// began, to the pixel.
TEST(Dpi, AWindowFollowsItsDpiWhenItChangesAndComesBackToThePixel) {
  TMediaPlayer player(SystemMci());
  TSignIns signIns(Application());
  TAccountForm1 account(player, signIns, SystemShell());
  const int dpi = account.Dpi();
  const std::map<HWND, RECT> before = ControlRects(account.Handle());
  RECT frame{};
  GetWindowRect(account.Handle(), &frame);
  const auto moveTo = [&account, &frame](int newDpi) {
    RECT suggested = FrameForClient({0, 0, ScaleToDpi(417, newDpi), ScaleToDpi(484, newDpi)},
                                    GetWindowLongW(account.Handle(), GWL_STYLE),
                                    GetWindowLongW(account.Handle(), GWL_EXSTYLE), newDpi);
    OffsetRect(&suggested, frame.left - suggested.left, frame.top - suggested.top);
    SendMessageW(account.Handle(), WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi), reinterpret_cast<LPARAM>(&suggested));
  };
  moveTo(2 * dpi);
  EXPECT_EQ(account.ClientWidth(), ScaleToDpi(417, 2 * dpi));
  EXPECT_EQ(account.ClientHeight(), ScaleToDpi(484, 2 * dpi));
  const TBounds radio = ScaleBounds({22, 336, 160, 17}, 2 * dpi);
  ExpectBounds(account.RadioButton2, radio.Left, radio.Top, radio.Width, radio.Height);
  EXPECT_EQ(FontHeight(account.Edit1.Handle()), -ScaleToDpi(12, 2 * dpi));
  ExpectLabelsFit(account);
  moveTo(dpi);
  const std::map<HWND, RECT> after = ControlRects(account.Handle());
  ASSERT_EQ(after.size(), before.size());
  for (const auto& [control, rect] : before) {
    const RECT& now = after.at(control);
    EXPECT_TRUE(EqualRect(&rect, &now)) << rect.left << "," << rect.top << " " << rect.right << "," << rect.bottom
                                         << " now " << now.left << "," << now.top << " " << now.right << "," << now.bottom;
  }
  EXPECT_EQ(FontHeight(account.Edit1.Handle()), -ScaleToDpi(12, dpi));
}

// A notice naming messages with long subjects, as the check shows it, for a screenshot at the DPI.
// Each line is cut to 40 full-width characters; whether the box keeps it on one line is Windows'
// choice of the box's width (Wine's box is narrower and wraps even the first line).
TEST(Dpi, ANoticeWithLongSubjectsShowsTheCutLines) {
  const std::vector<checking::MailSummary> mail{
      {u"山田 太郎", u"【重要】来週の定例会議の議題と資料について（第三四半期の予算見直しを含む）ご確認のお願い"},
      {u"news@example.com", u"Your weekly digest: 25 new posts in the topics you follow, and more from the community"},
      {u"", u""}};
  const std::u16string text = checking::NewMailNoticeText("自宅のメール", 3, mail, checking::Cp932ToUtf16);
  const BoxSeen seen = WatchBox([&] { checking::Announce(text); }, [](HWND box) {
    UpdateWindow(box);
    const std::string shot = testsupport::Screenshot("notice-long-subjects-" + std::to_string(PrefixDpi()) + "dpi");
    if (!shot.empty()) std::printf("screenshot: %s\n", shot.c_str());
    PressBoxButton(box, IDOK);
  });
  EXPECT_EQ(seen.text, L"'自宅のメール' に 3 通の新しいメールが届いています。\n"
                       L"山田 太郎: 【重要】来週の定例会議の議題と資料について（第三四半期の予算見直し…\n"
                       L"news@example.com: Your weekly digest: 25 new posts in the topics you follow, a…\n"
                       L"（差出人なし）: （件名なし）");
}

int IconWidth(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  GetObjectW(info.hbmMask, sizeof(bitmap), &bitmap);
  DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  return bitmap.bmWidth;
}

// The notification area shows a small icon; the image drawn for that size is handed over, not the
// large one for the shell to shrink.
TEST(Dpi, TrayIconIsTheImageDrawnForTheSmallIconSizeOfTheDpi) {
  RecordingShell shell;
  TTrayIcon tray(nullptr, TTrayApplication{}, shell);
  tray.SetIconResource(GetModuleHandleW(nullptr), IDI_MAINICON);
  tray.Loaded();
  ASSERT_FALSE(shell.Notified.empty());
  const int width = IconWidth(shell.Notified.back().second.hIcon);
  EXPECT_EQ(width, SystemMetricForDpi(SM_CXSMICON, PrefixDpi()));
  if (PrefixDpi() == 144) EXPECT_EQ(width, 24);
  // The DPI of the display changes: the icon is taken anew at the new size.
  SendMessageW(tray.CallbackWindow(), WM_DPICHANGED, MAKEWPARAM(192, 192), 0);
  EXPECT_EQ(shell.Notified.back().first, static_cast<DWORD>(NIM_MODIFY));
  EXPECT_EQ(IconWidth(shell.Notified.back().second.hIcon), 32);
}

// The colour pixels of an icon, top row first, to tell which drawing the shell was handed.
std::vector<std::uint32_t> IconPixels(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return {};
  BITMAP bitmap{};
  GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
  BITMAPINFO header{};
  header.bmiHeader = {sizeof(BITMAPINFOHEADER), bitmap.bmWidth, -bitmap.bmHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(bitmap.bmWidth) * bitmap.bmHeight);
  const HDC screen = GetDC(nullptr);
  GetDIBits(screen, info.hbmColor, 0, bitmap.bmHeight, pixels.data(), &header, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(info.hbmMask);
  DeleteObject(info.hbmColor);
  return pixels;
}

std::vector<std::uint32_t> ResourcePixels(int id) {
  const int size = SystemMetricForDpi(SM_CXSMICON, PrefixDpi());
  const auto icon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
  std::vector<std::uint32_t> pixels = IconPixels(icon);
  DestroyIcon(icon);
  return pixels;
}

constexpr const wchar_t* kPersonalize = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";

// Sets the taskbar's theme value as Windows 10 keeps it and tells every window, as Windows does; the
// prefix is left without the value, as Wine makes it.
class TaskbarTheme {
public:
  ~TaskbarTheme() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"SystemUsesLightTheme"); }
  void Set(DWORD light) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kPersonalize, L"SystemUsesLightTheme", REG_DWORD, &light, sizeof light);
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"),
                        SMTO_ABORTIFHUNG, 1000, &result);
  }
};

// The icon the shell was handed, eight times its size on the taskbar's colour, in a window of its
// own for the screenshot.
void SaveTrayShot(HICON icon, COLORREF taskbar, const std::string& name) {
  const int size = SystemMetricForDpi(SM_CXSMICON, PrefixDpi());
  const int shown = size * 8;
  const HDC screen = GetDC(nullptr);
  const HDC small = CreateCompatibleDC(screen);
  const HBITMAP smallBitmap = CreateCompatibleBitmap(screen, size, size);
  const HGDIOBJ oldSmall = SelectObject(small, smallBitmap);
  const HBRUSH brush = CreateSolidBrush(taskbar);
  const RECT all{0, 0, size, size};
  FillRect(small, &all, brush);
  DrawIconEx(small, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  const HDC large = CreateCompatibleDC(screen);
  // Without an alpha channel: the static control would blend a 32-bit picture with its own background.
  BITMAPINFO format{};
  format.bmiHeader = {sizeof(BITMAPINFOHEADER), shown, -shown, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HBITMAP largeBitmap = CreateDIBSection(screen, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ oldLarge = SelectObject(large, largeBitmap);
  StretchBlt(large, 0, 0, shown, shown, small, 0, 0, size, size, SRCCOPY);
  SelectObject(large, oldLarge);
  SelectObject(small, oldSmall);
  DeleteDC(large);
  DeleteDC(small);
  DeleteObject(smallBitmap);
  DeleteObject(brush);
  ReleaseDC(nullptr, screen);
  const HWND window = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE | SS_BITMAP, 0, 0, shown,
                                      shown, nullptr, nullptr, nullptr, nullptr);
  SendMessageW(window, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(largeBitmap));
  UpdateWindow(window);
  Application().ProcessMessages();
  const std::string shot = testsupport::Screenshot(name + "-" + std::to_string(PrefixDpi()) + "dpi");
  if (!shot.empty()) std::printf("screenshot: %s\n", shot.c_str());
  DestroyWindow(window);
  DeleteObject(largeBitmap);
}

// The tray icon follows the taskbar's theme as soon as Windows tells of its change (a light taskbar
// gets the dark drawing), and high contrast; without the theme value it is the icon of old.
TEST(Dpi, TrayIconFollowsTheTaskbarThemeAndHighContrastAtEveryDpi) {
  RecordingShell shell;
  TTrayIcon tray(nullptr, TTrayApplication{}, shell);
  tray.SetIconResource(GetModuleHandleW(nullptr), IDI_NEWMAILICON);
  tray.Loaded();
  const auto shown = [&shell] { return IconPixels(shell.Notified.back().second.hIcon); };
  EXPECT_EQ(shown(), ResourcePixels(IDI_NEWMAILICON));
  {
    TaskbarTheme theme;
    theme.Set(1);
    EXPECT_EQ(shown(), ResourcePixels(IDI_NEWMAILICON_LIGHT));
    SaveTrayShot(shell.Notified.back().second.hIcon, RGB(243, 243, 243), "tray-icon-light-taskbar");
    theme.Set(0);
    EXPECT_EQ(shown(), ResourcePixels(IDI_NEWMAILICON_DARK));
    SaveTrayShot(shell.Notified.back().second.hIcon, RGB(32, 32, 32), "tray-icon-dark-taskbar");
    tray.SetIconResource(GetModuleHandleW(nullptr), IDI_MAINICON);
    EXPECT_EQ(shown(), ResourcePixels(IDI_MAINICON_DARK)) << "the icon of no new mail in the same drawing";

    shell.Contrast = true;
    SendMessageW(tray.CallbackWindow(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_EQ(shown(), ResourcePixels(IDI_MAINICON_CONTRAST));
    SaveTrayShot(shell.Notified.back().second.hIcon, RGB(0, 0, 0), "tray-icon-high-contrast");
    shell.Contrast = false;
    SendMessageW(tray.CallbackWindow(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_EQ(shown(), ResourcePixels(IDI_MAINICON_DARK));
  }
  SendMessageW(tray.CallbackWindow(), WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"));
  EXPECT_EQ(shown(), ResourcePixels(IDI_MAINICON));
  EXPECT_NE(ResourcePixels(IDI_MAINICON), ResourcePixels(IDI_MAINICON_DARK));
}

}  // namespace
