#include "mahjong/MahjongRequests.h"

#include "framework/BodyReader.h"
#include "framework/BodyWriter.h"

namespace {

void PutIdentity(CBodyWriter& w, const RequestContext& c) {
  w.Int(0, c.userId);
  w.Int(4, c.roomId);
  w.Int(8, c.tableNo);
  w.Int(12, c.chair);
}

// The words of the draw and discard bodies: the acting seat first, then the sender.
void PutSeatAndSender(CBodyWriter& w, const RequestContext& c, int seatUserId, int seatChair, bool forOther) {
  w.Int(0, seatUserId);
  w.Int(4, c.roomId);
  w.Int(8, c.tableNo);
  w.Int(12, seatChair);
  w.Int(16, forOther ? 1 : 0);
  w.Int(20, c.tableNo);
  w.Int(24, c.chair);
  w.Int(28, c.userId);
}

}  // namespace

RequestBody MeldRecord::Write() const {
  CBodyWriter w(MELD_BODY_SIZE);
  w.Int(0, userId);
  w.Int(4, roomId);
  w.Int(8, table);
  w.Int(12, actor);
  w.Int(16, otherChair);
  for (int i = 0; i < 4; ++i) w.Int(20 + 4 * i, tiles[i]);
  w.Int(36, kind);
  w.Int(40, replacement);
  w.Int(44, replacementWall);
  return w.Data();
}

std::optional<MeldRecord> MeldRecord::Read(const void* body, size_t length) {
  CBodyReader r(body, length);
  if (!r.Has(MELD_NOTE_MIN_SIZE)) return std::nullopt;
  MeldRecord m;
  m.userId = r.Int(0);
  m.roomId = r.Int(4);
  m.table = r.Int(8);
  m.actor = r.Int(12);
  m.otherChair = r.Int(16);
  for (int i = 0; i < 4; ++i) m.tiles[i] = r.Int(20 + 4 * i);
  m.kind = r.Int(36);
  m.replacement = r.Int(40);
  m.replacementWall = r.Int(44);
  return m;
}

std::optional<DrawRecord> DrawRecord::Read(const void* body, size_t length) {
  CBodyReader r(body, length);
  if (!r.Has(DRAW_NOTE_MIN_SIZE)) return std::nullopt;
  DrawRecord d;
  d.chair = r.Int(0);
  d.tile = r.Int(4);
  d.wallIndex = r.Int(8);
  d.flags = r.Int(12);
  return d;
}

RequestBody MakeSeeHandBody(const RequestContext& c) {
  CBodyWriter w(SEE_HAND_BODY_SIZE);
  PutIdentity(w, c);
  return w.Data();
}

RequestBody MakeSeeHandPermissionBody(const RequestContext& c, int watcherUserId, int allow) {
  CBodyWriter w(PERMISSION_BODY_SIZE);
  PutIdentity(w, c);
  w.Int(16, watcherUserId);
  w.Int(20, allow);
  return w.Data();
}

RequestBody MakePassBody(const RequestContext& c, int offerChair, int tile) {
  CBodyWriter w(PASS_BODY_SIZE);
  PutIdentity(w, c);
  w.Int(16, offerChair);
  w.Int(20, tile);
  return w.Data();
}

RequestBody MakeHuBody(const RequestContext& c, int chair, int tile, int kind, int robbedKind) {
  CBodyWriter w(HU_BODY_SIZE);
  PutIdentity(w, c);
  w.Int(16, chair);
  w.Int(20, tile);
  w.Int(24, kind);
  w.Int(28, kind == HU_ROBBING ? robbedKind : 0);
  return w.Data();
}

RequestBody MakeMeldBody(const RequestContext& c, int chair, int tile, int t1, int t2, int t3, int kind) {
  CBodyWriter w(MELD_BODY_SIZE);
  PutIdentity(w, c);
  w.Int(16, chair);
  w.Int(20, tile);
  w.Int(24, t1);
  w.Int(28, t2);
  w.Int(32, t3);
  w.Int(36, kind);
  return w.Data();
}

RequestBody MakeDiscardBody(const RequestContext& c, int seatUserId, int seatChair, bool forOther, const int* tiles,
                            int count) {
  if (count < 0 || tiles == nullptr) count = 0;
  if (count > DISCARD_MAX_TILES) count = DISCARD_MAX_TILES;
  CBodyWriter w(DISCARD_BODY_SIZE + 4 * static_cast<size_t>(count));
  PutSeatAndSender(w, c, seatUserId, seatChair, forOther);
  w.Text(32, MACHINE_ID_SIZE, c.machineId);
  w.Int(80, forOther ? 0 : 1);
  w.Int(100, count);
  for (int i = 0; i < count; ++i) w.Int(DISCARD_BODY_SIZE + 4 * i, tiles[i]);
  return w.Data();
}

RequestBody MakeDrawBody(const RequestContext& c, int seatUserId, int seatChair) {
  CBodyWriter w(DRAW_BODY_SIZE);
  PutSeatAndSender(w, c, seatUserId, seatChair, false);
  return w.Data();
}

RequestBody MakeFlowerBody(const RequestContext& c, int flower) {
  CBodyWriter w(FLOWER_BODY_SIZE);
  PutIdentity(w, c);
  w.Int(16, flower);
  return w.Data();
}

RequestBody MakeReturnBody(const RequestContext& c, int value) {
  CBodyWriter w(RETURN_BODY_SIZE);
  PutIdentity(w, c);
  w.Int(16, value);
  return w.Data();
}

int DiscardBodyLength(const BYTE* body, size_t length) {
  CBodyReader r(body, length);
  if (!r.Has(DISCARD_BODY_SIZE)) return -1;
  int n = r.Int(100);
  if (n < 0 || n > DISCARD_MAX_TILES) return -1;
  size_t need = DISCARD_BODY_SIZE + 4 * static_cast<size_t>(n);
  return r.Has(need) ? static_cast<int>(need) : -1;
}
