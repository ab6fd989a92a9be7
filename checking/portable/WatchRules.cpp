#include "checking/portable/WatchRules.h"

#include <algorithm>

namespace checking {

namespace {
double Unit(double random) { return std::clamp(random, 0.0, 1.0); }
}  // namespace

std::uint32_t RetryDelayMs(const WatchTiming& timing, std::uint32_t failures, double random) {
  if (failures <= 1) return 0;
  // Past 2^20 units the maximum has long been reached; the shift stays within 64 bits.
  const std::uint64_t doubled = static_cast<std::uint64_t>(timing.RetryUnitMs) << std::min<std::uint32_t>(failures - 2, 20);
  const std::uint64_t wait = std::min<std::uint64_t>(doubled, timing.RetryMaxMs);
  return static_cast<std::uint32_t>(wait - static_cast<std::uint64_t>(static_cast<double>(wait) * Unit(random) / 2));
}

std::uint32_t RenewDelayMs(const WatchTiming& timing, double random) {
  const std::uint32_t spread = timing.RenewMaxMs > timing.RenewMinMs ? timing.RenewMaxMs - timing.RenewMinMs : 0;
  return timing.RenewMinMs + static_cast<std::uint32_t>(static_cast<double>(spread) * Unit(random));
}

}  // namespace checking
