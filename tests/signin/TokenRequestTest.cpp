#include "signin/TokenRequest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "tests/support/ExceptionMessage.h"
#include "tests/support/TestCa.h"
#include "toolkit/Text.h"

namespace {

constexpr DWORD kTimeoutMs = 5000;
constexpr char kNoExchange[] = "サインインのサーバーと通信できません。\n";

// Waits as the program's loop does, asleep until a message comes: the request's own WM_NULL must
// wake it, so a wait that sleeps its whole bound fails the test instead of passing late.
TTokenRequest::TReply Await(const TTokenRequest& request) {
  while (!request.Done()) {
    if (MsgWaitForMultipleObjectsEx(0, nullptr, 10000, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_TIMEOUT)
      throw Exception("the request woke no wait");
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  return request.Result();
}

// "STATUS BODY", or the message of the error raised.
std::string Outcome(const std::wstring& url, const std::string& body = "a=b", DWORD timeoutMs = kTimeoutMs) {
  try {
    const TTokenRequest request(url, body, timeoutMs);
    const TTokenRequest::TReply reply = Await(request);
    return std::to_string(reply.Status) + " " + reply.Body;
  } catch (const Exception& e) {
    return e.message();
  }
}

// token-server.py, started through Wine's Z: drive for the whole suite.
class TokenServerTest : public testing::Test {
protected:
  static void SetUpTestSuite() {
    testsupport::TrustTestCa();
    const char* tls = std::getenv("PELMORA_DOVECOT_TLS");
    ASSERT_NE(tls, nullptr) << "run through scripts/test";
    const std::string portFile = "/tmp/pelmora-token-server-" + std::to_string(GetCurrentProcessId()) + "-" +
                                 std::to_string(GetTickCount64());
    std::wstring command = Widen(std::string("Z:\\usr\\bin\\python3 ") + PELMORA_TOKEN_SERVER + " " + tls + " " + portFile);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        << GetLastError();
    if (process.hThread) CloseHandle(process.hThread);
    if (process.hProcess) CloseHandle(process.hProcess);
    for (int tries = 0; tries < 100 && !Port; ++tries) {
      std::ifstream ports("Z:" + portFile);
      ports >> Port >> UntrustedPort;
      if (!Port) Sleep(100);
    }
    ASSERT_NE(Port, 0) << "the token server did not start";
    DeleteFileW(Widen("Z:" + portFile).c_str());
  }
  static void TearDownTestSuite() {
    if (Port) Outcome(Url("/quit"));
  }

  static std::wstring Url(const std::string& path, const std::string& host = "localhost", int port = Port) {
    return Widen("https://" + host + ":" + std::to_string(port) + path);
  }

  static inline int Port = 0;
  static inline int UntrustedPort = 0;
};

}  // namespace

TEST_F(TokenServerTest, AFormIsPostedAndTheStatusAndBodyComeBackAsTheServerSentThem) {
  const std::string form = "grant_type=refresh_token&refresh_token=1%2F%2F0" + std::to_string(GetTickCount64());
  EXPECT_EQ(Outcome(Url("/token"), form), "200 type=application/x-www-form-urlencoded\nbody=" + form);
  // A refusal is the provider's answer, for the caller to read, not a failure to talk.
  EXPECT_EQ(Outcome(Url("/refused")), "400 {\"error\":\"invalid_grant\"}");
  // The form goes nowhere but where the provider's table says.
  EXPECT_EQ(Outcome(Url("/moved")), "302 ");
}

TEST_F(TokenServerTest, AServerThatIsNotVerifiedIsRefusedBeforeAnythingIsSent) {
  // Which reason is named depends on the system's WinHTTP; that there is no exchange does not.
  EXPECT_EQ(Outcome(Url("/token", "localhost", UntrustedPort)).rfind(kNoExchange, 0), 0u);
  // The certificate names localhost, not the address.
  EXPECT_EQ(Outcome(Url("/token", "127.0.0.1")).rfind(kNoExchange, 0), 0u);
  EXPECT_EQ(Outcome(Widen("http://localhost:" + std::to_string(Port) + "/token")),
            std::string(kNoExchange) + "トークンの要求先が https の URL ではありません。");
}

TEST_F(TokenServerTest, AReplyBeyondItsBoundOrTooLateIsAFailure) {
  EXPECT_EQ(Outcome(Url("/huge")), std::string(kNoExchange) + "サーバーの応答が大きすぎます。");
  EXPECT_EQ(Outcome(Url("/silent"), "a=b", 500), std::string(kNoExchange) + "サーバーが時間内に応答しません。");
}

TEST_F(TokenServerTest, ARequestGivenUpOnEndsAloneAndTheNextOneIsServed) {
  for (int i = 0; i < 3; ++i) std::make_unique<TTokenRequest>(Url("/slow"), "a=b", kTimeoutMs).reset();
  EXPECT_EQ(Outcome(Url("/slow")), "200 late");
}
