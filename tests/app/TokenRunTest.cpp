// Pelmora.exe checking accounts that sign in, as a user runs it: the sign-in is put in place before
// the program starts (tokens the test provider grants at once, kept in tokens.dat by the program's
// own code), then checks from the tray menu refresh, rotate and give up on a refused grant. The
// server's log tells who logged in and how; the provider's counts tell what was asked of it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "accounts/portable/AccountTexts.h"
#include "checking/portable/CheckRules.h"
#include "signin/SecretStore.h"
#include "signin/SignIns.h"
#include "signin/portable/TokenFile.h"
#include "signin/portable/TokenResponse.h"
#include "tests/support/DovecotLog.h"
#include "tests/support/OauthBench.h"
#include "tests/support/PelmoraUser.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestCa.h"
#include "tests/support/UiProbe.h"
#include "tests/support/Utf8.h"
#include "toolkit/Application.h"
#include "toolkit/Files.h"
#include "toolkit/Text.h"

namespace {

using namespace testsupport;

// Reserved for these tests in the private Dovecot; they log in only with tokens.
const std::string kImapUser = "pelmoraoauth4";
const std::string kPop3User = "pelmoraoauth5";
// With the check log on, which must hold the checks and no token either.
const std::string kSettings = "[SET]\r\nSTART=0\r\nTIME=0\r\nMINUTE=30\r\nLOG=1\r\n";

std::size_t Logins(const std::string& user) { return LoginLines(user).size(); }

bool WaitForLogins(const std::string& user, std::size_t count) {
  return PollUntil([&] { return Logins(user) >= count; }, 15000);
}

// A line of account.dat for an account on the private Dovecot that signs in at the test provider.
std::string SignInAccount(const std::string& name, const std::string& user, std::string_view port,
                          std::string_view protocol) {
  return name + "," + std::string(accounts::kInclude) + ",localhost," + user + ",," +
         std::string(accounts::kActionMessage) + ",," + std::string(accounts::kSecuritySsl) + "," + std::string(port) +
         "," + std::string(protocol) + "," + kTestProvider + "\r\n";
}

// Every token the test has seen, to be looked for where none may be.
class Secrets {
public:
  void Add(const TTokenResponse& response) {
    if (response.AccessToken) Add(*response.AccessToken);
    if (response.RefreshToken) Add(*response.RefreshToken);
  }
  void Add(const std::string& token) {
    if (!token.empty()) Tokens.insert(token);
  }
  // Fails for each token in `text`, naming `where` and never the token.
  void ExpectNoneIn(const std::string& where, const std::string& text) const {
    for (const std::string& token : Tokens)
      EXPECT_EQ(text.find(token), std::string::npos) << "a token in " << where;
  }
  std::size_t Count() const { return Tokens.size(); }

private:
  std::set<std::string> Tokens;
};

// The provider grants `user` tokens at once, as a completed sign-in gets them.
TTokenResponse Issue(const std::string& user) {
  const TTokenRequest::TReply reply = OauthPost("/control", "issue=" + user);
  if (reply.Status != 200) throw Exception("the provider issued no tokens: " + std::to_string(reply.Status));
  return ReadTokenResponse(reply.Body);
}

// The bytes of tokens.dat after these sign-ins, written by the program's own code (in a file of its
// own, so that the program finds it in place when it starts).
std::string TokenFileOf(const std::vector<std::pair<std::string, TTokenResponse>>& signIns) {
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string path = std::string(temp) + "pelmora-tokens-" + std::to_string(GetCurrentProcessId()) + ".dat";
  {
    TSignIns kept(Application());
    kept.SetFile(path);
    for (const auto& [user, response] : signIns) kept.SignedIn(kTestProvider, user, response);
  }
  std::string bytes;
  const TReadResult read = ReadWholeFile(path, bytes);
  DeleteFileA(path.c_str());
  if (read != TReadResult::Read) throw Exception("no tokens.dat was written");
  return bytes;
}

// The refresh token the program keeps for `user`, decrypted as the program does; empty when none.
std::string StoredRefreshToken(const ProgramRun& run, const std::string& user) {
  if (!run.HasFile("tokens.dat")) return {};
  const std::vector<TTokenRecord> records = ParseTokenFile(run.ReadFile("tokens.dat"));
  const TTokenRecord* record = FindTokenRecord(records, kTestProvider, user);
  return record ? Unprotect(record->Blob) : std::string();
}

TTokenRequest::TReply Refresh(const std::string& refreshToken) {
  return OauthPost("/token", "grant_type=refresh_token&client_id=" + OauthClientId() + "&refresh_token=" + refreshToken);
}

std::string LinuxFile(const std::string& path) {
  std::ifstream file("Z:" + path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// No token in the program's files (tokens.dat neither as text nor inside its blobs, which only
// DPAPI opens), nor in the texts shown, nor in any log the tests keep.
void ExpectNoSecretKept(const ProgramRun& run, const Secrets& secrets, const std::vector<std::wstring>& shown) {
  ASSERT_GT(secrets.Count(), 0u);
  for (const char* name : {"account.dat", "Pelmora.ini", "tokens.dat"})
    if (run.HasFile(name)) secrets.ExpectNoneIn(name, run.ReadFile(name));
  ASSERT_TRUE(run.HasFile("Pelmora.log"));
  const std::string log = run.ReadFile("Pelmora.log");
  EXPECT_TRUE(log.find("\tIMAP\t") != std::string::npos || log.find("\tPOP3\t") != std::string::npos)
      << "the log holds no check:\n" << log;
  secrets.ExpectNoneIn("Pelmora.log", log);
  if (run.HasFile("tokens.dat"))
    for (const TTokenRecord& record : ParseTokenFile(run.ReadFile("tokens.dat")))
      secrets.ExpectNoneIn("a blob of tokens.dat", record.Blob);
  for (const std::wstring& text : shown) secrets.ExpectNoneIn("a text shown", ToUtf8(text));
  const char* build = std::getenv("PELMORA_BUILD_DIR");
  ASSERT_TRUE(build);
  secrets.ExpectNoneIn("test-browser.log", LinuxFile(std::string(build) + "/test-browser.log"));
  const std::string providerLog = LinuxFile(std::string(build) + "/services/oauth/log");
  EXPECT_FALSE(providerLog.empty());
  secrets.ExpectNoneIn("the provider's log", providerLog);
  secrets.ExpectNoneIn("Dovecot's log", DovecotLog());
}

class TokenRun : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(DovecotLog().empty()) << "no Dovecot log: run through scripts/test";
    ASSERT_FALSE(OauthUrl().empty()) << "no test provider: run through scripts/test";
    TrustTestCa();
  }
};

}  // namespace

// Access tokens living 5 s, checks every 2 s: the program refreshes before they expire, keeps every
// rotated refresh token at once and never asks the user anything. The token it kept last is the one
// the provider still takes.
TEST_F(TokenRun, FiftyChecksWithShortLivedTokensRefreshAndKeepTheNewestRefreshToken) {
  constexpr int kChecks = 50;
  OauthControl("lifetime=5&user=" + kImapUser);
  const TTokenResponse first = Issue(kImapUser);
  Secrets secrets;
  secrets.Add(first);
  const std::string account = SignInAccount("IMAP署名", kImapUser, "993", accounts::kProtocolImap);
  ProgramRun run(PelmoraExe(), {{"account.dat", account},
                                {"Pelmora.ini", kSettings + TestProviderSection()},
                                {"tokens.dat", TokenFileOf({{kImapUser, first}})}});
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);
  const TJson before = OauthControl("");
  const std::size_t logins = Logins(kImapUser);

  // Each refresh token the file held after a check: one per rotation, none missed.
  std::set<std::string> kept{*first.RefreshToken};
  std::vector<std::wstring> shown;
  for (int check = 1; check <= kChecks; ++check) {
    ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem)) << "check " << check;
    ASSERT_TRUE(WaitForLogins(kImapUser, logins + check))
        << "check " << check << " did not log in: " << ToUtf8(NextBox(run, 0));
    const std::string stored = StoredRefreshToken(run, kImapUser);
    ASSERT_FALSE(stored.empty()) << "check " << check;
    kept.insert(stored);
    secrets.Add(stored);
    const std::wstring box = NextBox(run, 0);
    if (!box.empty()) shown.push_back(box);
    ASSERT_EQ(box, L"") << "check " << check;
    ASSERT_TRUE(uiprobe::TopLevelWindows(run.ProcessId(), true).empty()) << "a window asks something";
    Sleep(1500);
  }
  const TJson after = OauthControl("");
  const int refreshes = OauthUserCount(after, kImapUser, "refresh_token") - OauthUserCount(before, kImapUser, "refresh_token");
  std::printf("%d checks, %d refreshes\n", kChecks, refreshes);
  EXPECT_GE(refreshes, 10) << "5 s tokens over more than 75 s";
  EXPECT_EQ(OauthUserCount(after, kImapUser, "invalid_grant"), OauthUserCount(before, kImapUser, "invalid_grant"));
  EXPECT_EQ(kept.size(), static_cast<std::size_t>(refreshes) + 1) << "a rotated refresh token was not kept at once";
  const std::vector<std::string> lines = LoginLines(kImapUser);
  for (std::size_t i = logins; i < lines.size(); ++i) {
    EXPECT_NE(lines[i].find("method=XOAUTH2"), std::string::npos) << lines[i];
    EXPECT_NE(lines[i].find(", TLS"), std::string::npos) << lines[i];
  }

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
  ASSERT_TRUE(run.WaitForExit(10000));
  EXPECT_EQ(run.ExitCode(), 0u);
  const std::string last = StoredRefreshToken(run, kImapUser);
  const TTokenRequest::TReply live = Refresh(last);
  EXPECT_EQ(live.Status, 200) << "the kept refresh token is not the live one";
  if (live.Status == 200) secrets.Add(ReadTokenResponse(live.Body));
  const TTokenRequest::TReply rotatedOut = Refresh(*first.RefreshToken);
  EXPECT_EQ(rotatedOut.Status, 400);
  EXPECT_EQ(ReadTokenResponse(rotatedOut.Body).Error.value_or(""), "invalid_grant");
  EXPECT_EQ(run.ReadFile("account.dat"), account);
  ExpectNoSecretKept(run, secrets, shown);
  OauthControl("revoke=" + kImapUser);
}

// A revoked grant over POP3: once its access token has expired, the next check shows one failure that
// asks to sign in again; later checks ask the provider nothing and show nothing, and the password
// account beside it is checked throughout.
TEST_F(TokenRun, ARefusedGrantFailsOnceAndIsNotAskedForAgain) {
  const std::string name = "POP3署名";
  OauthControl("lifetime=2&user=" + kPop3User);
  const TTokenResponse first = Issue(kPop3User);
  Secrets secrets;
  secrets.Add(first);
  const std::string table =
      "CD," + std::string(accounts::kInclude) + ",127.0.0.1,pelmora1,secret1," + std::string(accounts::kActionCdTray) +
      ",\r\n" + SignInAccount(name, kPop3User, "995", "");
  ProgramRun run(PelmoraExe(), {{"account.dat", table},
                                {"Pelmora.ini", kSettings + TestProviderSection()},
                                {"tokens.dat", TokenFileOf({{kPop3User, first}})}});
  const Started started = WaitUntilStarted(run);
  ASSERT_TRUE(started.tray);
  const std::size_t signedIn = Logins(kPop3User);
  const std::size_t password = Logins("pelmora1");
  std::vector<std::wstring> shown;

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  ASSERT_TRUE(WaitForLogins(kPop3User, signedIn + 1)) << ToUtf8(NextBox(run, 0));
  ASSERT_TRUE(WaitForLogins("pelmora1", password + 1));
  EXPECT_EQ(NextBox(run, 1000), L"");
  EXPECT_NE(DovecotLog().find("pop3-login: Info: Login: user=<" + kPop3User + ">, method=XOAUTH2"), std::string::npos);

  OauthControl("revoke=" + kPop3User);
  Sleep(2000);
  const TJson revoked = OauthControl("");
  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
  const std::wstring failure = NextBox(run, 15000);
  shown.push_back(failure);
  // The provider's own words for the refusal follow the request to sign in again.
  EXPECT_EQ(failure, Widen(checking::FailureText(
                         name, std::string(kSignInAgainText) + "（refresh token used already or revoked）。")));
  ASSERT_TRUE(WaitForLogins("pelmora1", password + 2));
  const TJson told = OauthControl("");
  EXPECT_EQ(OauthUserCount(told, kPop3User, "refresh_token"), OauthUserCount(revoked, kPop3User, "refresh_token") + 1);
  EXPECT_EQ(OauthUserCount(told, kPop3User, "invalid_grant"), OauthUserCount(revoked, kPop3User, "invalid_grant") + 1);
  EXPECT_EQ(StoredRefreshToken(run, kPop3User), "") << "a refused grant stays in tokens.dat";

  for (int check = 3; check <= 4; ++check) {
    ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kCheckItem));
    ASSERT_TRUE(WaitForLogins("pelmora1", password + check));
    const std::wstring box = NextBox(run, 1500);
    if (!box.empty()) shown.push_back(box);
    EXPECT_EQ(box, L"") << "check " << check;
  }
  const TJson later = OauthControl("");
  for (const char* what : {"refresh_token", "invalid_grant", "introspect_active", "introspect_inactive"})
    EXPECT_EQ(OauthUserCount(later, kPop3User, what), OauthUserCount(told, kPop3User, what)) << what;
  EXPECT_EQ(Logins(kPop3User), signedIn + 1);

  ASSERT_TRUE(PickTrayMenuItem(run, started.tray, kExitItem));
  ASSERT_TRUE(run.WaitForExit(10000));
  EXPECT_EQ(run.ReadFile("account.dat"), table);
  ExpectNoSecretKept(run, secrets, shown);
}
