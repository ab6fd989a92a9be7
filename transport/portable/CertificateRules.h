#pragma once
// Rules of the server certificate check that need no Windows API: how long fetching revocation
// lists may take, and which certificates need not be verified in full again.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

// The time that fetching issuers and revocation lists may take in all, in ms, for a wait bounded by
// `timeOutMs` (0: no bound): half of it, so that a revocation server that does not answer counts
// as unreachable before the check times out, and never more than the system's default of 15 s.
uint32_t RevocationRetrievalBound(int32_t timeOutMs);

// Certificates verified in full in this run, each for the host it was verified for. An entry lapses
// at the certificate's end of validity and after MaxAge, so that revocation is looked at again.
class TVerifiedCertificates {
public:
  using Clock = std::chrono::system_clock;
  static constexpr std::chrono::hours MaxAge{1};
  static constexpr std::size_t Capacity = 16;

  // `certificate` is the certificate's encoded bytes.
  bool Contains(const std::string& host, const std::string& certificate, Clock::time_point now);
  void Add(const std::string& host, const std::string& certificate, Clock::time_point notAfter, Clock::time_point now);

private:
  std::map<std::pair<std::string, std::string>, Clock::time_point> Lapses;
};
