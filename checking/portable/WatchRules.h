#pragma once
// When a watcher of an account renews IDLE and when it tries again after a failure. No Windows API.
#include <cstdint>

namespace checking {

struct WatchTiming {
  // Retries after a failure: the first at once, then this unit doubling up to the maximum.
  std::uint32_t RetryUnitMs = 1000;
  std::uint32_t RetryMaxMs = 5 * 60 * 1000;
  // IDLE is renewed well before servers and routers drop a quiet connection.
  std::uint32_t RenewMinMs = 9 * 60 * 1000;
  std::uint32_t RenewMaxMs = 10 * 60 * 1000;
};

// The wait before the retry that follows `failures` failures in a row (1 for the first), `random` in
// [0, 1): none after the first, then the doubling wait less up to half of it at random, so that
// watchers cut off together do not all come back together.
std::uint32_t RetryDelayMs(const WatchTiming& timing, std::uint32_t failures, double random);
// A wait between RenewMinMs and RenewMaxMs.
std::uint32_t RenewDelayMs(const WatchTiming& timing, double random);

}  // namespace checking
