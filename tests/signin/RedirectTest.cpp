#include "signin/portable/Redirect.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TRedirect Read(const std::string& target, const std::string& method = "GET") {
  return ReadRedirect(method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1:50123\r\n\r\n", "/", "s1");
}

}  // namespace

TEST(Redirect, TakesTheCodeOnlyOnceTheHeadHasEnded) {
  const std::string request = "GET /?code=M.C1%2Fx+y&state=s1 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
  for (std::size_t cut = 0; cut < request.size(); ++cut) {
    EXPECT_EQ(ReadRedirect(request.substr(0, cut), "/", "s1").Kind, TRedirect::TKind::Incomplete) << cut;
  }
  const TRedirect redirect = ReadRedirect(request, "/", "s1");
  EXPECT_EQ(redirect.Kind, TRedirect::TKind::Code);
  EXPECT_EQ(redirect.Code, "M.C1/x y");
}

TEST(Redirect, RefusesWhatDoesNotComeFromThisSignIn) {
  for (const auto& [target, method] : std::vector<std::pair<std::string, std::string>>{
           {"/?code=c&state=s2", "GET"},                // another sign-in's state
           {"/?code=c", "GET"},                         // none
           {"/?code=c&state=s1&state=s2", "GET"},       // two
           {"/?code=c&code=d&state=s1", "GET"},         // two codes
           {"/favicon.ico?code=c&state=s1", "GET"},     // another path
           {"/?code=c&state=s1", "POST"},               // another method
           {"/?code=c%zz&state=s1", "GET"},             // broken escape
           {"/?state=s1", "GET"},                       // no code
           {"/?code=&state=s1", "GET"}}) {
    SCOPED_TRACE(method + " " + target);
    const TRedirect redirect = Read(target, method);
    EXPECT_EQ(redirect.Kind, TRedirect::TKind::Refused);
    EXPECT_TRUE(redirect.Code.empty());
    EXPECT_FALSE(redirect.Reason.empty());
  }
  EXPECT_EQ(ReadRedirect("GET /?code=c&state=s1\r\n\r\n", "/", "s1").Kind, TRedirect::TKind::Refused);
  // A head that never ends is refused at the bound, not read on.
  EXPECT_EQ(ReadRedirect("GET /?code=c&state=s1 HTTP/1.1\r\n" + std::string(kMaxRedirectHeadBytes, 'x'), "/", "s1").Kind,
            TRedirect::TKind::Refused);

  const TRedirect error = Read("/?error=access_denied&error_description=The+user%0D%0Adeclined%E3%80%82&state=s1");
  EXPECT_EQ(error.Kind, TRedirect::TKind::Refused);
  EXPECT_EQ(error.Reason, "access_denied: The userdeclined");
  EXPECT_EQ(Read("/?error=" + std::string(300, 'e') + "&state=s1").Reason, std::string(kMaxRedirectReasonChars, 'e'));
}

TEST(Redirect, RepliesWithAWholeResponseThatClosesTheConnection) {
  const std::string reply = RedirectReply(true);
  const std::size_t headEnd = reply.find("\r\n\r\n");
  ASSERT_NE(headEnd, std::string::npos);
  EXPECT_TRUE(reply.starts_with("HTTP/1.1 200 OK\r\n"));
  EXPECT_NE(reply.find("Connection: close\r\n"), std::string::npos);
  EXPECT_NE(reply.find("Content-Length: " + std::to_string(reply.size() - headEnd - 4) + "\r\n"), std::string::npos);
  // UTF-8, whatever the program's own code page: "閉じてかまいません".
  EXPECT_NE(reply.find("\xE9\x96\x89\xE3\x81\x98\xE3\x81\xA6\xE3\x81\x8B\xE3\x81\xBE\xE3\x81\x84\xE3\x81\xBE\xE3\x81\x9B\xE3\x82\x93"),
            std::string::npos);
  EXPECT_TRUE(RedirectReply(false).starts_with("HTTP/1.1 400 Bad Request\r\n"));
}
