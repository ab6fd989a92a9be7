#include "signin/SecretStore.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/support/ExceptionMessage.h"

namespace {
// Made at run time, as every secret of the tests: bytes of every value, a Japanese password among them.
std::string SampleSecret() {
  std::string secret = "1//0refresh-" + std::to_string(GetTickCount64()) + "パスワード";
  for (int byte = 0; byte < 256; ++byte) secret += static_cast<char>(byte);
  return secret;
}
}  // namespace

TEST(SecretStore, ASecretComesBackWholeAndTheBlobDoesNotShowIt) {
  const std::string secret = SampleSecret();
  const std::string blob = Protect(secret);
  EXPECT_EQ(blob.find(secret.substr(0, 16)), std::string::npos);
  EXPECT_EQ(blob.find("パスワード"), std::string::npos);
  EXPECT_EQ(Unprotect(blob), secret);
  EXPECT_EQ(Unprotect(Protect("")), "");
}

TEST(SecretStore, AChangedOrForeignBlobIsRefused) {
  const std::string blob = Protect(SampleSecret());
  const std::string refused = "保存された秘密の情報を復号できません";
  // The last bytes are the blob's own signature, those before them the encrypted secret.
  for (const size_t fromEnd : {size_t{1}, size_t{30}, size_t{80}}) {
    std::string changed = blob;
    changed[changed.size() - fromEnd] ^= 0x01;
    EXPECT_EQ(MessageOf([&] { Unprotect(changed); }).rfind(refused, 0), 0u) << fromEnd;
  }
  EXPECT_EQ(MessageOf([&] { Unprotect(blob.substr(0, blob.size() / 2)); }).rfind(refused, 0), 0u);
  EXPECT_EQ(MessageOf([] { Unprotect("not a blob at all"); }).rfind(refused, 0), 0u);
}
