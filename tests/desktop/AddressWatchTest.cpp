// The address watch under Wine, which cannot make the machine's addresses change: what is shown here
// is that a watch's life leaves nothing behind, no handle, no thread and no window.
#include "desktop/AddressWatch.h"

#include <gtest/gtest.h>

#include "tests/support/ProcessHoldings.h"

namespace {

int WatchWindows() {
  int count = 0;
  for (HWND window = nullptr; (window = FindWindowExW(HWND_MESSAGE, window, L"PelmoraAddressWatch", nullptr));)
    ++count;
  return count;
}

// The thread pool keeps an idle thread for a while before it ends it.
bool ThreadsBackTo(unsigned long count) {
  for (int tries = 0; tries < 100; ++tries) {
    if (ProcessThreads() <= count) return true;
    Sleep(50);
  }
  return false;
}

}  // namespace

TEST(AddressWatch, WatchesUntilDestroyedAndLeavesNoHandleThreadOrWindowBehind) {
  // The first watch loads the system's notification library and starts its thread pool.
  { TAddressWatch first; }
  ASSERT_TRUE(ThreadsBackTo(ProcessThreads()));
  const unsigned long handles = KernelHandles();
  const unsigned long threads = ProcessThreads();
  // More watches than one wait thread of the pool serves (63), so that a wait left registered shows
  // as a thread.
  for (int i = 0; i < 70; ++i) {
    TAddressWatch watch;
    EXPECT_EQ(WatchWindows(), 1);
  }
  EXPECT_EQ(WatchWindows(), 0);
  EXPECT_EQ(KernelHandles(), handles);
  EXPECT_TRUE(ThreadsBackTo(threads)) << ProcessThreads() << " threads, " << threads << " before";
}
