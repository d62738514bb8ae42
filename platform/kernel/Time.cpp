#include "platform/kernel/Time.h"

#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

#include "platform/kernel/KernelObject.h"

namespace platform {
namespace {

ULONGLONG SystemMilliseconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<ULONGLONG>(ts.tv_sec) * 1000u + static_cast<ULONGLONG>(ts.tv_nsec) / 1000000u;
}

// The clock's speed: 1 unless PXQD_CLOCK_SCALE (1 to 1000, read once) or SetClockScale says
// otherwise. A scaled clock counts `scale` milliseconds for every real one from the moment the
// scale was set, so that a long run of the client keeps pace with a server whose clock runs
// faster too.
struct ClockSpeed {
  std::atomic<ULONGLONG> scale{1};
  std::atomic<ULONGLONG> anchorReal{0};    // the system reading when the scale was set
  std::atomic<ULONGLONG> anchorScaled{0};  // the clock's reading at that moment
};

ULONGLONG ParseScale(const char* text) {
  if (!text || !*text) return 1;
  char* end = nullptr;
  errno = 0;
  unsigned long long value = std::strtoull(text, &end, 10);
  if (errno != 0 || *end != '\0' || value < 1 || value > CLOCK_SCALE_MAX) return 1;
  return value;
}

ClockSpeed& Speed() {
  static ClockSpeed speed;
  static const bool read = [] {
    const ULONGLONG now = SystemMilliseconds();
    speed.scale.store(ParseScale(std::getenv("PXQD_CLOCK_SCALE")));
    speed.anchorReal.store(now);
    speed.anchorScaled.store(now);
    return true;
  }();
  (void)read;
  return speed;
}

ULONGLONG MonotonicMilliseconds() {
  ClockSpeed& s = Speed();
  const ULONGLONG scale = s.scale.load();
  const ULONGLONG now = SystemMilliseconds();
  if (scale == 1) return now - s.anchorReal.load() + s.anchorScaled.load();
  return s.anchorScaled.load() + (now - s.anchorReal.load()) * scale;
}

// The stopped clock: while `stopped` is set the clock reads `stoppedAt`; `drift` is added to the
// system clock while it runs, so that a clock started again goes on from where it stood.
struct ManualClock {
  std::atomic<bool> stopped{false};
  std::atomic<ULONGLONG> stoppedAt{0};
  std::atomic<ULONGLONG> drift{0};
  std::atomic<ULONGLONG> moves{0};
};

ManualClock& Manual() {
  static ManualClock clock;
  return clock;
}

ULONGLONG ClockNow() {
  ManualClock& m = Manual();
  if (m.stopped.load()) return m.stoppedAt.load();
  return MonotonicMilliseconds() + m.drift.load();
}

// GetTickCount = clock milliseconds + offset (mod 2^32).
std::atomic<ULONGLONG>& TickOffset() {
  static std::atomic<ULONGLONG> offset{[] {
    const char* start = std::getenv("PXQD_TICK_START");
    if (!start || !*start) return ULONGLONG{0};
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(start, &end, 10);
    if (errno != 0 || *end != '\0' || value > 0xFFFFFFFFull) return ULONGLONG{0};
    return static_cast<ULONGLONG>(value) - ClockNow();
  }()};
  return offset;
}

void FillSystemTime(const tm& t, long nanoseconds, LPSYSTEMTIME out) {
  out->wYear = static_cast<WORD>(t.tm_year + 1900);
  out->wMonth = static_cast<WORD>(t.tm_mon + 1);
  out->wDayOfWeek = static_cast<WORD>(t.tm_wday);
  out->wDay = static_cast<WORD>(t.tm_mday);
  out->wHour = static_cast<WORD>(t.tm_hour);
  out->wMinute = static_cast<WORD>(t.tm_min);
  // A leap second (60) is folded into 59 as Windows never reports it.
  out->wSecond = static_cast<WORD>(t.tm_sec > 59 ? 59 : t.tm_sec);
  out->wMilliseconds = static_cast<WORD>(nanoseconds / 1000000);
}

void CalendarTime(bool local, LPSYSTEMTIME out) {
  if (!out) return;
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  tm t{};
  if (local) {
    localtime_r(&ts.tv_sec, &t);
  } else {
    gmtime_r(&ts.tv_sec, &t);
  }
  FillSystemTime(t, ts.tv_nsec, out);
}

}  // namespace

void SetTickCountNow(DWORD now) { TickOffset().store(static_cast<ULONGLONG>(now) - ClockNow()); }

void StopClock() {
  ManualClock& m = Manual();
  if (m.stopped.load()) return;
  m.stoppedAt.store(ClockNow());
  m.stopped.store(true);
}

void AdvanceClock(DWORD milliseconds) {
  ManualClock& m = Manual();
  if (!m.stopped.load()) return;
  m.stoppedAt.fetch_add(milliseconds);
  m.moves.fetch_add(1);
  // Threads that wait for a timer re-read the clock.
  NotifyWaiters();
}

void StartClock() {
  ManualClock& m = Manual();
  if (!m.stopped.load()) return;
  m.drift.store(m.stoppedAt.load() - MonotonicMilliseconds());
  m.stopped.store(false);
  m.moves.fetch_add(1);
  NotifyWaiters();
}

void SetClockScale(unsigned scale) {
  if (scale < 1 || scale > CLOCK_SCALE_MAX) return;
  ClockSpeed& s = Speed();
  // The clock goes on from where it stands, only at the new speed.
  const ULONGLONG here = MonotonicMilliseconds();
  s.anchorReal.store(SystemMilliseconds());
  s.anchorScaled.store(here);
  s.scale.store(scale);
  NotifyWaiters();
}

unsigned ClockScale() { return static_cast<unsigned>(Speed().scale.load()); }

ULONGLONG ClockToRealMilliseconds(ULONGLONG clockMilliseconds) {
  const ULONGLONG scale = Speed().scale.load();
  return (clockMilliseconds + scale - 1) / scale;
}

bool IsClockStopped() { return Manual().stopped.load(); }
ULONGLONG ClockMilliseconds() { return ClockNow(); }
ULONGLONG ClockMoves() { return Manual().moves.load(); }

}  // namespace platform

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  platform::BeforeBlocking();
  if (milliseconds == INFINITE) {
    for (;;) ::sleep(3600);
  }
  timespec ts{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

DWORD GetTickCount() {
  // The offset is read first: on the first call it is computed from a clock reading of its own,
  // and a clock read before that would make the first count come out a millisecond or more
  // below the start value the environment asked for.
  ULONGLONG offset = platform::TickOffset().load();
  return static_cast<DWORD>(platform::ClockNow() + offset);
}

ULONGLONG GetTickCount64() { return platform::ClockNow(); }

void GetLocalTime(LPSYSTEMTIME time) { platform::CalendarTime(true, time); }
void GetSystemTime(LPSYSTEMTIME time) { platform::CalendarTime(false, time); }
