#include "mahjong/scene/SceneRequests.h"

#include <cstring>

#include "mahjong/scene/TilePictures.h"

RequestContext CSceneRequests::Context() const {
  return m_identity.context ? m_identity.context() : RequestContext{};
}

void CSceneRequests::CopyBody(const RequestBody& body, BYTE* out64) {
  if (out64 == nullptr) return;
  std::memset(out64, 0, MELD_BODY_SIZE);
  std::memcpy(out64, body.data(), body.size() < MELD_BODY_SIZE ? body.size() : MELD_BODY_SIZE);
}

// A claim body from an offer: its chair and tile and its first choices; -1 ends a peng's or a
// chi's tiles.
RequestBody CSceneRequests::OfferBody(int button, int choices, int kind) const {
  const ClaimOffer& o = m_model.Offer(button);
  int t[3] = {-1, -1, -1};
  for (int i = 0; i < choices && i < 3; ++i) t[i] = o.choices[i];
  return MakeMeldBody(Context(), o.chair, o.tile, t[0], t[1], t[2], kind);
}

int CSceneRequests::RequestFlowerReplace(int flower, BYTE* drawRecord32) {
  CString text;
  return m_connection.SendFlowerReplace(text, MakeFlowerBody(Context(), flower), drawRecord32);
}

int CSceneRequests::RequestDiscard(int tile) {
  CString text;
  const RequestContext c = Context();
  return m_connection.SendDiscard(text, MakeDiscardBody(c, c.userId, c.chair, false, &tile, 1));
}

int CSceneRequests::RequestOwnDiscard(int tile) {
  CString text;
  const RequestContext c = Context();
  return m_connection.SendDiscardNoNotice(text, MakeDiscardBody(c, c.userId, c.chair, false, &tile, 1));
}

int CSceneRequests::RequestChiMeld(const int pair[2], BYTE* bodyOut64, int* replyCode) {
  const ClaimOffer& o = m_model.Offer(CLAIM_CHI);
  RequestBody body = MakeMeldBody(Context(), o.chair, o.tile, pair[0], pair[1], -1, 0);
  CopyBody(body, bodyOut64);
  CString text;
  return m_connection.SendChiMeld(text, body, replyCode);
}

int CSceneRequests::RequestChiClaim() {
  CString text;
  return m_connection.SendChiClaim(text, OfferBody(CLAIM_CHI, 2, 0));
}

int CSceneRequests::RequestGangClaim(BYTE* reply48) {
  CString text;
  return m_connection.SendGangClaim(text, OfferBody(CLAIM_GANG, 3, GANG_CLAIM_EXPOSED), reply48);
}

int CSceneRequests::RequestGangClaimWithTiles(const int tiles[3], BYTE* reply48) {
  const ClaimOffer& o = m_model.Offer(CLAIM_GANG);
  CString text;
  return m_connection.SendGangClaim(
      text, MakeMeldBody(Context(), o.chair, o.tile, tiles[0], tiles[1], tiles[2], GANG_CLAIM_ADDED), reply48);
}

int CSceneRequests::RequestConcealedGangClaim(int tile, BYTE* reply48) {
  int others[3];
  GetOtherSameCodeIds(tile, others);
  const RequestContext c = Context();
  CString text;
  return m_connection.SendGangClaim(
      text, MakeMeldBody(c, c.chair, tile, others[0], others[1], others[2], GANG_CLAIM_CONCEALED), reply48);
}

int CSceneRequests::RequestHuSelfDrawn() {
  const RequestContext c = Context();
  CString text;
  return m_connection.SendHu(text, MakeHuBody(c, c.chair, m_model.Offer(CLAIM_HU).tile, HU_SELF_DRAWN, 0));
}

int CSceneRequests::RequestHuOnDiscard() {
  const ClaimOffer& o = m_model.Offer(CLAIM_HU);
  const int kind = o.robbedKind != 0 ? HU_ROBBING : HU_ON_DISCARD;
  CString text;
  return m_connection.SendHu(text, MakeHuBody(Context(), o.chair, o.tile, kind, o.robbedKind));
}

int CSceneRequests::RequestPass() {
  const ClaimOffer& o = m_model.Offer(CLAIM_PASS);
  CString text;
  return m_connection.SendPass(text, MakePassBody(Context(), o.chair, o.tile));
}

int CSceneRequests::RequestPengMeld(BYTE* bodyOut64) {
  RequestBody body = OfferBody(CLAIM_PENG, 2, 0);
  CopyBody(body, bodyOut64);
  CString text;
  int code = 0;  // stays 0 when the request got no reply
  m_connection.SendPengMeld(text, &code, body);
  return code;
}

int CSceneRequests::RequestExposedGang(BYTE* bodyOut64, BYTE* reply32, int* replyCode) {
  RequestBody body = OfferBody(CLAIM_GANG, 3, 0);
  CopyBody(body, bodyOut64);
  CString text;
  return m_connection.SendGangAction(text, REQ_GANG_EXPOSED, body, reply32, replyCode);
}

int CSceneRequests::RequestConcealedGang(int tile, BYTE* bodyOut64, BYTE* reply32, int* replyCode) {
  int others[3];
  GetOtherSameCodeIds(tile, others);
  const RequestContext c = Context();
  RequestBody body = MakeMeldBody(c, c.chair, tile, others[0], others[1], others[2], 0);
  CopyBody(body, bodyOut64);
  CString text;
  return m_connection.SendGangAction(text, REQ_GANG_CONCEALED, body, reply32, replyCode);
}

int CSceneRequests::RequestAddedGang(const int tiles[3], BYTE* bodyOut64, BYTE* reply32, int* replyCode) {
  const RequestContext c = Context();
  RequestBody body = MakeMeldBody(c, c.chair, m_model.Offer(CLAIM_GANG).tile, tiles[0], tiles[1], tiles[2], 0);
  CopyBody(body, bodyOut64);
  CString text;
  return m_connection.SendGangAction(text, REQ_GANG_ADDED, body, reply32, replyCode);
}

int CSceneRequests::RequestPengClaim() {
  CString text;
  return m_connection.SendPengClaim(text, OfferBody(CLAIM_PENG, 2, 0));
}

int CSceneRequests::RequestDrawTile(BYTE* drawRecord32) {
  const RequestContext c = Context();
  CString text;
  return m_connection.SendDrawTile(text, MakeDrawBody(c, c.userId, c.chair), drawRecord32);
}

int CSceneRequests::PostDrawForTurnHolder() {
  const int chair = m_identity.turnHolderChair ? m_identity.turnHolderChair() : -1;
  if (chair < 0) return 0;
  const int user = m_identity.seatUserId ? m_identity.seatUserId(chair) : 0;
  CString text;
  return m_connection.PostDrawTile(text, MakeDrawBody(Context(), user, chair));
}

int CSceneRequests::PostDiscardForTurnHolder() {
  const int chair = m_identity.turnHolderChair ? m_identity.turnHolderChair() : -1;
  if (chair < 0) return 0;
  const int user = m_identity.seatUserId ? m_identity.seatUserId(chair) : 0;
  CString text;
  return m_connection.PostDiscard(text, MakeDiscardBody(Context(), user, chair, true, nullptr, 0));
}
