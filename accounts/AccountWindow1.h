#pragma once
// The account dialog: one account's name, include flag, protocol, how it logs in (a password or a
// sign-in at a provider, done from here), server, user, password, connection security and port, and
// action.
// Created once at start-up, hidden between the account commands that show it modally; its controls
// keep what the last use left. It neither reads nor writes the account table: the commands fill it
// with an account's fields and read them back.
#include <optional>
#include <string_view>

#include "accounts/portable/AccountFields.h"
#include "desktop/FileOpenEdit.h"
#include "desktop/MediaPlayer.h"
#include "signin/SignInFlow.h"
#include "transport/portable/TlsRules.h"
#include "toolkit/Buttons.h"
#include "toolkit/ComboBox.h"
#include "toolkit/Edits.h"
#include "toolkit/Form.h"
#include "toolkit/Labels.h"
#include "toolkit/PageControl.h"

class TAccountForm1 : public TForm {
public:
  // The caption of a new dialog and of the add command.
  static constexpr std::string_view AddCaption = "メールアカウントの追加";

  // The sound preview plays through the main window's player; sign-ins open the browser through
  // `shell` and hand their tokens to `signIns`, which list the providers. All three outlive the dialog.
  TAccountForm1(TMediaPlayer& mediaPlayer1, TSignIns& signIns, TShell& shell);

  // Declared in tab order: the controls are created, and so reached with Tab, in this order.
  TPageControl PageControl1;
  TTabSheet TabSheet1;
  TLabel Label1;
  TBevel Bevel1;
  TEdit Edit1;
  TCheckBox CheckBox1;
  TLabel Label6;
  TBevel Bevel2;
  TLabel Label10;
  TComboBox ComboBox2;  // POP3, IMAP: the order of TProtocol; none shown for an unknown one
  TLabel Label12;
  TComboBox ComboBox3;  // パスワード, then the providers in their order; none shown for an unknown one
  TButton Button5;      // the sign-in, shown for a provider; cancels it while it waits
  TLabel Label2;
  TEdit Edit2;
  TLabel Label3;
  TEdit Edit3;
  TLabel Label4;
  TEdit Edit4;
  TLabel Label13;  // how the sign-in goes
  TLabel Label8;
  TComboBox ComboBox1;  // なし, SSL/TLS, STARTTLS: the order of TSecurity; none shown for an unknown one
  TLabel Label9;
  TEdit Edit5;
  TLabel Label11;  // why OK is disabled, shown while the port is not one
  TLabel Label7;
  TBevel Bevel3;
  TRadioButton RadioButton1;
  TRadioButton RadioButton2;
  TLabel Label5;
  TFileOpenEdit FileOpenEdit1;
  TRadioButton RadioButton3;
  TButton OKBtn;
  TButton CancelBtn;
  TSignInFlow SignInFlow1;

  void Edit1Change(TObject* sender);
  void Edit5Change(TObject* sender);
  void RadioButton1Click(TObject* sender);
  void FileOpenEdit1Change(TObject* sender);
  void ComboBox1Change(TObject* sender);
  void ComboBox3Change(TObject* sender);
  void Button5Click(TObject* sender);
  void SignInFlow1Change(TSignInFlow* sender);

  // The protocol and the security picked; nothing while a drop-down shows none.
  std::optional<TProtocol> Protocol() const;
  std::optional<TSecurity> Security() const;
  // The provider picked; nothing for a password, or while the drop-down shows none.
  const TProvider* SignInProvider() const;

  // Shows an account in the controls, in the order of the dialog; a field without a value leaves
  // its control as it is.
  void Fill(const accounts::TAccountFields& account);
  // The account as the controls show it.
  accounts::TAccountFields Read() const;
  // The dialog is gone: a sign-in under way ends.
  void CancelSignIn() { SignInFlow1.Cancel(); }

private:
  TMediaPlayer& MediaPlayer1;
  TSignIns& SignIns;
  // Proposes the provider's server for the protocol shown, over TLS on its default port.
  void ProposeServer(const TProvider& provider);
  // The password or the sign-in button, as the way of logging in asks.
  void ShowLoginMethod();
  // The port field follows the default port of the protocol and security picked, until the user
  // types one of their own.
  void FollowDefaultPort();

  // The protocol and security whose default port the port field may be showing.
  std::optional<TProtocol> ShownProtocol = TProtocol::Pop3;
  std::optional<TSecurity> ShownSecurity = TSecurity::Tls;
  // A provider Fill found that the drop-down cannot name: kept unless the user picks a way.
  std::string UnknownSignIn;
};
