#pragma once
// Windows Sockets 1.1, started for as long as one user holds them: the first user starts them and
// the last one to go cleans them up.
#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class TWinsockUse {
public:
  TWinsockUse();
  ~TWinsockUse();
  TWinsockUse(const TWinsockUse&) = delete;
  TWinsockUse& operator=(const TWinsockUse&) = delete;

  // Whether this user started them; only then is StartupData filled.
  bool Started() const { return StartedHere; }
  const WSADATA& StartupData() const { return Data; }
  // Six lines describing the start-up ("Version= 1.1", ...), for the user that started them; none
  // for the others.
  std::vector<std::string> InfoLines() const;

  // The number of users alive.
  static std::int32_t Users();

private:
  static std::int32_t& Count();

  bool StartedHere = false;
  WSADATA Data{};
};
