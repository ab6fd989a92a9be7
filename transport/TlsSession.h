#pragma once
// TLS client sessions through Schannel (SSPI), without I/O of their own: the socket transport moves
// the bytes a session asks to send and hands it the bytes that arrive.
#include <winsock2.h>
#include <windows.h>
#define SECURITY_WIN32
// The new-style credentials (SCH_CREDENTIALS) are declared only under this name.
#define SCHANNEL_USE_BLACKLISTS
#include <subauth.h>
#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <memory>
#include <string>
#include <string_view>

#include "transport/portable/TlsHandshake.h"

struct CertificateRelease {
  void operator()(PCCERT_CONTEXT certificate) const { CertFreeCertificateContext(certificate); }
};
using CertificatePtr = std::unique_ptr<const CERT_CONTEXT, CertificateRelease>;

// Client credentials for a client that verifies the server itself (Schannel's own check is off, so
// the program's check is the only one and always runs). They ask for TLS 1.2 and newer by name:
// the system's default for clients is TLS 1.0 on Windows 7, and an old-style request never gets
// TLS 1.3 on Windows 10 and 11. Schannel resumes a server's session only under the credentials
// that made it, so one instance serves every connection of a transport.
class TTlsCredentials {
public:
  TTlsCredentials();
  ~TTlsCredentials();
  TTlsCredentials(const TTlsCredentials&) = delete;
  TTlsCredentials& operator=(const TTlsCredentials&) = delete;

  CredHandle* Handle() { return &Credentials; }
  // The new structure was taken, so TLS 1.3 can be negotiated where the system has it.
  bool NewStyle() const { return IsNewStyle; }

private:
  CredHandle Credentials{};
  bool IsNewStyle = false;
};

class TTlsSession {
public:
  // `host` is the name the server must prove.
  TTlsSession(std::shared_ptr<TTlsCredentials> credentials, const std::wstring& host);
  ~TTlsSession();
  TTlsSession(const TTlsSession&) = delete;
  TTlsSession& operator=(const TTlsSession&) = delete;

  // The handshake's steps, in the order RunHandshake takes them. Received() sees every byte of the
  // server before it goes to Continue, so that a failure can name its reason.
  void Received(std::string_view bytes) { Observer.Received(bytes); }
  std::string Start();
  std::string Continue(std::string& input);
  bool Established() const { return IsEstablished; }
  bool NeedsMoreInput() const { return Incomplete; }
  // Why the handshake failed, as far as the server's records in clear tell.
  TTlsFailure HandshakeFailure() const { return Observer.Failure(); }

  // After the handshake: fails unless TLS 1.2 or newer was negotiated.
  void RequireModernProtocol();
  CertificatePtr ServerCertificate();

  std::string Encrypt(const std::string& plain);
  // Decrypts the complete records at the front of `input` into `plain`, leaving an incomplete one
  // in `input`; what the session must answer (TLS 1.3 messages after the handshake) goes to
  // `toSend`. False once the server has closed the session.
  bool Decrypt(std::string& input, std::string& plain, std::string& toSend);
  // The close_notify alert that ends the session, or nothing where the system cannot make one.
  std::string Shutdown();

private:
  std::string Step(SecBufferDesc* inputDesc);
  [[noreturn]] void Fail() const;

  std::shared_ptr<TTlsCredentials> Credentials;
  std::wstring Host;
  CtxtHandle Context{};
  bool HasContext = false;
  bool IsEstablished = false;
  bool Incomplete = false;
  bool CredentialsAsked = false;
  // Data has come through: a failure from here on is no longer the handshake's.
  bool ReceivedData = false;
  DWORD Protocol = 0;
  TTlsHandshakeObserver Observer;
  SecPkgContext_StreamSizes Sizes{};
};
