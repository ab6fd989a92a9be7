#include "signin/portable/TokenResponse.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "signin/portable/Json.h"
#include "toolkit/portable/Exception.h"

TEST(Json, ReadsEscapesNumbersAndNestingWithinItsBounds) {
  const TJson json = ParseJson(R"( {"a":[1,-0.5e+3,true,false,null],"s":"\"\\\/\b\f\n\r\t\u00e9\u3042\ud83d\ude00"} )");
  ASSERT_EQ(json.Kind, TJson::TKind::Object);
  const TJson* a = json.Member("a");
  ASSERT_TRUE(a && a->Items.size() == 5);
  EXPECT_EQ(a->Items[1].Text, "-0.5e+3");
  EXPECT_TRUE(a->Items[2].Bool);
  EXPECT_EQ(a->Items[4].Kind, TJson::TKind::Null);
  EXPECT_EQ(json.Member("s")->Text, "\"\\/\b\f\n\r\t\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80");
  EXPECT_EQ(json.Member("none"), nullptr);

  const std::string deepest = std::string(kMaxJsonDepth, '[') + std::string(kMaxJsonDepth, ']');
  EXPECT_EQ(ParseJson(deepest).Kind, TJson::TKind::Array);
  for (const std::string text :
       {"[" + deepest + "]", std::string(R"({"a":1,"a":2})"), std::string(R"("\ud800")"), std::string(R"("\udc00x")"),
        std::string("\"a\nb\""), std::string("01"), std::string("1."), std::string("-"), std::string("[1,]"),
        std::string("{\"a\" 1}"), std::string("tru"), std::string("[1] x"), std::string("\"open"), std::string(""),
        "\"" + std::string(kMaxJsonBytes, 'a') + "\""}) {
    SCOPED_TRACE(text.substr(0, 40));
    EXPECT_THROW(ParseJson(text), Exception);
  }
}

TEST(TokenResponse, TakesTokensLifetimeAndErrorsAsProvidersSendThem) {
  const TTokenResponse ok = ReadTokenResponse(
      R"({"token_type":"Bearer","scope":"x","expires_in":3599,"ext_expires_in":3599,"access_token":"eyJ0.a-b_c","refresh_token":"1//0g"})");
  EXPECT_EQ(ok.AccessToken, "eyJ0.a-b_c");
  EXPECT_EQ(ok.RefreshToken, "1//0g");
  EXPECT_EQ(ok.ExpiresIn, 3599);
  EXPECT_FALSE(ok.Error);
  EXPECT_EQ(ReadTokenResponse(R"({"access_token":"a","expires_in":"3600"})").ExpiresIn, 3600);
  EXPECT_EQ(ReadTokenResponse(R"({"expires_in":99999999999999999999999})").ExpiresIn, std::numeric_limits<int64_t>::max());
  EXPECT_EQ(ReadTokenResponse(R"({"expires_in":-99999999999999999999999})").ExpiresIn, std::numeric_limits<int64_t>::min());
  EXPECT_FALSE(ReadTokenResponse(R"({"access_token":null})").AccessToken);

  const TTokenResponse refused = ReadTokenResponse(
      R"({"error":"invalid_grant","error_description":"AADSTS70000: \u30c8\r\nToken revoked"})");
  EXPECT_EQ(refused.Error, "invalid_grant");
  EXPECT_EQ(refused.ErrorDescription, "AADSTS70000: Token revoked");

  for (const std::string body : {R"(["access_token"])", R"({"access_token":42})", R"({"access_token":"a b"})",
                                 R"({"access_token":""})", R"({"refresh_token":"a\r\nb"})", R"({"expires_in":1.5})",
                                 R"({"expires_in":"soon"})", R"({"error":{}})", "<html>"}) {
    SCOPED_TRACE(body);
    EXPECT_THROW(ReadTokenResponse(body), Exception);
  }
}
