// The two large records of the table: the 5080-byte table-info record (sent whole as the answer
// to a resync and, cut down to 952 bytes, as the new-hand notification) and the round result
// (a 2120-byte block and one 176-byte entry per chair).
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "testbed/table/BodyBytes.h"

namespace testbed {

enum MeldFamily { FAMILY_PENG = 0, FAMILY_CHI, FAMILY_EXPOSED_GANG, FAMILY_CONCEALED_GANG, FAMILY_ADDED_GANG, FAMILY_COUNT };

// One meld as the snapshot stores it: ints 0 and 1 the two hand tiles, 2 the claimed (or first)
// tile, 3 a gang's fourth tile, 4 the chair it was taken from.
struct SnapshotMeld {
  std::array<int, 4> tiles{-1, -1, -1, -1};
  int source = -1;
};

struct TableInfoRecord {
  static constexpr size_t SIZE = 5080;
  static constexpr size_t NEW_HAND_SIZE = 952;
  static constexpr size_t HEAD_SIZE = 196;
  static constexpr int LIST_SIZE = 36;
  static constexpr int OWN_LIST_SIZE = 32;
  static constexpr int MELDS_PER_FAMILY = 6;

  // Head. The four absent words and the eight round words sit in bytes the clients' own
  // description leaves unnamed: absent flags at 0, last hand's and running silver at 164.
  std::array<int, 4> absent{};
  int handNumber = 0;
  int silverStake = 0;
  int pointStake = 0;
  int banker = 0;
  int word48 = 0;
  int currentChair = 0;
  int status = 0;
  int drawFlags = 0;
  int discardTime = 0;
  int word76 = 0;
  int silverTable = 0;
  int leaveByRequest = 0;
  std::array<int, 4> dice{};
  int quickPass = 0;
  int fifthButton = 0;
  int concealedGangFace = 0;
  int jokerSortFlag = 0;
  int substituteFlag = 0;
  int wallStart = 0;
  int indicatorPosition = 0;
  int joker1 = -1;
  int joker2 = -1;
  int indicatorTile = -1;
  int tailTaken = 0;
  int wallHead = 0;  // the wall place of the next head draw
  int claimTime = 0;
  int autoPlayDelay = 0;
  std::array<int, 4> lastSilver{};
  std::array<int, 4> totalSilver{};

  // Snapshot.
  std::array<std::array<std::vector<SnapshotMeld>, 4>, FAMILY_COUNT> melds;
  std::array<std::vector<int>, 4> rivers;
  std::array<std::vector<int>, 4> flowers;
  std::array<int, 4> handCounts{};
  std::vector<int> ownHand;  // the recipient's tiles (or 200s)
  std::array<int, 4> leaveRequests{};
  int minHands = 0;

  BodyData Write() const;
  BodyData WriteNewHand() const;
  static std::optional<TableInfoRecord> Read(std::span<const BYTE> record);
  static std::optional<TableInfoRecord> ReadNewHand(std::span<const BYTE> body);
};

struct RoundSeatEntry {
  static constexpr size_t SIZE = 176;
  static constexpr int ITEMS = 32;
  std::array<int, ITEMS> items{};
  int total = 0;
  int kongPoints = 0;
  int kongSecond = 0;
  int treasurePoints = 0;
  int flyingTreasures = 0;
};

struct RoundResultRecord {
  static constexpr size_t BLOCK_SIZE = 2120;
  static constexpr int FLAG_DRAWN = 0x2;
  static constexpr int FLAG_WIN_TILE_IN_LIST = 0x2000000;
  static constexpr size_t NAMES_OFFSET = 1824;
  static constexpr size_t NAMES_SIZE = 296;

  int flags = 0;
  int seatCount = 4;
  int banker = 0;
  int silverPerPoint = 0;
  std::array<int, 8> scoreBefore{};
  std::array<int, 8> silverBefore{};
  std::array<int, 8> points{};
  std::array<int, 8> silver{};
  std::array<int, 8> levelIndex{};
  std::array<std::string, 8> levelTitle;
  std::array<int, 4> win{};
  int word676 = -1;
  int firstShown = -1;
  int winTile = -1;
  int silent = 0;
  std::array<std::vector<int>, 4> finalTiles;
  std::string itemNames;  // GBK, '|'-separated
  std::vector<RoundSeatEntry> seats;

  BodyData Write() const;
  static std::optional<RoundResultRecord> Read(std::span<const BYTE> body);
};

}  // namespace testbed
