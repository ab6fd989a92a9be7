// Pelmora.exe's icon in the notification area follows the taskbar's theme, seen from outside: the
// shell's tray window is read off the screen and searched for the drawings Pelmora.exe holds.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "resources/Resource.h"
#include "tests/support/PelmoraUser.h"
#include "tests/support/ProgramRun.h"
#include "toolkit/Handles.h"

namespace {

using namespace testsupport;

// Pixels row by row as 0x00RRGGBB.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
};

// What `paint` draws on a fresh 32-bit picture.
Picture Draw(int width, int height, const std::function<void(HDC)>& paint) {
  BITMAPINFO format{};
  format.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const TOwnedBitmap bitmap(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  const TOwnedDc dc(CreateCompatibleDC(nullptr));
  if (!bitmap.Get() || !dc.Get()) throw std::runtime_error("no bitmap to draw on");
  {
    const TSelection selected(dc.Get(), bitmap.Get());
    paint(dc.Get());
    GdiFlush();
  }
  const auto* first = static_cast<const std::uint32_t*>(bits);
  Picture picture{width, height, std::vector<std::uint32_t>(first, first + width * height)};
  for (std::uint32_t& pixel : picture.pixels) pixel &= 0xFFFFFF;
  return picture;
}

// The client area of `window` as the screen shows it; nothing while it is hidden. The shell's tray
// belongs to another process, whose device contexts this one cannot use, so the pixels come from
// the screen.
Picture ScreenPixels(HWND window) {
  RECT client{};
  if (!IsWindowVisible(window) || !GetClientRect(window, &client) || client.right <= 0 || client.bottom <= 0)
    return {};
  POINT origin{};
  ClientToScreen(window, &origin);
  const TWindowDc screen(nullptr);
  return Draw(client.right, client.bottom, [&](HDC dc) {
    BitBlt(dc, 0, 0, client.right, client.bottom, screen.Get(), origin.x, origin.y, SRCCOPY);
  });
}

// An icon as it covers what lies beneath: its colours where it is opaque; the rest shows the tray's
// background, or under Wine what the tray showed before, as Wine's tray draws a new icon over the
// old one without painting the background first.
struct Drawing {
  Picture colours;
  std::vector<bool> opaque;
};

// Whether `drawing` shows anywhere in `whole`, pixel for pixel where it is opaque.
bool Shows(const Picture& whole, const Drawing& drawing) {
  const Picture& part = drawing.colours;
  const auto matchesAt = [&](int left, int top) {
    for (int y = 0; y < part.height; ++y) {
      for (int x = 0; x < part.width; ++x) {
        const int i = y * part.width + x;
        if (drawing.opaque[i] && whole.pixels[(top + y) * whole.width + left + x] != part.pixels[i]) return false;
      }
    }
    return true;
  };
  for (int top = 0; top + part.height <= whole.height; ++top) {
    for (int left = 0; left + part.width <= whole.width; ++left)
      if (matchesAt(left, top)) return true;
  }
  return false;
}

// The icon resources of Pelmora.exe itself, read from the file without running it.
class ProgramIcons {
public:
  ProgramIcons()
      : Module(LoadLibraryExW(PelmoraExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {
    if (!Module) throw std::runtime_error("cannot read the resources of Pelmora.exe");
  }
  ~ProgramIcons() { FreeLibrary(Module); }
  ProgramIcons(const ProgramIcons&) = delete;
  ProgramIcons& operator=(const ProgramIcons&) = delete;

  // Icon `id` at the notification area's size: opaque where it looks the same on black and on white.
  Drawing Drawn(int id) const {
    Drawing drawing{OnBackground(id, RGB(0, 0, 0)), {}};
    const Picture onWhite = OnBackground(id, RGB(255, 255, 255));
    for (std::size_t i = 0; i < onWhite.pixels.size(); ++i)
      drawing.opaque.push_back(drawing.colours.pixels[i] == onWhite.pixels[i]);
    return drawing;
  }

private:
  // Drawn as the tray draws it.
  Picture OnBackground(int id, COLORREF background) const {
    const int size = GetSystemMetrics(SM_CXSMICON);
    const TOwnedIcon icon(static_cast<HICON>(LoadImageW(Module, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
    if (!icon.Get()) throw std::runtime_error("Pelmora.exe holds no icon " + std::to_string(id));
    return Draw(size, size, [&](HDC dc) {
      const TOwnedBrush brush(CreateSolidBrush(background));
      const RECT all{0, 0, size, size};
      FillRect(dc, &all, brush.Get());
      DrawIconEx(dc, 0, 0, icon.Get(), size, size, 0, nullptr, DI_NORMAL);
    });
  }

  HMODULE Module;
};

constexpr const wchar_t* kPersonalize = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr const wchar_t* kLightTheme = L"SystemUsesLightTheme";

// The taskbar's theme as Windows 10 keeps it, changed as Windows changes it (the value, then a
// broadcast) and put back as it was at the end: the Wine prefix is shared by every test of a run.
class TaskbarTheme {
public:
  TaskbarTheme() {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CURRENT_USER, kPersonalize, kLightTheme, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
        ERROR_SUCCESS)
      Previous = value;
  }
  ~TaskbarTheme() {
    if (Previous)
      Write(*Previous);
    else
      RegDeleteKeyValueW(HKEY_CURRENT_USER, kPersonalize, kLightTheme);
    Broadcast();
  }
  TaskbarTheme(const TaskbarTheme&) = delete;
  TaskbarTheme& operator=(const TaskbarTheme&) = delete;

  bool HadValue() const { return Previous.has_value(); }
  void Set(DWORD light) {
    Write(light);
    Broadcast();
  }

private:
  static void Write(DWORD light) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kPersonalize, kLightTheme, REG_DWORD, &light, sizeof light);
  }
  static void Broadcast() {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"ImmersiveColorSet"),
                        SMTO_ABORTIFHUNG, 1000, &result);
  }

  std::optional<DWORD> Previous;
};

// Whether `done` holds within 1 s of `start` (a GetTickCount).
bool WithinASecondOf(DWORD start, const std::function<bool()>& done) {
  const DWORD spent = GetTickCount() - start;
  return PollUntil(done, spent < 1000 ? 1000 - spent : 0);
}

void SaveScreenshot(const std::string& name) {
  const std::string shot = Screenshot(name);
  if (!shot.empty()) std::printf("screenshot: %s\n", shot.c_str());
}

}  // namespace

// A theme change reaches the running program as Windows sends it, to every window: within a second
// the tray shows the drawing for a light taskbar, then the one for a dark taskbar, and without the
// theme value again the icon of old. High contrast cannot be switched for another process under
// Wine; the in-process DPI test covers it.
TEST(TrayIconRun, TheIconInTheTrayFollowsTheTaskbarThemeWithinASecond) {
  const ProgramIcons icons;
  ProgramRun run(PelmoraExe());
  ASSERT_TRUE(WaitUntilStarted(run).tray);
  // Wine's own notification area, where no desktop's tray takes the icons.
  const HWND tray = FindWindowW(nullptr, L"Wine System Tray");
  ASSERT_TRUE(tray);
  const Drawing old = icons.Drawn(IDI_MAINICON);
  const Drawing light = icons.Drawn(IDI_MAINICON_LIGHT);
  const Drawing dark = icons.Drawn(IDI_MAINICON_DARK);
  // Each drawing tells itself apart from the others by its opaque pixels alone.
  for (const Drawing* one : {&old, &light, &dark}) {
    for (const Drawing* other : {&old, &light, &dark}) ASSERT_EQ(one == other, Shows(other->colours, *one));
  }
  const auto shows = [tray](const Drawing& drawing) { return Shows(ScreenPixels(tray), drawing); };
  ASSERT_TRUE(PollUntil([&] { return shows(old) || shows(light) || shows(dark); }, 5000))
      << "the program's icon is not in the tray";

  bool hadValue = false;
  {
    TaskbarTheme theme;
    hadValue = theme.HadValue();
    DWORD start = GetTickCount();
    theme.Set(1);
    EXPECT_TRUE(WithinASecondOf(start, [&] { return shows(light) && !shows(dark) && !shows(old); }));
    SaveScreenshot("tray-run-light-taskbar");

    start = GetTickCount();
    theme.Set(0);
    EXPECT_TRUE(WithinASecondOf(start, [&] { return shows(dark) && !shows(light) && !shows(old); }));
    SaveScreenshot("tray-run-dark-taskbar");
  }
  // A prefix without the value, as Wine makes it, is a Windows without taskbar themes.
  if (!hadValue) EXPECT_TRUE(PollUntil([&] { return shows(old) && !shows(dark); }, 1000));
}
