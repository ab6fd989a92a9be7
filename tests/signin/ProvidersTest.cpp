#include "signin/portable/Providers.h"

#include <gtest/gtest.h>

#include "signin/portable/AuthorizeUrl.h"
#include "toolkit/portable/Exception.h"

namespace {

const TIniPairs kOwn = {{"Provider", "Test"},
                        {"TEST_AUTHORIZE", "https://127.0.0.1:8443/authorize?tenant=a"},
                        {"test_token", "https://127.0.0.1:8443/token"},
                        {"TEST_CLIENT_ID", "pelmora-test"},
                        {"TEST_SCOPES_IMAP", "  imap  offline_access "},
                        {"TEST_IMAP_HOST", "127.0.0.1"}};

TIniPairs With(TIniPairs pairs, const std::string& key, const std::string& value) {
  pairs.emplace_back(key, value);
  return pairs;
}

}  // namespace

TEST(Providers, BuiltInsTakeTheSectionsClientIdsAndItsOwnProvider) {
  const std::vector<TProvider> builtIns = Providers({});
  ASSERT_EQ(builtIns.size(), 2u);
  EXPECT_EQ(builtIns[0].Pop3Scopes,
            (std::vector<std::string>{"https://outlook.office.com/POP.AccessAsUser.All", "offline_access"}));
  EXPECT_EQ(builtIns[1].Pop3Host, "pop.gmail.com");

  const std::vector<TProvider> all =
      Providers(With(With(kOwn, "microsoft_client_id", "ms-id"), "GOOGLE_CLIENT_SECRET", "g-secret"));
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(FindProvider(all, "MICROSOFT")->ClientId, "ms-id");
  EXPECT_EQ(FindProvider(all, "google")->ClientSecret, "g-secret");
  const TProvider* own = FindProvider(all, "test");
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->Name, "Test");
  EXPECT_EQ(own->TokenUrl, "https://127.0.0.1:8443/token");
  EXPECT_EQ(own->ImapScopes, (std::vector<std::string>{"imap", "offline_access"}));
  EXPECT_TRUE(own->Pop3Scopes.empty());
  EXPECT_EQ(FindProvider(all, "password"), nullptr);
}

TEST(Providers, RefuseWhatIsNotAnHttpsProviderOfTheirOwn) {
  for (const auto& [key, value] : TIniPairs{{"TEST_TOKEN2", "https://x/"},           // unknown key
                                            {"test_token", "https://x/"},            // given twice
                                            {"OTHER_CLIENT_ID", "x"},                // no such provider
                                            {"TEST_CLIENT_SECRET", "a\x01"},         // not printable
                                            {"TEST_SCOPES_POP3", "pop \"quoted\""},  // not a scope token
                                            {"TEST_POP3_HOST", "host/path"}}) {
    SCOPED_TRACE(key);
    EXPECT_THROW(Providers(With(kOwn, key, value)), Exception);
  }
  for (const std::string url : {"http://127.0.0.1/token", "https://", "https:///token", "https://h/t#f",
                                "https://h/a b", "ftp://h/"}) {
    TIniPairs pairs = kOwn;
    pairs[2].second = url;
    SCOPED_TRACE(url);
    EXPECT_THROW(Providers(pairs), Exception);
  }
  for (const std::string name : {std::string("Google"), std::string("password"), std::string("two words"),
                                 std::string("under_score"), std::string(33, 'a')}) {
    TIniPairs pairs = kOwn;
    pairs[0].second = name;
    SCOPED_TRACE(name);
    EXPECT_THROW(Providers(pairs), Exception);
  }
  TIniPairs withoutClient = kOwn;
  withoutClient.erase(withoutClient.begin() + 3);
  EXPECT_THROW(Providers(withoutClient), Exception);
  EXPECT_THROW(Providers(TIniPairs(kMaxOauthKeys + 1, {"GOOGLE_CLIENT_ID", "x"})), Exception);
}

TEST(AuthorizeUrl, EncodesEveryValueAndAddsToAQueryTheUrlHas) {
  const std::vector<TProvider> providers = Providers(kOwn);
  const TProvider& own = *FindProvider(providers, "Test");
  EXPECT_EQ(AuthorizeUrl(own, TProtocol::Imap, "http://127.0.0.1:50123/", "st+te", "E9Mel-_", "山田 <a@b.jp>"),
            "https://127.0.0.1:8443/authorize?tenant=a&response_type=code&client_id=pelmora-test"
            "&redirect_uri=http%3A%2F%2F127.0.0.1%3A50123%2F&scope=imap%20offline_access&state=st%2Bte"
            "&code_challenge=E9Mel-_&code_challenge_method=S256&login_hint=%8ER%93c%20%3Ca%40b.jp%3E");
  TProvider google = providers[1];
  EXPECT_THROW(AuthorizeUrl(google, TProtocol::Pop3, "r", "s", "c", ""), Exception);  // a build without a client id
  google.ClientId = "g";
  EXPECT_EQ(AuthorizeUrl(google, TProtocol::Pop3, "r", "s", "c", ""),
            "https://accounts.google.com/o/oauth2/v2/auth?response_type=code&client_id=g&redirect_uri=r"
            "&scope=https%3A%2F%2Fmail.google.com%2F&state=s&code_challenge=c&code_challenge_method=S256");
  EXPECT_THROW(AuthorizeUrl(own, TProtocol::Pop3, "r", "s", "c", ""), Exception);

  EXPECT_EQ(CodeTokenRequest(own, "c/d=", "http://127.0.0.1:1/", "v~"),
            "grant_type=authorization_code&code=c%2Fd%3D&redirect_uri=http%3A%2F%2F127.0.0.1%3A1%2F"
            "&code_verifier=v~&client_id=pelmora-test");
  TProvider withSecret = own;
  withSecret.ClientSecret = "s&s";
  EXPECT_EQ(RefreshTokenRequest(withSecret, "1//r&t", TProtocol::Imap),
            "grant_type=refresh_token&refresh_token=1%2F%2Fr%26t&scope=imap%20offline_access"
            "&client_id=pelmora-test&client_secret=s%26s");
}
