#include "signin/portable/Pkce.h"

#include "signin/portable/Sha256.h"
#include "toolkit/portable/Base64.h"
#include "toolkit/portable/Exception.h"

namespace {

// Fewer random bytes would weaken what guards the sign-in; the caller must never hand them.
void RequireRandom(std::string_view random, std::size_t size) {
  if (random.size() != size) throw Exception("Wrong number of random bytes for a sign-in");
}

}  // namespace

std::string Base64Url(std::string_view bytes) { return Base64(bytes, TBase64::UrlUnpadded); }

TPkce MakePkce(std::string_view random32) {
  RequireRandom(random32, 32);
  TPkce pkce;
  pkce.Verifier = Base64Url(random32);
  pkce.Challenge = Base64Url(Sha256(pkce.Verifier));
  return pkce;
}

std::string MakeState(std::string_view random16) {
  RequireRandom(random16, 16);
  return Base64Url(random16);
}
