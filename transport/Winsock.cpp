#include "transport/Winsock.h"

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

std::vector<std::string> TWinsockUse::InfoLines() const {
  if (!StartedHere) return {};
  auto version = [](WORD v) { return std::to_string(HIBYTE(v)) + "." + std::to_string(LOBYTE(v)); };
  return {"Version= " + version(Data.wVersion),
          "High Version= " + version(Data.wHighVersion),
          std::string("Description= ") + Data.szDescription,
          std::string("System= ") + Data.szSystemStatus,
          "Max Sockets= " + std::to_string(Data.iMaxSockets),
          "Max Udp pack size= " + std::to_string(Data.iMaxUdpDg)};
}
