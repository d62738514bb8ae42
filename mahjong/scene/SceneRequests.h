// The table's requests for the player's game actions: each fills its body from the player's
// identity and the table's claim offers, hands it to one request of the game connection and
// returns what that request returns. Whether the player may act is the callers' decision.
#pragma once

#include <functional>

#include "mahjong/MJGameConnection.h"
#include "mahjong/scene/TableModel.h"

class CSceneRequests {
 public:
  struct Identity {
    std::function<RequestContext()> context;     // the own identity at the moment of sending
    std::function<int(int chair)> seatUserId;    // the user seated in a chair
    std::function<int()> turnHolderChair;        // the chair the clock points at
  };

  CSceneRequests(CMJGameConnection& connection, CMJTableModel& model, Identity identity)
      : m_connection(connection), m_model(model), m_identity(std::move(identity)) {}

  int RequestFlowerReplace(int flower, BYTE* drawRecord32);
  int RequestDiscard(int tile);
  // The own discard that waits for its answer: the reply's code (RESULT_REQUEST_FAILED when no
  // reply came), so that only an accepted discard leaves the hand.
  int RequestOwnDiscard(int tile);
  int RequestChiMeld(const int pair[2], BYTE* bodyOut64, int* replyCode);
  int RequestChiClaim();
  int RequestGangClaim(BYTE* reply48);
  int RequestGangClaimWithTiles(const int tiles[3], BYTE* reply48);
  // The gang claim for four own tiles of the tile's code (kind 4), on the own turn.
  int RequestConcealedGangClaim(int tile, BYTE* reply48);
  int RequestHuSelfDrawn();
  int RequestHuOnDiscard();
  int RequestPass();
  int RequestPengMeld(BYTE* bodyOut64);
  int RequestExposedGang(BYTE* bodyOut64, BYTE* reply32, int* replyCode);
  int RequestConcealedGang(int tile, BYTE* bodyOut64, BYTE* reply32, int* replyCode);
  int RequestAddedGang(const int tiles[3], BYTE* bodyOut64, BYTE* reply32, int* replyCode);
  int RequestPengClaim();
  int RequestDrawTile(BYTE* drawRecord32);
  // The draw and discard sent in the name of the chair in turn (it is away from the table).
  int PostDrawForTurnHolder();
  int PostDiscardForTurnHolder();

 private:
  RequestContext Context() const;
  static void CopyBody(const RequestBody& body, BYTE* out64);
  RequestBody OfferBody(int button, int choices, int kind) const;

  CMJGameConnection& m_connection;
  CMJTableModel& m_model;
  Identity m_identity;
};
