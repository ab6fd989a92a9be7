// The main window's design: its controls with their places and texts, its components, and the
// wiring of their events to the window's handlers.
#include "app/MainWindow1.h"

#include <utility>

#include "accounts/portable/AccountConnection.h"
#include "app/ProgramFile.h"
#include "app/ProgramInstance.h"
#include "app/portable/ProgramPaths.h"
#include "resources/Resource.h"
#include "toolkit/Application.h"

namespace {

TTrayApplication TrayApplication() {
  return TTrayApplication{
      Application().Handle(),
      [](bool show) { Application().ShowMainForm = show; },
      [] { Application().ProcessMessages(); },
  };
}

constexpr int kClientWidth = 610;
constexpr int kClientHeight = 262;
constexpr std::uint32_t kDesignInterval = 600000;
// The network of a machine that just woke needs a moment; every account is still checked within 15 s.
constexpr std::uint32_t kResumeDelay = 4000;
constexpr std::uint32_t kQuietPoll = 60000;
// Where the player would sit if it were shown.
constexpr RECT kPlayerBounds{276, 212, 276 + 29, 212 + 30};

}  // namespace

TMainForm1::TMainForm1(TShell& shell, TMci& mci, std::string programPath)
    : TForm("メールチェックの設定", kClientWidth, kClientHeight),
      TrayIcon1(this, TrayApplication(), shell),
      N1("メールチェックの設定(&S)..."),
      N7("-"),
      N8("ユーザーズガイド(&G)"),
      N9("インフォメーション(&I)..."),
      N10("-"),
      X1("終了する(&X)"),
      N2("メールチェック(&C)"),
      N3("-"),
      PageControl1(*this, {12, 12, 585, 204}),
      TabSheet1(PageControl1, "アカウント"),
      TabSheet2(PageControl1, "メールチェック"),
      Button1(TabSheet1, {450, 12, 110, 21}, "追加(&A)..."),
      Button2(TabSheet1, {450, 40, 110, 21}, "削除(&D)..."),
      Button3(TabSheet1, {450, 68, 110, 21}, "編集(&R)..."),
      CheckBox1(TabSheet2, {12, 16, 193, 17}, "起動時にメールチェックを行う(&S)", false),
      CheckBox2(TabSheet2, {12, 40, 221, 17}, "指定時間ごとにメールチェックを行う(&C)", true),
      POP3Client1(Application()),
      ImapClient1(Application()),
      Memo1(TabSheet1, {304, 88, 109, 65}, false),
      Button10(TabSheet1, {436, 156, 61, 17}, "LOAD", false),
      StringGrid1(TabSheet1, {4, 4, 424, 173}, {123, 37, 152, 146, 179, 40, 40, 84, 56, 60, 200}),
      Button4(*this, {466, 232, 110, 21}, "タスクトレイへ"),
      Bevel1(*this, {12, 222, 585, 3}),
      SpinEdit1(TabSheet2, {32, 62, 110, 20}),
      Label1(TabSheet2, {148, 66, 43, 12}, "分ごと(&I)"),
      Button11(TabSheet1, {496, 156, 61, 17}, "SAVE", false),
      Label0(TabSheet1, {540, 140, 6, 12}, "\"", false),
      Timer1(kDesignInterval, true),
      MediaPlayer1(mci, Handle(), kPlayerBounds),
      CheckBox3(TabSheet2, {12, 96, 289, 17}, "新しく届いたメールだけを知らせる(&N)", false),
      CheckBox4(TabSheet2, {12, 120, 361, 17}, "お知らせをタスクトレイのバルーンで表示する(&B)", false),
      CheckBox5(TabSheet2, {12, 144, 265, 17}, "IMAPの新着をすぐに知らせる(&I)", false),
      CheckBox6(TabSheet2, {300, 16, 241, 17}, "パスワードを暗号化して保存する(&E)", false),
      CheckBox7(TabSheet2, {300, 40, 241, 17}, "チェックの記録を残す(&L)", false),
      ResumeTimer(kResumeDelay, false),
      CheckBox8(TabSheet2, {300, 64, 181, 17}, "通知しない時間帯(&Q)", false),
      Edit1(TabSheet2, {320, 88, 45, 20}, "22:00"),
      Label2(TabSheet2, {371, 92, 12, 12}, "～"),
      Edit2(TabSheet2, {389, 88, 45, 20}, "07:00"),
      QuietTimer(kQuietPoll, true),
      CheckCycle(Accounts, POP3Client1, ImapClient1, MediaPlayer1, mci),
      SignIns1(Application()),
      AccountCommands(Accounts, MediaPlayer1, SignIns1, shell),
      KeptPasswords1(SignIns1.Store()),
      Quiet1(shell),
      Shell(shell),
      Mci(mci),
      ProgramFile(std::move(programPath)),
      CheckLog(ProgramDirOf(ProgramFile) + "\\Pelmora.log") {
  for (TMenuItem* item : {&N2, &N3, &N1, &N7, &N8, &N9, &N10, &X1}) PopupMenu1.Add(*item);
  N2.OnClick = [this](TObject* sender) { N2Click(sender); };
  N1.OnClick = [this](TObject* sender) { N1Click(sender); };
  N8.OnClick = [this](TObject* sender) { N8Click(sender); };
  N9.OnClick = [this](TObject* sender) { N9Click(sender); };
  X1.OnClick = [this](TObject* sender) { X1Click(sender); };
  TrayIcon1.ShowMinimizedIcon = true;
  TrayIcon1.SetPopupMenu(&PopupMenu1);
  TrayIcon1.SetIconResource(GetModuleHandleW(nullptr), IDI_MAINICON);
  TrayIcon1.OnDblClick = [this](TObject* sender) { N1Click(sender); };

  Button1.OnClick = [this](TObject* sender) { Button1Click(sender); };
  Button2.OnClick = [this](TObject* sender) { Button2Click(sender); };
  Button3.OnClick = [this](TObject* sender) { Button3Click(sender); };
  Button2.SetEnabled(false);
  Button3.SetEnabled(false);
  Button4.OnClick = [this](TObject* sender) { Button4Click(sender); };
  Button10.OnClick = [this](TObject* sender) { Button10Click(sender); };
  Button11.OnClick = [this](TObject* sender) { Button11Click(sender); };
  StringGrid1.OnClick = [this](TObject* sender) { StringGrid1Click(sender); };
  StringGrid1.OnDblClick = [this](TObject* sender) { StringGrid1DblClick(sender); };
  SpinEdit1.SetMinValue(1);
  SpinEdit1.SetMaxValue(59);
  SpinEdit1.SetValue(30);
  Label1.FocusControl = &SpinEdit1;
  CheckBox2.OnClick = [this](TObject* sender) { CheckBox2Click(sender); };
  CheckBox3.OnClick = [this](TObject* sender) { CheckBox3Click(sender); };
  CheckBox4.OnClick = [this](TObject* sender) { CheckBox4Click(sender); };
  CheckBox5.OnClick = [this](TObject* sender) { CheckBox5Click(sender); };
  CheckBox6.OnClick = [this](TObject* sender) { CheckBox6Click(sender); };
  CheckBox8.OnClick = [this](TObject* sender) { CheckBox8Click(sender); };
  Edit1.OnChange = [this](TObject* sender) { Edit1Change(sender); };
  Edit2.OnChange = [this](TObject* sender) { Edit1Change(sender); };
  Edit1.SetEnabled(false);
  Edit2.SetEnabled(false);
  QuietTimer.OnTimer = [this](TObject* sender) { QuietTimerTimer(sender); };
  CheckCycle.SetQuiet(Quiet1);
  CheckCycle.OnSummary = [this](checking::TCheckCycle* sender, const checking::TCheckCycle::TSummary& summary) {
    CheckCycleSummary(sender, summary);
  };
  CheckCycle.OnProgress = [this](checking::TCheckCycle* sender, const std::string& account) {
    CheckCycleProgress(sender, account);
  };
  CheckCycle.OnChecked = [this](checking::TCheckCycle* sender, const checking::TCheckCycle::TChecked& checked) {
    CheckCycleChecked(sender, checked);
  };
  TrayIcon1.OnBalloonClick = [this](TObject* sender) { TrayIcon1BalloonClick(sender); };
  SpinEdit1.OnChange = [this](TObject* sender) { SpinEdit1Change(sender); };
  Timer1.OnTimer = [this](TObject* sender) { Timer1Timer(sender); };
  ResumeTimer.OnTimer = [this](TObject* sender) { ResumeTimerTimer(sender); };
  AddressWatch1.OnChange = [this](TObject* sender) { AddressWatch1Change(sender); };
  Watchers1.OnCheck = [this](checking::TMailWatchers* sender, const std::vector<checking::AccountKey>& accounts) {
    Watchers1Check(sender, accounts);
  };
  OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };
  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  StringGrid1.SetCells([this] { return Accounts.RowCount(); },
                       [this](int col, int row) { return GridCell(col, row); });
  Accounts.OnChanged = [this](accounts::AccountTable&, int) { AccountsChanged(); };

  // The design is complete: the tray icon takes over (icon added, main window not shown at start).
  TrayIcon1.Loaded();

  ProgramDir = ProgramDirOf(ProgramFile);
  ShowRequest = ShowRunningCopyMessage(ProgramDir);
  CheckCycle.SetIdsFile(ProgramDir + "\\mailids.dat");
  Accounts.WriteHeaderRow();
  Button10Click(&Button10);
  StringGrid1Click(&StringGrid1);
}

// Handlers reach members that are destroyed before the controls that fire them (the spinner clamps
// its value when it loses the focus as its window goes).
TMainForm1::~TMainForm1() {
  Accounts.OnChanged.Clear();
  SpinEdit1.OnChange.Clear();
}
