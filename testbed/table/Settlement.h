// What a hand is worth and who pays it. Points are whole units; silver is points times the
// table's silver stake. Every payment moves points from one chair to another, so a hand's
// points and silver always sum to zero.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "testbed/table/TableRecords.h"

namespace testbed {

enum class WinKind { NONE, ON_DISCARD, SELF_DRAWN, ROBBING };

// The result items, in the order of the round result's item names.
enum SettlementItem {
  ITEM_BASE = 0,     // 底分: every win
  ITEM_SELF_DRAWN,   // 自摸
  ITEM_SEVEN_PAIRS,  // 七对
  ITEM_NO_JOKER,     // 无宝: the winning hand holds no treasure tile
  ITEM_ROBBING,      // 抢杠
  ITEM_AFTER_GANG,   // 杠上开花: self-drawn on a gang's replacement tile
  ITEM_COUNT
};

struct GangPayment {
  int actor = 0;
  int giver = -1;  // exposed gang on a discard: the discarder pays alone
  int kind = 0;    // FAMILY_EXPOSED_GANG, FAMILY_CONCEALED_GANG or FAMILY_ADDED_GANG
};

struct HandOutcome {
  WinKind kind = WinKind::NONE;
  int winner = -1;
  int payer = -1;  // the discarder, or the robbed gang's actor
  bool sevenPairs = false;
  bool noJoker = false;
  bool afterGang = false;
  std::vector<GangPayment> gangs;
};

struct SettlementResult {
  std::array<int, 4> points{};       // win and gang points together
  std::array<int, 4> gangPoints{};
  std::array<int, ITEM_COUNT> items{};  // the winner's items in points (0 = absent)
  int fan = 0;                       // what each payer pays for the win
};

class Settlement {
 public:
  static SettlementResult Compute(const HandOutcome& outcome);
  // The item names of the round result, '|'-separated (GBK).
  static std::string ItemNames();
};

}  // namespace testbed
