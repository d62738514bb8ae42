#include "engine/EngineClock.h"

#include "platform/kernel/Time.h"

namespace {

uint32_t TickCountClock() { return GetTickCount(); }

EngineClockSource g_source = TickCountClock;
uint32_t g_now = 0;

}  // namespace

uint32_t UpdateEngineClock() {
  g_now = g_source();
  return g_now;
}

uint32_t GetEngineTime() { return g_now; }

int GetEngineClockMode() { return 1; }

void SetEngineClockSource(EngineClockSource source) {
  g_source = source ? source : TickCountClock;
}
