// Fuzz target for the server's first bytes of a TLS handshake as the observer reads them in clear:
// the input is what a server (or anyone on the path) sends. Beyond not crashing, the verdict does
// not depend on how the bytes arrive: fed at once, byte by byte, or in pieces of the size the
// first byte names, the observer tells the same.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "transport/portable/TlsHandshake.h"
#include "tests/fuzz/FuzzProperty.h"

namespace {

using fuzz::Require;

struct TVerdict {
  bool NotTls;
  bool OldProtocol;
  bool CertificateRequested;
  TTlsFailure Failure;
  bool operator==(const TVerdict&) const = default;
};

TVerdict Observe(std::string_view bytes, std::size_t piece) {
  TTlsHandshakeObserver observer;
  for (std::size_t at = 0; at < bytes.size(); at += piece) observer.Received(bytes.substr(at, piece));
  return {observer.NotTls(), observer.OldProtocol(), observer.CertificateRequested(), observer.Failure()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const TVerdict whole = Observe(bytes, bytes.size() + 1);
  Require(Observe(bytes, 1) == whole, "byte by byte as at once");
  Require(Observe(bytes, static_cast<std::size_t>(data[0]) + 1) == whole, "in pieces as at once");
  return 0;
}
