#pragma once
// The test OAuth provider of scripts/test (scripts/lib/oauth-provider.py) for the Wine tests: the
// [OAUTH] section that makes it a provider of the program, named "Test", and its control endpoint.
#include <cstdlib>
#include <string>

#include "signin/TokenRequest.h"
#include "signin/portable/Json.h"
#include "toolkit/Files.h"
#include "toolkit/Text.h"
#include "toolkit/portable/Exception.h"

namespace testsupport {

inline constexpr char kTestProvider[] = "Test";

// The provider's address (https://localhost:PORT) and client id; empty outside scripts/test.
inline std::string OauthUrl() {
  const char* url = std::getenv("PELMORA_OAUTH_URL");
  return url ? url : "";
}
inline std::string OauthClientId() {
  const char* id = std::getenv("PELMORA_OAUTH_CLIENT_ID");
  return id ? id : "";
}

// How the tests' browser (scripts/lib/test-browser) acts on the sign-ins of `user` ("follow",
// "wrong-state", "error", "wrong-path", "ignore"); an empty mode forgets it. Through a file, as the
// browser Wine starts for a program does not get that program's environment.
inline void SetBrowserMode(const std::string& user, const std::string& mode) {
  const char* build = std::getenv("PELMORA_BUILD_DIR");
  if (!build) throw Exception("PELMORA_BUILD_DIR is not set");
  const std::wstring path = Widen(std::string("Z:") + build + "/test-browser." + user + ".mode");
  if (mode.empty()) {
    DeleteFileW(path.c_str());
    return;
  }
  if (!ReplaceWholeFile(Narrow(path), mode)) throw Exception("cannot write the browser's mode");
}

// The lines of Pelmora.ini that add the test provider, with the servers the account dialog proposes
// for it (the private Dovecot).
inline std::string TestProviderSection() {
  const std::string url = OauthUrl();
  return "[OAUTH]\r\n"
         "PROVIDER=Test\r\n"
         "TEST_AUTHORIZE=" + url + "/authorize\r\n"
         "TEST_TOKEN=" + url + "/token\r\n"
         "TEST_CLIENT_ID=" + OauthClientId() + "\r\n"
         "TEST_SCOPES_IMAP=mail.imap offline\r\n"
         "TEST_SCOPES_POP3=mail.pop3 offline\r\n"
         "TEST_IMAP_HOST=localhost\r\n"
         "TEST_POP3_HOST=localhost\r\n";
}

// POSTs the form to one of the provider's endpoints (e.g. "/token") and returns the answer's
// status and body. Waits by pumping messages, as the request's completion is posted to this thread;
// throws Exception when the request fails.
inline TTokenRequest::TReply OauthPost(const std::string& path, const std::string& form) {
  const TTokenRequest request(Widen(OauthUrl() + path), form, 5000);
  while (!request.Done()) {
    MsgWaitForMultipleObjectsEx(0, nullptr, 1000, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  return request.Result();
}

// POSTs the form to the provider's /control (e.g. "lifetime=5&user=pelmoraoauth4", "revoke=U", or ""
// to read the counts) and returns its counts (GET /stats's JSON); throws Exception on any failure.
inline TJson OauthControl(const std::string& form) {
  const TTokenRequest::TReply reply = OauthPost("/control", form);
  if (reply.Status != 200) throw Exception("provider control answered " + std::to_string(reply.Status));
  return ParseJson(reply.Body);
}

// How many token requests of `grantType` ("authorization_code", "refresh_token") named a code or
// token of `user`, refused ones too; "invalid_grant" counts those refused.
inline int OauthUserCount(const TJson& stats, const std::string& user, const std::string& what) {
  const TJson* users = stats.Member("users");
  const TJson* counts = users ? users->Member(user) : nullptr;
  const TJson* count = counts ? counts->Member(what) : nullptr;
  return count ? std::atoi(count->Text.c_str()) : 0;
}

}  // namespace testsupport
