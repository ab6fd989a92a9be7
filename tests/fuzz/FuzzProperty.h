#pragma once
// What the fuzz targets share: a broken property aborts, which libFuzzer reports as a crash with
// the input that broke it, and which fails the replay of the committed corpus.
#include <cstdio>
#include <cstdlib>

namespace fuzz {

inline void Require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "fuzz property broken: %s\n", what);
  std::abort();
}

}  // namespace fuzz
