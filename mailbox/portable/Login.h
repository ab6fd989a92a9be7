#pragma once
// What one check logs in with: the server, how the connection is secured, the credentials and the
// bound of each wait. No Windows API.
#include <cstdint>
#include <string>

#include "transport/portable/TlsRules.h"

struct TLogin {
  std::string Host;
  std::int32_t Port = 110;
  TSecurity Security = TSecurity::None;
  std::string UserID;
  std::string Password;
  std::int32_t TimeOut = 0;  // milliseconds; 0 waits without bound

  friend bool operator==(const TLogin&, const TLogin&) = default;
};
