#include "mahjong/TileRules.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

// Codes outside 1..63 are never counted; an id that is not a tile has no code.
bool IsCountedCode(int code) { return code > 0 && code < TILE_CODE_COUNT; }

int JokerCode(int joker) {
  if (joker < 0) return 0;
  return MakeTileCode(TileRuleHooks.TileSuit(joker, 0), TileRuleHooks.TileValue(joker, 0));
}

// Which combinations of the honour-chi, plain-joker, substitute and joker bits allow a run at
// all, indexed by those four bits in that order (0x20, 8, 4, 1) read as a 4-bit number.
constexpr unsigned CHI_FLAG_COMBINATIONS = (1u << 0) | (1u << 1) | (1u << 3) | (1u << 5) | (1u << 7) |
                                           (1u << 8) | (1u << 9) | (1u << 13);

bool ChiFlagsAllowRun(int flags) {
  unsigned index = ((flags & MJRULE_HONOUR_CHI) ? 8u : 0u) | ((flags & MJRULE_JOKER_PLAIN) ? 4u : 0u) |
                   ((flags & MJRULE_JOKER_SUBST) ? 2u : 0u) | ((flags & MJRULE_JOKER) ? 1u : 0u);
  return (CHI_FLAG_COMBINATIONS >> index) & 1u;
}

// Readies a copy of the hand's counts for the run test: the offered tile is counted, and the
// jokers are taken out unless they may stand as plain tiles in a chi. Returns joker 1's count.
int PrepareRunCounts(TileCountTable table, int tile, int joker1, int joker2, int* outCode, int flags, bool forChi,
                     int* joker2Count) {
  int suit = TileRuleHooks.TileSuit(tile, flags);
  int value = TileRuleHooks.TileValue(tile, flags);
  int code1 = 0, code2 = 0;
  GetJokerCodes(joker1, joker2, flags, &code1, &code2);
  *outCode = 0;
  int taken = 0;
  if (suit != -1 && value != 0) {
    int code = MakeTileCode(suit, value);
    if (IsCountedCode(code)) {
      table[code] += 1;
      *outCode = code;
    }
  }
  if (flags & MJRULE_JOKER) {
    if (!((flags & MJRULE_JOKER_PLAIN) && forChi)) {
      if (joker1 >= 0 && IsCountedCode(code1)) {
        taken = table[code1];
        table[code1] = 0;
      }
      if (joker2 >= 0 && IsCountedCode(code2)) {
        if (joker2Count) *joker2Count = table[code2];
        table[code2] = 0;
      }
    }
    if (flags & MJRULE_JOKER_SUBST) {
      int substitute = GetSubstituteCode(joker1, joker2, flags);
      if (IsCountedCode(code1) && IsCountedCode(substitute)) {
        table[code1] = table[substitute];
        table[substitute] = 0;
      }
    }
  }
  return taken;
}

bool Window(const TileCountTable t, int first) { return t[first] != 0 && t[first + 1] != 0 && t[first + 2] != 0; }

int HasSuitRun(const TileCountTable t, int x) {
  if (!IsCountedCode(x)) return 0;
  switch (x % 10) {
    case 1: return x + 2 < TILE_CODE_COUNT && Window(t, x);
    case 2: return Window(t, x - 1) || (x + 2 < TILE_CODE_COUNT && Window(t, x));
    case 8: return Window(t, x - 1) || Window(t, x - 2);
    case 9: return Window(t, x - 2);
    case 0: return 0;
    default: return Window(t, x - 2) || Window(t, x - 1) || (x + 2 < TILE_CODE_COUNT && Window(t, x));
  }
}

int HasHonourRun(const TileCountTable t, int code, int flags) {
  if (!(flags & MJRULE_HONOUR_CHI)) return 0;
  int first = IsWindCode(code) ? 31 : 35;
  int last = IsWindCode(code) ? 34 : 37;
  int marked = 0;
  for (int c = first; c <= last; ++c)
    if (c != code && t[c] != 0) ++marked;
  return marked >= 2 ? 1 : 0;
}

int CanFormRun(const TileCountTable table, int code, int joker1, int joker2, int flags) {
  if ((flags & MJRULE_JOKER_SUBST) && code == GetSubstituteCode(joker1, joker2, flags)) code = JokerCode(joker1);
  if (!TileRuleHooks.IsHonourCode(code, joker1, joker2, flags)) return HasSuitRun(table, code);
  return (flags & MJRULE_HONOUR_CHI) ? HasHonourRun(table, code, flags) : 0;
}

bool OfferedJokerRefused(int tile, int joker1, int joker2, int flags) {
  return (flags & MJRULE_JOKER) && IsJokerTile(tile, joker1, joker2, flags) && !(flags & MJRULE_JOKER_PLAIN);
}

int CountOfTile(const TileCountTable counts, int tile, int flags) {
  if (tile < 0) return 0;
  int code = TileCode(tile, flags);
  return IsCountedCode(code) ? counts[code] : 0;
}

// Copies the first `want` hand ids of a code into out, in hand order.
void TakeFirstOfCode(const int* hand, int count, int code, int want, int* out, int flags) {
  int written = 0;
  for (int i = 0; i < count && written < want; ++i)
    if (hand[i] >= 0 && TileCode(hand[i], flags) == code) out[written++] = hand[i];
}

}  // namespace

int DefaultIsFlowerCode(int code, int, int, int) { return code / 10 >= 4 ? 1 : 0; }

int DefaultIsHonourCode(int code, int, int, int) { return (IsWindCode(code) || IsDragonCode(code)) ? 1 : 0; }

int DefaultIsJokerCode(int code, int joker1, int joker2, int flags) {
  if (code <= 0 || !(flags & MJRULE_JOKER) || joker1 == -1) return 0;
  auto matches = [code](int joker) {
    return code / 10 == TileRuleHooks.TileSuit(joker, 0) && code % 10 == TileRuleHooks.TileValue(joker, 0);
  };
  if (joker1 >= 0 && matches(joker1)) return 1;
  if (joker2 >= 0 && matches(joker2)) return 1;
  return 0;
}

int DefaultGetJokerSubstituteCode(int, int, int) { return 37; }

int DefaultTileSuit(int id, int) {
  if (id < 0) return -1;
  if (id < 36) return 0;
  if (id < 72) return 1;
  if (id < 108) return 2;
  if (id < 136) return 3;
  if (id < MJ_TILE_ID_COUNT) return 4;
  return -1;
}

int DefaultTileValue(int id, int) {
  if (id < 0) return 0;
  if (id < 108) return id % 9 + 1;
  if (id < 136) return (id - 108) % 7 + 1;
  if (id < MJ_TILE_ID_COUNT) return id - 135;
  return 0;
}

TileRuleHookTable TileRuleHooks = {DefaultIsFlowerCode, DefaultIsHonourCode,          DefaultIsJokerCode,
                                   DefaultGetJokerSubstituteCode, DefaultTileSuit, DefaultTileValue};

int TileSuit(int id, int flags) { return TileRuleHooks.TileSuit(id, flags); }
int TileValue(int id, int flags) { return TileRuleHooks.TileValue(id, flags); }
int TileCode(int id, int flags) { return TileRuleHooks.TileSuit(id, flags) * 10 + TileRuleHooks.TileValue(id, flags); }

int MakeTileCode(int suit, int value) { return (suit < 0 || value <= 0) ? 0 : suit * 10 + value; }

int IsWindCode(int code) { return (code >= 31 && code <= 34) ? code : 0; }
int IsDragonCode(int code) { return (code >= 35 && code <= 37) ? code : 0; }

int IsSameCode(int a, int b, int flags) { return TileCode(a, flags) == TileCode(b, flags) ? 1 : 0; }

int IsJokerTile(int id, int joker1, int joker2, int flags) {
  if (id < 0) return 0;
  return TileRuleHooks.IsJokerCode(TileCode(id, flags), joker1, joker2, flags);
}

int IsFlowerTile(int id, int joker1, int joker2, int flags) {
  if (id < 0) return 0;
  return TileRuleHooks.IsFlowerCode(TileCode(id, flags), joker1, joker2, flags);
}

int IsHonourTile(int id, int joker1, int joker2, int flags) {
  if (id < 0) return 0;
  return TileRuleHooks.IsHonourCode(TileCode(id, flags), joker1, joker2, flags);
}

int GetSubstituteCode(int joker1, int joker2, int flags) {
  return TileRuleHooks.GetJokerSubstituteCode(JokerCode(joker1), JokerCode(joker2), flags);
}

int IsJokerSubstituteCode(int code, int joker1, int joker2, int flags) {
  return code == GetSubstituteCode(joker1, joker2, flags) ? code : 0;
}

int IsJokerSubstitute(int id, int joker1, int joker2, int flags) {
  if (id < 0) return 0;
  return IsJokerSubstituteCode(TileCode(id, flags), joker1, joker2, flags);
}

int GetJokerCodes(int joker1, int joker2, int flags, int* code1, int* code2) {
  int written = 0;
  if (code1) *code1 = 0;
  if (code2) *code2 = 0;
  if (joker1 >= 0) {
    if (code1) *code1 = JokerCode(joker1);
    ++written;
  }
  if (joker2 >= 0) {
    if (code2) *code2 = JokerCode(joker2);
    ++written;
  }
  return written;
}

int Is258Code(int code) {
  if (code <= 0 || code >= 30) return 0;
  int v = code % 10;
  return (v == 2 || v == 5 || v == 8) ? 1 : 0;
}

int CountTiles(const int* ids, int count, TileCountTable table, int flags) {
  int counted = 0;
  for (int i = 0; i < count; ++i) {
    if (ids[i] < 0) continue;
    int code = TileCode(ids[i], flags);
    if (!IsCountedCode(code)) continue;
    table[code] += 1;
    ++counted;
  }
  return counted;
}

void FillMinusOne(int* list, int count) {
  for (int i = 0; i < count; ++i) list[i] = -1;
}

int SumInts(const int* list, int count) {
  int sum = 0;
  for (int i = 0; i < count; ++i) sum += list[i];
  return sum;
}

int CollectByCode(const int* ids, int count, int code, int* out, int max, int flags) {
  int written = 0;
  if (!IsCountedCode(code)) return 0;
  for (int i = 0; i < count && written < max; ++i)
    if (ids[i] >= 0 && TileCode(ids[i], flags) == code) out[written++] = ids[i];
  return written;
}

int CollectSameCode(const int* ids, int count, int id, int* out, int max, int flags) {
  if (id < 0) return 0;
  return CollectByCode(ids, count, TileCode(id, flags), out, max, flags);
}

int TestPeng(const TileCountTable counts, int tile, int joker1, int joker2, int flags) {
  if (OfferedJokerRefused(tile, joker1, joker2, flags)) return 0;
  return CountOfTile(counts, tile, flags) >= 2 ? MJOP_PENG : 0;
}

int TestGang(const TileCountTable counts, int tile, int joker1, int joker2, int flags) {
  if (OfferedJokerRefused(tile, joker1, joker2, flags)) return 0;
  return CountOfTile(counts, tile, flags) >= 3 ? MJOP_GANG : 0;
}

int TestConcealedGang(const TileCountTable counts, int joker1, int joker2, int flags, int* code) {
  if (code) *code = 0;
  bool skipJokers = (flags & MJRULE_JOKER) && !(flags & MJRULE_JOKER_PLAIN);
  for (int c = 1; c < TILE_CODE_COUNT; ++c) {
    if (counts[c] != 4) continue;
    if (skipJokers && TileRuleHooks.IsJokerCode(c, joker1, joker2, flags)) continue;
    if (code) *code = c;
    return MJOP_GANG;
  }
  return 0;
}

int TestChi(const TileCountTable counts, int tile, int joker1, int joker2, int flags) {
  if (flags & MJRULE_NO_CHI) return 0;
  if (OfferedJokerRefused(tile, joker1, joker2, flags)) return 0;
  if (!ChiFlagsAllowRun(flags)) return 0;
  TileCountTable copy;
  std::memcpy(copy, counts, sizeof(copy));
  int code = 0, joker2Count = 0;
  PrepareRunCounts(copy, tile, joker1, joker2, &code, flags, true, &joker2Count);
  if (code == 0) return 0;
  return CanFormRun(copy, code, joker1, joker2, flags) ? MJOP_CHI : 0;
}

int FindPongTiles(const int* hand, int count, int tile, int joker1, int joker2, int flags, int* out) {
  FillMinusOne(out, count);
  TileCountTable counts = {};
  CountTiles(hand, count, counts, flags);
  int result = TestPeng(counts, tile, joker1, joker2, flags);
  if (result) TakeFirstOfCode(hand, count, TileCode(tile, flags), 2, out, flags);
  return result;
}

int FindKongTiles(const int* hand, int count, int tile, int joker1, int joker2, int flags, int* out) {
  FillMinusOne(out, count);
  TileCountTable counts = {};
  CountTiles(hand, count, counts, flags);
  int result = TestGang(counts, tile, joker1, joker2, flags);
  if (result) TakeFirstOfCode(hand, count, TileCode(tile, flags), 3, out, flags);
  return result;
}

int FindConcealedGangTiles(const int* hand, int count, int joker1, int joker2, int flags, int* out) {
  FillMinusOne(out, count);
  TileCountTable counts = {};
  CountTiles(hand, count, counts, flags);
  int code = 0;
  int result = TestConcealedGang(counts, joker1, joker2, flags, &code);
  if (result) TakeFirstOfCode(hand, count, code, 4, out, flags);
  return result;
}

int FindChowPairs(const int* hand, int count, int tile, int joker1, int joker2, int flags, int* out, int capacity,
                  int* pairCount) {
  if (capacity < 0) capacity = 0;
  FillMinusOne(out, count < capacity ? count : capacity);
  TileCountTable counts = {};
  CountTiles(hand, count, counts, flags);
  int result = TestChi(counts, tile, joker1, joker2, flags);
  int written = 0;
  for (int i = 0; i < count; ++i) {
    if (hand[i] < 0) continue;
    for (int j = i + 1; j < count; ++j) {
      if (hand[j] < 0) continue;
      if (written + 2 > capacity) goto done;
      TileCountTable pair = {};
      int two[2] = {hand[i], hand[j]};
      CountTiles(two, 2, pair, flags);
      if (TestChi(pair, tile, joker1, joker2, flags)) {
        out[written++] = hand[i];
        out[written++] = hand[j];
      }
    }
  }
done:
  if (pairCount) *pairCount = written / 2;
  return result;
}

int WallIndexFromTail(int start, int heldBack, int tileCount, int* counter, int* skipped) {
  if (skipped) *skipped = 0;
  if (tileCount <= 0 || counter == nullptr) return -1;
  int k = *counter;
  int position = start - 2 - 2 * (k / 2) + (k % 2);
  // The wall is a ring: a start that has been carried round (or came from outside out of range)
  // still lands on a place of the wall.
  position %= tileCount;
  if (position < 0) position += tileCount;
  if (position == heldBack) {
    if (skipped) *skipped = 1;
    ++k;
    ++position;
    if (position >= tileCount) position = 0;
  }
  *counter = k + 1;
  return position;
}

int RandomInRange(int a, int b) {
  static bool seeded = false;
  if (a == b) return a;
  if (b < a) {
    int t = a;
    a = b;
    b = t;
  }
  if (!seeded) {
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    seeded = true;
  }
  return a + std::rand() % (b - a + 1);
}
