#include "transport/TlsSession.h"

#include <algorithm>

#include "transport/portable/SockErrors.h"
#include "transport/portable/TlsRules.h"

namespace {

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION;
constexpr DWORD kModernProtocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;
constexpr DWORD kOldProtocols = SP_PROT_SSL2 | SP_PROT_SSL3 | SP_PROT_TLS1_0 | SP_PROT_TLS1_1;
constexpr DWORD kCredentialFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;

[[noreturn]] void FailWith(TTlsFailure failure) { throw ETlsError(TlsFailureText(failure)); }

// Schannel is loaded when the first secure connection needs it: under Wine, loading it starts Windows
// Sockets for the whole process, which a program that never uses TLS must not see. Only the system's
// own copy is loaded, never one planted beside the program.
const SecurityFunctionTableW& Sspi() {
  static const PSecurityFunctionTableW table = [] {
    const HMODULE module = LoadLibraryExW(L"secur32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    const FARPROC entry = module ? GetProcAddress(module, "InitSecurityInterfaceW") : nullptr;
    const auto init = reinterpret_cast<INIT_SECURITY_INTERFACE_W>(reinterpret_cast<void*>(entry));
    return init ? init() : nullptr;
  }();
  if (!table) FailWith(TTlsFailure::Handshake);
  return *table;
}

// Takes the bytes of a buffer that SSPI allocated, and frees it.
std::string TakeToken(SecBuffer& buffer) {
  std::string bytes;
  if (buffer.pvBuffer) {
    bytes.assign(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
    Sspi().FreeContextBuffer(buffer.pvBuffer);
    buffer.pvBuffer = nullptr;
  }
  return bytes;
}

SECURITY_STATUS Acquire(void* authData, CredHandle& credentials) {
  TimeStamp expiry;
  return Sspi().AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr,
                                          authData, nullptr, nullptr, &credentials, &expiry);
}

}  // namespace

TTlsCredentials::TTlsCredentials() {
  // Windows 10 1809 and newer take the new structure, which alone can negotiate TLS 1.3; older
  // systems refuse it and get TLS 1.2 by name. The new structure is kept whenever it is taken: the
  // protocol attribute lists what the package supports, not what these credentials enable, so it
  // cannot tell a system that ignores the restriction (Wine offers TLS 1.0 and 1.1 then); the check
  // after the handshake refuses those on every system.
  TLS_PARAMETERS parameters{};
  parameters.grbitDisabledProtocols = kOldProtocols;
  SCH_CREDENTIALS modern{};
  modern.dwVersion = SCH_CREDENTIALS_VERSION;
  modern.dwFlags = kCredentialFlags;
  modern.cTlsParameters = 1;
  modern.pTlsParameters = &parameters;
  IsNewStyle = Acquire(&modern, Credentials) == SEC_E_OK;
  if (IsNewStyle) return;
  SCHANNEL_CRED classic{};
  classic.dwVersion = SCHANNEL_CRED_VERSION;
  classic.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
  classic.dwFlags = kCredentialFlags;
  if (Acquire(&classic, Credentials) != SEC_E_OK) FailWith(TTlsFailure::Handshake);
}

TTlsCredentials::~TTlsCredentials() { Sspi().FreeCredentialsHandle(&Credentials); }

TTlsSession::TTlsSession(std::shared_ptr<TTlsCredentials> credentials, const std::wstring& host)
    : Credentials(std::move(credentials)), Host(host) {}

TTlsSession::~TTlsSession() {
  if (HasContext) Sspi().DeleteSecurityContext(&Context);
}

void TTlsSession::Fail() const {
  FailWith(ReceivedData ? TTlsFailure::Handshake : Observer.Failure());
}

std::string TTlsSession::Step(SecBufferDesc* inputDesc) {
  SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
  SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
  ULONG attributes = 0;
  const SECURITY_STATUS status = Sspi().InitializeSecurityContextW(
      Credentials->Handle(), HasContext ? &Context : nullptr, Host.data(), kContextFlags, 0, 0, inputDesc, 0,
      HasContext ? nullptr : &Context, &outDesc, &attributes, nullptr);
  std::string token = TakeToken(out);
  Incomplete = status == SEC_E_INCOMPLETE_MESSAGE;
  if (Incomplete) return {};
  if (status == SEC_I_INCOMPLETE_CREDENTIALS && !CredentialsAsked) {
    // The server asks for a client certificate, which may be optional: the documented answer is to
    // call again, and the handshake goes on without one. Nothing of the input was used yet.
    CredentialsAsked = true;
    Observer.NoteCertificateRequest();
    return token;
  }
  if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) Fail();
  HasContext = true;
  if (status == SEC_E_OK && !IsEstablished) {
    if (Sspi().QueryContextAttributesW(&Context, SECPKG_ATTR_STREAM_SIZES, &Sizes) != SEC_E_OK) Fail();
    IsEstablished = true;
  }
  return token;
}

std::string TTlsSession::Start() { return Step(nullptr); }

std::string TTlsSession::Continue(std::string& input) {
  SecBuffer in[2] = {{static_cast<ULONG>(input.size()), SECBUFFER_TOKEN, input.data()}, {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
  const bool askedBefore = CredentialsAsked;
  std::string token = Step(&inDesc);
  // An incomplete message, or a request for credentials, leaves the input as it was; of a complete
  // message only the bytes behind it remain.
  if (Incomplete || CredentialsAsked != askedBefore) return token;
  const std::size_t extra = in[1].BufferType == SECBUFFER_EXTRA ? in[1].cbBuffer : 0;
  input.erase(0, input.size() - std::min<std::size_t>(extra, input.size()));
  return token;
}

void TTlsSession::RequireModernProtocol() {
  SecPkgContext_ConnectionInfo info{};
  if (Sspi().QueryContextAttributesW(&Context, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK) Fail();
  if (!(info.dwProtocol & kModernProtocols)) FailWith(TTlsFailure::OldProtocol);
  Protocol = info.dwProtocol;
}

CertificatePtr TTlsSession::ServerCertificate() {
  PCCERT_CONTEXT certificate = nullptr;
  if (Sspi().QueryContextAttributesW(&Context, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) != SEC_E_OK ||
      !certificate)
    Fail();
  return CertificatePtr(certificate);
}

std::string TTlsSession::Encrypt(const std::string& plain) {
  std::string out;
  for (std::size_t at = 0; at < plain.size();) {
    const std::size_t length = std::min<std::size_t>(plain.size() - at, Sizes.cbMaximumMessage);
    std::string record(Sizes.cbHeader + length + Sizes.cbTrailer, '\0');
    std::copy_n(plain.data() + at, length, record.data() + Sizes.cbHeader);
    SecBuffer buffers[4] = {
        {Sizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
        {static_cast<ULONG>(length), SECBUFFER_DATA, record.data() + Sizes.cbHeader},
        {Sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + Sizes.cbHeader + length},
        {0, SECBUFFER_EMPTY, nullptr},
    };
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    if (Sspi().EncryptMessage(&Context, 0, &desc, 0) != SEC_E_OK) Fail();
    out.append(record.data(), buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
    at += length;
  }
  return out;
}

bool TTlsSession::Decrypt(std::string& input, std::string& plain, std::string& toSend) {
  while (!input.empty()) {
    SecBuffer buffers[4] = {{static_cast<ULONG>(input.size()), SECBUFFER_DATA, input.data()},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = Sspi().DecryptMessage(&Context, &desc, 0, nullptr);
    if (status == SEC_E_INCOMPLETE_MESSAGE) return true;
    if (status == SEC_I_CONTEXT_EXPIRED) {
      input.clear();
      return false;
    }
    if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE) Fail();
    // Below TLS 1.3 this is the server asking for a new handshake, which could bring another
    // certificate than the one verified: refused.
    if (status == SEC_I_RENEGOTIATE && !(Protocol & SP_PROT_TLS1_3_CLIENT)) FailWith(TTlsFailure::Handshake);
    // The buffers point into `input`, decrypted in place: copy out before it changes.
    std::string extra;
    for (const SecBuffer& buffer : buffers) {
      if (buffer.BufferType == SECBUFFER_DATA) {
        plain.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
        ReceivedData = ReceivedData || buffer.cbBuffer > 0;
      }
      if (buffer.BufferType == SECBUFFER_EXTRA)
        extra.assign(input.data() + input.size() - buffer.cbBuffer, buffer.cbBuffer);
    }
    input = std::move(extra);
    // TLS 1.3 sends handshake messages (tickets, key updates) after the handshake; the context takes them.
    if (status == SEC_I_RENEGOTIATE) toSend += Continue(input);
  }
  return true;
}

std::string TTlsSession::Shutdown() {
  DWORD type = SCHANNEL_SHUTDOWN;
  SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
  SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
  // A system that cannot say goodbye still closes the connection; the session's work is done.
  if (Sspi().ApplyControlToken(&Context, &controlDesc) != SEC_E_OK) return {};
  SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
  SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
  ULONG attributes = 0;
  Sspi().InitializeSecurityContextW(Credentials->Handle(), &Context, Host.data(), kContextFlags, 0, 0, nullptr, 0,
                                    nullptr, &outDesc, &attributes, nullptr);
  return TakeToken(out);
}
