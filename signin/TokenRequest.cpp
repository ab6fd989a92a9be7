#include "signin/TokenRequest.h"

#include <winsock2.h>
#include <winhttp.h>

#include <memory>
#include <utility>

#include "toolkit/portable/Exception.h"
#include "transport/portable/TlsRules.h"

namespace {

struct HandleRelease {
  void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using HttpHandle = std::unique_ptr<void, HandleRelease>;

constexpr char kFailure[] = "サインインのサーバーと通信できません。\n";

[[noreturn]] void Fail(const std::string& reason) { throw Exception(kFailure + reason); }

TTlsFailure TlsFailureOf(DWORD secureFlags) {
  if (secureFlags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_REVOKED) return TTlsFailure::Revoked;
  if (secureFlags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_CN_INVALID) return TTlsFailure::HostMismatch;
  if (secureFlags & WINHTTP_CALLBACK_STATUS_FLAG_CERT_DATE_INVALID) return TTlsFailure::Expired;
  if (secureFlags & (WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA | WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CERT |
                     WINHTTP_CALLBACK_STATUS_FLAG_CERT_WRONG_USAGE))
    return TTlsFailure::Untrusted;
  return TTlsFailure::Handshake;
}

// `secureFlags`: what the status callback told of a failed certificate check.
[[noreturn]] void FailWithError(DWORD error, DWORD secureFlags) {
  switch (error) {
    case ERROR_WINHTTP_TIMEOUT:
    // Wine's WinHTTP gives the socket's own error.
    case WSAETIMEDOUT:
      Fail("サーバーが時間内に応答しません。");
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      Fail("サーバーの名前が見つかりません。");
    case ERROR_WINHTTP_CANNOT_CONNECT:
    case ERROR_WINHTTP_CONNECTION_ERROR:
      Fail("サーバーに接続できません。");
    case ERROR_WINHTTP_SECURE_FAILURE:
      Fail(TlsFailureText(TlsFailureOf(secureFlags)));
    // Wine's WinHTTP fails the handshake itself for any certificate it does not accept.
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
      Fail(TlsFailureText(TTlsFailure::Handshake));
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
      Fail(TlsFailureText(TTlsFailure::Revoked));
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
      Fail(TlsFailureText(TTlsFailure::HostMismatch));
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
      Fail(TlsFailureText(TTlsFailure::Expired));
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CERT_WRONG_USAGE:
      Fail(TlsFailureText(TTlsFailure::Untrusted));
    default:
      Fail("エラー " + std::to_string(error));
  }
}

// The one exchange, on the worker thread. Every WinHTTP handle is closed before it returns.
class TExchange {
public:
  TExchange(const std::wstring& url, const std::string& body, DWORD timeoutMs)
      : Url(url), Body(body), TimeoutMs(timeoutMs), Deadline(GetTickCount64() + timeoutMs) {}

  TTokenRequest::TReply Run() {
    Open();
    Send();
    return TTokenRequest::TReply{Status(), ReadBody()};
  }

private:
  void Check(bool ok) const {
    if (!ok) FailWithError(GetLastError(), SecureFlags);
  }
  HttpHandle Checked(HINTERNET handle) const {
    if (!handle) FailWithError(GetLastError(), SecureFlags);
    return HttpHandle(handle);
  }

  void Open() {
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(Url.c_str(), 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTPS)
      Fail("トークンの要求先が https の URL ではありません。");
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    const std::wstring path =
        std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) + std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);

    Session = Checked(WinHttpOpen(L"Pelmora", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                  WINHTTP_NO_PROXY_BYPASS, 0));
    const int each = static_cast<int>(TimeoutMs);
    Check(WinHttpSetTimeouts(Session.get(), each, each, each, each));
    AskForModernTls();
    Connection = Checked(WinHttpConnect(Session.get(), host.c_str(), parts.nPort, 0));
    Request = Checked(WinHttpOpenRequest(Connection.get(), L"POST", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                                         WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
    // The wait for the reply's head has a bound of its own, 90 s unless set.
    DWORD timeout = TimeoutMs;
    Check(WinHttpSetOption(Request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &timeout, sizeof timeout));
    DWORD never = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
    Check(WinHttpSetOption(Request.get(), WINHTTP_OPTION_REDIRECT_POLICY, &never, sizeof never));
    // The reasons of a failed certificate check come only through the status callback.
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(&SecureFlags);
    Check(WinHttpSetOption(Request.get(), WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context));
    WinHttpSetStatusCallback(Request.get(), SecureFailure, WINHTTP_CALLBACK_FLAG_SECURE_FAILURE, 0);
  }

  // TLS 1.2 and newer by name, as the mail connections ask: Windows 7's WinHTTP offers only TLS 1.0 by
  // default (and TLS 1.2 at all only with update KB3140245), and systems that know no TLS 1.3 refuse
  // its flag.
  void AskForModernTls() {
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
    if (WinHttpSetOption(Session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) return;
    protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
    Check(WinHttpSetOption(Session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols));
  }

  static void CALLBACK SecureFailure(HINTERNET, DWORD_PTR context, DWORD status, void* info, DWORD infoLength) {
    if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE && context && info && infoLength >= sizeof(DWORD))
      *reinterpret_cast<DWORD*>(context) |= *static_cast<const DWORD*>(info);
  }

  void Send() {
    static constexpr wchar_t kHeaders[] =
        L"Content-Type: application/x-www-form-urlencoded\r\nAccept: application/json\r\n";
    if (Body.size() > kMaxBodyBytes) throw ERangeError();
    const DWORD length = static_cast<DWORD>(Body.size());
    Check(WinHttpSendRequest(Request.get(), kHeaders, static_cast<DWORD>(-1), const_cast<char*>(Body.data()), length,
                             length, 0));
    Check(WinHttpReceiveResponse(Request.get(), nullptr));
  }

  int Status() {
    DWORD status = 0;
    DWORD size = sizeof status;
    Check(WinHttpQueryHeaders(Request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                              WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX));
    return static_cast<int>(status);
  }

  std::string ReadBody() {
    std::string body;
    char chunk[4096];
    for (;;) {
      // A server that trickles its reply byte by byte stays within each wait but not within this.
      if (GetTickCount64() > Deadline) FailWithError(ERROR_WINHTTP_TIMEOUT, 0);
      DWORD read = 0;
      Check(WinHttpReadData(Request.get(), chunk, sizeof chunk, &read));
      if (read == 0) return body;
      if (read > sizeof chunk || body.size() + read > TTokenRequest::kMaxReplyBytes)
        Fail("サーバーの応答が大きすぎます。");
      body.append(chunk, read);
    }
  }

  // Far beyond a form of a code, a verifier and a refresh token; keeps the length within a DWORD.
  static constexpr size_t kMaxBodyBytes = 64 * 1024;

  const std::wstring& Url;
  const std::string& Body;
  DWORD TimeoutMs;
  ULONGLONG Deadline;
  DWORD SecureFlags = 0;
  // Closed in reverse order: the request before its connection before the session.
  HttpHandle Session;
  HttpHandle Connection;
  HttpHandle Request;
};

}  // namespace

TTokenRequest::TTokenRequest(std::wstring url, std::string body, DWORD timeoutMs)
    : Call([url = std::move(url), body = std::move(body), timeoutMs] { return TExchange(url, body, timeoutMs).Run(); }) {}
