#include "pop3/Winsock.h"

std::int32_t& TWinsockUse::Count() {
  static std::int32_t users = 0;
  return users;
}

std::int32_t TWinsockUse::Users() { return Count(); }

TWinsockUse::TWinsockUse() {
  if (++Count() == 1) {
    WSAStartup(MAKEWORD(1, 1), &Data);
    StartedHere = true;
  }
}

TWinsockUse::~TWinsockUse() {
  if (--Count() == 0) WSACleanup();
}
