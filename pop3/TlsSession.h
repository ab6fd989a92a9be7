#pragma once
// One TLS client session through Schannel (SSPI), without I/O of its own: the socket transport
// moves the bytes this session asks to send and hands it the bytes that arrive.
#include <winsock2.h>
#include <windows.h>
#define SECURITY_WIN32
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <memory>
#include <string>

struct CertificateRelease {
  void operator()(PCCERT_CONTEXT certificate) const { CertFreeCertificateContext(certificate); }
};
using CertificatePtr = std::unique_ptr<const CERT_CONTEXT, CertificateRelease>;

class TTlsSession {
public:
  // Credentials for a client that verifies the server itself (Schannel's own check is off, so the
  // program's check is the only one and always runs). `host` is the name the server must prove.
  explicit TTlsSession(const std::wstring& host);
  ~TTlsSession();
  TTlsSession(const TTlsSession&) = delete;
  TTlsSession& operator=(const TTlsSession&) = delete;

  // The client's first handshake message.
  std::string Start();
  // Takes the handshake messages at the front of `input` (removing what it used; an incomplete
  // message stays) and returns what to send back. Established() once the handshake is complete;
  // bytes behind it stay in `input`.
  std::string Continue(std::string& input);
  bool Established() const { return IsEstablished; }

  // After the handshake: fails unless TLS 1.2 or newer was negotiated.
  void RequireModernProtocol();
  CertificatePtr ServerCertificate();

  std::string Encrypt(const std::string& plain);
  // Decrypts the complete records at the front of `input` into `plain`, leaving an incomplete one
  // in `input`; what the session must answer (TLS 1.3 messages after the handshake) goes to
  // `toSend`. False once the server has closed the session.
  bool Decrypt(std::string& input, std::string& plain, std::string& toSend);

private:
  std::string Step(SecBufferDesc* inputDesc, bool& incomplete);

  std::wstring Host;
  CredHandle Credentials{};
  CtxtHandle Context{};
  bool HasCredentials = false;
  bool HasContext = false;
  bool IsEstablished = false;
  SecPkgContext_StreamSizes Sizes{};
};
