// The engine clock: one millisecond reading per frame, cached so that everything that runs in a
// frame (applies, particles, strips) sees the same time. The reading comes from the tick count
// unless a test or a tool installs a clock of its own.
#pragma once

#include <cstdint>

// Reads the clock, stores the value as the current frame time and returns it.
uint32_t UpdateEngineClock();
// The value stored by the last UpdateEngineClock, without reading the clock.
uint32_t GetEngineTime();
// The clock mode: always 1, the tick-count clock.
int GetEngineClockMode();

// Replaces the clock that UpdateEngineClock reads; null restores the tick count.
typedef uint32_t (*EngineClockSource)();
void SetEngineClockSource(EngineClockSource source);
