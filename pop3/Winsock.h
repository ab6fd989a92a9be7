#pragma once
// Windows Sockets 1.1, started for as long as one user holds them: the first user starts them and
// the last one to go cleans them up.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>

class TWinsockUse {
public:
  TWinsockUse();
  ~TWinsockUse();
  TWinsockUse(const TWinsockUse&) = delete;
  TWinsockUse& operator=(const TWinsockUse&) = delete;

  // Whether this user started them; only then is StartupData filled.
  bool Started() const { return StartedHere; }
  const WSADATA& StartupData() const { return Data; }

  // The number of users alive.
  static std::int32_t Users();

private:
  static std::int32_t& Count();

  bool StartedHere = false;
  WSADATA Data{};
};
