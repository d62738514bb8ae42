#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "platform/kernel/Kernel.h"

namespace {

TEST(Time, TickCountWrapsAt32Bits) {
  platform::StopClock();
  platform::SetTickCountNow(0xFFFFFFF0u);
  DWORD before = GetTickCount();
  platform::AdvanceClock(40);
  DWORD after = GetTickCount();
  // The count has wrapped past zero, and the unsigned difference still gives the elapsed time.
  EXPECT_LT(after, before);
  EXPECT_EQ(40u, after - before);
  platform::SetTickCountNow(1000);
  EXPECT_EQ(1000u, GetTickCount());
  platform::StartClock();
  EXPECT_GE(GetTickCount(), 1000u);
  EXPECT_LT(GetTickCount(), 6000u);
}

// A stopped clock moves only when it is moved; started again it runs on from where it stood,
// never back to the system's time. Sleep stays on the real clock.
TEST(Time, StoppedClockMovesOnlyWhenMovedAndRunsOnFromThere) {
  platform::StopClock();
  EXPECT_TRUE(platform::IsClockStopped());
  const ULONGLONG stopped = GetTickCount64();
  Sleep(5);
  EXPECT_EQ(stopped, GetTickCount64());
  platform::AdvanceClock(100000);
  EXPECT_EQ(stopped + 100000, GetTickCount64());
  EXPECT_EQ(stopped + 100000, platform::ClockMilliseconds());
  platform::StartClock();
  EXPECT_FALSE(platform::IsClockStopped());
  const ULONGLONG running = GetTickCount64();
  EXPECT_GE(running, stopped + 100000);
  EXPECT_LT(running, stopped + 100000 + 60000);
  // Moving a running clock does nothing.
  platform::AdvanceClock(1000000);
  EXPECT_LT(GetTickCount64(), stopped + 1000000);
}

// The environment variable sets where the count starts, so that a whole program can be run
// across the wrap. The check runs in a fresh process, where GetTickCount has not been called yet.
TEST(TimeDeathTest, TickCountStartFromTheEnvironment) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  setenv("PXQD_TICK_START", "4294967000", 1);
  EXPECT_EXIT(
      {
        DWORD first = GetTickCount();
        std::exit(first >= 4294967000u ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  unsetenv("PXQD_TICK_START");
}

// PXQD_CLOCK_SCALE sets the clock's speed at the first reading; a value that is no number from 1
// to 1000 leaves the clock at the real speed. Each case runs in a fresh process.
TEST(TimeDeathTest, ClockScaleFromTheEnvironment) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const struct {
    const char* value;
    unsigned scale;
  } cases[] = {{"50", 50}, {"1", 1}, {"1000", 1000}, {"1001", 1}, {"0", 1}, {"-5", 1}, {"20x", 1}, {"", 1}};
  for (const auto& c : cases) {
    setenv("PXQD_CLOCK_SCALE", c.value, 1);
    EXPECT_EXIT(
        {
          GetTickCount();
          std::exit(platform::ClockScale() == c.scale ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "")
        << "PXQD_CLOCK_SCALE=" << c.value;
  }
  unsetenv("PXQD_CLOCK_SCALE");
}

// A scaled clock counts at least `scale` milliseconds for each real one slept, goes on from where
// it stood when the scale changes, and a clock due time converts to the real wait (rounded up).
TEST(Time, ScaledClockRunsFasterFromWhereItStands) {
  const ULONGLONG before = GetTickCount64();
  platform::SetClockScale(100);
  EXPECT_EQ(100u, platform::ClockScale());
  Sleep(20);
  const ULONGLONG after = GetTickCount64();
  platform::SetClockScale(1);
  EXPECT_GE(after - before, 2000u);
  EXPECT_GE(GetTickCount64(), after);  // never back when the speed drops
  platform::SetClockScale(0);          // refused
  platform::SetClockScale(5000);       // refused
  EXPECT_EQ(1u, platform::ClockScale());
  EXPECT_EQ(250u, platform::ClockToRealMilliseconds(250));
  platform::SetClockScale(100);
  const struct {
    ULONGLONG clock, real;
  } waits[] = {{0, 0}, {1, 1}, {100, 1}, {101, 2}, {250, 3}, {60000, 600}};
  for (const auto& w : waits) EXPECT_EQ(w.real, platform::ClockToRealMilliseconds(w.clock)) << w.clock;
  platform::SetClockScale(1);
}

TEST(Time, SleepBlocksAtLeastTheTime) {
  ULONGLONG start = GetTickCount64();
  Sleep(30);
  EXPECT_GE(GetTickCount64() - start, 30u);
  Sleep(0);
}

TEST(Time, LocalAndSystemTimeAgreeWithTheCRuntime) {
  SYSTEMTIME utc, local;
  time_t now = time(nullptr);
  GetSystemTime(&utc);
  GetLocalTime(&local);
  tm u{}, l{};
  gmtime_r(&now, &u);
  localtime_r(&now, &l);
  // Compared to the minute; a test that runs across a minute's end may see the next one.
  auto minutes = [](WORD y, WORD mo, WORD d, WORD h, WORD mi) {
    return (((static_cast<long>(y) * 13 + mo) * 32 + d) * 24 + h) * 60 + mi;
  };
  long cu = minutes(static_cast<WORD>(u.tm_year + 1900), static_cast<WORD>(u.tm_mon + 1), static_cast<WORD>(u.tm_mday),
                    static_cast<WORD>(u.tm_hour), static_cast<WORD>(u.tm_min));
  long gu = minutes(utc.wYear, utc.wMonth, utc.wDay, utc.wHour, utc.wMinute);
  EXPECT_LE(gu - cu, 1);
  EXPECT_GE(gu - cu, 0);
  EXPECT_LE(local.wMilliseconds, 999);
  EXPECT_LE(utc.wDayOfWeek, 6);
}

}  // namespace
