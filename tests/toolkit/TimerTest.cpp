// Timer rules with short intervals.
#include "toolkit/Timer.h"

#include <gtest/gtest.h>

#include "toolkit/Application.h"
#include "toolkit/ErrorDialog.h"
#include "toolkit/portable/Exception.h"

namespace {

// Dispatches messages for `ms` milliseconds.
void PumpFor(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    Application().ProcessMessages();
    Sleep(1);
  }
}

}  // namespace

TEST(Timer, FiresWhileEnabledWithTheTimerAsSender) {
  TTimer timer(20, false);
  int ticks = 0;
  timer.OnTimer = [&](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    ++ticks;
  };
  PumpFor(120);
  EXPECT_EQ(ticks, 0);
  timer.SetEnabled(true);
  PumpFor(200);
  EXPECT_GE(ticks, 3);
  timer.SetEnabled(false);
  const int stopped = ticks;
  PumpFor(100);
  EXPECT_EQ(ticks, stopped);
}

TEST(Timer, TicksDoNotPileUpWhileTheProgramIsBusy) {
  TTimer timer(10, true);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) { ++ticks; };
  Sleep(200);  // twenty periods pass without dispatching
  Application().ProcessMessages();
  EXPECT_EQ(ticks, 1);
}

TEST(Timer, ANewIntervalRestartsThePeriodAndTheSameIntervalChangesNothing) {
  int ticks = 0;
  {
    TTimer timer(150, true);
    timer.OnTimer = [&](TObject*) { ++ticks; };
    PumpFor(100);
    timer.SetInterval(150);  // same value: the period keeps running
    PumpFor(90);
    EXPECT_EQ(ticks, 1);
  }
  ticks = 0;
  {
    TTimer timer(150, true);
    timer.OnTimer = [&](TObject*) { ++ticks; };
    PumpFor(100);
    timer.SetInterval(151);  // new value: the next tick is a whole period later
    PumpFor(90);
    EXPECT_EQ(ticks, 0);
    PumpFor(120);
    EXPECT_EQ(ticks, 1);
  }
}

TEST(Timer, EnablingRestartsThePeriodAndZeroNeverFires) {
  int ticks = 0;
  TTimer timer(150, true);
  timer.OnTimer = [&](TObject*) { ++ticks; };
  PumpFor(100);
  timer.SetEnabled(true);  // already enabled: nothing changes
  PumpFor(90);
  EXPECT_EQ(ticks, 1);
  timer.SetEnabled(false);
  PumpFor(100);
  timer.SetEnabled(true);
  PumpFor(90);
  EXPECT_EQ(ticks, 1);
  timer.SetInterval(0);
  PumpFor(200);
  EXPECT_EQ(ticks, 1);
}

// The socket transport's time-out turns its timer off from the tick: exactly one tick comes.
TEST(Timer, OneTickWhenTheHandlerTurnsTheTimerOff) {
  TTimer timer(60, false);
  int ticks = 0;
  timer.OnTimer = [&](TObject* sender) {
    ++ticks;
    static_cast<TTimer*>(sender)->SetEnabled(false);
  };
  PumpFor(150);
  EXPECT_EQ(ticks, 0);
  timer.SetEnabled(true);
  PumpFor(400);
  EXPECT_EQ(ticks, 1);
}

TEST(Timer, AnExceptionFromTheHandlerGoesToTheErrorDisplayAndTheTimerGoesOn) {
  std::string shown;
  SetExceptionDisplay([&](const std::string& message) { shown += message + ";"; });
  TTimer timer(40, true);
  int ticks = 0;
  timer.OnTimer = [&](TObject*) {
    if (++ticks <= 2) throw Exception("boom");
  };
  const DWORD start = GetTickCount();
  while (ticks < 3 && GetTickCount() - start < 3000) PumpFor(10);
  SetExceptionDisplay(nullptr);
  EXPECT_EQ(shown, "boom;boom;");
}
