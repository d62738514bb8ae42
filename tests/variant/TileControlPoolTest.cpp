// The tile controls' bindings: which tile command each event slot of an own tile raises, for an
// onlooker and for the player by the clock's position, the claim that waits for a pick and the
// drawn tile.
#include <gtest/gtest.h>

#include "mahjong/TurnControl.h"
#include "variant/TileControlPool.h"

namespace {

using Pool = CTileControlPool;

TEST(TileControlSlots, EachStateBindsItsTileCommands) {
  // Slots 2 (enter), 3 (leave), 6 (right down), 7 (right up), 8 (click), 11 (right drag).
  constexpr uint32_t PLAYER_ENTER = Pool::CMD_ENTER, PLAYER_LEAVE = Pool::CMD_LEAVE;
  constexpr uint32_t RD = Pool::CMD_DRAG_BEGIN, RU = Pool::CMD_DRAG_END, DRAG = Pool::CMD_DRAG;
  constexpr uint32_t KEPT = 777;  // what the click slot held before
  struct Case {
    const char* what;
    TileBindingState state;
    Pool::SlotCodes codes;
  };
  const Case cases[] = {
      {"looking on, whatever the clock", {true, OWN_CLOCK_POSITION, PENDING_NONE, true},
       {Pool::CMD_LOOK_ENTER, Pool::CMD_LOOK_LEAVE, 0, 0, 0, 0}},
      {"own turn with the drawn tile", {false, OWN_CLOCK_POSITION, PENDING_NONE, true},
       {PLAYER_ENTER, PLAYER_LEAVE, RD, RU, Pool::CMD_DISCARD, DRAG}},
      {"own turn without a drawn tile", {false, OWN_CLOCK_POSITION, PENDING_NONE, false},
       {PLAYER_ENTER, PLAYER_LEAVE, RD, RU, 0, DRAG}},
      {"chi pick", {false, OWN_CLOCK_POSITION, PENDING_CHI, false},
       {PLAYER_ENTER, PLAYER_LEAVE, RD, RU, Pool::CMD_PICK_CHI, DRAG}},
      {"peng pending", {false, OWN_CLOCK_POSITION, PENDING_PENG, false},
       {PLAYER_ENTER, PLAYER_LEAVE, RD, RU, Pool::CMD_PICK_PENG, DRAG}},
      {"gang pick", {false, OWN_CLOCK_POSITION, PENDING_GANG, true},
       {PLAYER_ENTER, PLAYER_LEAVE, RD, RU, Pool::CMD_PICK_GANG, DRAG}},
      {"a win waits for the server: the click stays", {false, OWN_CLOCK_POSITION, PENDING_HU, true},
       {PLAYER_ENTER, PLAYER_LEAVE, RD, RU, KEPT, DRAG}},
      {"another side's turn", {false, 2, PENDING_NONE, true}, {PLAYER_ENTER, PLAYER_LEAVE, RD, RU, 0, DRAG}},
      {"another side's turn with a claim open", {false, 4, PENDING_CHI, false},
       {PLAYER_ENTER, PLAYER_LEAVE, RD, RU, 0, DRAG}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.codes, Pool::TileSlotCodes(c.state, KEPT));
  }
  EXPECT_EQ((std::array<uint32_t, 6>{2, 3, 6, 7, 8, 11}), Pool::SLOTS);
}

}  // namespace
