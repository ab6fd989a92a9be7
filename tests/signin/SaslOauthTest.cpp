#include "signin/portable/SaslOauth.h"

#include <gtest/gtest.h>

#include "toolkit/portable/Base64.h"

TEST(SaslOauth, MakesXoauth2AndRfc7628InitialResponses) {
  EXPECT_EQ(Xoauth2("someuser@example.com", "ya29.vF9dft4qmTc2Nvb3RlckBhdHRhdmlzdGEuY29tCg"),
            "dXNlcj1zb21ldXNlckBleGFtcGxlLmNvbQFhdXRoPUJlYXJlciB5YTI5LnZGOWRmdDRxbVRjMk52YjNSbGNrQmhkSFJoZG1semRHRXVZMjl0Q2cBAQ==");
  // RFC 7628 section 4.1, without the optional host and port.
  EXPECT_EQ(OauthBearer("user@example.com", "vF9dft4qmTc2Nvb3RlckBhbHRhdmlzdGEuY29tCg=="),
            "bixhPXVzZXJAZXhhbXBsZS5jb20sAWF1dGg9QmVhcmVyIHZGOWRmdDRxbVRjMk52YjNSbGNrQmhiSFJoZG1semRHRXVZMjl0Q2c9PQEB");
  EXPECT_EQ(DecodeBase64(OauthBearer("a=b,c", "t"), 100), "n,a=a=3Db=2Cc,\x01" "auth=Bearer t\x01\x01");
}

TEST(SaslOauth, TellsTheErrorChallengesStatusAndScopeOnly) {
  // RFC 7628 section 4.3: the discovery URL is not shown.
  EXPECT_EQ(OauthErrorReason("eyJzdGF0dXMiOiJpbnZhbGlkX3Rva2VuIiwic2NvcGUiOiJleGFtcGxlX3Njb3BlIiwib3BlbmlkLWNvbmZpZ3VyYXRp"
                             "b24iOiJodHRwczovL2V4YW1wbGUuY29tLy53ZWxsLWtub3duL29wZW5pZC1jb25maWd1cmF0aW9uIn0="),
            "サーバーがアクセストークンを受け付けませんでした（status invalid_token, scope example_scope）。");
  EXPECT_EQ(OauthErrorReason(Base64("{\"status\":\"401\\r\\nx\",\"scope\":7}")),
            "サーバーがアクセストークンを受け付けませんでした（status 401x）。");
  for (const std::string challenge : {std::string("not base64!"), Base64("[1]"), Base64("{broken"),
                                      Base64("{\"status\":\"" + std::string(kMaxOauthChallengeBytes, 'x') + "\"}")}) {
    EXPECT_EQ(OauthErrorReason(challenge), "サーバーがアクセストークンを受け付けませんでした。");
  }
}
