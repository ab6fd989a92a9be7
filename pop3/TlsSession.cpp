#include "pop3/TlsSession.h"

#include <algorithm>

#include "pop3/SockTransport.h"
#include "pop3/TlsRules.h"

namespace {

constexpr DWORD kContextFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                                ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM | ISC_REQ_MANUAL_CRED_VALIDATION;

[[noreturn]] void Fail() { throw ETlsError(TlsFailureText(TTlsFailure::Handshake)); }

// Schannel is loaded when the first secure connection needs it: under Wine, loading it starts Windows
// Sockets for the whole process, which a program that never uses TLS must not see.
const SecurityFunctionTableW& Sspi() {
  static const PSecurityFunctionTableW table = [] {
    const HMODULE module = LoadLibraryW(L"secur32.dll");
    const FARPROC entry = module ? GetProcAddress(module, "InitSecurityInterfaceW") : nullptr;
    const auto init = reinterpret_cast<INIT_SECURITY_INTERFACE_W>(reinterpret_cast<void*>(entry));
    return init ? init() : nullptr;
  }();
  if (!table) Fail();
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

}  // namespace

TTlsSession::TTlsSession(const std::wstring& host) : Host(host) {
  SCHANNEL_CRED credentials{};
  credentials.dwVersion = SCHANNEL_CRED_VERSION;
  // The system's own choice of protocols; RequireModernProtocol refuses anything below TLS 1.2.
  credentials.grbitEnabledProtocols = 0;
  credentials.dwFlags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS;
  TimeStamp expiry;
  if (Sspi().AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr,
                                &credentials, nullptr, nullptr, &Credentials, &expiry) != SEC_E_OK)
    Fail();
  HasCredentials = true;
}

TTlsSession::~TTlsSession() {
  if (HasContext) Sspi().DeleteSecurityContext(&Context);
  if (HasCredentials) Sspi().FreeCredentialsHandle(&Credentials);
}

std::string TTlsSession::Step(SecBufferDesc* inputDesc, bool& incomplete) {
  SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
  SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
  ULONG attributes = 0;
  const SECURITY_STATUS status =
      Sspi().InitializeSecurityContextW(&Credentials, HasContext ? &Context : nullptr, Host.data(), kContextFlags, 0, 0,
                                        inputDesc, 0, HasContext ? nullptr : &Context, &outDesc, &attributes, nullptr);
  std::string token = TakeToken(out);
  incomplete = status == SEC_E_INCOMPLETE_MESSAGE;
  if (incomplete) return {};
  if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED) Fail();
  HasContext = true;
  if (status == SEC_E_OK && !IsEstablished) {
    if (Sspi().QueryContextAttributesW(&Context, SECPKG_ATTR_STREAM_SIZES, &Sizes) != SEC_E_OK) Fail();
    IsEstablished = true;
  }
  return token;
}

std::string TTlsSession::Start() {
  bool incomplete = false;
  return Step(nullptr, incomplete);
}

std::string TTlsSession::Continue(std::string& input) {
  SecBuffer in[2] = {{static_cast<ULONG>(input.size()), SECBUFFER_TOKEN, input.data()}, {0, SECBUFFER_EMPTY, nullptr}};
  SecBufferDesc inDesc{SECBUFFER_VERSION, 2, in};
  bool incomplete = false;
  std::string token = Step(&inDesc, incomplete);
  // An incomplete message stays for the next call; of a complete one only the bytes behind it remain.
  if (incomplete) return {};
  const std::size_t extra = in[1].BufferType == SECBUFFER_EXTRA ? in[1].cbBuffer : 0;
  input.erase(0, input.size() - std::min<std::size_t>(extra, input.size()));
  return token;
}

void TTlsSession::RequireModernProtocol() {
  SecPkgContext_ConnectionInfo info{};
  if (Sspi().QueryContextAttributesW(&Context, SECPKG_ATTR_CONNECTION_INFO, &info) != SEC_E_OK) Fail();
  if (!(info.dwProtocol & (SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT))) Fail();
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
    // The buffers point into `input`, decrypted in place: copy out before it changes.
    std::string extra;
    for (const SecBuffer& buffer : buffers) {
      if (buffer.BufferType == SECBUFFER_DATA) plain.append(static_cast<const char*>(buffer.pvBuffer), buffer.cbBuffer);
      if (buffer.BufferType == SECBUFFER_EXTRA)
        extra.assign(input.data() + input.size() - buffer.cbBuffer, buffer.cbBuffer);
    }
    input = std::move(extra);
    // TLS 1.3 sends handshake messages (tickets, key updates) after the handshake; the context takes them.
    if (status == SEC_I_RENEGOTIATE) toSend += Continue(input);
  }
  return true;
}
