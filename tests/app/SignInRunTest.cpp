// Accounts that sign in, set up in a running Pelmora.exe as a user does (the account dialog, the
// sign-in button, the tests' browser following the test provider's redirect), then checked by the
// private Dovecot over XOAUTH2.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "checking/portable/CheckRules.h"
#include "signin/SecretStore.h"
#include "signin/portable/TokenFile.h"
#include "tests/support/DovecotLog.h"
#include "tests/support/OauthBench.h"
#include "tests/support/PelmoraUser.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestCa.h"
#include "tests/support/UiProbe.h"
#include "toolkit/Text.h"

namespace {

using namespace testsupport;

constexpr DWORD kWaitMs = 10000;
// The tests' browser and the token exchange take a few seconds under Wine.
constexpr DWORD kSignInMs = 30000;

bool Within(DWORD timeoutMs, const auto& done) {
  for (const DWORD start = GetTickCount(); !done(); Sleep(20)) {
    if (GetTickCount() - start > timeoutMs) return false;
  }
  return true;
}

std::wstring Shown(HWND control) { return uiprobe::WindowText(control).utf16; }

// Picks the last item of a drop-down as a click in its list does: the selection, then its notice.
void PickLast(HWND combo) {
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(count - 1), 0);
  uiprobe::Post(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                reinterpret_cast<LPARAM>(combo));
}

// Adds an account through the dialog, signing in as `user` at the test provider for `protocol`
// (the protocol drop-down's last item is IMAP, the way's last item the [OAUTH] section's provider).
// With `forgedFirst`, the browser's first redirect carries another state, which must be refused
// before a second sign-in succeeds.
void AddSignedInAccount(const ProgramRun& run, HWND settings, const std::wstring& name, const std::wstring& user,
                        bool imap, bool forgedFirst = false) {
  ASSERT_TRUE(uiprobe::PressButton(settings, std::wstring_view(L"追加(&A)...")));
  const HWND dialog = uiprobe::WaitForTopLevel(run.ProcessId(), L"PelmoraForm", L"メールアカウントの追加", kWaitMs);
  ASSERT_TRUE(dialog);
  std::vector<HWND> edits, combos;
  for (const uiprobe::Control& c : uiprobe::Controls(dialog)) {
    if (c.className == L"Edit") edits.push_back(c.hwnd);
    if (c.className == L"ComboBox") combos.push_back(c.hwnd);
  }
  ASSERT_EQ(edits.size(), 6u);
  ASSERT_EQ(combos.size(), 3u);
  uiprobe::TypeText(edits[0], name);
  if (imap) {
    PickLast(combos[0]);
    ASSERT_TRUE(Within(kWaitMs, [&] { return Shown(combos[0]) == L"IMAP"; }));
  }
  PickLast(combos[1]);
  ASSERT_TRUE(Within(kWaitMs, [&] { return Shown(combos[1]) == L"Test (OAuth 2.0)"; }));
  // The provider's server for the protocol, over TLS on its port; no password asked.
  ASSERT_TRUE(Within(kWaitMs, [&] { return Shown(edits[1]) == L"localhost"; }));
  EXPECT_EQ(Shown(combos[2]), L"SSL/TLS");
  EXPECT_EQ(Shown(edits[4]), imap ? L"993" : L"995");
  EXPECT_FALSE(uiprobe::Describe(edits[3]).enabled);
  uiprobe::TypeText(edits[2], user);
  ASSERT_TRUE(Within(kWaitMs, [&] { return Shown(edits[2]) == user && Shown(edits[0]) == name; }));
  if (forgedFirst) {
    SetBrowserMode(Narrow(user), "wrong-state");
    ASSERT_TRUE(uiprobe::PressButton(dialog, std::wstring_view(L"サインイン(&G)...")));
    const wchar_t* refused = L"ブラウザーからの応答を受け付けませんでした: サインインの確認値が一致しません。";
    EXPECT_TRUE(Within(kSignInMs, [&] { return uiprobe::FindControl(dialog, L"Static", refused); }))
        << "the forged redirect of " << Narrow(user) << " was not refused";
    SetBrowserMode(Narrow(user), "");
    EXPECT_EQ(OauthUserCount(OauthControl(""), Narrow(user), "authorization_code"), 0) << "a code was exchanged";
  }
  ASSERT_TRUE(uiprobe::PressButton(dialog, std::wstring_view(L"サインイン(&G)...")));
  EXPECT_TRUE(Within(kSignInMs, [&] { return uiprobe::FindControl(dialog, L"Static", L"サインインしました。"); }))
      << "the sign-in of " << Narrow(user) << " did not end";
  ASSERT_TRUE(uiprobe::PressButton(dialog, std::wstring_view(L"OK")));
  ASSERT_TRUE(uiprobe::WaitForGone(dialog, kWaitMs));
}

void Deliver(const std::string& user, const std::string& message) {
  const char* mail = std::getenv("PELMORA_DOVECOT_MAIL");
  std::ofstream(std::string("Z:") + (mail ? mail : "") + "/" + user + "/new/signin-" + std::to_string(GetTickCount64()),
                std::ios::binary)
      << message;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (const char c : line) {
    if (c == ',')
      fields.emplace_back();
    else
      fields.back().push_back(c);
  }
  return fields;
}

}  // namespace

TEST(SignInRun, AccountsSignedInFromTheDialogAreCheckedOverXoauth2AndTheirFilesHoldNoToken) {
  ASSERT_FALSE(DovecotLog().empty()) << "no Dovecot log: run through scripts/test";
  ASSERT_FALSE(OauthUrl().empty()) << "no test provider: run through scripts/test";
  TrustTestCa();
  ProgramRun run(PelmoraExe(), {{"Pelmora.ini", TestProviderSection()}});
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);
  const HWND settings = ShowSettingsWindow(run, started.tray);
  ASSERT_TRUE(settings);
  AddSignedInAccount(run, settings, L"IMAPサインイン", L"pelmoraoauth1", true);
  AddSignedInAccount(run, settings, L"POP3サインイン", L"pelmoraoauth2", false, true);

  Deliver("pelmoraoauth1", "From: a@example.com\r\nSubject: imap\r\n\r\nbody\r\n");
  Deliver("pelmoraoauth2", "From: a@example.com\r\nSubject: pop3\r\n\r\nbody\r\n");
  const std::size_t imapBefore = LoginLines("pelmoraoauth1").size();
  const std::size_t popBefore = LoginLines("pelmoraoauth2").size();
  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  EXPECT_EQ(NextBox(run), Widen(checking::NewMailText("IMAPサインイン", 1)));
  EXPECT_EQ(NextBox(run), Widen(checking::NewMailText("POP3サインイン", 1)));
  for (const auto& [user, before] : {std::pair{"pelmoraoauth1", imapBefore}, std::pair{"pelmoraoauth2", popBefore}}) {
    const std::vector<std::string> logins = LoginLines(user);
    ASSERT_EQ(logins.size(), before + 1) << user;
    EXPECT_NE(logins.back().find("method=XOAUTH2"), std::string::npos) << logins.back();
  }

  // account.dat: the provider in the eleventh field, an empty password. tokens.dat: the refresh
  // tokens only as the system's encrypted blobs.
  const std::string accounts = run.ReadFile("account.dat");
  const std::vector<std::string> first = Fields(accounts.substr(0, accounts.find("\r\n")));
  ASSERT_EQ(first.size(), 11u) << accounts;
  EXPECT_EQ(first[4], "");
  EXPECT_EQ(first[10], kTestProvider);
  const std::string tokens = run.ReadFile("tokens.dat");
  const std::vector<TTokenRecord> records = ParseTokenFile(tokens);
  for (const char* user : {"pelmoraoauth1", "pelmoraoauth2"}) {
    const TTokenRecord* record = FindTokenRecord(records, kTestProvider, user);
    ASSERT_NE(record, nullptr) << user;
    const std::string refresh = Unprotect(record->Blob);
    ASSERT_FALSE(refresh.empty());
    EXPECT_EQ(tokens.find(refresh), std::string::npos);
    EXPECT_EQ(accounts.find(refresh), std::string::npos);
  }

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
  ASSERT_TRUE(run.WaitForExit(10000));
  EXPECT_EQ(run.ExitCode(), 0u);
}
