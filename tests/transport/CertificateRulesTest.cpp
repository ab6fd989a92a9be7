#include "transport/portable/CertificateRules.h"

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {
using Clock = TVerifiedCertificates::Clock;
const Clock::time_point Start = Clock::time_point(1'800'000'000s);
}  // namespace

// A verdict stands for its host only, until the certificate expires or an hour has passed, and the
// cache never holds more than its capacity however many servers are checked.
TEST(VerifiedCertificates, LapseAtTheEndOfValidityOrAfterAnHourAndStayBounded) {
  TVerifiedCertificates verified;
  verified.Add("pop.example.jp", "cert A", Start + 10min, Start);
  EXPECT_TRUE(verified.Contains("pop.example.jp", "cert A", Start + 9min));
  EXPECT_FALSE(verified.Contains("mail.example.jp", "cert A", Start));
  EXPECT_FALSE(verified.Contains("pop.example.jp", "cert B", Start));
  EXPECT_FALSE(verified.Contains("pop.example.jp", "cert A", Start + 10min));

  verified.Add("pop.example.jp", "cert A", Start + 24h * 365, Start);
  EXPECT_TRUE(verified.Contains("pop.example.jp", "cert A", Start + 59min));
  EXPECT_FALSE(verified.Contains("pop.example.jp", "cert A", Start + 1h));

  verified.Add("expired", "cert", Start - 1s, Start);
  EXPECT_FALSE(verified.Contains("expired", "cert", Start - 2s));

  for (std::size_t i = 0; i <= TVerifiedCertificates::Capacity; ++i)
    verified.Add("host" + std::to_string(i), "cert", Start + 24h, Start + std::chrono::seconds(i));
  // The entry that lapses first made room for the last one.
  EXPECT_FALSE(verified.Contains("host0", "cert", Start + 20s));
  for (std::size_t i = 1; i <= TVerifiedCertificates::Capacity; ++i)
    EXPECT_TRUE(verified.Contains("host" + std::to_string(i), "cert", Start + 20s)) << i;
}
