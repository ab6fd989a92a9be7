#pragma once
// Trust in the private Dovecot's test CA (scripts/lib/dovecot.sh), inside this Wine prefix only.
#include <windows.h>
#include <wincrypt.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace testsupport {

// The folder of the test certificates as a Windows path through Wine's Z: drive, empty outside
// scripts/test and scripts/bench.
inline std::string TestTlsFolder() {
  const char* tls = std::getenv("PELMORA_DOVECOT_TLS");
  return tls ? std::string("Z:") + tls : std::string();
}

// Puts the test CA into the current user's Root store, in place of the CAs of earlier runs (each
// run makes its own): a chain must find this run's CA and no other of the same name. The registry
// store itself is changed: Wine's system Root store is a copy, from which a deletion does not reach
// the registry.
inline void TrustTestCa() {
  std::ifstream file(TestTlsFolder() + "/ca.pem", std::ios::binary);
  std::ostringstream pem;
  pem << file.rdbuf();
  const std::string text = pem.str();
  DWORD size = 0;
  if (text.empty() ||
      !CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr, nullptr))
    throw std::runtime_error("cannot read the test CA");
  std::string der(size, '\0');
  CryptStringToBinaryA(text.c_str(), 0, CRYPT_STRING_BASE64HEADER, reinterpret_cast<BYTE*>(der.data()), &size, nullptr,
                       nullptr);
  const HCERTSTORE root =
      CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (!root) throw std::runtime_error("cannot open the Root store");
  while (PCCERT_CONTEXT old = CertFindCertificateInStore(root, X509_ASN_ENCODING, 0, CERT_FIND_SUBJECT_STR_W,
                                                         L"Pelmora Test CA", nullptr)) {
    CertDeleteCertificateFromStore(old);
  }
  const BOOL added = CertAddEncodedCertificateToStore(
      root, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()), size, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  CertCloseStore(root, 0);
  if (!added) throw std::runtime_error("cannot add the test CA to the Root store");
}

}  // namespace testsupport
