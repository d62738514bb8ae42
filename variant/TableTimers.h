// What the table's window timers decide, apart from the engine: the fallback draw and discard
// for an absent player's turn. The scene asks and acts; nothing here sends or draws.
#pragma once

#include <cstdint>

class CTableTimers {
 public:
  static constexpr uintptr_t DRAW_FALLBACK_TIMER = 10;
  static constexpr uintptr_t DISCARD_FALLBACK_TIMER = 11;
  static constexpr uintptr_t AUTO_READY_TIMER = 1003;
  static constexpr unsigned AUTO_READY_MS = 15000;

  enum class Fallback { None, PostDraw, PostDiscard };

  // The state a fallback timer looks at when it fires.
  struct TurnState {
    bool drawTimerSet = false;
    bool discardTimerSet = false;
    bool playing = false;
    bool lookOn = false;
    // The hand of the side the clock points at holds its drawn tile.
    bool holderHasDrawn = false;
  };

  // Timer 10 posts the draw for the player in turn while he has not drawn, timer 11 his
  // discard once he has; both only in a running game of a player, and only while their timer is
  // the one the turn started.
  static Fallback OnFallbackTimer(uintptr_t id, const TurnState& state);
};
