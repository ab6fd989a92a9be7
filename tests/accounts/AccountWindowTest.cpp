// The account dialog built in this process: its design and its state before the first use.
#include "accounts/AccountWindow1.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/Shell.h"
#include "signin/SignIns.h"
#include "tests/toolkit/Bounds.h"
#include "toolkit/Application.h"
#include "tests/toolkit/TabOrder.h"

namespace {

// Labels grow to fit their caption in the font at hand: only their place and height are fixed.
void ExpectLabelAt(const TWinControl& label, int left, int top, int width) {
  const TBounds b = label.Bounds();
  EXPECT_EQ(b.Left, left);
  EXPECT_EQ(b.Top, top);
  EXPECT_GE(b.Width, width);
  EXPECT_EQ(b.Height, 12);
}

LRESULT LimitOf(const TWinControl& edit) { return SendMessageW(edit.Handle(), EM_GETLIMITTEXT, 0, 0); }

}  // namespace

TEST(AccountWindow, IsLaidOutAsDesignedAndStartsEmptyWithOkDisabled) {
  TMediaPlayer player;
  TSignIns signIns(Application());
  TAccountForm1 form(player, signIns, SystemShell());
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(form.Caption(), "メールアカウントの追加");
  EXPECT_EQ(form.ClientWidth(), 417);
  EXPECT_EQ(form.ClientHeight(), 484);
  const LONG style = GetWindowLongW(form.Handle(), GWL_STYLE);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

  ExpectBounds(form.PageControl1, 4, 4, 409, 438);
  EXPECT_EQ(form.PageControl1.PageCount(), 1);
  EXPECT_EQ(form.TabSheet1.TabCaption(), "プロパティ");
  ExpectLabelAt(form.Label1, 12, 8, 101);
  ExpectBounds(form.Bevel1, 120, 12, 269, 3);
  ExpectBounds(form.Edit1, 22, 24, 359, 20);
  ExpectBounds(form.CheckBox1, 32, 48, 245, 17);
  ExpectLabelAt(form.Label6, 12, 76, 100);
  ExpectBounds(form.Bevel2, 120, 80, 269, 3);
  ExpectLabelAt(form.Label10, 22, 96, 84);
  EXPECT_EQ(form.ComboBox2.Bounds().Left, 157);
  EXPECT_EQ(form.ComboBox2.Bounds().Top, 92);
  EXPECT_EQ(form.ComboBox2.Bounds().Width, 100);
  // How the account logs in, below the protocol: the sign-in button beside it, its progress under the
  // password.
  ExpectLabelAt(form.Label12, 22, 124, 90);
  EXPECT_EQ(form.ComboBox3.Bounds().Left, 157);
  EXPECT_EQ(form.ComboBox3.Bounds().Top, 120);
  EXPECT_EQ(form.ComboBox3.Bounds().Width, 124);
  ExpectBounds(form.Button5, 287, 119, 94, 22);
  EXPECT_FALSE(form.Button5.Visible()) << "a new account logs in with a password";
  ExpectBounds(form.Label13, 22, 229, 359, 24);
  ExpectLabelAt(form.Label2, 22, 152, 60);
  ExpectBounds(form.Edit2, 157, 148, 224, 20);
  ExpectLabelAt(form.Label3, 22, 180, 78);
  ExpectBounds(form.Edit3, 157, 176, 224, 20);
  ExpectLabelAt(form.Label4, 22, 208, 71);
  ExpectBounds(form.Edit4, 157, 204, 224, 20);
  ExpectLabelAt(form.Label8, 22, 260, 90);
  EXPECT_EQ(form.ComboBox1.Bounds().Left, 157);
  EXPECT_EQ(form.ComboBox1.Bounds().Top, 256);
  EXPECT_EQ(form.ComboBox1.Bounds().Width, 100);
  ExpectLabelAt(form.Label9, 266, 260, 56);
  ExpectBounds(form.Edit5, 329, 256, 52, 20);
  // Between the port's row and the action group, under the drop-downs and the port.
  ExpectLabelAt(form.Label11, 157, 279, 168);
  EXPECT_LE(form.Label11.Bounds().Left + form.Label11.Bounds().Width, 381) << "it ends where the port ends";
  EXPECT_FALSE(form.Label11.Visible()) << "the proposed port is one";
  ExpectLabelAt(form.Label7, 12, 292, 129);
  ExpectBounds(form.Bevel3, 148, 296, 237, 3);
  ExpectBounds(form.RadioButton1, 22, 312, 160, 17);
  ExpectBounds(form.RadioButton2, 22, 336, 160, 17);
  ExpectLabelAt(form.Label5, 32, 360, 99);
  ExpectBounds(form.FileOpenEdit1, 157, 356, 224, 21);
  ExpectBounds(form.RadioButton3, 22, 384, 160, 17);
  ExpectBounds(form.OKBtn, 92, 452, 110, 21);
  ExpectBounds(form.CancelBtn, 216, 452, 110, 21);

  EXPECT_EQ(form.Label1.Caption(), "メールアカウント(&C):");
  EXPECT_EQ(form.CheckBox1.Caption(),
            "メールチェック時にこのアカウントを含める(&I)");
  EXPECT_EQ(form.Label6.Caption(), "POP3サーバー設定");
  EXPECT_EQ(form.Label2.Caption(), "ホスト名(&H):");
  EXPECT_EQ(form.Label3.Caption(), "ユーザー名(&U):");
  EXPECT_EQ(form.Label4.Caption(), "パスワード(&P):");
  EXPECT_EQ(form.Label7.Caption(), "新着メール確認時の動作");
  EXPECT_EQ(form.RadioButton1.Caption(), "メッセージを出す(&M)");
  EXPECT_EQ(form.RadioButton2.Caption(), "音を鳴らす(&L)");
  EXPECT_EQ(form.Label5.Caption(), "サウンドファイル(&S):");
  EXPECT_EQ(form.RadioButton3.Caption(),
            "CDトレイをオープンする(&C)");
  EXPECT_EQ(form.OKBtn.Caption(), "OK");
  EXPECT_EQ(form.CancelBtn.Caption(), "キャンセル");
  EXPECT_EQ(form.FileOpenEdit1.Filter,
            "サウンドファイル (すべての種類)|*.mid;*.rmi;*.midi;*.asf;*.wm;*.wma;*.wmv;*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff;*.mp3");

  for (const TEdit* edit : {&form.Edit1, &form.Edit2, &form.Edit3, &form.Edit4}) {
    EXPECT_EQ(edit->Text(), "");
    EXPECT_EQ(GetWindowLongW(edit->Handle(), GWL_STYLE) & ES_PASSWORD, 0) << "the password shows as typed";
    EXPECT_EQ(LimitOf(*edit), 256);
  }
  EXPECT_EQ(LimitOf(form.FileOpenEdit1), 260);
  EXPECT_TRUE(form.CheckBox1.Checked());
  EXPECT_TRUE(form.RadioButton1.Checked());
  EXPECT_FALSE(form.RadioButton2.Checked());
  EXPECT_FALSE(form.RadioButton3.Checked());
  EXPECT_FALSE(form.Label5.Enabled());
  EXPECT_FALSE(form.FileOpenEdit1.Enabled());
  EXPECT_EQ(form.FileOpenEdit1.Filename(), "");
  EXPECT_FALSE(form.OKBtn.Enabled());
  EXPECT_EQ(form.DefaultButton, &form.OKBtn);
  EXPECT_EQ(form.CancelButton, &form.CancelBtn);
  EXPECT_EQ(form.OKBtn.ModalResult, 1);
  EXPECT_EQ(form.CancelBtn.ModalResult, 2);
  EXPECT_EQ(form.Label1.FocusControl, &form.Edit1);
  EXPECT_EQ(form.Label2.FocusControl, &form.Edit2);
  EXPECT_EQ(form.Label3.FocusControl, &form.Edit3);
  EXPECT_EQ(form.Label4.FocusControl, &form.Edit4);
  EXPECT_EQ(form.Label5.FocusControl, &form.FileOpenEdit1);
  EXPECT_EQ(form.Label8.Caption(), "接続の保護(&E):");
  EXPECT_EQ(form.Label9.Caption(), "ポート(&O):");
  EXPECT_EQ(form.Label8.FocusControl, &form.ComboBox1);
  EXPECT_EQ(form.Label9.FocusControl, &form.Edit5);
  EXPECT_EQ(form.Label10.Caption(), "プロトコル(&R):");
  EXPECT_EQ(form.Label10.FocusControl, &form.ComboBox2);
  EXPECT_EQ(form.Protocol(), TProtocol::Pop3);
  EXPECT_EQ(form.Security(), TSecurity::Tls) << "a new account is proposed with TLS";
  EXPECT_EQ(form.Edit5.Text(), "995");
  EXPECT_EQ(LimitOf(form.Edit5), 5);
  EXPECT_TRUE(GetWindowLongW(form.Edit5.Handle(), GWL_STYLE) & ES_NUMBER) << "only digits can be typed";
  EXPECT_EQ(form.Label11.Caption(), "ポートは 1～65535 の数字です");

  // With the sound action chosen and the four fields filled, Tab reaches the controls in design
  // order (of the radio buttons, the checked one, as in any dialog): the page's controls, the tab
  // row, then the two buttons.
  form.Show();
  form.RadioButton2.SetChecked(true);
  for (TEdit* edit : {&form.Edit1, &form.Edit2, &form.Edit3, &form.Edit4}) edit->SetText("x");
  const std::vector<HWND> expected = {
      form.Edit1.Handle(),        form.CheckBox1.Handle(),     form.ComboBox2.Handle(),     form.ComboBox3.Handle(),
      form.Edit2.Handle(),
      form.Edit3.Handle(),        form.Edit4.Handle(),         form.ComboBox1.Handle(),
      form.Edit5.Handle(),        form.RadioButton2.Handle(),
      form.FileOpenEdit1.Handle(), form.PageControl1.TabsHandle(), form.OKBtn.Handle(),
      form.CancelBtn.Handle()};
  EXPECT_EQ(TabCycle(form), expected);
  form.Hide();
}

// A provider proposes its server for the protocol shown, over TLS on the default port; the account
// then needs no password and keeps none; going back to a password brings the typed one back.
TEST(AccountWindow, AProviderProposesItsServerAndTheAccountKeepsItsNameInsteadOfAPassword) {
  TMediaPlayer player;
  TSignIns signIns(Application());
  signIns.SetProviders(Providers({}));
  TAccountForm1 form(player, signIns, SystemShell());
  form.Fill(accounts::NewAccountFields());
  EXPECT_EQ(form.ComboBox3.ItemIndex(), 0);
  EXPECT_EQ(form.Label12.Caption(), "ログイン方法(&A):");
  EXPECT_EQ(form.Label12.FocusControl, &form.ComboBox3);
  for (TEdit* edit : {&form.Edit1, &form.Edit3, &form.Edit4}) edit->SetText("x");
  form.ComboBox1.SetItemIndex(static_cast<int>(TSecurity::None));

  form.ComboBox2.SetItemIndex(static_cast<int>(TProtocol::Pop3));
  form.ComboBox3.SetItemIndex(2);  // Google
  EXPECT_EQ(form.Edit2.Text(), "pop.gmail.com");
  EXPECT_EQ(form.Security(), TSecurity::Tls);
  EXPECT_EQ(form.Edit5.Text(), "995");
  EXPECT_FALSE(form.Edit4.Enabled());
  EXPECT_TRUE(form.Button5.Visible());
  EXPECT_EQ(form.Button5.Caption(), "サインイン(&G)...");
  form.ComboBox2.SetItemIndex(static_cast<int>(TProtocol::Imap));
  EXPECT_EQ(form.Edit2.Text(), "imap.gmail.com") << "the server follows the protocol";
  EXPECT_EQ(form.Edit5.Text(), "993");
  form.Edit4.SetText("");
  EXPECT_TRUE(form.OKBtn.Enabled()) << "no password is asked";
  form.Edit4.SetText("typed");
  accounts::TAccountFields read = form.Read();
  EXPECT_EQ(read.SignIn, "Google");
  EXPECT_EQ(read.Password, "");

  form.ComboBox3.SetItemIndex(0);
  EXPECT_TRUE(form.Edit4.Enabled());
  EXPECT_FALSE(form.Button5.Visible());
  read = form.Read();
  EXPECT_EQ(read.SignIn, "");
  EXPECT_EQ(read.Password, "typed");

  // A stored account shows its own server and port, not the provider's proposal; a provider the
  // program no longer knows is kept as it was.
  read.SignIn = "microsoft";
  read.Host = "outlook.example.jp";
  read.Port = "10993";
  form.Fill(read);
  EXPECT_EQ(form.ComboBox3.ItemIndex(), 1);
  EXPECT_EQ(form.Edit2.Text(), "outlook.example.jp");
  EXPECT_EQ(form.Edit5.Text(), "10993");
  EXPECT_EQ(form.Read().SignIn, "Microsoft");
  read.SignIn = "Gone";
  form.Fill(read);
  EXPECT_EQ(form.ComboBox3.ItemIndex(), -1);
  EXPECT_FALSE(form.Edit4.Enabled());
  EXPECT_EQ(form.Read().SignIn, "Gone");
  EXPECT_EQ(form.Read().Password, "");
}

TEST(AccountWindow, ASoundFileThePlayerCannotOpenRaisesItsErrorToWhoeverSetsIt) {
  TMediaPlayer player;
  TSignIns signIns(Application());
  TAccountForm1 form(player, signIns, SystemShell());
  const std::string missing = "C:\\nowhere\\gone.wav";
  EXPECT_THROW(form.FileOpenEdit1.SetFilename(missing), EMCIDeviceError);
  EXPECT_EQ(form.FileOpenEdit1.Filename(), missing);
  EXPECT_NO_THROW(form.FileOpenEdit1.SetFilename(missing)) << "the same name is no change";
  EXPECT_NO_THROW(form.FileOpenEdit1.SetFilename("")) << "an empty name plays nothing";
  EXPECT_FALSE(player.Opened());
}

TEST(AccountWindow, ThePortFollowsTheSecurityUntilOneOfItsOwnIsTypedAndOkNeedsAPortFrom1To65535) {
  TMediaPlayer player;
  TSignIns signIns(Application());
  TAccountForm1 form(player, signIns, SystemShell());
  for (TEdit* edit : {&form.Edit1, &form.Edit2, &form.Edit3, &form.Edit4}) edit->SetText("x");
  EXPECT_TRUE(form.OKBtn.Enabled());
  form.ComboBox1.SetItemIndex(static_cast<int>(TSecurity::Tls));
  EXPECT_EQ(form.Security(), TSecurity::Tls);
  EXPECT_EQ(form.Edit5.Text(), "995");
  form.ComboBox1.SetItemIndex(static_cast<int>(TSecurity::StartTls));
  EXPECT_EQ(form.Edit5.Text(), "110");
  form.Edit5.SetText("1110");
  form.ComboBox1.SetItemIndex(static_cast<int>(TSecurity::Tls));
  EXPECT_EQ(form.Edit5.Text(), "1110") << "a port of one's own stays";
  for (const char* port : {"0", "65536", "x", "9 5"}) {
    form.Edit5.SetText(port);
    EXPECT_FALSE(form.OKBtn.Enabled()) << port;
    EXPECT_TRUE(form.Label11.Visible()) << "the dialog says why OK is disabled: " << port;
  }
  form.Edit5.SetText("65535");
  EXPECT_TRUE(form.OKBtn.Enabled());
  EXPECT_FALSE(form.Label11.Visible());
  // An empty field is the default port of the connection picked.
  form.Edit5.SetText("");
  EXPECT_TRUE(form.OKBtn.Enabled());
  EXPECT_FALSE(form.Label11.Visible());
  EXPECT_EQ(form.Read().Port, "");
}

// What the input method gives, or a paste with blanks, shows and counts as the digits.
TEST(AccountWindow, APortInFullWidthDigitsOrWithBlanksIsShownAndTakenAsItsDigits) {
  TMediaPlayer player;
  TSignIns signIns(Application());
  TAccountForm1 form(player, signIns, SystemShell());
  for (TEdit* edit : {&form.Edit1, &form.Edit2, &form.Edit3, &form.Edit4}) edit->SetText("x");
  form.Edit5.SetText("0");
  ASSERT_FALSE(form.OKBtn.Enabled());
  form.Edit5.SetText("９９５");
  EXPECT_EQ(form.Edit5.Text(), "995");
  EXPECT_TRUE(form.OKBtn.Enabled());
  EXPECT_FALSE(form.Label11.Visible());
  DWORD start = 0, end = 0;
  SendMessageW(form.Edit5.Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 3u) << "typing goes on after the digits";
  EXPECT_EQ(end, 3u);
  form.Edit5.SetText(" 1143　");
  EXPECT_EQ(form.Edit5.Text(), "1143");
  EXPECT_EQ(form.Read().Port, "1143");
}

// A stored sound file that has gone is shown as stored without its error; the error is for a change.
TEST(AccountWindow, AStoredSoundFileThatHasGoneIsShownWithoutItsError) {
  TMediaPlayer player;
  TSignIns signIns(Application());
  TAccountForm1 form(player, signIns, SystemShell());
  accounts::TAccountFields account = accounts::NewAccountFields();
  account.Action = accounts::TAction::Sound;
  account.SoundFile = "C:\\nowhere\\gone.wav";
  EXPECT_NO_THROW(form.Fill(account));
  EXPECT_EQ(form.FileOpenEdit1.Filename(), account.SoundFile);
  EXPECT_EQ(form.Read().SoundFile, account.SoundFile);
  EXPECT_THROW(form.FileOpenEdit1.SetFilename("C:\\nowhere\\other.wav"), EMCIDeviceError);
  EXPECT_FALSE(player.Opened());
}

TEST(AccountWindow, TheProtocolNamesTheGroupAndItsDefaultPortFollowsUntilOneOfItsOwnIsTyped) {
  TMediaPlayer player;
  TSignIns signIns(Application());
  TAccountForm1 form(player, signIns, SystemShell());
  form.ComboBox2.SetItemIndex(static_cast<int>(TProtocol::Imap));
  EXPECT_EQ(form.Label6.Caption(), "IMAPサーバー設定");
  EXPECT_EQ(form.Edit5.Text(), "993");
  form.ComboBox1.SetItemIndex(static_cast<int>(TSecurity::StartTls));
  EXPECT_EQ(form.Edit5.Text(), "143");
  form.ComboBox2.SetItemIndex(static_cast<int>(TProtocol::Pop3));
  EXPECT_EQ(form.Label6.Caption(), "POP3サーバー設定");
  EXPECT_EQ(form.Edit5.Text(), "110");
  form.Edit5.SetText("1110");
  form.ComboBox2.SetItemIndex(static_cast<int>(TProtocol::Imap));
  EXPECT_EQ(form.Edit5.Text(), "1110") << "a port of one's own stays";
  accounts::TAccountFields imap = accounts::NewAccountFields();
  imap.Protocol = TProtocol::Imap;
  imap.Port = "993";
  form.Fill(imap);
  EXPECT_EQ(form.Label6.Caption(), "IMAPサーバー設定");
  EXPECT_EQ(form.Read().Protocol, TProtocol::Imap);
  imap.Protocol.reset();
  form.Fill(imap);
  EXPECT_EQ(form.Protocol(), std::nullopt) << "a protocol the dialog cannot name shows none";
}
