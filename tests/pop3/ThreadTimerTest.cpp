#include "pop3/ThreadTimer.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/pop3/Pumping.h"
#include "toolkit/ErrorDialog.h"
#include "toolkit/Exception.h"

namespace {
// KillTimer succeeds only when the system timer exists.
bool SystemTimerRuns(const TThreadTimer& timer) {
  const bool running = KillTimer(timer.TimerWindow(), 1) != FALSE;
  return running;
}
}  // namespace

TEST(ThreadTimer, StartsEnabledWithOneSecondAndNoSystemTimerUntilAHandlerIsSet) {
  TThreadTimer timer;
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  ASSERT_NE(timer.TimerWindow(), nullptr);
  EXPECT_FALSE(SystemTimerRuns(timer));
  timer.SetOnTimer([](TObject*) {});
  EXPECT_TRUE(SystemTimerRuns(timer));
}

TEST(ThreadTimer, IntervalZeroOrNoHandlerMeansNoTick) {
  TThreadTimer timer;
  int ticks = 0;
  timer.SetInterval(0);
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  EXPECT_FALSE(SystemTimerRuns(timer));
  timer.SetInterval(30);
  timer.SetOnTimer(nullptr);
  PumpFor(150);
  EXPECT_EQ(ticks, 0);
  EXPECT_FALSE(SystemTimerRuns(timer));
}

TEST(ThreadTimer, OneTickWhenTheHandlerTurnsTheTimerOff) {
  TThreadTimer timer;
  timer.SetEnabled(false);
  timer.SetInterval(60);
  int ticks = 0;
  timer.SetOnTimer([&](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    ++ticks;
    static_cast<TThreadTimer*>(sender)->SetEnabled(false);
  });
  PumpFor(150);
  EXPECT_EQ(ticks, 0);  // still disabled
  timer.SetEnabled(true);
  PumpFor(400);
  EXPECT_EQ(ticks, 1);
}

TEST(ThreadTimer, EnablingTwiceDoesNotRestartTheCountdownButANewIntervalDoes) {
  TThreadTimer timer;
  timer.SetEnabled(false);
  timer.SetInterval(600);
  ULONGLONG tickAt = 0;
  timer.SetOnTimer([&](TObject* sender) {
    tickAt = GetTickCount64();
    static_cast<TThreadTimer*>(sender)->SetEnabled(false);
  });
  const ULONGLONG start = GetTickCount64();
  timer.SetEnabled(true);
  PumpFor(300);
  timer.SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return tickAt != 0; }, 2000));
  EXPECT_LT(tickAt - start, 880u);  // a restart would have put the tick at 900 ms or later

  tickAt = 0;
  const ULONGLONG second = GetTickCount64();
  timer.SetEnabled(true);
  PumpFor(300);
  timer.SetInterval(601);
  ASSERT_TRUE(PumpUntil([&] { return tickAt != 0; }, 2000));
  EXPECT_GE(tickAt - second, 880u);
}

TEST(ThreadTimer, AnExceptionFromTheHandlerGoesToTheErrorDisplayAndTheTimerGoesOn) {
  std::string shown;
  SetExceptionDisplay([&](const std::string& message) { shown += message + ";"; });
  TThreadTimer timer;
  timer.SetInterval(40);
  int ticks = 0;
  timer.SetOnTimer([&](TObject*) {
    if (++ticks <= 2) throw Exception("boom");
  });
  EXPECT_TRUE(PumpUntil([&] { return ticks >= 3; }, 3000));
  SetExceptionDisplay(nullptr);
  EXPECT_EQ(shown, "boom;boom;");
}

TEST(ThreadTimer, EachTimerHasItsOwnWindowOfOneClassAndDestructionRemovesIt) {
  const int before = CountThreadWindows(L"TmrWindowClass");
  {
    auto first = std::make_unique<TThreadTimer>();
    auto second = std::make_unique<TThreadTimer>();
    EXPECT_NE(first->TimerWindow(), second->TimerWindow());
    EXPECT_EQ(CountThreadWindows(L"TmrWindowClass"), before + 2);
    WNDCLASSW info;
    EXPECT_TRUE(GetClassInfoW(GetModuleHandleW(nullptr), L"TmrWindowClass", &info));
    const LONG_PTR style = GetWindowLongPtrW(first->TimerWindow(), GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongPtrW(first->TimerWindow(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  }
  EXPECT_EQ(CountThreadWindows(L"TmrWindowClass"), before);
}
