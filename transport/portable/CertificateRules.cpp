#include "transport/portable/CertificateRules.h"

#include <algorithm>

uint32_t RevocationRetrievalBound(int32_t timeOutMs) {
  constexpr int32_t SystemDefault = 15000;
  if (timeOutMs <= 0) return SystemDefault;
  return static_cast<uint32_t>(std::min(timeOutMs / 2, SystemDefault));
}

bool TVerifiedCertificates::Contains(const std::string& host, const std::string& certificate, Clock::time_point now) {
  const auto entry = Lapses.find({host, certificate});
  if (entry == Lapses.end()) return false;
  if (now < entry->second) return true;
  Lapses.erase(entry);
  return false;
}

void TVerifiedCertificates::Add(const std::string& host, const std::string& certificate, Clock::time_point notAfter,
                                Clock::time_point now) {
  const Clock::time_point lapse = std::min(notAfter, now + MaxAge);
  if (lapse <= now) return;
  std::erase_if(Lapses, [now](const auto& entry) { return entry.second <= now; });
  const auto key = std::make_pair(host, certificate);
  if (!Lapses.contains(key) && Lapses.size() >= Capacity) {
    Lapses.erase(std::min_element(Lapses.begin(), Lapses.end(),
                                  [](const auto& a, const auto& b) { return a.second < b.second; }));
  }
  Lapses[key] = lapse;
}
