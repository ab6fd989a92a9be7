#include "signin/portable/Pkce.h"

#include <gtest/gtest.h>

#include <string>

#include "signin/portable/Sha256.h"
#include "toolkit/portable/Exception.h"

namespace {

std::string Hex(const std::string& bytes) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string text;
  for (const char c : bytes) {
    text += kHex[static_cast<unsigned char>(c) >> 4];
    text += kHex[static_cast<unsigned char>(c) & 15];
  }
  return text;
}

}  // namespace

// FIPS 180-4's examples, with the lengths where the padding takes a block of its own.
TEST(Sha256, GivesTheStandardsDigests) {
  EXPECT_EQ(Hex(Sha256("")), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Hex(Sha256("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Hex(Sha256("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Hex(Sha256(std::string(1000000, 'a'))), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// RFC 7636 appendix B.
TEST(Pkce, MakesTheRfcsVerifierAndChallenge) {
  const unsigned char random[32] = {116, 24,  223, 180, 151, 153, 224, 37,  79,  250, 96,  125, 216, 173, 187, 186,
                                    22,  212, 37,  77,  105, 214, 191, 240, 91,  88,  5,   88,  83,  132, 141, 121};
  const TPkce pkce = MakePkce(std::string(reinterpret_cast<const char*>(random), sizeof random));
  EXPECT_EQ(pkce.Verifier, "dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk");
  EXPECT_EQ(pkce.Challenge, "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
  EXPECT_EQ(MakeState(std::string(16, '\xFB')), "-_v7-_v7-_v7-_v7-_v7-w");
  EXPECT_THROW(MakePkce(std::string(31, 'x')), Exception);
  EXPECT_THROW(MakeState(""), Exception);
}
