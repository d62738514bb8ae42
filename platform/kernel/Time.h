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
}  // namespace platform
