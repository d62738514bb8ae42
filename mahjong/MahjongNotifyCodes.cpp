#include "mahjong/MahjongNotifyCodes.h"

#include <algorithm>

#include "framework/BodyReader.h"
#include "mahjong/GameInfo.h"

size_t MinimumNotifyLength(int code) {
  switch (code) {
    case NTF_PLAYER_STARTED: return 16;
    case NTF_NEW_HAND: return 952;
    case NTF_HAND_RESULT: return RoundResultLayout::BLOCK_SIZE;
    case NTF_ADVERT_URL: return 33;
    case NTF_SEE_HAND_REQUEST: return 4;
    case NTF_HAND_SHOWN: return 24;
    case NTF_TILE_DISCARDED: return 88;
    case NTF_HAND_REFRESH: return 12;
    case NTF_TILE_DRAWN: return 12;
    case NTF_PENG_ANNOUNCED:
    case NTF_CHI_ANNOUNCED: return 16;
    case NTF_GANG_ANNOUNCED: return 32;
    case NTF_PENG_MELD:
    case NTF_CHI_MELD:
    case NTF_GANG_EXPOSED:
    case NTF_GANG_CONCEALED:
    case NTF_GANG_ADDED: return 48;
    case NTF_FLOWER_REPLACED: return 28;
    case NTF_PLAYER_BACK_OR_LEFT: return 20;
    default: return 0;
  }
}

bool IsNotifyBodyLongEnough(int code, const void* body, size_t length) {
  CBodyReader r(body, length);
  if (!r.Has(MinimumNotifyLength(code))) return false;
  if (code == NTF_HAND_REFRESH) {
    // The count is clamped by the handler; the ids it takes must be in the body.
    int n = r.Int(8);
    if (n < 0) return false;
    return r.Has(12 + 4 * static_cast<size_t>(std::min(n, 32)));
  }
  if (code == NTF_HAND_RESULT) {
    int n = r.Int(RoundResultLayout::ENTRY_COUNT);
    if (n < 0) return false;
    size_t stored = static_cast<size_t>(std::min(n, RoundResultLayout::MAX_STORED_ENTRIES));
    return r.Has(RoundResultLayout::BLOCK_SIZE + RoundResultLayout::ENTRY_SIZE * stored);
  }
  return true;
}
