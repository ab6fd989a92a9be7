#include "transport/CertificateCheck.h"

#include "transport/portable/CertificateRules.h"
#include "transport/TlsSession.h"
#include "toolkit/portable/Exception.h"

namespace {

struct ChainRelease {
  void operator()(PCCERT_CHAIN_CONTEXT chain) const { CertFreeCertificateChain(chain); }
};
using ChainPtr = std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainRelease>;

// Soft failure: only a certificate known to be revoked fails, not one whose status is unknown.
constexpr DWORD RevocationUnknown = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;

bool IsRevocationUnknown(DWORD policyError) {
  return policyError == static_cast<DWORD>(CERT_E_REVOCATION_FAILURE) ||
         policyError == static_cast<DWORD>(CRYPT_E_NO_REVOCATION_CHECK) ||
         policyError == static_cast<DWORD>(CRYPT_E_REVOCATION_OFFLINE);
}

TTlsFailure FailureOfPolicyError(DWORD error) {
  if (error == static_cast<DWORD>(CERT_E_CN_NO_MATCH)) return TTlsFailure::HostMismatch;
  if (error == static_cast<DWORD>(CERT_E_EXPIRED)) return TTlsFailure::Expired;
  if (error == static_cast<DWORD>(CERT_E_REVOKED) || error == static_cast<DWORD>(CRYPT_E_REVOKED))
    return TTlsFailure::Revoked;
  return TTlsFailure::Untrusted;
}

// Null when no chain could be built at all.
ChainPtr BuildChain(PCCERT_CONTEXT certificate, DWORD flags, DWORD retrievalTimeoutMs) {
  LPSTR serverAuth[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
  CERT_CHAIN_PARA chainPara{};
  chainPara.cbSize = sizeof chainPara;
  chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
  chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = serverAuth;
  chainPara.dwUrlRetrievalTimeout = retrievalTimeoutMs;
  PCCERT_CHAIN_CONTEXT chain = nullptr;
  if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, flags, nullptr,
                               &chain))
    return nullptr;
  return ChainPtr(chain);
}

// The SSL policy's error for `host`, 0 when none; an unknown revocation status is no error.
DWORD PolicyError(const CERT_CHAIN_CONTEXT& chain, const std::wstring& host) {
  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = const_cast<wchar_t*>(host.c_str());
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.dwFlags = CERT_CHAIN_POLICY_IGNORE_ALL_REV_UNKNOWN_FLAGS;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, &chain, &policy, &status))
    return static_cast<DWORD>(CERT_E_UNTRUSTEDROOT);
  return status.dwError;
}

}  // namespace

std::optional<TTlsFailure> CheckServerCertificate(PCCERT_CONTEXT certificate, const std::wstring& host,
                                                  DWORD retrievalTimeoutMs) {
  if (CertVerifyTimeValidity(nullptr, certificate->pCertInfo) != 0) return TTlsFailure::Expired;

  // The root is trusted as it stands in the store; the accumulative time-out bounds all revocation
  // fetches together instead of each one.
  ChainPtr chain = BuildChain(
      certificate, CERT_CHAIN_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT | CERT_CHAIN_REVOCATION_ACCUMULATIVE_TIMEOUT,
      retrievalTimeoutMs);
  if (!chain) return TTlsFailure::Untrusted;
  const DWORD chainErrors = chain->TrustStatus.dwErrorStatus & ~RevocationUnknown;
  if (chainErrors & CERT_TRUST_IS_NOT_TIME_VALID) return TTlsFailure::Expired;
  if (chainErrors & ~CERT_TRUST_IS_REVOKED) return TTlsFailure::Untrusted;
  if (chainErrors & CERT_TRUST_IS_REVOKED) return TTlsFailure::Revoked;

  DWORD error = PolicyError(*chain, host);
  if (IsRevocationUnknown(error)) {
    // Wine's SSL policy reports an unknown revocation status despite the flags, and checks no name
    // after it: the policy then judges the same chain built without revocation checking.
    chain = BuildChain(certificate, 0, 0);
    if (!chain) return TTlsFailure::Untrusted;
    error = PolicyError(*chain, host);
  }
  if (error != 0) return FailureOfPolicyError(error);
  return std::nullopt;
}

namespace {

// The certificate's own reference keeps its store (the chain the server sent) for the thread.
auto CheckOnThread(PCCERT_CONTEXT certificate, const std::wstring& host, DWORD retrievalTimeoutMs) {
  return [certificate = std::shared_ptr<const CERT_CONTEXT>(CertDuplicateCertificateContext(certificate),
                                                            CertificateRelease()),
          host, retrievalTimeoutMs] { return CheckServerCertificate(certificate.get(), host, retrievalTimeoutMs); };
}

}  // namespace

TCertificateCheck::TCertificateCheck(PCCERT_CONTEXT certificate, const std::wstring& host, DWORD retrievalTimeoutMs)
    : Call(CheckOnThread(certificate, host, retrievalTimeoutMs)) {}

namespace {

TVerifiedCertificates& Verified() {
  static TVerifiedCertificates verified;
  return verified;
}

std::string EncodedBytes(PCCERT_CONTEXT certificate) {
  return std::string(reinterpret_cast<const char*>(certificate->pbCertEncoded), certificate->cbCertEncoded);
}

TVerifiedCertificates::Clock::time_point TimeOf(const FILETIME& time) {
  using Clock = TVerifiedCertificates::Clock;
  using Ticks = std::chrono::duration<int64_t, std::ratio<1, 10000000>>;
  // FILETIME counts 100 ns from 1601, the system clock from 1970.
  constexpr int64_t From1601To1970 = 116444736000000000;
  const Ticks sinceEpoch((static_cast<int64_t>(time.dwHighDateTime) << 32) + time.dwLowDateTime - From1601To1970);
  // The clock ends earlier than some certificates (valid until 9999); such an entry lapses by age.
  if (sinceEpoch >= std::chrono::duration_cast<Ticks>(Clock::duration::max())) return Clock::time_point::max();
  return Clock::time_point(std::chrono::duration_cast<Clock::duration>(sinceEpoch));
}

}  // namespace

bool VerifiedBefore(PCCERT_CONTEXT certificate, const std::string& host) {
  return Verified().Contains(host, EncodedBytes(certificate), TVerifiedCertificates::Clock::now());
}

void RememberVerified(PCCERT_CONTEXT certificate, const std::string& host) {
  Verified().Add(host, EncodedBytes(certificate), TimeOf(certificate->pCertInfo->NotAfter),
                 TVerifiedCertificates::Clock::now());
}
