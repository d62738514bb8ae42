// The table following a stream of notifications from the game server: a dealt hand, then any
// sequence of mahjong notification bodies, each read by the sink and the table model. Every
// place the bodies name must stay inside its zone, whatever the bodies hold.
#include <cstdlib>
#include <vector>

#include "framework/BodyWriter.h"
#include "fuzz/FuzzInput.h"
#include "mahjong/MJGameNotify.h"
#include "mahjong/MahjongNotifyCodes.h"
#include "variant/VariantGameInfo.h"

namespace {

const int CODES[] = {NTF_PLAYER_STARTED,  NTF_NEW_HAND,       NTF_HAND_RESULT,   NTF_WAIT_FOR_TABLE,
                     NTF_ADVERT_URL,      NTF_SEE_HAND_REQUEST, NTF_HAND_SHOWN,  NTF_TILE_DISCARDED,
                     NTF_HAND_REFRESH,    NTF_TILE_DRAWN,     NTF_TIME_UP,       NTF_PENG_ANNOUNCED,
                     NTF_CHI_ANNOUNCED,   NTF_GANG_ANNOUNCED, NTF_PENG_MELD,     NTF_CHI_MELD,
                     NTF_GANG_EXPOSED,    NTF_GANG_CONCEALED, NTF_GANG_ADDED,    NTF_FLOWER_REPLACED,
                     NTF_CONNECTION_BROKEN, NTF_PLAYER_BACK_OR_LEFT};

std::vector<BYTE> DealtHand() {
  CBodyWriter w(952);
  w.Int(TableInfoLayout::ROUND_NUMBER, 1);
  w.Int(TableInfoLayout::STATUS, 0x101);
  w.Int(TableInfoLayout::WALL_START, 40);
  w.Int(TableInfoLayout::WALL_HEAD, 93);
  w.Int(TableInfoLayout::INDICATOR_TILE, -1);
  w.Int(TableInfoLayout::JOKER1, -1);
  w.Int(TableInfoLayout::JOKER2, -1);
  const int counts[4] = {14, 13, 13, 13};
  for (int c = 0; c < 4; ++c) w.Int(196 + 4 * c, counts[c]);
  for (int i = 0; i < 32; ++i) w.Int(212 + 4 * i, i < 14 ? i * 3 : -1);
  return w.Data();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  CVariantGameInfo info;
  info.SetOwnChair(in.Byte() % 4);
  CTableEffects effects;
  CMJTableModel model(info, effects);
  model.SetLookOn(in.Byte() & 1);
  CMJNotifyHost host;
  CMJGameNotify sink(info, model, host);
  std::vector<BYTE> hand = DealtHand();
  sink.OnNotify(NTF_NEW_HAND, hand.data(), hand.size());
  for (int step = 0; step < 64; ++step) {
    const int code = CODES[in.Byte() % (sizeof(CODES) / sizeof(CODES[0]))];
    const size_t length = in.Byte() | (static_cast<size_t>(in.Byte() & 0x0F) << 8);
    size_t taken = 0;
    const uint8_t* body = in.Take(length, &taken);
    // A copy of exactly the body's length, so that a read past it is caught.
    std::vector<BYTE> copy(body, body + taken);
    sink.OnNotify(code, copy.empty() ? nullptr : copy.data(), copy.size());
    if (taken < length) break;
  }
  for (int side = 0; side < 4; ++side) {
    if (model.CountStandingTiles(side) > CTileTable::LAST_STANDING) std::abort();
    if (model.Tiles().RiverCount(side) > CTileTable::RIVER_PLACES) std::abort();
    if (model.Tiles().FlowerCount(side) > CTileTable::FLOWER_PLACES) std::abort();
  }
  if (model.Clock().pointTo < 0 || model.Clock().pointTo > 6) std::abort();
  return 0;
}
