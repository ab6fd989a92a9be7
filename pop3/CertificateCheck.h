#pragma once
// The program's own check of a server's certificate: Schannel under Wine validates nothing itself,
// and the SSL chain policy alone passes a chain that ends at an unknown issuer.
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <optional>
#include <string>

#include "pop3/TlsRules.h"

// Nothing when the certificate is in its validity period, its chain leads without error to a root
// the system trusts, and it names `host`; otherwise the first reason in that order.
std::optional<TTlsFailure> CheckServerCertificate(PCCERT_CONTEXT certificate, const std::wstring& host);
