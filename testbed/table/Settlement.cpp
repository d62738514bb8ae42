#include "testbed/table/Settlement.h"

namespace testbed {

SettlementResult Settlement::Compute(const HandOutcome& outcome) {
  SettlementResult r;
  for (const GangPayment& g : outcome.gangs) {
    if (g.actor < 0 || g.actor > 3) continue;
    if (g.kind == FAMILY_EXPOSED_GANG && g.giver >= 0 && g.giver <= 3 && g.giver != g.actor) {
      r.gangPoints[g.actor] += 3;
      r.gangPoints[g.giver] -= 3;
      continue;
    }
    const int each = g.kind == FAMILY_CONCEALED_GANG ? 2 : 1;
    for (int c = 0; c < 4; ++c) {
      if (c == g.actor) continue;
      r.gangPoints[c] -= each;
      r.gangPoints[g.actor] += each;
    }
  }
  r.points = r.gangPoints;
  if (outcome.kind == WinKind::NONE || outcome.winner < 0 || outcome.winner > 3) return r;

  r.items[ITEM_BASE] = 1;
  r.items[ITEM_SELF_DRAWN] = outcome.kind == WinKind::SELF_DRAWN ? 1 : 0;
  r.items[ITEM_SEVEN_PAIRS] = outcome.sevenPairs ? 2 : 0;
  r.items[ITEM_NO_JOKER] = outcome.noJoker ? 1 : 0;
  r.items[ITEM_ROBBING] = outcome.kind == WinKind::ROBBING ? 1 : 0;
  r.items[ITEM_AFTER_GANG] = outcome.afterGang && outcome.kind == WinKind::SELF_DRAWN ? 1 : 0;
  for (int v : r.items) r.fan += v;

  // A self-drawn win is paid by all three others; a win on a discard or by robbing a gang is
  // paid by the one who gave the tile, for all three.
  if (outcome.kind == WinKind::SELF_DRAWN || outcome.payer < 0 || outcome.payer > 3 ||
      outcome.payer == outcome.winner) {
    for (int c = 0; c < 4; ++c) {
      if (c == outcome.winner) continue;
      r.points[c] -= r.fan;
      r.points[outcome.winner] += r.fan;
    }
  } else {
    r.points[outcome.payer] -= 3 * r.fan;
    r.points[outcome.winner] += 3 * r.fan;
  }
  return r;
}

std::string Settlement::ItemNames() { return "底分|自摸|七对|无宝|抢杠|杠上开花"; }

}  // namespace testbed
