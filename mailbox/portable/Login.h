#pragma once
// What one check logs in with: the server, how the connection is secured, the credentials and the
// bound of each wait, and how a refused login is told. No Windows API.
#include <cstdint>
#include <string>

#include "toolkit/portable/Exception.h"
#include "transport/portable/TlsRules.h"

struct TLogin {
  std::string Host;
  std::int32_t Port = 110;
  TSecurity Security = TSecurity::None;
  std::string UserID;
  std::string Password;
  std::int32_t TimeOut = 0;  // milliseconds; 0 waits without bound
  // Signs in with this OAuth 2.0 access token instead of the password; only over TLS.
  std::string AccessToken;

  friend bool operator==(const TLogin&, const TLogin&) = default;
};

// A check the server refused with a reason the user can act on; message() is that reason, one line.
class ERefusal : public Exception {
public:
  using Exception::Exception;
};

// The server refused the access token a session logged in with: a fresh one may be taken.
class ETokenRefused : public ERefusal {
public:
  using ERefusal::ERefusal;
};

// The reasons of a login with a token that cannot be made, as the user reads them.
inline constexpr const char* kTokenWithoutTlsText = "サインインするアカウントは暗号化した接続でしか使えません。";
inline constexpr const char* kNoTokenLoginText = "サーバーが OAuth 2.0 でのサインインに対応していません。";
