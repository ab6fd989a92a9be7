#pragma once
// The program's own check of a server's certificate: Schannel under Wine validates nothing itself,
// and the SSL chain policy alone passes a chain that ends at an unknown issuer.
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <optional>
#include <string>

#include "toolkit/BackgroundCall.h"
#include "transport/portable/TlsRules.h"

// Nothing when the certificate is in its validity period, its chain leads without error to a root
// the system trusts, no certificate of it is known to be revoked, and it names `host`; otherwise the
// first reason in that order. A revocation status that cannot be learnt (no list, or its server out
// of reach within `retrievalTimeoutMs` in all) does not fail. May block on the network: crypt32
// fetches missing issuers and revocation lists.
std::optional<TTlsFailure> CheckServerCertificate(PCCERT_CONTEXT certificate, const std::wstring& host,
                                                  DWORD retrievalTimeoutMs);

// CheckServerCertificate on a thread of its own (BackgroundCall.h), so that the calling thread can
// go on dispatching messages.
class TCertificateCheck {
public:
  TCertificateCheck(PCCERT_CONTEXT certificate, const std::wstring& host, DWORD retrievalTimeoutMs);
  bool Done() const { return Call.Done(); }
  // Once Done(): the check's verdict, or the error it met raised again.
  std::optional<TTlsFailure> Result() const { return Call.Result(); }

private:
  TBackgroundCall<std::optional<TTlsFailure>> Call;
};

// Certificates verified in full for a host in this run, as long as that verdict stands
// (CertificateRules.h). Only for the thread that verifies.
bool VerifiedBefore(PCCERT_CONTEXT certificate, const std::string& host);
void RememberVerified(PCCERT_CONTEXT certificate, const std::string& host);
