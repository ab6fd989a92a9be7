#include "accounts/AccountWindow1.h"

#include <string>
#include <vector>

#include "accounts/portable/AccountConnection.h"
#include "accounts/portable/AccountTexts.h"
#include "signin/SignIns.h"
#include "toolkit/portable/Exception.h"

namespace {

// A line of account.dat is read only up to its first 4,096 bytes. With these limits on what can be
// typed, even a line of double-byte or doubled-quote characters in every field stays far below that.
constexpr int kMaxFieldLength = 256;
constexpr int kMaxSoundPathLength = 260;
constexpr int kMaxPortLength = 5;

// The server group's caption; an unknown protocol is shown as POP3, what older versions check it with.
std::string GroupCaption(std::optional<TProtocol> protocol) {
  return protocol == TProtocol::Imap ? "IMAPサーバー設定" : "POP3サーバー設定";
}

std::vector<std::string> Items(const auto& names) { return std::vector<std::string>(names.begin(), names.end()); }

constexpr char kPasswordItem[] = "パスワード";
constexpr char kSignInCaption[] = "サインイン(&G)...";
constexpr char kCancelSignInCaption[] = "中止(&G)";

// A password, then each provider. Built first from the built-in providers, whose count and one more
// (the [OAUTH] section adds at most one) make the height the list drops to.
std::vector<std::string> LoginItems(const std::vector<TProvider>& providers) {
  std::vector<std::string> items{kPasswordItem};
  for (const TProvider& provider : providers) items.push_back(provider.Name + " (OAuth 2.0)");
  return items;
}

}  // namespace

TAccountForm1::TAccountForm1(TMediaPlayer& mediaPlayer1, TSignIns& signIns, TShell& shell)
    : TForm(std::string(AddCaption), 417, 484),
      PageControl1(*this, {4, 4, 409, 438}),
      TabSheet1(PageControl1, "プロパティ"),
      Label1(TabSheet1, {12, 8, 101, 12}, "メールアカウント(&C):"),
      Bevel1(TabSheet1, {120, 12, 269, 3}),
      Edit1(TabSheet1, {22, 24, 359, 20}),
      CheckBox1(TabSheet1, {32, 48, 245, 17}, "メールチェック時にこのアカウントを含める(&I)", true),
      Label6(TabSheet1, {12, 76, 100, 12}, "POP3サーバー設定"),
      Bevel2(TabSheet1, {120, 80, 269, 3}),
      Label10(TabSheet1, {22, 96, 84, 12}, "プロトコル(&R):"),
      ComboBox2(TabSheet1, {157, 92, 100, 20}, Items(accounts::kProtocolNames)),
      Label12(TabSheet1, {22, 124, 90, 12}, "ログイン方法(&A):"),
      ComboBox3(TabSheet1, {157, 120, 124, 20}, LoginItems(Providers({}))),
      Button5(TabSheet1, {287, 119, 94, 22}, kSignInCaption, false),
      Label2(TabSheet1, {22, 152, 60, 12}, "ホスト名(&H):"),
      Edit2(TabSheet1, {157, 148, 224, 20}),
      Label3(TabSheet1, {22, 180, 78, 12}, "ユーザー名(&U):"),
      Edit3(TabSheet1, {157, 176, 224, 20}),
      Label4(TabSheet1, {22, 208, 71, 12}, "パスワード(&P):"),
      Edit4(TabSheet1, {157, 204, 224, 20}),
      Label13(TabSheet1, {22, 229, 359, 24}, "", false),
      Label8(TabSheet1, {22, 260, 90, 12}, "接続の保護(&E):"),
      ComboBox1(TabSheet1, {157, 256, 100, 20}, Items(accounts::kSecurityNames)),
      Label9(TabSheet1, {266, 260, 56, 12}, "ポート(&O):"),
      Edit5(TabSheet1, {329, 256, 52, 20}),
      Label11(TabSheet1, {157, 279, 168, 12}, "ポートは 1～65535 の数字です", false),
      Label7(TabSheet1, {12, 292, 129, 12}, "新着メール確認時の動作"),
      Bevel3(TabSheet1, {148, 296, 237, 3}),
      RadioButton1(TabSheet1, {22, 312, 160, 17}, "メッセージを出す(&M)", true),
      RadioButton2(TabSheet1, {22, 336, 160, 17}, "音を鳴らす(&L)"),
      Label5(TabSheet1, {32, 360, 99, 12}, "サウンドファイル(&S):"),
      FileOpenEdit1(TabSheet1, {157, 356, 224, 21}),
      RadioButton3(TabSheet1, {22, 384, 160, 17}, "CDトレイをオープンする(&C)"),
      OKBtn(*this, {92, 452, 110, 21}, "OK"),
      CancelBtn(*this, {216, 452, 110, 21}, "キャンセル"),
      SignInFlow1(signIns, shell),
      MediaPlayer1(mediaPlayer1),
      SignIns(signIns) {
  Label1.FocusControl = &Edit1;
  Label2.FocusControl = &Edit2;
  Label3.FocusControl = &Edit3;
  Label4.FocusControl = &Edit4;
  Label5.FocusControl = &FileOpenEdit1;
  Label8.FocusControl = &ComboBox1;
  Label9.FocusControl = &Edit5;
  Label10.FocusControl = &ComboBox2;
  Label12.FocusControl = &ComboBox3;
  for (TEdit* edit : {&Edit1, &Edit2, &Edit3, &Edit4}) {
    edit->SetMaxLength(kMaxFieldLength);
    edit->OnChange = [this](TObject* sender) { Edit1Change(sender); };
  }
  // A new account is proposed as POP3 with TLS from the first byte.
  ComboBox2.SetItemIndex(static_cast<int>(TProtocol::Pop3));
  ComboBox2.OnChange = [this](TObject* sender) { ComboBox1Change(sender); };
  ComboBox1.SetItemIndex(static_cast<int>(TSecurity::Tls));
  ComboBox1.OnChange = [this](TObject* sender) { ComboBox1Change(sender); };
  ComboBox3.SetItemIndex(0);
  ComboBox3.OnChange = [this](TObject* sender) { ComboBox3Change(sender); };
  Button5.OnClick = [this](TObject* sender) { Button5Click(sender); };
  SignInFlow1.OnChange = [this](TSignInFlow* sender) { SignInFlow1Change(sender); };
  Edit5.SetText(std::to_string(DefaultPort(TProtocol::Pop3, TSecurity::Tls)));
  Edit5.SetMaxLength(kMaxPortLength);
  Edit5.SetNumberStyle();
  Edit5.OnChange = [this](TObject* sender) { Edit5Change(sender); };
  for (TRadioButton* radio : {&RadioButton1, &RadioButton2, &RadioButton3}) {
    radio->OnClick = [this](TObject* sender) { RadioButton1Click(sender); };
  }
  Label5.SetEnabled(false);
  FileOpenEdit1.SetEnabled(false);
  FileOpenEdit1.SetMaxLength(kMaxSoundPathLength);
  FileOpenEdit1.Filter =
      "サウンドファイル (すべての種類)|*.mid;*.rmi;*.midi;*.asf;*.wm;*.wma;*.wmv;*.wav;*.snd;*.au;*.aif;*.aifc;*.aiff;*.mp3";
  FileOpenEdit1.OnChange = [this](TObject* sender) { FileOpenEdit1Change(sender); };
  OKBtn.ModalResult = mrOk;
  OKBtn.SetDefault(true);
  OKBtn.SetEnabled(false);
  CancelBtn.ModalResult = mrCancel;
  CancelBtn.SetCancel(true);
}

// A single space counts as filled: only the empty text keeps OK disabled; an account that signs in
// needs no password. The port must be 1 to 65535,
// or empty: the default port, or with a protocol or security the dialog cannot name the stored empty
// cell. A port that is neither says why OK stays disabled.
void TAccountForm1::Edit1Change(TObject*) {
  const bool portValid = Edit5.Text().empty() || accounts::PortNumber(Edit5.Text()) != 0;
  Label11.SetVisible(!portValid);
  const bool signsIn = ComboBox3.ItemIndex() != 0;
  OKBtn.SetEnabled(!Edit1.Text().empty() && !Edit2.Text().empty() && !Edit3.Text().empty() &&
                   (signsIn || !Edit4.Text().empty()) && portValid);
}

// The input method gives full-width digits, and a paste may bring blanks: the field shows the port as
// digits, with the caret after them.
void TAccountForm1::Edit5Change(TObject* sender) {
  const std::string digits = accounts::PortDigits(Edit5.Text());
  if (digits != Edit5.Text()) {
    // Runs this handler again, with the digits.
    Edit5.SetText(digits);
    Edit5.SetCaretToEnd();
    return;
  }
  Edit1Change(sender);
}

std::optional<TProtocol> TAccountForm1::Protocol() const {
  if (ComboBox2.ItemIndex() < 0) return std::nullopt;
  return static_cast<TProtocol>(ComboBox2.ItemIndex());
}

std::optional<TSecurity> TAccountForm1::Security() const {
  if (ComboBox1.ItemIndex() < 0) return std::nullopt;
  return static_cast<TSecurity>(ComboBox1.ItemIndex());
}

// The way of logging in is shown first: its proposals are then replaced by the account's own values.
void TAccountForm1::Fill(const accounts::TAccountFields& account) {
  SignInFlow1.Cancel();
  Label13.SetCaption("");
  ComboBox3.SetItems(LoginItems(SignIns.Providers()));
  const TProvider* provider = FindProvider(SignIns.Providers(), account.SignIn);
  UnknownSignIn = provider || account.SignIn.empty() ? std::string() : account.SignIn;
  ComboBox3.SetItemIndex(account.SignIn.empty() ? 0
                         : provider            ? static_cast<int>(provider - SignIns.Providers().data()) + 1
                                               : -1);
  ShowLoginMethod();
  Edit1.SetText(account.Name);
  if (account.Include) CheckBox1.SetChecked(*account.Include);
  Edit2.SetText(account.Host);
  Edit3.SetText(account.User);
  Edit4.SetText(account.Password);
  if (account.Action == accounts::TAction::Message) RadioButton1.SetChecked(true);
  if (account.Action == accounts::TAction::Sound) RadioButton2.SetChecked(true);
  if (account.Action == accounts::TAction::CdTray) RadioButton3.SetChecked(true);
  RadioButton1Click(&RadioButton1);
  ComboBox2.SetItemIndex(account.Protocol ? static_cast<int>(*account.Protocol) : -1);
  ComboBox1.SetItemIndex(account.Security ? static_cast<int>(*account.Security) : -1);
  Edit5.SetText(account.Port);
  ShownProtocol = account.Protocol;
  ShownSecurity = account.Security;
  Label6.SetCaption(GroupCaption(account.Protocol));
  // The stored name is previewed as before, but a sound file that has gone must not keep the account
  // from being repaired: its error is for the user's own change of the name.
  try {
    FileOpenEdit1.SetFilename(account.SoundFile);
  } catch (const EMCIDeviceError&) {
    // The field holds the name as stored; nothing was opened.
  }
}

accounts::TAccountFields TAccountForm1::Read() const {
  accounts::TAccountFields account;
  account.Name = Edit1.Text();
  account.Include = CheckBox1.Checked();
  account.Host = Edit2.Text();
  account.User = Edit3.Text();
  const TProvider* provider = SignInProvider();
  account.SignIn = provider ? provider->Name : ComboBox3.ItemIndex() < 0 ? UnknownSignIn : std::string();
  // What an older version reads as the password of an account that signs in: none.
  account.Password = account.SignIn.empty() ? Edit4.Text() : std::string();
  account.Action = RadioButton1.Checked()   ? accounts::TAction::Message
                   : RadioButton2.Checked() ? accounts::TAction::Sound
                                            : accounts::TAction::CdTray;
  account.Protocol = Protocol();
  account.Security = Security();
  account.Port = Edit5.Text();
  account.SoundFile = FileOpenEdit1.Filename();
  return account;
}

// Either drop-down: the caption names the protocol, and the port follows the default.
void TAccountForm1::ComboBox1Change(TObject* sender) {
  // The provider's server for the other protocol replaces the one it proposed for this.
  if (const TProvider* provider = SignInProvider(); provider && sender == &ComboBox2 &&
                                                    (Edit2.Text() == provider->ImapHost || Edit2.Text() == provider->Pop3Host)) {
    const std::string& host = Protocol() == TProtocol::Imap ? provider->ImapHost : provider->Pop3Host;
    if (!host.empty()) Edit2.SetText(host);
  }
  Label6.SetCaption(GroupCaption(Protocol()));
  FollowDefaultPort();
  Edit1Change(this);
}

void TAccountForm1::FollowDefaultPort() {
  const std::optional<TProtocol> protocol = Protocol();
  const std::optional<TSecurity> security = Security();
  const bool defaultShown = Edit5.Text().empty() ||
                            (ShownProtocol && ShownSecurity &&
                             accounts::PortNumber(Edit5.Text()) == DefaultPort(*ShownProtocol, *ShownSecurity));
  if (protocol && security && defaultShown) Edit5.SetText(std::to_string(DefaultPort(*protocol, *security)));
  ShownProtocol = protocol;
  ShownSecurity = security;
}

// The field keeps its text while disabled, so that a file chosen once is not lost.
void TAccountForm1::RadioButton1Click(TObject*) {
  Label5.SetEnabled(RadioButton2.Checked());
  FileOpenEdit1.SetEnabled(RadioButton2.Checked());
}

// A name the player cannot open raises its error: typed or browsed, it is shown while the dialog stays.
void TAccountForm1::FileOpenEdit1Change(TObject*) {
  if (FileOpenEdit1.Filename().empty()) return;
  MediaPlayer1.FileName = FileOpenEdit1.Filename();
  MediaPlayer1.Open();
  MediaPlayer1.Play();
}

const TProvider* TAccountForm1::SignInProvider() const {
  const int index = ComboBox3.ItemIndex();
  const std::vector<TProvider>& providers = SignIns.Providers();
  if (index < 1 || static_cast<size_t>(index) > providers.size()) return nullptr;
  return &providers[static_cast<size_t>(index) - 1];
}

void TAccountForm1::ComboBox3Change(TObject*) {
  SignInFlow1.Cancel();
  Label13.SetCaption("");
  if (const TProvider* provider = SignInProvider()) ProposeServer(*provider);
  ShowLoginMethod();
  Edit1Change(this);
}

void TAccountForm1::ProposeServer(const TProvider& provider) {
  const TProtocol protocol = Protocol().value_or(TProtocol::Pop3);
  const std::string& host = protocol == TProtocol::Imap ? provider.ImapHost : provider.Pop3Host;
  if (!host.empty()) Edit2.SetText(host);
  ComboBox1.SetItemIndex(static_cast<int>(TSecurity::Tls));
  Edit5.SetText(std::to_string(DefaultPort(protocol, TSecurity::Tls)));
}

// The password keeps its text while disabled, so that going back to it loses nothing.
void TAccountForm1::ShowLoginMethod() {
  const bool signsIn = ComboBox3.ItemIndex() != 0;
  Label4.SetEnabled(!signsIn);
  Edit4.SetEnabled(!signsIn);
  Button5.SetVisible(SignInProvider() != nullptr);
  Label13.SetVisible(SignInProvider() != nullptr);
}

// The sign-in is for the protocol and user shown now; a failure to start is told where its progress
// would be.
void TAccountForm1::Button5Click(TObject*) {
  if (SignInFlow1.Waiting()) return SignInFlow1.Cancel();
  const TProvider* provider = SignInProvider();
  if (!provider) return;
  try {
    SignInFlow1.Start(Handle(), provider->Name, Protocol().value_or(TProtocol::Pop3), Edit3.Text());
  } catch (const Exception& e) {
    Label13.SetCaption(e.message());
  }
}

void TAccountForm1::SignInFlow1Change(TSignInFlow*) {
  Label13.SetCaption(SignInFlow1.Text());
  Button5.SetCaption(SignInFlow1.Waiting() ? kCancelSignInCaption : kSignInCaption);
}
