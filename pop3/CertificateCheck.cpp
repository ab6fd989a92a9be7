#include "pop3/CertificateCheck.h"

#include <memory>

namespace {

struct ChainRelease {
  void operator()(PCCERT_CHAIN_CONTEXT chain) const { CertFreeCertificateChain(chain); }
};

TTlsFailure FailureOfPolicyError(DWORD error) {
  if (error == static_cast<DWORD>(CERT_E_CN_NO_MATCH)) return TTlsFailure::HostMismatch;
  if (error == static_cast<DWORD>(CERT_E_EXPIRED)) return TTlsFailure::Expired;
  return TTlsFailure::Untrusted;
}

}  // namespace

std::optional<TTlsFailure> CheckServerCertificate(PCCERT_CONTEXT certificate, const std::wstring& host) {
  if (CertVerifyTimeValidity(nullptr, certificate->pCertInfo) != 0) return TTlsFailure::Expired;

  LPSTR serverAuth[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
  CERT_CHAIN_PARA chainPara{};
  chainPara.cbSize = sizeof chainPara;
  chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
  chainPara.RequestedUsage.Usage.cUsageIdentifier = 1;
  chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = serverAuth;
  PCCERT_CHAIN_CONTEXT chainContext = nullptr;
  if (!CertGetCertificateChain(nullptr, certificate, nullptr, certificate->hCertStore, &chainPara, 0, nullptr,
                               &chainContext))
    return TTlsFailure::Untrusted;
  const std::unique_ptr<const CERT_CHAIN_CONTEXT, ChainRelease> chain(chainContext);
  const DWORD chainErrors = chain->TrustStatus.dwErrorStatus;
  if (chainErrors & CERT_TRUST_IS_NOT_TIME_VALID) return TTlsFailure::Expired;
  if (chainErrors != CERT_TRUST_NO_ERROR) return TTlsFailure::Untrusted;

  SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
  ssl.cbSize = sizeof ssl;
  ssl.dwAuthType = AUTHTYPE_SERVER;
  ssl.pwszServerName = const_cast<wchar_t*>(host.c_str());
  CERT_CHAIN_POLICY_PARA policy{};
  policy.cbSize = sizeof policy;
  policy.pvExtraPolicyPara = &ssl;
  CERT_CHAIN_POLICY_STATUS status{};
  status.cbSize = sizeof status;
  if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policy, &status))
    return TTlsFailure::Untrusted;
  if (status.dwError != 0) return FailureOfPolicyError(status.dwError);
  return std::nullopt;
}
