// Sleep, the millisecond tick and the calendar time.
#pragma once

#include "platform/base/WinTypes.h"

// Blocks the calling thread. Sleep(0) gives up the rest of the time slice.
void Sleep(DWORD milliseconds);

// Milliseconds on a monotonic clock, as a 32-bit value that wraps after about 49.7 days; callers
// compare ticks by unsigned difference. The count starts at an arbitrary value: by default the
// system's monotonic clock, or the value of the environment variable PXQD_TICK_START (decimal, read
// at the first call) at the first call, so that a whole program can be run across the wrap.
DWORD GetTickCount();
ULONGLONG GetTickCount64();

// The calendar time in the local time zone, and in UTC.
void GetLocalTime(LPSYSTEMTIME time);
void GetSystemTime(LPSYSTEMTIME time);

namespace platform {
// For tests: makes GetTickCount return `now` at this instant and count on from there.
void SetTickCountNow(DWORD now);

// For tests: stops the clock that GetTickCount, GetTickCount64 and the window timers read, so that
// it moves only when AdvanceClock moves it and a test sees every delay exactly, however slowly the
// machine runs. The time-outs of waits, Sleep and the calendar time stay on the real clock, so a
// wait never hangs on a stopped clock. StartClock lets it run on from where it stands.
void StopClock();
void AdvanceClock(DWORD milliseconds);
void StartClock();
bool IsClockStopped();
// The clock's speed for long runs: the clock above (and with it GetTickCount, the window timers
// and the engine's frames) counts `scale` milliseconds for every real one, from where it stands
// when the scale is set. The environment variable PXQD_CLOCK_SCALE (1 to 1000) sets it at the
// first reading of the clock; other values leave it at 1. Waits, Sleep and the calendar time stay
// real. A scale outside 1 to CLOCK_SCALE_MAX is ignored.
constexpr unsigned CLOCK_SCALE_MAX = 1000;
void SetClockScale(unsigned scale);
unsigned ClockScale();
// The real milliseconds in which the clock above moves on by `clockMilliseconds` (rounded up).
ULONGLONG ClockToRealMilliseconds(ULONGLONG clockMilliseconds);
// The milliseconds of the clock above (stopped or running); GetTickCount64 returns the same.
ULONGLONG ClockMilliseconds();
// Counts the moves of the stopped clock, so that a waiter can tell that the clock has moved.
ULONGLONG ClockMoves();
}  // namespace platform
