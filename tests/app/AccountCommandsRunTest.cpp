// The account commands and the account dialog of a running Pelmora.exe, driven from outside through
// the UI probe as a user drives them; account.dat compared byte for byte after every command.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "accounts/portable/AccountFile.h"
#include "accounts/portable/AccountTexts.h"
#include "tests/support/PelmoraUser.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/UiProbe.h"
#include "tests/support/WaveFile.h"
#include "toolkit/portable/ErrorText.h"
#include "toolkit/Text.h"

namespace {

using namespace testsupport;

const std::wstring kAdd = L"追加(&A)...";
const std::wstring kDelete = L"削除(&D)...";
const std::wstring kEdit = L"編集(&R)...";
const std::wstring kAddCaption =
    L"メールアカウントの追加";
const std::wstring kProperties = L" のプロパティ";
const std::wstring kInclude =
    L"メールチェック時にこのアカウントを含める(&I)";
const std::wstring kMessage = L"メッセージを出す(&M)";
const std::wstring kSound = L"音を鳴らす(&L)";
const std::wstring kCdTray =
    L"CDトレイをオープンする(&C)";
const std::wstring kConfirmTitle = L"確認";
const std::wstring kYes = L"はい(&Y)";
const std::wstring kNo = L"いいえ(&N)";
const std::wstring kPortReason = L"ポートは 1～65535 の数字です";

// Column texts of account.dat.
const std::string kIncluded(accounts::kInclude);
const std::string kExcluded(accounts::kExclude);
const std::string kMessageAction(accounts::kActionMessage);
const std::string kSoundAction(accounts::kActionSound);
const std::string kCdTrayAction(accounts::kActionCdTray);

constexpr DWORD kWaitMs = 10000;

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

std::wstring Text(HWND control) { return uiprobe::WindowText(control).utf16; }

// A playable sound whose path holds spaces and commas, so account.dat must quote it.
struct Chime {
  Chime() : path(WriteWave("pelmora chime, " + std::to_string(GetCurrentProcessId()) + ".wav")) {}
  ~Chime() { DeleteFileW(Widen(path).c_str()); }
  std::string path;
};

// What the player reports for a file it cannot open, as the error dialog shows it.
std::wstring OpenErrorText(const std::string& file) {
  const std::wstring element = Widen(file);
  MCI_OPEN_PARMSW open{};
  open.lpstrDeviceType = L"";
  open.lpstrElementName = element.c_str();
  const MCIERROR error = mciSendCommandW(0, MCI_OPEN, MCI_OPEN_ELEMENT | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&open));
  wchar_t text[1024] = {};
  mciGetErrorStringW(error, text, 1024);
  return Widen(ErrorDialogText(Narrow(text)));
}

// The settings window of a started program, shown with a double click on the tray icon.
struct Settings {
  HWND window = nullptr;
  HWND list = nullptr;

  std::vector<std::vector<std::string>> Rows() const {
    std::vector<std::vector<std::string>> rows;
    for (const auto& cells : uiprobe::ListViewRows(list)) {
      rows.emplace_back();
      for (const auto& cell : cells) rows.back().push_back(cell.cp932);
    }
    return rows;
  }
  bool Enabled(const std::wstring& button) const {
    return uiprobe::Describe(uiprobe::FindControl(window, L"Button", button)).enabled;
  }
  bool Select(int item) const {
    uiprobe::PressKey(list, VK_HOME);
    for (int i = 0; i < item; ++i) uiprobe::PressKey(list, VK_DOWN);
    return WaitFor([&] { return uiprobe::ListViewSelection(list) == std::vector<int>{item}; });
  }
};

Settings ShowSettings(const ProgramRun& run) {
  const Started started = WaitUntilStarted(run);
  Settings s;
  if (!started.tray) return s;
  s.window = ShowSettingsWindow(run, started.tray);
  if (s.window) s.list = uiprobe::FindControl(s.window, L"SysListView32", L"");
  return s;
}

// The account dialog while it is shown.
struct AccountDialog {
  HWND window = nullptr;
  std::vector<HWND> edits;  // the four edits of Edit1 .. Edit4, the port, then the sound-file field
  std::vector<HWND> combos;  // the protocol, how it logs in, then the security
  HWND security = nullptr;

  HWND Name() const { return edits[0]; }
  HWND Host() const { return edits[1]; }
  HWND User() const { return edits[2]; }
  HWND Password() const { return edits[3]; }
  HWND Port() const { return edits[4]; }
  HWND SoundFile() const { return edits[5]; }
  bool NameFocused() const {
    return WaitFor([&] { return uiprobe::FocusedControl(window) == Name(); });
  }
  bool PortReasonShown() const { return uiprobe::Describe(uiprobe::FindControl(window, L"Static", kPortReason)).visible; }
  uiprobe::Control Button(const std::wstring& caption) const {
    return uiprobe::Describe(uiprobe::FindControl(window, L"Button", caption));
  }
  bool OkEnabled() const { return Button(L"OK").enabled; }
  bool SoundFileEnabled() const {
    return uiprobe::Describe(SoundFile()).enabled &&
           uiprobe::Describe(uiprobe::FindControl(window, L"Static",
                                                  L"サウンドファイル(&S):"))
               .enabled;
  }
  std::vector<int> Checks() const {
    return {Button(kInclude).checked, Button(kMessage).checked, Button(kSound).checked, Button(kCdTray).checked};
  }
};

AccountDialog WaitForDialog(const ProgramRun& run, const std::wstring& caption, DWORD timeoutMs = kWaitMs) {
  AccountDialog d;
  d.window = uiprobe::WaitForTopLevel(run.ProcessId(), L"PelmoraForm", caption, timeoutMs);
  if (!d.window) return d;
  for (const uiprobe::Control& c : uiprobe::Controls(d.window)) {
    if (c.className == L"Edit") d.edits.push_back(c.hwnd);
    if (c.className == L"ComboBox") d.combos.push_back(c.hwnd);
  }
  if (d.edits.size() != 6 || d.combos.size() != 3) {
    d.window = nullptr;
    return d;
  }
  d.security = d.combos[2];
  return d;
}

// The program saves after the dialog has gone: account.dat is polled until it holds `bytes`.
bool FileBecomes(const ProgramRun& run, const std::string& bytes) {
  return WaitFor([&] { return run.HasFile("account.dat") && run.ReadFile("account.dat") == bytes; });
}

// Whether a form of the program other than `main` shows up within `timeoutMs`.
bool OtherFormShown(const ProgramRun& run, HWND main, DWORD timeoutMs) {
  return WaitFor(
      [&] {
        for (const uiprobe::TopWindow& top : uiprobe::TopLevelWindows(run.ProcessId()))
          if (top.window.className == L"PelmoraForm" && top.window.hwnd != main) return true;
        return false;
      },
      timeoutMs);
}

// Clears an edit as a user does: select everything, then Backspace.
void Clear(HWND edit) {
  uiprobe::SelectAllText(edit);
  uiprobe::TypeText(edit, L"\b");
}

// Typed text is posted: it has been handled once the control shows it.
bool Type(HWND edit, const std::wstring& text, const std::wstring& shown) {
  uiprobe::TypeText(edit, text);
  return WaitFor([&] { return Text(edit) == shown; });
}

void Shot(const char* name) {
  const std::string shot = Screenshot(name);
  if (!shot.empty()) std::printf("screenshot: %s\n", shot.c_str());
}

}  // namespace

TEST(AccountCommandsRun, AnAccountAddedThroughTheDialogIsSavedAndSurvivesARestartUntilItIsDeleted) {
  const Chime chime;
  const std::wstring name = L"自宅";
  const std::string line = "\"自宅\"," + kExcluded + ",pop.example.jp,taro,\"p a,ss\"," + kSoundAction +
                           ",\"" + chime.path + "\",SSL,\r\n";
  std::string saved;
  {
    ProgramRun run(PelmoraExe());
    const Settings main = ShowSettings(run);
    ASSERT_TRUE(main.list);
    EXPECT_FALSE(main.Enabled(kDelete));
    EXPECT_FALSE(main.Enabled(kEdit));

    // Esc cancels whatever was typed.
    ASSERT_TRUE(uiprobe::PressButton(main.window, kAdd));
    AccountDialog dialog = WaitForDialog(run, kAddCaption);
    ASSERT_TRUE(dialog.window);
    EXPECT_TRUE(dialog.NameFocused());
    Shot("account-dialog-empty");
    EXPECT_EQ(dialog.Checks(), (std::vector<int>{BST_CHECKED, BST_CHECKED, BST_UNCHECKED, BST_UNCHECKED}));
    EXPECT_EQ(Text(dialog.security), L"SSL/TLS") << "a new account is proposed with TLS";
    EXPECT_EQ(Text(dialog.combos[0]), L"POP3");
    EXPECT_EQ(Text(dialog.Port()), L"995");
    EXPECT_FALSE(dialog.SoundFileEnabled());
    EXPECT_FALSE(dialog.OkEnabled());
    EXPECT_FALSE(uiprobe::PressButton(main.window, kAdd)) << "the dialog is modal";
    ASSERT_TRUE(Type(dialog.Name(), L"x", L"x"));
    uiprobe::PressKey(dialog.Name(), VK_ESCAPE);
    ASSERT_TRUE(uiprobe::WaitForGone(dialog.window, kWaitMs));
    EXPECT_EQ(main.Rows(), std::vector<std::vector<std::string>>(1, std::vector<std::string>(11)));
    EXPECT_FALSE(run.HasFile("account.dat"));

    // The add command empties the dialog again. OK needs all four edits; Enter does nothing without it.
    ASSERT_TRUE(uiprobe::PressButton(main.window, kAdd));
    dialog = WaitForDialog(run, kAddCaption);
    ASSERT_TRUE(dialog.window);
    EXPECT_EQ(Text(dialog.Name()), L"");
    // Typing stops at 256 characters.
    uiprobe::TypeText(dialog.Name(), std::wstring(300, L'n'));
    ASSERT_TRUE(Type(dialog.Host(), L"pop.example.jp", L"pop.example.jp"));
    EXPECT_EQ(Text(dialog.Name()), std::wstring(256, L'n'));
    Clear(dialog.Name());
    ASSERT_TRUE(Type(dialog.Name(), name, name));
    ASSERT_TRUE(Type(dialog.User(), L"tar", L"tar"));
    uiprobe::PressKey(dialog.User(), VK_RETURN);
    ASSERT_TRUE(Type(dialog.User(), L"o", L"taro"));
    EXPECT_TRUE(uiprobe::Describe(dialog.window).visible) << "Enter closed the dialog without OK";
    EXPECT_FALSE(dialog.OkEnabled());
    // A single space is enough.
    ASSERT_TRUE(Type(dialog.Password(), L" ", L" "));
    EXPECT_TRUE(WaitFor([&] { return dialog.OkEnabled(); }));
    Clear(dialog.Host());
    EXPECT_TRUE(WaitFor([&] { return !dialog.OkEnabled(); }));
    ASSERT_TRUE(Type(dialog.Host(), L"pop.example.jp", L"pop.example.jp"));
    Clear(dialog.Password());
    ASSERT_TRUE(Type(dialog.Password(), L"p a,ss", L"p a,ss"));
    EXPECT_TRUE(dialog.OkEnabled());

    // The port takes digits only; what the input method gives in full width counts as digits; a port
    // that is none disables OK and says why; an empty field is the default port.
    EXPECT_FALSE(dialog.PortReasonShown());
    uiprobe::SelectAllText(dialog.Port());
    ASSERT_TRUE(Type(dialog.Port(), L"a 7", L"7")) << "only the digit is taken";
    ASSERT_TRUE(uiprobe::ReplaceText(dialog.Port(), L"０"));
    ASSERT_TRUE(WaitFor([&] { return Text(dialog.Port()) == L"0" && !dialog.OkEnabled(); }));
    EXPECT_TRUE(dialog.PortReasonShown());
    Shot("account-dialog-port-reason");
    ASSERT_TRUE(uiprobe::ReplaceText(dialog.Port(), L"９９５"));
    ASSERT_TRUE(WaitFor([&] { return Text(dialog.Port()) == L"995" && dialog.OkEnabled(); }));
    EXPECT_FALSE(dialog.PortReasonShown());
    ASSERT_TRUE(uiprobe::ReplaceText(dialog.Port(), L""));
    EXPECT_TRUE(WaitFor([&] { return dialog.OkEnabled(); }));
    EXPECT_FALSE(dialog.PortReasonShown());

    // Leave the account out of checks and play a sound: the field opens and the chosen file plays.
    ASSERT_TRUE(uiprobe::PressButton(dialog.window, kInclude));
    ASSERT_TRUE(uiprobe::PressButton(dialog.window, kSound));
    ASSERT_TRUE(WaitFor([&] { return dialog.SoundFileEnabled(); }));
    ASSERT_TRUE(uiprobe::ReplaceText(dialog.SoundFile(), Widen(chime.path)));
    EXPECT_FALSE(WaitForMessageBox(run, 500)) << "the preview failed";
    EXPECT_EQ(dialog.Checks(), (std::vector<int>{BST_UNCHECKED, BST_UNCHECKED, BST_CHECKED, BST_UNCHECKED}));
    Shot("account-dialog-filled");
    uiprobe::PressKey(dialog.Password(), VK_RETURN);
    ASSERT_TRUE(uiprobe::WaitForGone(dialog.window, kWaitMs));

    // One account row and the blank row; the selected first row now holds the account, with the
    // connection in force, its port the default that the empty field stood for.
    EXPECT_EQ(main.Rows(), (std::vector<std::vector<std::string>>{
                               {"自宅", kExcluded, "pop.example.jp", "taro", "p a,ss", kSoundAction, chime.path, "SSL/TLS", "995", "POP3", ""},
                               std::vector<std::string>(11)}));
    EXPECT_EQ(uiprobe::ListViewSelection(main.list), std::vector<int>{0});
    EXPECT_TRUE(main.Enabled(kDelete));
    EXPECT_TRUE(main.Enabled(kEdit));
    EXPECT_TRUE(FileBecomes(run, line));
    saved = run.ReadFile("account.dat");
  }

  // After a restart the dialog shows the account exactly as it was entered.
  ProgramRun run(PelmoraExe(), {{"account.dat", saved}});
  const Settings main = ShowSettings(run);
  ASSERT_TRUE(main.list);
  ASSERT_TRUE(uiprobe::PressButton(main.window, kEdit));
  const AccountDialog dialog = WaitForDialog(run, name + kProperties);
  ASSERT_TRUE(dialog.window);
  EXPECT_EQ(Text(dialog.Name()), name);
  EXPECT_EQ(Text(dialog.Password()), L"p a,ss");
  EXPECT_EQ(Text(dialog.SoundFile()), Widen(chime.path));
  EXPECT_EQ(dialog.Checks(), (std::vector<int>{BST_UNCHECKED, BST_UNCHECKED, BST_CHECKED, BST_UNCHECKED}));
  EXPECT_TRUE(dialog.SoundFileEnabled());
  EXPECT_TRUE(dialog.OkEnabled());
  ASSERT_TRUE(uiprobe::PressButton(dialog.window, L"OK"));
  ASSERT_TRUE(uiprobe::WaitForGone(dialog.window, kWaitMs));
  EXPECT_TRUE(FileBecomes(run, line));

  // Deleting the only account empties the file; the blank row left selected offers no delete or edit.
  ASSERT_TRUE(uiprobe::PressButton(main.window, kDelete));
  const HWND question = uiprobe::WaitForTopLevel(run.ProcessId(), L"#32770", kConfirmTitle, kWaitMs);
  ASSERT_TRUE(question);
  ASSERT_TRUE(uiprobe::PressButton(question, kYes));
  ASSERT_TRUE(WaitFor([&] { return main.Rows().size() == 1; }));
  EXPECT_TRUE(FileBecomes(run, ""));
  EXPECT_FALSE(main.Enabled(kDelete));
  EXPECT_FALSE(main.Enabled(kEdit));
}

TEST(AccountCommandsRun, EditAndDeleteActOnTheSelectedAccountOnly) {
  const Chime chime;
  const std::string missing = "C:\\nowhere\\gone.wav";
  const std::string work =
      "\"Work\"," + kIncluded + ",mail.example.com,hanako,pw," + kCdTrayAction + ",\"" + chime.path + "\"\r\n";
  const std::string home = "\"Home\"," + kExcluded + ",pop.example.jp,taro,\"p a,ss\"," + kMessageAction + "," + missing + "\r\n";
  const std::string shop = "\"Shop\"," + kIncluded + ",pop.shop.example,jiro,secret," + kSoundAction + ",\r\n";
  const std::string blank = "\"\",,,,,,\r\n";
  // The last line without its line break: a file the program has saved ends with one.
  ProgramRun run(PelmoraExe(), {{"account.dat", work + home + shop + blank.substr(0, blank.size() - 2)}});
  const Settings main = ShowSettings(run);
  ASSERT_TRUE(main.list);

  // An account with the CD tray action: the sound field is off but holds the file, written back as is.
  ASSERT_TRUE(uiprobe::PressButton(main.window, kEdit));
  AccountDialog dialog = WaitForDialog(run, L"Work" + kProperties);
  ASSERT_TRUE(dialog.window);
  EXPECT_EQ(dialog.Checks(), (std::vector<int>{BST_CHECKED, BST_UNCHECKED, BST_UNCHECKED, BST_CHECKED}));
  EXPECT_FALSE(dialog.SoundFileEnabled());
  EXPECT_EQ(Text(dialog.SoundFile()), Widen(chime.path));
  EXPECT_EQ(Text(dialog.Host()), L"mail.example.com");
  ASSERT_TRUE(uiprobe::PressButton(dialog.window, L"OK"));
  ASSERT_TRUE(uiprobe::WaitForGone(dialog.window, kWaitMs));
  EXPECT_TRUE(FileBecomes(run, work + home + shop + blank)) << run.ReadFile("account.dat");

  // A stored sound file the player cannot open: the dialog opens with it as stored, so the account
  // can be repaired. The player tries a name when the user changes it, and its error shows over the
  // dialog, which stays.
  ASSERT_TRUE(main.Select(1));
  ASSERT_TRUE(uiprobe::PressButton(main.window, kEdit));
  dialog = WaitForDialog(run, L"Home" + kProperties);
  ASSERT_TRUE(dialog.window);
  EXPECT_FALSE(WaitForMessageBox(run, 500)) << "showing the account tried its sound";
  EXPECT_EQ(Text(dialog.SoundFile()), Widen(missing));
  EXPECT_EQ(dialog.Checks(), (std::vector<int>{BST_UNCHECKED, BST_CHECKED, BST_UNCHECKED, BST_UNCHECKED}));
  EXPECT_EQ(Text(dialog.Password()), L"p a,ss");
  const std::string gone = "C:\\nowhere\\other.wav";
  uiprobe::ReplaceText(dialog.SoundFile(), Widen(gone));
  const HWND error = WaitForMessageBox(run, kWaitMs);
  ASSERT_TRUE(error);
  EXPECT_EQ(uiprobe::MessageBoxText(error).utf16, OpenErrorText(gone));
  ASSERT_TRUE(uiprobe::PressButton(error, L"OK"));
  ASSERT_TRUE(uiprobe::WaitForGone(error, kWaitMs));
  EXPECT_TRUE(uiprobe::Describe(dialog.window).visible);
  uiprobe::PressKey(dialog.Name(), VK_ESCAPE);
  ASSERT_TRUE(uiprobe::WaitForGone(dialog.window, kWaitMs));

  // A double click edits an account, but not the blank account row, which offers no delete or edit.
  ASSERT_TRUE(uiprobe::DoubleClickListRow(main.list, 2));
  dialog = WaitForDialog(run, L"Shop" + kProperties);
  ASSERT_TRUE(dialog.window);
  EXPECT_TRUE(dialog.SoundFileEnabled());
  // Left with the focus in the sound-file field, the dialog opens for an account without a sound
  // (the field disabled) at its first field all the same.
  uiprobe::Post(dialog.window, WM_SYSCHAR, L's', 1 << 29);
  ASSERT_TRUE(WaitFor([&] { return uiprobe::FocusedControl(dialog.window) == dialog.SoundFile(); }));
  ASSERT_TRUE(uiprobe::PressButton(dialog.window, L"キャンセル"));
  ASSERT_TRUE(uiprobe::WaitForGone(dialog.window, kWaitMs));
  ASSERT_TRUE(main.Select(0));
  ASSERT_TRUE(uiprobe::PressButton(main.window, kEdit));
  dialog = WaitForDialog(run, L"Work" + kProperties);
  ASSERT_TRUE(dialog.window);
  EXPECT_FALSE(dialog.SoundFileEnabled());
  EXPECT_TRUE(dialog.NameFocused());
  uiprobe::PressKey(dialog.Name(), VK_ESCAPE);
  ASSERT_TRUE(uiprobe::WaitForGone(dialog.window, kWaitMs));
  ASSERT_TRUE(uiprobe::DoubleClickListRow(main.list, 3));
  ASSERT_TRUE(WaitFor([&] { return uiprobe::ListViewSelection(main.list) == std::vector<int>{3}; }));
  EXPECT_FALSE(OtherFormShown(run, main.window, 500));
  EXPECT_FALSE(main.Enabled(kDelete));
  EXPECT_FALSE(main.Enabled(kEdit));
  EXPECT_EQ(run.ReadFile("account.dat"), work + home + shop + blank);

  // Delete asks first; "いいえ" keeps everything, "はい" moves the rows below up and selects the next.
  ASSERT_TRUE(main.Select(0));
  ASSERT_TRUE(uiprobe::PressButton(main.window, kDelete));
  HWND question = uiprobe::WaitForTopLevel(run.ProcessId(), L"#32770", kConfirmTitle, kWaitMs);
  ASSERT_TRUE(question);
  // アカウント 'Work' を削除しますか？
  EXPECT_EQ(uiprobe::MessageBoxText(question).utf16,
            L"アカウント 'Work' を削除しますか？");
  ASSERT_TRUE(uiprobe::PressButton(question, kNo));
  ASSERT_TRUE(uiprobe::WaitForGone(question, kWaitMs));
  EXPECT_EQ(main.Rows().size(), 5u);
  EXPECT_EQ(run.ReadFile("account.dat"), work + home + shop + blank);
  ASSERT_TRUE(uiprobe::PressButton(main.window, kDelete));
  question = uiprobe::WaitForTopLevel(run.ProcessId(), L"#32770", kConfirmTitle, kWaitMs);
  ASSERT_TRUE(question);
  ASSERT_TRUE(uiprobe::PressButton(question, kYes));
  ASSERT_TRUE(WaitFor([&] { return main.Rows().size() == 4; }));
  EXPECT_EQ(main.Rows()[0][0], "Home");
  EXPECT_EQ(main.Rows()[1][0], "Shop");
  EXPECT_EQ(uiprobe::ListViewSelection(main.list), std::vector<int>{0});
  EXPECT_TRUE(FileBecomes(run, home + shop + blank));

  // A file that cannot be replaced: the error names it, the table keeps the change, the file its content.
  const std::wstring file = run.Folder() + L"\\account.dat";
  ASSERT_TRUE(SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(uiprobe::PressButton(main.window, kDelete));
  question = uiprobe::WaitForTopLevel(run.ProcessId(), L"#32770", kConfirmTitle, kWaitMs);
  ASSERT_TRUE(question);
  ASSERT_TRUE(uiprobe::PressButton(question, kYes));
  const HWND failure = WaitForMessageBox(run, kWaitMs);
  ASSERT_TRUE(failure);
  EXPECT_EQ(uiprobe::MessageBoxText(failure).utf16, Widen(ErrorDialogText(accounts::CannotCreateText(Narrow(file)))));
  ASSERT_TRUE(uiprobe::PressButton(failure, L"OK"));
  EXPECT_EQ(main.Rows()[0][0], "Shop");
  EXPECT_EQ(run.ReadFile("account.dat"), home + shop + blank);
  SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(AccountCommandsRun, AStoredSecurityTheDialogCannotNameIsKeptByAnEditThatPicksNone) {
  const std::string plain = "\"Plain\"," + kIncluded + ",h,u,p," + kMessageAction + ",\r\n";
  const auto odd = [](const std::string& password) {
    return "\"Odd\"," + kIncluded + ",h,u," + password + "," + kMessageAction + ",,ssl,\r\n";
  };
  ProgramRun run(PelmoraExe(), {{"account.dat", plain + odd("p")}});
  const Settings main = ShowSettings(run);
  ASSERT_TRUE(main.list);

  // The drop-down holds "なし" from the account edited before; the unknown one shows none picked.
  ASSERT_TRUE(uiprobe::PressButton(main.window, kEdit));
  AccountDialog dialog = WaitForDialog(run, L"Plain" + kProperties);
  ASSERT_TRUE(dialog.window);
  EXPECT_EQ(Text(dialog.security), L"なし");
  uiprobe::PressKey(dialog.Name(), VK_ESCAPE);
  ASSERT_TRUE(uiprobe::WaitForGone(dialog.window, kWaitMs));
  ASSERT_TRUE(main.Select(1));
  ASSERT_TRUE(uiprobe::PressButton(main.window, kEdit));
  dialog = WaitForDialog(run, L"Odd" + kProperties);
  ASSERT_TRUE(dialog.window);
  EXPECT_EQ(Text(dialog.security), L"");
  EXPECT_EQ(Text(dialog.Port()), L"");

  // An unrelated change is saved with the connection as it was.
  Clear(dialog.Password());
  ASSERT_TRUE(Type(dialog.Password(), L"q", L"q"));
  ASSERT_TRUE(uiprobe::PressButton(dialog.window, L"OK"));
  ASSERT_TRUE(uiprobe::WaitForGone(dialog.window, kWaitMs));
  EXPECT_TRUE(FileBecomes(run, plain + odd("q"))) << run.ReadFile("account.dat");
}
