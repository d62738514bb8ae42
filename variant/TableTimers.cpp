#include "variant/TableTimers.h"

CTableTimers::Fallback CTableTimers::OnFallbackTimer(uintptr_t id, const TurnState& s) {
  if (!s.playing || s.lookOn) return Fallback::None;
  if (id == DRAW_FALLBACK_TIMER && s.drawTimerSet && !s.holderHasDrawn) return Fallback::PostDraw;
  if (id == DISCARD_FALLBACK_TIMER && s.discardTimerSet && s.holderHasDrawn) return Fallback::PostDiscard;
  return Fallback::None;
}

bool CTableTimers::OnClockSecond(int countdown, int bankerChair, int ownChair, int playerCount) {
  if (countdown > 0) {
    m_idle = 0;
    return false;
  }
  ++m_idle;
  if (playerCount <= 0 || m_idle < IDLE_FIRST || (m_idle - IDLE_FIRST) % IDLE_STEP != 0) return false;
  const int turn = (m_idle - IDLE_FIRST) / IDLE_STEP;
  const int chair = ((bankerChair + turn) % playerCount + playerCount) % playerCount;
  return chair == ownChair;
}
