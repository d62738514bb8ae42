#include "variant/TableTimers.h"

CTableTimers::Fallback CTableTimers::OnFallbackTimer(uintptr_t id, const TurnState& s) {
  if (!s.playing || s.lookOn) return Fallback::None;
  if (id == DRAW_FALLBACK_TIMER && s.drawTimerSet && !s.holderHasDrawn) return Fallback::PostDraw;
  if (id == DISCARD_FALLBACK_TIMER && s.discardTimerSet && s.holderHasDrawn) return Fallback::PostDiscard;
  return Fallback::None;
}
