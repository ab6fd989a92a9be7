#include "signin/SecretStore.h"

#include <windows.h>
#include <wincrypt.h>

#include <memory>

#include "toolkit/portable/Exception.h"

namespace {

// Far beyond any token or password; also keeps every length within a DWORD on both builds.
constexpr size_t kMaxBytes = 1 << 20;

// Asked for again at every unprotect: a blob lifted into another program by the same user does not
// open there without it.
constexpr char kEntropy[] = "Pelmora sign-in secrets";

struct LocalRelease {
  void operator()(BYTE* data) const { LocalFree(data); }
};
using LocalBytes = std::unique_ptr<BYTE, LocalRelease>;

DATA_BLOB BlobOf(std::string_view bytes) {
  if (bytes.size() > kMaxBytes) throw ERangeError();
  return {static_cast<DWORD>(bytes.size()), reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()))};
}

DATA_BLOB Entropy() { return BlobOf(std::string_view(kEntropy, sizeof kEntropy - 1)); }

[[noreturn]] void Fail(const std::string& what) {
  const DWORD error = GetLastError();
  throw Exception(what + " (エラー " + std::to_string(error) + ")");
}

}  // namespace

std::string Protect(std::string_view secret) {
  DATA_BLOB in = BlobOf(secret);
  DATA_BLOB entropy = Entropy();
  DATA_BLOB out{};
  if (!CryptProtectData(&in, L"Pelmora", &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
    Fail("秘密の情報を暗号化できません");
  const LocalBytes held(out.pbData);
  return std::string(reinterpret_cast<const char*>(out.pbData), out.cbData);
}

std::string Unprotect(std::string_view blob) {
  DATA_BLOB in = BlobOf(blob);
  DATA_BLOB entropy = Entropy();
  DATA_BLOB out{};
  if (!CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
    Fail("保存された秘密の情報を復号できません");
  const LocalBytes held(out.pbData);
  std::string secret(reinterpret_cast<const char*>(out.pbData), out.cbData);
  // The plain copy in the system's buffer goes before the buffer does.
  SecureZeroMemory(out.pbData, out.cbData);
  return secret;
}
