#include "platform/kernel/Time.h"

#include <sched.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>

namespace platform {
namespace {

ULONGLONG MonotonicMilliseconds() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<ULONGLONG>(ts.tv_sec) * 1000u + static_cast<ULONGLONG>(ts.tv_nsec) / 1000000u;
}

// GetTickCount = monotonic milliseconds + offset (mod 2^32).
std::atomic<ULONGLONG>& TickOffset() {
  static std::atomic<ULONGLONG> offset{[] {
    const char* start = std::getenv("PXQD_TICK_START");
    if (!start || !*start) return ULONGLONG{0};
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(start, &end, 10);
    if (errno != 0 || *end != '\0' || value > 0xFFFFFFFFull) return ULONGLONG{0};
    return static_cast<ULONGLONG>(value) - MonotonicMilliseconds();
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

void SetTickCountNow(DWORD now) { TickOffset().store(static_cast<ULONGLONG>(now) - MonotonicMilliseconds()); }

}  // namespace platform

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
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
  return static_cast<DWORD>(platform::MonotonicMilliseconds() + offset);
}

ULONGLONG GetTickCount64() { return platform::MonotonicMilliseconds(); }

void GetLocalTime(LPSYSTEMTIME time) { platform::CalendarTime(true, time); }
void GetSystemTime(LPSYSTEMTIME time) { platform::CalendarTime(false, time); }
