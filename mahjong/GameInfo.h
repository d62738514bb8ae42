// The game description of a mahjong table: it answers every question about the server's
// table-info record (the state of the table and of the current hand) and the round-result
// record of the last hand, so that the scene, the panes and the seat painter never read the
// records themselves. The mahjong default keeps no records; the game's own description gives
// the storage by replacing the record operations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "mahjong/SeatLayout.h"

// Byte offsets of the 5080-byte table-info record.
namespace TableInfoLayout {
constexpr size_t SIZE = 5080;
constexpr size_t HEAD_SIZE = 196;
constexpr size_t ABSENT_FLAGS = 0;  // 4 ints, agreed with the server
constexpr size_t ROUND_NUMBER = 32;
constexpr size_t SILVER_STAKE = 36;
constexpr size_t POINT_STAKE = 40;
constexpr size_t BANKER = 44;
constexpr size_t WORD48 = 48;
constexpr size_t CURRENT_CHAIR = 52;
constexpr size_t STATUS = 56;
constexpr size_t DRAW_FLAGS = 60;
constexpr size_t DISCARD_TIME = 72;
constexpr size_t WORD76 = 76;
constexpr size_t PLAYS_FOR_SILVER = 84;
constexpr size_t LEAVE_BY_REQUEST = 88;
constexpr size_t DICE = 92;
constexpr size_t QUICK_PASS = 108;
constexpr size_t FIFTH_BUTTON = 112;
constexpr size_t CONCEALED_GANG_FACE = 116;
constexpr size_t JOKER_SORT = 120;
constexpr size_t SUBSTITUTE_FLAG = 124;
constexpr size_t WALL_START = 128;
constexpr size_t INDICATOR_POSITION = 132;
constexpr size_t JOKER1 = 136;
constexpr size_t JOKER2 = 140;
constexpr size_t INDICATOR_TILE = 144;
constexpr size_t TAIL_TAKEN = 148;
constexpr size_t WALL_HEAD = 152;
constexpr size_t CLAIM_TIME = 156;
constexpr size_t AUTO_PLAY_DELAY = 160;
constexpr size_t LAST_SILVER = 164;   // 4 ints, agreed with the server
constexpr size_t TOTAL_SILVER = 180;  // 4 ints, agreed with the server
// The snapshot.
constexpr size_t MELDS = 196;
constexpr int MELD_FAMILIES = 5;
constexpr int MELDS_PER_CHAIR = 6;
constexpr int MELD_INTS = 7;
constexpr size_t MELD_FAMILY_SIZE = (4 * MELDS_PER_CHAIR * MELD_INTS + 4) * 4;  // 688
constexpr size_t RIVERS = 3636;
constexpr size_t RIVER_COUNTS = 4212;
constexpr size_t FLOWERS = 4228;
constexpr size_t FLOWER_COUNTS = 4804;
constexpr int LIST_SIZE = 36;
constexpr size_t HAND_COUNTS = 4852;
constexpr size_t OWN_HAND = 4868;
constexpr int OWN_LIST_SIZE = 32;
constexpr size_t LEAVE_REQUESTS = 4996;
constexpr size_t MIN_HANDS = 5060;
}  // namespace TableInfoLayout

// Byte offsets of the round-result record: a block and then 176-byte seat entries.
namespace RoundResultLayout {
constexpr size_t BLOCK_SIZE = 2120;
constexpr size_t ENTRY_SIZE = 176;
constexpr int MAX_STORED_ENTRIES = 4;
constexpr size_t FLAGS = 0;
constexpr size_t SEAT_ARRAY_COUNT = 8;
constexpr size_t BANKER = 16;
constexpr size_t SILVER_PER_POINT = 156;
constexpr size_t SCORE_BEFORE = 160;
constexpr size_t SILVER_BEFORE = 192;
constexpr size_t POINTS = 288;
constexpr size_t SILVER = 320;
constexpr size_t LEVEL_INDEX = 384;
constexpr size_t LEVEL_TITLE = 416;
constexpr size_t LEVEL_TITLE_FIELD = 16;
constexpr size_t WIN_WORDS = 660;
constexpr size_t WORD676 = 676;
constexpr size_t FIRST_SHOWN = 680;
constexpr size_t WIN_TILE = 684;
constexpr size_t SOUND_WORD = 700;
constexpr size_t ENTRY_COUNT = 724;
constexpr size_t FINAL_TILES = 848;
constexpr int FINAL_LIST_SIZE = 32;
constexpr size_t ITEM_NAMES = 1824;
constexpr size_t ITEM_NAMES_SIZE = BLOCK_SIZE - ITEM_NAMES;
constexpr int FLAG_DRAWN = 0x2;
constexpr int FLAG_24 = 0x1000000;
constexpr int FLAG_WIN_TILE_IN_HAND = 0x2000000;
constexpr int FLAG_26 = 0x4000000;
}  // namespace RoundResultLayout

#define TABLE_STATUS_RUNNING 0x1
#define TABLE_STATUS_DRAWN_HELD 0x100

class CGameInfo : public CSeatLayout {
 public:
  CGameInfo() = default;

  // The record operations; the default keeps no records.
  virtual bool CopyTableInfo(const void* body, size_t length) { return false; }
  virtual int CopyRoundResult(const void* body, size_t length) { return 0; }
  virtual const uint8_t* GetTableInfo() const { return nullptr; }
  virtual uint8_t* GetTableInfo() { return nullptr; }
  const uint8_t* GetTableSnapshot() const;
  virtual const uint8_t* GetRoundResult() const { return nullptr; }
  // Bytes held after the round-result block (the stored seat entries).
  virtual size_t GetRoundResultSize() const { return 0; }

  int HasFifthBarButton() const { return Word(TableInfoLayout::FIFTH_BUTTON); }
  int HasTreasureIndicator() const { return Word(TableInfoLayout::INDICATOR_TILE) != -1 ? 1 : 0; }
  int IsDrawnTileHeld() const { return (GetTableStatus() & TABLE_STATUS_DRAWN_HELD) ? 1 : 0; }
  int IsHandRunning() const { return (GetTableStatus() & TABLE_STATUS_RUNNING) ? 1 : 0; }
  int GetQuickPass() const { return Word(TableInfoLayout::QUICK_PASS); }
  int GetConcealedGangFace() const { return Word(TableInfoLayout::CONCEALED_GANG_FACE); }
  int PlaysForSilver() const { return Word(TableInfoLayout::PLAYS_FOR_SILVER); }
  int GetJokerSortFlag() const { return Word(TableInfoLayout::JOKER_SORT); }
  int GetSubstituteFlag() const { return Word(TableInfoLayout::SUBSTITUTE_FLAG); }
  int IsLeaveByRequest() const { return Word(TableInfoLayout::LEAVE_BY_REQUEST); }
  int IsDrawnHand() const { return (ResultWord(RoundResultLayout::FLAGS) & RoundResultLayout::FLAG_DRAWN) ? 1 : 0; }
  int IsWinTileInHand() const {
    return (ResultWord(RoundResultLayout::FLAGS) & RoundResultLayout::FLAG_WIN_TILE_IN_HAND) ? 1 : 0;
  }
  int GetResultFlag24() const { return (ResultWord(RoundResultLayout::FLAGS) & RoundResultLayout::FLAG_24) ? 1 : 0; }
  int GetResultFlag26() const { return (ResultWord(RoundResultLayout::FLAGS) & RoundResultLayout::FLAG_26) ? 1 : 0; }
  int GetFirstShownChair() const { return ResultWord(RoundResultLayout::FIRST_SHOWN); }
  int GetTableStatus() const { return Word(TableInfoLayout::STATUS); }
  void SetTableStatus(int value);
  int GetBankerChair() const { return Word(TableInfoLayout::BANKER); }
  int GetWord48() const { return Word(TableInfoLayout::WORD48); }
  int GetCurrentChair() const { return Word(TableInfoLayout::CURRENT_CHAIR); }
  int GetWallHead() const { return Word(TableInfoLayout::WALL_HEAD); }
  int GetWallStart() const { return Word(TableInfoLayout::WALL_START); }
  int GetTailTaken() const { return Word(TableInfoLayout::TAIL_TAKEN); }
  void GetDice(int dice[4]) const;
  int GetPointStake() const { return Word(TableInfoLayout::POINT_STAKE); }
  int GetSilverStake() const { return Word(TableInfoLayout::SILVER_STAKE); }
  int GetRoundNumber() const { return Word(TableInfoLayout::ROUND_NUMBER); }
  int GetIndicatorTile() const { return Word(TableInfoLayout::INDICATOR_TILE); }
  int GetIndicatorPosition() const { return Word(TableInfoLayout::INDICATOR_POSITION); }
  int GetJokerTile1() const { return Word(TableInfoLayout::JOKER1); }
  int GetJokerTile2() const { return Word(TableInfoLayout::JOKER2); }
  int GetDrawFlags() const { return Word(TableInfoLayout::DRAW_FLAGS); }
  virtual int GetOwnTileList(int out[32]) const { return 0; }
  virtual int GetFinalTiles(int chair, int out[32]) const { return 0; }
  virtual int GetHandTileCount(int chair) const { return 0; }
  int GetWord76() const { return Word(TableInfoLayout::WORD76); }
  int GetDiscardTime() const { return Word(TableInfoLayout::DISCARD_TIME); }
  int GetClaimTime() const { return Word(TableInfoLayout::CLAIM_TIME); }
  int GetAutoPlayDelay() const { return Word(TableInfoLayout::AUTO_PLAY_DELAY); }
  // The words the server keeps in the record's head beside the named fields: whether each chair
  // is away from the table, and each chair's silver of the last hand and in all.
  int GetAbsentFlag(int chair) const;
  int GetLastHandSilver(int chair) const;
  int GetTotalSilver(int chair) const;

  // A word of the table-info record (0 when there is no record or the offset is outside it).
  int Word(size_t offset) const;
  // A word of the round-result block and its stored entries.
  int ResultWord(size_t offset) const;

  virtual std::string GetStakeLabel() const { return ""; }
  virtual std::string GetGangLabel() const { return "杠"; }
  virtual std::string GetExtraText() const { return ""; }
  // The chat line that opens a hand.
  virtual std::string FormatRoundResult() const;
  // The chat line that ends a hand; empty by default.
  virtual std::string FormatHandSummary() const { return ""; }

  int GetNamePlateLength() const { return 250; }
  int GetNamePlateThickness() const { return 24; }

  // What the frame's pane sizes depend on: the primary display and the application's state.
  struct PaneFacts {
    int screenWidth = 0;
    int screenHeight = 0;
    bool smallScreen = false;
    bool hasApplication = true;
    bool seatedPlayer = false;   // a player at the table, not an onlooker
    bool roomOptionBit3 = false;
  };
  int GetTablePaneWidth(const PaneFacts& f) const { return f.screenWidth * 14 / 18 - (f.smallScreen ? 10 : 0); }
  int GetChatPaneHeight(const PaneFacts& f) const { return f.screenHeight / 6; }
  int GetOperatePaneHeight(const PaneFacts& f) const { return (f.smallScreen && m_thirdTableWord == 2) ? 72 : 36; }
  int GetPlayerPaneHeight(const PaneFacts& f) const;
  int GetAdvertPaneHeight(const PaneFacts& f) const {
    return m_playerCount * (f.smallScreen ? 16 : 24) + 68;
  }

  // Where the description finds a seated player's name (the application's seat table).
  void SetNameSource(std::function<std::string(int chair)> source) { m_nameSource = std::move(source); }
  std::string GetSeatPlayerName(int chair) const { return m_nameSource ? m_nameSource(chair) : std::string(); }

  int GetViewMode() const { return m_viewMode; }
  void SetViewMode(int mode) { m_viewMode = mode; }

 protected:
  int m_viewMode = 0;
  std::function<std::string(int)> m_nameSource;
};

// Why a table-info record cannot be taken as the table's state, or null when it can: a chair
// that is no seat at this table, or a wall place outside the wall. The checks are those the
// scene relies on before it indexes its zones with the record's numbers.
const char* CheckTableInfo(const uint8_t* record, size_t length, const CSeatLayout& seats, int tileCount);
