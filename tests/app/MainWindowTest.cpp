// The main window built in this process, as a program in a folder of this test process's own, with
// account.dat and Pelmora.ini beside it.
#include "app/MainWindow1.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/PlatformRecorders.h"
#include "toolkit/Application.h"
#include "toolkit/Text.h"
#include "tests/toolkit/Bounds.h"
#include "tests/toolkit/BoxWatch.h"
#include "tests/toolkit/TabOrder.h"

namespace {

// The folder of the program the forms are built as; removed when the tests end (each test removes
// the files it made).
class ProgramFolder {
public:
  ProgramFolder() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    Path = Narrow(temp) + "pelmora-window-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryW(Widen(Path).c_str(), nullptr);
  }
  ~ProgramFolder() { RemoveDirectoryW(Widen(Path).c_str()); }
  std::string Path;
};

std::string ExeDir() {
  static const ProgramFolder folder;
  return folder.Path;
}

std::string Program() { return ExeDir() + "\\Pelmora.exe"; }

std::string AccountFile() { return ExeDir() + "\\account.dat"; }

void WriteBytes(const std::string& path, const std::string& bytes) {
  const HANDLE file =
      CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD done = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  CloseHandle(file);
}

std::string ReadBytes(const std::string& path) {
  const HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  std::string bytes(1 << 16, '\0');
  DWORD got = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(file);
  bytes.resize(got);
  return bytes;
}

// Puts an account.dat beside the program for one test and removes it afterwards.
class AccountFileFixture : public ::testing::Test {
protected:
  void TearDown() override {
    const std::wstring path = Widen(AccountFile());
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
    RemoveDirectoryW(path.c_str());
  }
  static void Write(const std::string& bytes) { WriteBytes(AccountFile(), bytes); }
  static std::string Read() { return ReadBytes(AccountFile()); }
};

// Three accounts with Japanese names, a comma in a name, a blank line and a password with a space.
const std::string kThreeAccounts =
    "\"自宅, メイン\",する,pop.example.jp,taro,pw,ﾒｯｾｰｼﾞ,\r\n\"\",,,,,,\r\n\"会社\",しない,mail.example.com,hanako,\"a b\",ｻｳﾝﾄﾞ,C:\\s.wav\r\n";

std::vector<std::wstring> RowTexts(const TStringGrid& grid, int row) {
  std::vector<std::wstring> cells;
  for (int col = 0; col < grid.ColCount(); ++col) {
    wchar_t buffer[256] = {};
    LVITEMW item{};
    item.iSubItem = col;
    item.pszText = buffer;
    item.cchTextMax = 256;
    SendMessageW(grid.Handle(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row - 1), reinterpret_cast<LPARAM>(&item));
    cells.emplace_back(buffer);
  }
  return cells;
}

}  // namespace

using MainWindow = AccountFileFixture;

TEST_F(MainWindow, IsLaidOutAsDesignedAndStaysHidden) {
  TMainForm1 form(SystemShell(), SystemMci(), Program());
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(form.Caption(), "メールチェックの設定");
  EXPECT_EQ(form.ClientWidth(), 610);
  EXPECT_EQ(form.ClientHeight(), 262);
  ExpectBounds(form.PageControl1, 12, 12, 585, 204);
  ExpectBounds(form.Bevel1, 12, 222, 585, 3);
  ExpectBounds(form.Button4, 466, 232, 110, 21);
  ExpectBounds(form.StringGrid1, 4, 4, 424, 173);
  ExpectBounds(form.Button1, 450, 12, 110, 21);
  ExpectBounds(form.Button3, 450, 68, 110, 21);
  ExpectBounds(form.CheckBox2, 12, 40, 221, 17);
  ExpectBounds(form.CheckBox5, 12, 144, 265, 17);
  EXPECT_EQ(form.CheckBox5.Caption(), "IMAPの新着をすぐに知らせる(&I)");
  EXPECT_EQ(form.CheckBox5.Parent(), &form.TabSheet2);
  EXPECT_EQ(form.Button4.Caption(), "タスクトレイへ");
  EXPECT_EQ(form.Button2.Caption(), "削除(&D)...");
  EXPECT_EQ(form.TabSheet1.TabCaption(), "アカウント");
  EXPECT_EQ(form.TabSheet2.TabCaption(), "メールチェック");
  EXPECT_EQ(form.PageControl1.ActivePage(), &form.TabSheet1);
  EXPECT_FALSE(form.CheckBox1.Checked());
  EXPECT_TRUE(form.CheckBox2.Checked());
  EXPECT_FALSE(form.CheckBox5.Checked());
  EXPECT_EQ(form.Label1.FocusControl, &form.SpinEdit1);
  EXPECT_EQ(form.Label0.Caption(), "\"");
  for (const TWinControl* hidden : {static_cast<const TWinControl*>(&form.Memo1), static_cast<const TWinControl*>(&form.Button10),
                                    static_cast<const TWinControl*>(&form.Button11), static_cast<const TWinControl*>(&form.Label0)}) {
    EXPECT_FALSE(hidden->Visible());
  }
  EXPECT_FALSE(IsWindowVisible(form.MediaPlayer1.Handle()));
  EXPECT_EQ(GetParent(form.MediaPlayer1.Handle()), form.Handle());
  EXPECT_EQ(form.Button10.Caption(), "LOAD");
  EXPECT_EQ(form.Button11.Caption(), "SAVE");
  EXPECT_EQ(form.Timer1.Interval(), 600000u);
  EXPECT_TRUE(form.Timer1.Enabled());
  EXPECT_TRUE(form.TrayIcon1.ShowMinimizedIcon);
  EXPECT_FALSE(form.TrayIcon1.NoClose);
  EXPECT_EQ(form.TrayIcon1.PopupMenu(), &form.PopupMenu1);

  std::vector<std::string> items;
  for (const TMenuItem* item : form.PopupMenu1.Items()) items.push_back(item->Caption);
  const std::vector<std::string> expected = {
      "メールチェック(&C)",
      "-",
      "メールチェックの設定(&S)...",
      "-",
      "ユーザーズガイド(&G)",
      "インフォメーション(&I)...",
      "-",
      "終了する(&X)",
  };
  EXPECT_EQ(items, expected);
  EXPECT_EQ(form.StringGrid1.ColWidth(0), 123);
  EXPECT_EQ(form.StringGrid1.ColWidth(4), 179);
}

TEST_F(MainWindow, TabReachesOnlyTheVisibleControlsInDesignOrder) {
  Write(kThreeAccounts);
  TMainForm1 form(SystemShell(), SystemMci(), Program());
  form.N1Click(&form.N1);
  const std::vector<HWND> order = TabCycle(form);
  const std::vector<HWND> expected = {form.Button1.Handle(), form.Button2.Handle(), form.Button3.Handle(),
                                      form.StringGrid1.Handle(), form.PageControl1.TabsHandle(), form.Button4.Handle()};
  EXPECT_EQ(order, expected);
  form.Button4Click(&form.Button4);
}

TEST_F(MainWindow, ShowsTheAccountFileRowByRowAndSavesItBackByteForByte) {
  Write(kThreeAccounts);
  TMainForm1 form(SystemShell(), SystemMci(), Program());
  ASSERT_EQ(form.Accounts.RowCount(), 5);
  EXPECT_EQ(form.StringGrid1.RowCount(), 5);
  EXPECT_EQ(RowTexts(form.StringGrid1, 1),
            (std::vector<std::wstring>{L"自宅, メイン", L"する", L"pop.example.jp", L"taro",
                                       L"pw", L"ﾒｯｾｰｼﾞ", L"", L"なし", L"110", L"POP3", L""}));
  EXPECT_EQ(RowTexts(form.StringGrid1, 2), std::vector<std::wstring>(11, L""));
  EXPECT_EQ(RowTexts(form.StringGrid1, 3),
            (std::vector<std::wstring>{L"会社", L"しない", L"mail.example.com", L"hanako", L"a b",
                                       L"ｻｳﾝﾄﾞ", L"C:\\s.wav", L"なし", L"110", L"POP3", L""}));
  EXPECT_EQ(RowTexts(form.StringGrid1, 4), std::vector<std::wstring>(11, L""));
  EXPECT_EQ(form.StringGrid1.Cell(0, 0), " ｱｶｳﾝﾄ名");
  EXPECT_EQ(form.StringGrid1.Cell(6, 0), " ｻｳﾝﾄﾞ");
  EXPECT_EQ(form.StringGrid1.Cell(7, 0), " 接続の保護");
  EXPECT_EQ(form.StringGrid1.Cell(8, 0), " ﾎﾟｰﾄ");
  EXPECT_EQ(form.StringGrid1.Cell(9, 0), " ﾌﾟﾛﾄｺﾙ");
  EXPECT_EQ(form.StringGrid1.Cell(10, 0), " 状態");
  EXPECT_EQ(form.StringGrid1.Row(), 1);
  EXPECT_TRUE(form.Button2.Enabled());
  EXPECT_TRUE(form.Button3.Enabled());
  EXPECT_TRUE(form.LastMailCount().empty()) << "no count is recorded before a check";

  Write("");
  form.Button11Click(&form.Button11);
  EXPECT_EQ(Read(), kThreeAccounts);
}

TEST_F(MainWindow, SelectingARowWithoutANameDisablesDeleteAndEdit) {
  Write(kThreeAccounts);
  TMainForm1 form(SystemShell(), SystemMci(), Program());
  form.N1Click(&form.N1);
  SetFocus(form.StringGrid1.Handle());
  SendMessageW(form.StringGrid1.Handle(), WM_KEYDOWN, VK_DOWN, 0);
  Application().ProcessMessages();
  EXPECT_EQ(form.StringGrid1.Row(), 2);
  EXPECT_FALSE(form.Button2.Enabled());
  EXPECT_FALSE(form.Button3.Enabled());
  SendMessageW(form.StringGrid1.Handle(), WM_KEYDOWN, VK_DOWN, 0);
  Application().ProcessMessages();
  EXPECT_TRUE(form.Button2.Enabled());
  EXPECT_TRUE(form.Button3.Enabled());
  form.Button4Click(&form.Button4);
}

TEST_F(MainWindow, DeleteDoesNothingForARowWithoutAName) {
  Write(kThreeAccounts);
  TMainForm1 form(SystemShell(), SystemMci(), Program());
  // Selected by the program, so the buttons still show the state of the first row.
  for (const int row : {2, 4}) {
    form.StringGrid1.SetRow(row);
    ASSERT_TRUE(form.Button2.Enabled());
    const BoxSeen box = WatchBox([&] { form.Button2Click(&form.Button2); }, [](HWND wnd) { PressBoxButton(wnd, IDYES); });
    EXPECT_FALSE(box.found) << row;
    EXPECT_EQ(form.Accounts.RowCount(), 5);
  }
  EXPECT_EQ(Read(), kThreeAccounts);
}

TEST_F(MainWindow, AMissingFileIsAnEmptyTable) {
  TMainForm1 form(SystemShell(), SystemMci(), Program());
  EXPECT_EQ(form.Accounts.RowCount(), 2);
  EXPECT_EQ(SendMessageW(form.StringGrid1.Handle(), LVM_GETITEMCOUNT, 0, 0), 1);
  EXPECT_FALSE(form.Button2.Enabled());
  EXPECT_FALSE(form.Button3.Enabled());
  EXPECT_TRUE(form.LastMailCount().empty());
  // Saving the empty table writes an empty file.
  form.Button11Click(&form.Button11);
  EXPECT_EQ(Read(), "");
}

TEST_F(MainWindow, AnUnreadableFileStopsTheBuildingWithTheFileError) {
  CreateDirectoryW(Widen(AccountFile()).c_str(), nullptr);
  try {
    TMainForm1 form(SystemShell(), SystemMci(), Program());
    FAIL() << "the window was built";
  } catch (const Exception& e) {
    // ファイル %s は開けません
    EXPECT_EQ(e.message(), "ファイル " + AccountFile() +
                               " は開けません");
  }
}

TEST_F(MainWindow, AFailedSaveReportsTheFileAndKeepsTheOldOne) {
  Write(kThreeAccounts);
  TMainForm1 form(SystemShell(), SystemMci(), Program());
  form.Accounts.SetCell(0, 1, "x");
  SetFileAttributesW(Widen(AccountFile()).c_str(), FILE_ATTRIBUTE_READONLY);
  try {
    form.Button11Click(&form.Button11);
    FAIL() << "the save succeeded";
  } catch (const Exception& e) {
    // ファイル %s を作成できません
    EXPECT_EQ(e.message(), "ファイル " + AccountFile() +
                               " を作成できません");
  }
  EXPECT_EQ(Read(), kThreeAccounts);
  EXPECT_EQ(form.Accounts.Cell(0, 1), "x");
}

TEST_F(MainWindow, WindowCommands) {
  RecordingShell shell;
  RecordingMci mci;
  TMainForm1 form(shell, mci, Program());

  form.N1Click(&form.TrayIcon1);
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(GetForegroundWindow(), form.Handle());
  SendMessageW(form.Button4.Handle(), BM_CLICK, 0, 0);
  EXPECT_FALSE(form.Visible());

  form.N8Click(&form.N8);
  form.N9Click(&form.N9);
  ASSERT_EQ(shell.Opened.size(), 2u);
  EXPECT_EQ(shell.Opened[0], std::make_pair(form.Handle(), Widen(ExeDir()) + L"/Readme.txt"));
  EXPECT_EQ(shell.Opened[1],
            std::make_pair(form.Handle(), std::wstring(L"http://www.pelmora.example/info.php?pf=w&sn=Pelmora")));

  // The close box: the close handler sends the CD tray's closing commands, in this order.
  form.N1Click(&form.N1);
  SendMessageW(form.Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(mci.Strings, (std::vector<std::wstring>{L"set cdaudio door closed", L"close cdaudio"}));
  EXPECT_FALSE(form.Visible());
}

TEST_F(MainWindow, OnTheSecondTabAltIMovesTheFocusToTheSpinner) {
  TMainForm1 form(SystemShell(), SystemMci(), Program());
  form.N1Click(&form.N1);
  form.PageControl1.SetActivePageIndex(1);
  const std::vector<HWND> order = TabCycle(form);
  ASSERT_GE(order.size(), 3u);
  EXPECT_EQ(order[0], form.CheckBox1.Handle());
  EXPECT_EQ(order[1], form.CheckBox2.Handle());
  EXPECT_EQ(order.back(), form.Button4.Handle());
  form.CheckBox1.SetFocus();
  PostMessageW(form.CheckBox1.Handle(), WM_SYSCHAR, L'i', 1 << 29);
  Application().ProcessMessages();
  EXPECT_TRUE(form.SpinEdit1.Focused());
  form.Button4Click(&form.Button4);
}

namespace {

std::string SettingsFile() { return ExeDir() + "\\Pelmora.ini"; }

// Puts a Pelmora.ini beside the program (or none) for one test and removes it afterwards.
class Settings : public AccountFileFixture {
protected:
  void SetUp() override { DeleteFileW(Widen(SettingsFile()).c_str()); }
  void TearDown() override {
    const std::wstring path = Widen(SettingsFile());
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
    AccountFileFixture::TearDown();
  }
  static void WriteSettings(const std::string& text) { WriteBytes(SettingsFile(), text); }
  static std::string ReadSettings() { return ReadBytes(SettingsFile()); }
  static void CloseForm(TMainForm1& form) {
    TCloseAction action = TCloseAction::Free;
    form.FormClose(&form, action);
  }
};

}  // namespace

TEST_F(Settings, WithoutAFileTheDefaultsApplyAndAreWrittenInOrderAtClose) {
  RecordingMci mci;
  TMainForm1 form(SystemShell(), mci, Program());
  form.FormCreate(&form);
  EXPECT_FALSE(form.CheckBox1.Checked());
  EXPECT_TRUE(form.CheckBox2.Checked());
  EXPECT_TRUE(form.Timer1.Enabled());
  EXPECT_EQ(form.Timer1.Interval(), 30u * 60000u);
  CloseForm(form);
  const std::string text = ReadSettings();
  const auto start = text.find("START=0"), time = text.find("TIME=1"), minute = text.find("MINUTE=30");
  ASSERT_NE(text.find("[SET]"), std::string::npos) << text;
  ASSERT_NE(start, std::string::npos) << text;
  ASSERT_NE(time, std::string::npos) << text;
  ASSERT_NE(minute, std::string::npos) << text;
  EXPECT_LT(start, time);
  EXPECT_LT(time, minute);
}

TEST_F(Settings, ValuesAreReadAsIntegersAndTheMinutesBroughtIntoRange) {
  const struct {
    const char* minute;
    std::int32_t shown;
  } cases[] = {{"0", 1}, {"100", 59}, {"0x0A", 10}, {"$0b", 11}, {" -5", 1}, {"abc", 30}};
  for (const auto& c : cases) {
    WriteSettings(std::string("[SET]\r\nSTART=0\r\nTIME=0\r\nMINUTE=") + c.minute + "\r\n");
    RecordingMci mci;
    TMainForm1 form(SystemShell(), mci, Program());
    form.FormCreate(&form);
    EXPECT_EQ(form.SpinEdit1.Value(), c.shown) << c.minute;
    EXPECT_EQ(form.Timer1.Interval(), static_cast<std::uint32_t>(c.shown) * 60000u) << c.minute;
    EXPECT_FALSE(form.Timer1.Enabled()) << "TIME=0 means no periodic check";
  }
  WriteSettings("[SET]\r\nSTART=2\r\nTIME=1\r\nMINUTE=5\r\n");
  TMainForm1 form(SystemShell(), SystemMci(), Program());
  form.FormCreate(&form);
  EXPECT_TRUE(form.CheckBox1.Checked()) << "any non-zero START counts as on";
  form.CheckBox2.SetChecked(false);
  EXPECT_FALSE(form.Timer1.Enabled());
  form.CheckBox2.SetChecked(true);
  EXPECT_TRUE(form.Timer1.Enabled());
}

TEST_F(Settings, ANumberBeingTypedNeverGivesTheTimerAnInvalidIntervalButIsWrittenAsTyped) {
  RecordingMci mci;
  TMainForm1 form(SystemShell(), mci, Program());
  form.FormCreate(&form);
  form.SpinEdit1.SetText("7");
  EXPECT_EQ(form.Timer1.Interval(), 7u * 60000u);
  for (const char* typed : {"0", "-3", "75", "99999999"}) {
    form.SpinEdit1.SetText(typed);
    EXPECT_EQ(form.Timer1.Interval(), 7u * 60000u) << typed;
  }
  form.SpinEdit1.SetText("75");
  CloseForm(form);
  EXPECT_NE(ReadSettings().find("MINUTE=75"), std::string::npos);
}

// The quiet hours are two keys of [SET] only while they are set; the rest of the file stays as it was.
TEST_F(Settings, QuietHoursAreKeptOnlyWhileSetAndTheFileComesBackAsItWas) {
  const std::string before = "[SET]\r\nSTART=0\r\nTIME=1\r\nMINUTE=30\r\n";
  WriteSettings(before);
  {
    TMainForm1 form(SystemShell(), SystemMci(), Program());
    form.FormCreate(&form);
    EXPECT_FALSE(form.CheckBox8.Checked());
    EXPECT_FALSE(form.Edit1.Enabled());
    EXPECT_EQ(form.CheckBox8.Caption(), "通知しない時間帯(&Q)");
    EXPECT_EQ(form.CheckBox8.Parent(), &form.TabSheet2);
    CloseForm(form);
  }
  EXPECT_EQ(ReadSettings(), before);
  {
    TMainForm1 form(SystemShell(), SystemMci(), Program());
    form.FormCreate(&form);
    form.CheckBox8.SetChecked(true);
    form.Edit1.SetText("23:30");
    form.Edit2.SetText("6:5");  // still being typed: the hours already set stay
    form.Edit2.SetText("6:15");
    form.Edit1.SetText("24:");
    CloseForm(form);
  }
  EXPECT_EQ(ReadSettings(), before + "QUIETFROM=23:30\r\nQUIETTO=06:15\r\n");
  {
    TMainForm1 form(SystemShell(), SystemMci(), Program());
    form.FormCreate(&form);
    EXPECT_TRUE(form.CheckBox8.Checked());
    EXPECT_TRUE(form.Edit1.Enabled());
    EXPECT_EQ(form.Edit1.Text(), "23:30");
    EXPECT_EQ(form.Edit2.Text(), "06:15");
    ASSERT_TRUE(form.Quiet1.Hours());
    EXPECT_EQ(*form.Quiet1.Hours(), (checking::QuietHours{23 * 60 + 30, 6 * 60 + 15}));
    form.CheckBox8.SetChecked(false);
    EXPECT_FALSE(form.Quiet1.Hours());
    CloseForm(form);
  }
  EXPECT_EQ(ReadSettings(), before);
}

TEST_F(Settings, TypedMinutesOutOfRangeAreBroughtIntoRangeAtTheNextStart) {
  WriteSettings("[SET]\r\nSTART=0\r\nTIME=1\r\nMINUTE=75\r\n");
  TMainForm1 next(SystemShell(), SystemMci(), Program());
  next.FormCreate(&next);
  EXPECT_EQ(next.SpinEdit1.Value(), 59);
}

TEST_F(Settings, AnUnwritableFileIsReportedAndTheCloseStillEnds) {
  // A read-only file does not stop every user (an administrator writes it): a folder in its place does.
  ASSERT_TRUE(CreateDirectoryW(Widen(SettingsFile()).c_str(), nullptr));
  RecordingMci mci;
  TMainForm1 form(SystemShell(), mci, Program());
  form.FormCreate(&form);
  form.CheckBox1.SetChecked(true);
  const BoxSeen box = WatchBox([&] { CloseForm(form); }, [](HWND wnd) { PressBoxButton(wnd, IDOK); });
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.text, Widen(SettingsFile() + " に書き込めません."));
  EXPECT_EQ(mci.Strings, (std::vector<std::wstring>{L"set cdaudio door closed", L"close cdaudio"}));
  RemoveDirectoryW(Widen(SettingsFile()).c_str());
}

TEST_F(Settings, WithoutThePeriodicCheckNoTickComesUntilTheUserSwitchesItOnThenOneFullIntervalLater) {
  using Clock = std::chrono::steady_clock;
  using std::chrono::milliseconds;
  WriteSettings("[SET]\r\nSTART=0\r\nTIME=0\r\nMINUTE=5\r\n");
  RecordingMci mci;
  TMainForm1 form(SystemShell(), mci, Program());
  form.FormCreate(&form);
  std::vector<Clock::time_point> ticks;
  form.Timer1.OnTimer = [&](TObject*) { ticks.push_back(Clock::now()); };
  // The five minutes, shortened.
  form.Timer1.SetInterval(100);
  const auto pumpUntil = [](Clock::time_point end, const std::function<bool()>& done) {
    while (!done() && Clock::now() < end) {
      Application().ProcessMessages();
      Sleep(1);
    }
  };
  pumpUntil(Clock::now() + milliseconds(400), [&] { return !ticks.empty(); });
  EXPECT_TRUE(ticks.empty());

  form.N1Click(&form.N1);
  form.PageControl1.SetActivePageIndex(1);
  const auto on = Clock::now();
  SendMessageW(form.CheckBox2.Handle(), BM_CLICK, 0, 0);
  ASSERT_TRUE(form.CheckBox2.Checked());
  pumpUntil(on + milliseconds(3000), [&] { return !ticks.empty(); });
  ASSERT_FALSE(ticks.empty());
  EXPECT_GE(ticks[0] - on, milliseconds(100));
  form.Button4Click(&form.Button4);
}
