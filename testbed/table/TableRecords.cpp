#include "testbed/table/TableRecords.h"

#include <algorithm>

namespace testbed {

namespace {

constexpr size_t MELDS_OFFSET = 196;
constexpr size_t MELD_INTS = 7;
constexpr size_t FAMILY_BYTES = 172 * 4;
constexpr size_t RIVERS_OFFSET = 3636;
constexpr size_t RIVER_COUNTS_OFFSET = 4212;
constexpr size_t FLOWERS_OFFSET = 4228;
constexpr size_t FLOWER_COUNTS_OFFSET = 4804;
constexpr size_t HAND_COUNTS_OFFSET = 4852;
constexpr size_t OWN_HAND_OFFSET = 4868;
constexpr size_t LEAVE_OFFSET = 4996;
constexpr size_t MIN_HANDS_OFFSET = 5060;

void WriteHead(TableBodyWriter& w, const TableInfoRecord& t) {
  for (size_t k = 0; k < 4; ++k) w.Int(4 * k, t.absent[k]);
  w.Int(32, t.handNumber).Int(36, t.silverStake).Int(40, t.pointStake).Int(44, t.banker);
  w.Int(48, t.word48).Int(52, t.currentChair).Int(56, t.status).Int(60, t.drawFlags);
  w.Int(72, t.discardTime).Int(76, t.word76).Int(84, t.silverTable).Int(88, t.leaveByRequest);
  for (size_t k = 0; k < 4; ++k) w.Int(92 + 4 * k, t.dice[k]);
  w.Int(108, t.quickPass).Int(112, t.fifthButton).Int(116, t.concealedGangFace);
  w.Int(120, t.jokerSortFlag).Int(124, t.substituteFlag).Int(128, t.wallStart);
  w.Int(132, t.indicatorPosition).Int(136, t.joker1).Int(140, t.joker2).Int(144, t.indicatorTile);
  w.Int(148, t.tailTaken).Int(152, t.wallHead).Int(156, t.claimTime).Int(160, t.autoPlayDelay);
  for (size_t k = 0; k < 4; ++k) w.Int(164 + 4 * k, t.lastSilver[k]);
  for (size_t k = 0; k < 4; ++k) w.Int(180 + 4 * k, t.totalSilver[k]);
}

void ReadHead(const TableBodyReader& r, TableInfoRecord& t) {
  for (size_t k = 0; k < 4; ++k) t.absent[k] = r.Int(4 * k);
  t.handNumber = r.Int(32), t.silverStake = r.Int(36), t.pointStake = r.Int(40), t.banker = r.Int(44);
  t.word48 = r.Int(48), t.currentChair = r.Int(52), t.status = r.Int(56), t.drawFlags = r.Int(60);
  t.discardTime = r.Int(72), t.word76 = r.Int(76), t.silverTable = r.Int(84), t.leaveByRequest = r.Int(88);
  for (size_t k = 0; k < 4; ++k) t.dice[k] = r.Int(92 + 4 * k);
  t.quickPass = r.Int(108), t.fifthButton = r.Int(112), t.concealedGangFace = r.Int(116);
  t.jokerSortFlag = r.Int(120), t.substituteFlag = r.Int(124), t.wallStart = r.Int(128);
  t.indicatorPosition = r.Int(132), t.joker1 = r.Int(136), t.joker2 = r.Int(140), t.indicatorTile = r.Int(144);
  t.tailTaken = r.Int(148), t.wallHead = r.Int(152), t.claimTime = r.Int(156), t.autoPlayDelay = r.Int(160);
  for (size_t k = 0; k < 4; ++k) t.lastSilver[k] = r.Int(164 + 4 * k);
  for (size_t k = 0; k < 4; ++k) t.totalSilver[k] = r.Int(180 + 4 * k);
}

// A list of `capacity` ids ended by -1 (the rest -1 as well).
void WriteList(TableBodyWriter& w, size_t offset, const std::vector<int>& ids, size_t capacity) {
  for (size_t k = 0; k < capacity; ++k) w.Int(offset + 4 * k, k < ids.size() ? ids[k] : -1);
}

// Reads up to `count` ids (clamped to the capacity), stopping at the first -1.
std::vector<int> ReadList(const TableBodyReader& r, size_t offset, int count, size_t capacity) {
  std::vector<int> ids;
  const size_t n = static_cast<size_t>(std::clamp(count, 0, static_cast<int>(capacity)));
  for (size_t k = 0; k < n; ++k) {
    const int id = r.Int(offset + 4 * k);
    if (id == -1) break;
    ids.push_back(id);
  }
  return ids;
}

void WriteFlowers(TableBodyWriter& w, size_t listOffset, size_t countOffset, const TableInfoRecord& t) {
  for (size_t c = 0; c < 4; ++c) {
    WriteList(w, listOffset + c * TableInfoRecord::LIST_SIZE * 4, t.flowers[c], TableInfoRecord::LIST_SIZE);
    w.Int(countOffset + 4 * c, static_cast<int>(std::min<size_t>(t.flowers[c].size(), TableInfoRecord::LIST_SIZE)));
  }
}

void ReadFlowers(const TableBodyReader& r, size_t listOffset, size_t countOffset, TableInfoRecord& t) {
  for (size_t c = 0; c < 4; ++c) {
    t.flowers[c] = ReadList(r, listOffset + c * TableInfoRecord::LIST_SIZE * 4, r.Int(countOffset + 4 * c),
                            TableInfoRecord::LIST_SIZE);
  }
}

}  // namespace

BodyData TableInfoRecord::Write() const {
  TableBodyWriter w(SIZE);
  WriteHead(w, *this);
  for (size_t f = 0; f < FAMILY_COUNT; ++f) {
    const size_t base = MELDS_OFFSET + f * FAMILY_BYTES;
    for (size_t c = 0; c < 4; ++c) {
      const auto& list = melds[f][c];
      const size_t n = std::min<size_t>(list.size(), MELDS_PER_FAMILY);
      for (size_t i = 0; i < MELDS_PER_FAMILY; ++i) {
        const size_t at = base + (c * MELDS_PER_FAMILY + i) * MELD_INTS * 4;
        const SnapshotMeld m = i < n ? list[i] : SnapshotMeld{};
        for (size_t k = 0; k < 4; ++k) w.Int(at + 4 * k, m.tiles[k]);
        w.Int(at + 16, m.source).Int(at + 20, -1).Int(at + 24, -1);
      }
      w.Int(base + 4 * MELD_INTS * MELDS_PER_FAMILY * 4 + 4 * c, static_cast<int>(n));
    }
  }
  for (size_t c = 0; c < 4; ++c) {
    WriteList(w, RIVERS_OFFSET + c * LIST_SIZE * 4, rivers[c], LIST_SIZE);
    w.Int(RIVER_COUNTS_OFFSET + 4 * c, static_cast<int>(std::min<size_t>(rivers[c].size(), LIST_SIZE)));
  }
  WriteFlowers(w, FLOWERS_OFFSET, FLOWER_COUNTS_OFFSET, *this);
  for (size_t c = 0; c < 4; ++c) w.Int(HAND_COUNTS_OFFSET + 4 * c, handCounts[c]);
  WriteList(w, OWN_HAND_OFFSET, ownHand, OWN_LIST_SIZE);
  for (size_t c = 0; c < 4; ++c) w.Int(LEAVE_OFFSET + 4 * c, leaveRequests[c]);
  w.Int(MIN_HANDS_OFFSET, minHands);
  return w.Take();
}

std::optional<TableInfoRecord> TableInfoRecord::Read(std::span<const BYTE> record) {
  TableBodyReader r(record);
  if (!r.Has(SIZE)) return std::nullopt;
  TableInfoRecord t;
  ReadHead(r, t);
  for (size_t f = 0; f < FAMILY_COUNT; ++f) {
    const size_t base = MELDS_OFFSET + f * FAMILY_BYTES;
    for (size_t c = 0; c < 4; ++c) {
      const int n = std::clamp(r.Int(base + 4 * MELD_INTS * MELDS_PER_FAMILY * 4 + 4 * c), 0, MELDS_PER_FAMILY);
      for (int i = 0; i < n; ++i) {
        const size_t at = base + (c * MELDS_PER_FAMILY + static_cast<size_t>(i)) * MELD_INTS * 4;
        SnapshotMeld m;
        for (size_t k = 0; k < 4; ++k) m.tiles[k] = r.Int(at + 4 * k);
        m.source = r.Int(at + 16);
        t.melds[f][c].push_back(m);
      }
    }
  }
  for (size_t c = 0; c < 4; ++c) {
    t.rivers[c] = ReadList(r, RIVERS_OFFSET + c * LIST_SIZE * 4, r.Int(RIVER_COUNTS_OFFSET + 4 * c), LIST_SIZE);
  }
  ReadFlowers(r, FLOWERS_OFFSET, FLOWER_COUNTS_OFFSET, t);
  for (size_t c = 0; c < 4; ++c) t.handCounts[c] = r.Int(HAND_COUNTS_OFFSET + 4 * c);
  t.ownHand = ReadList(r, OWN_HAND_OFFSET, OWN_LIST_SIZE, OWN_LIST_SIZE);
  for (size_t c = 0; c < 4; ++c) t.leaveRequests[c] = r.Int(LEAVE_OFFSET + 4 * c);
  t.minHands = r.Int(MIN_HANDS_OFFSET);
  return t;
}

// The new-hand body: the head, then the hand counts, the own hand, the flowers and their
// counts, 16 bytes the clients do not store, and the minimum number of hands.
BodyData TableInfoRecord::WriteNewHand() const {
  TableBodyWriter w(NEW_HAND_SIZE);
  WriteHead(w, *this);
  for (size_t c = 0; c < 4; ++c) w.Int(196 + 4 * c, handCounts[c]);
  WriteList(w, 212, ownHand, OWN_LIST_SIZE);
  WriteFlowers(w, 340, 916, *this);
  w.Int(948, minHands);
  return w.Take();
}

std::optional<TableInfoRecord> TableInfoRecord::ReadNewHand(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(NEW_HAND_SIZE)) return std::nullopt;
  TableInfoRecord t;
  ReadHead(r, t);
  for (size_t c = 0; c < 4; ++c) t.handCounts[c] = r.Int(196 + 4 * c);
  t.ownHand = ReadList(r, 212, OWN_LIST_SIZE, OWN_LIST_SIZE);
  ReadFlowers(r, 340, 916, t);
  t.minHands = r.Int(948);
  return t;
}

BodyData RoundResultRecord::Write() const {
  TableBodyWriter w(BLOCK_SIZE + RoundSeatEntry::SIZE * seats.size());
  w.Int(0, flags).Int(8, seatCount).Int(16, banker).Int(156, silverPerPoint);
  for (size_t k = 0; k < 8; ++k) {
    w.Int(160 + 4 * k, scoreBefore[k]).Int(192 + 4 * k, silverBefore[k]);
    w.Int(288 + 4 * k, points[k]).Int(320 + 4 * k, silver[k]).Int(384 + 4 * k, levelIndex[k]);
    w.Text(416 + 16 * k, 16, levelTitle[k]);
  }
  for (size_t c = 0; c < 4; ++c) w.Int(660 + 4 * c, win[c]);
  w.Int(676, word676).Int(680, firstShown).Int(684, winTile).Int(700, silent);
  w.Int(724, static_cast<int>(seats.size()));
  for (size_t c = 0; c < 4; ++c) WriteList(w, 848 + 128 * c, finalTiles[c], 32);
  w.Text(NAMES_OFFSET, NAMES_SIZE, itemNames);
  for (size_t i = 0; i < seats.size(); ++i) {
    const size_t at = BLOCK_SIZE + i * RoundSeatEntry::SIZE;
    const RoundSeatEntry& s = seats[i];
    for (size_t k = 0; k < RoundSeatEntry::ITEMS; ++k) w.Int(at + 12 + 4 * k, s.items[k]);
    w.Int(at + 140, s.total).Int(at + 144, s.kongPoints).Int(at + 148, s.kongSecond);
    w.Int(at + 152, s.treasurePoints).Int(at + 156, s.flyingTreasures);
  }
  return w.Take();
}

std::optional<RoundResultRecord> RoundResultRecord::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(BLOCK_SIZE)) return std::nullopt;
  const int count = r.Int(724);
  if (count < 0 || count > 8 || !r.Has(BLOCK_SIZE + RoundSeatEntry::SIZE * static_cast<size_t>(count))) {
    return std::nullopt;
  }
  RoundResultRecord rr;
  rr.flags = r.Int(0), rr.seatCount = r.Int(8), rr.banker = r.Int(16), rr.silverPerPoint = r.Int(156);
  for (size_t k = 0; k < 8; ++k) {
    rr.scoreBefore[k] = r.Int(160 + 4 * k), rr.silverBefore[k] = r.Int(192 + 4 * k);
    rr.points[k] = r.Int(288 + 4 * k), rr.silver[k] = r.Int(320 + 4 * k), rr.levelIndex[k] = r.Int(384 + 4 * k);
    for (size_t i = 0; i < 15 && body[416 + 16 * k + i] != 0; ++i) rr.levelTitle[k].push_back(static_cast<char>(body[416 + 16 * k + i]));
  }
  for (size_t c = 0; c < 4; ++c) rr.win[c] = r.Int(660 + 4 * c);
  rr.word676 = r.Int(676), rr.firstShown = r.Int(680), rr.winTile = r.Int(684), rr.silent = r.Int(700);
  for (size_t c = 0; c < 4; ++c) rr.finalTiles[c] = ReadList(r, 848 + 128 * c, 32, 32);
  for (size_t i = 0; i + 1 < NAMES_SIZE && body[NAMES_OFFSET + i] != 0; ++i) {
    rr.itemNames.push_back(static_cast<char>(body[NAMES_OFFSET + i]));
  }
  for (int i = 0; i < count; ++i) {
    const size_t at = BLOCK_SIZE + static_cast<size_t>(i) * RoundSeatEntry::SIZE;
    RoundSeatEntry s;
    for (size_t k = 0; k < RoundSeatEntry::ITEMS; ++k) s.items[k] = r.Int(at + 12 + 4 * k);
    s.total = r.Int(at + 140), s.kongPoints = r.Int(at + 144), s.kongSecond = r.Int(at + 148);
    s.treasurePoints = r.Int(at + 152), s.flyingTreasures = r.Int(at + 156);
    rr.seats.push_back(s);
  }
  return rr;
}

}  // namespace testbed
