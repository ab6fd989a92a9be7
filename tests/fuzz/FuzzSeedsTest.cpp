// Runs a fuzz target's properties over its committed corpus in every native build, so they hold
// even where clang is not at hand. Each target is linked into a test program of its own.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

TEST(FuzzSeeds, EverySeedKeepsTheTargetsPromises) {
  int seeds = 0;
  for (const auto& entry : std::filesystem::directory_iterator(PELMORA_FUZZ_CORPUS)) {
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    SCOPED_TRACE(entry.path().string());
    EXPECT_EQ(LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
    ++seeds;
  }
  EXPECT_GE(seeds, 4);
}
