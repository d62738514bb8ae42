#include "testbed/table/MahjongTable.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "testbed/table/HandShape.h"
#include "testbed/table/TableCodes.h"

namespace testbed {

namespace {

using json = nlohmann::json;

constexpr int STATUS_RUNNING = 0x1;
constexpr int STATUS_HOLDS_DRAWN = 0x100;
constexpr size_t GANG_CLAIM_REPLY_SIZE = 48;

// The chair that plays after `chair`: turn order runs through the chairs downwards.
int NextInTurn(int chair) { return (chair + 3) % 4; }

// How many turns after `giver` the chair plays (1-3).
int TurnDistance(int giver, int chair) { return ((giver - chair) % 4 + 4) % 4; }

int ClaimRank(int op, int giver, int chair) {
  if (op & MJOP_HU) return 300 + 3 - TurnDistance(giver, chair);
  if (op & (MJOP_PENG | MJOP_GANG)) return 200;
  if (op & MJOP_CHI) return 100;
  return -1;
}

bool ValidChair(int chair) { return chair >= 0 && chair < 4; }

const char* ClaimName(int op) {
  if (op & MJOP_HU) return "hu";
  if (op & MJOP_GANG) return "gang";
  if (op & MJOP_PENG) return "peng";
  if (op & MJOP_CHI) return "chi";
  return "claim";
}

}  // namespace

void TableOutput::Append(TableOutput&& other) {
  for (auto& m : other.messages) messages.push_back(std::move(m));
  for (auto& t : other.timers) timers.push_back(t);
}

MahjongTable::MahjongTable(TableConfig config) : m_config(std::move(config)), m_rng(m_config.seed) {
  m_banker = ValidChair(m_config.firstBanker) ? m_config.firstBanker : 0;
}

MahjongTable::~MahjongTable() = default;

void MahjongTable::AbandonHand() {
  if (m_phase == Phase::IDLE) return;
  if (m_log) Log(json{{"ev", "abandoned"}, {"hand", m_handNumber}}.dump());
  m_phase = Phase::IDLE;
}

int MahjongTable::JokerCode() const { return m_joker1 >= 0 ? TileSet::Code(m_joker1) : 0; }

// ---------------------------------------------------------------------------------------------
// Seats and connections

TableOutput MahjongTable::SeatHuman(int chair, int userId) {
  TableOutput out;
  if (!ValidChair(chair) || userId == 0 || m_chairs[chair].seated || ChairOf(userId) >= 0) return out;
  Chair& c = m_chairs[chair];
  c = Chair{};
  c.userId = userId;
  c.seated = true;
  m_onlookers.erase(userId);
  return out;
}

TableOutput MahjongTable::SeatBot(int chair, int userId, std::unique_ptr<BotBrain> brain) {
  TableOutput out;
  if (!ValidChair(chair) || userId == 0 || m_chairs[chair].seated || ChairOf(userId) >= 0) return out;
  Chair& c = m_chairs[chair];
  c = Chair{};
  c.userId = userId;
  c.seated = true;
  c.bot = true;
  if (!brain && m_config.botBrains) brain = m_config.botBrains(chair);
  c.brain = brain ? std::move(brain) : std::make_unique<SensibleBot>();
  out.Append(OnReady(chair));
  return out;
}

TableOutput MahjongTable::Watch(int userId, int chair) {
  TableOutput out;
  if (!ValidChair(chair) || userId == 0 || ChairOf(userId) >= 0) return out;
  m_onlookers[userId] = chair;
  return out;
}

void MahjongTable::StopWatching(int userId) { m_onlookers.erase(userId); }

TableOutput MahjongTable::Disconnect(int userId) {
  TableOutput out;
  const int chair = ChairOf(userId);
  if (chair < 0) {
    m_onlookers.erase(userId);
    return out;
  }
  Chair& c = m_chairs[chair];
  if (c.bot || c.absent) return out;
  c.absent = true;
  Notify(out, NTF_PLAYER_BACK_OR_LEFT,
         [&](int) { return ChairNote{IdentityOf(chair), LEFT_GAME}.Write(); }, userId);
  return out;
}

TableOutput MahjongTable::Leave(int userId) {
  const int chair = ChairOf(userId);
  if (chair < 0) {
    m_onlookers.erase(userId);
    return TableOutput{};
  }
  if (m_phase != Phase::IDLE) return Disconnect(userId);
  m_chairs[chair] = Chair{};
  return TableOutput{};
}

TableOutput MahjongTable::Reconnect(int userId) {
  const int chair = ChairOf(userId);
  if (chair < 0) return TableOutput{};
  return OnReturnToGame(chair);
}

TableOutput MahjongTable::OnReturnToGame(int chair) {
  TableOutput out;
  Chair& c = m_chairs[chair];
  if (!c.absent) return out;
  c.absent = false;
  Notify(out, NTF_PLAYER_BACK_OR_LEFT,
         [&](int) { return ChairNote{IdentityOf(chair), BACK_IN_GAME}.Write(); }, c.userId);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Requests

TableOutput MahjongTable::HandleRequest(int userId, int code, std::span<const BYTE> body) {
  TableOutput out;
  const int chair = ChairOf(userId);
  const bool onlooker = chair < 0 && m_onlookers.count(userId) != 0;
  if (chair < 0 && !onlooker) {
    Reply(out, userId, RESULT_REFUSED);
    return out;
  }
  switch (code) {
    case REQ_GET_GAME_DATA:
      Reply(out, userId, RESULT_SUCCESS, TableInfoFor(userId));
      return out;
    case REQ_SEE_HAND:
      if (!onlooker || !IdentityBody::Read(body)) break;
      return OnSeeHand(userId);
    default:
      break;
  }
  if (onlooker) {
    Reply(out, userId, RESULT_REFUSED);
    return out;
  }
  switch (code) {
    case REQ_READY:
    case REQ_READY_CHECKED:
    case REQ_AUTO_READY:
      if (!IdentityBody::Read(body)) break;
      Reply(out, userId, RESULT_SUCCESS);
      out.Append(OnReady(chair));
      return out;
    case REQ_DISCARD:
      return OnDiscard(chair, body);
    case REQ_DRAW:
      return OnDraw(chair, body);
    case REQ_PASS:
      return OnPass(chair, body);
    case REQ_PENG_CLAIM:
    case REQ_CHI_CLAIM:
    case REQ_GANG_CLAIM:
      return OnClaimIntent(chair, code, body);
    case REQ_PENG_MELD:
    case REQ_CHI_MELD:
    case REQ_GANG_EXPOSED:
      return OnClaim(chair, code, body);
    case REQ_GANG_CONCEALED:
      return OnConcealedGang(chair, body);
    case REQ_GANG_ADDED:
      return OnAddedGang(chair, body);
    case REQ_HU:
      return OnHu(chair, body);
    case REQ_FLOWER_REPLACE:
      return OnFlower(chair, body);
    case REQ_SEE_HAND_PERMISSION:
      return OnSeeHandPermission(chair, body);
    case REQ_RETURN_TO_GAME:
      if (!ReturnBody::Read(body)) break;
      Reply(out, userId, RESULT_SUCCESS);
      out.Append(OnReturnToGame(chair));
      return out;
    case REQ_TURN_STALLED:
      // A client whose clock has stood at zero for half a minute: whoever is silent, the
      // table acts now as it would at its own deadline.
      if (!IdentityBody::Read(body)) break;
      Reply(out, userId, RESULT_SUCCESS);
      out.Append(Deadline(m_current));
      return out;
    case REQ_C229505:
      if (!IdentityBody::Read(body)) break;
      Reply(out, userId, RESULT_SUCCESS);
      return out;
    default:
      break;
  }
  Reply(out, userId, RESULT_REFUSED);
  return out;
}

TableOutput MahjongTable::OnReady(int chair) {
  TableOutput out;
  Chair& c = m_chairs[chair];
  if (m_phase != Phase::IDLE || c.ready) return out;
  c.ready = true;
  Notify(out, NTF_PLAYER_STARTED, [&](int) { return PlayerStartedNote{IdentityOf(chair)}.Write(); }, c.userId);
  const bool all = std::all_of(m_chairs.begin(), m_chairs.end(), [](const Chair& x) { return x.seated && x.ready; });
  if (all) out.Append(StartHand());
  return out;
}

TableOutput MahjongTable::OnDiscard(int sender, std::span<const BYTE> body) {
  TableOutput out;
  const int userId = m_chairs[sender].userId;
  const auto d = DiscardBody::Read(body);
  if (!d || !ValidChair(d->seat.chair) || m_phase != Phase::AWAIT_DISCARD || m_current != d->seat.chair) {
    Reply(out, userId, RESULT_REFUSED);
    return out;
  }
  const int chair = d->seat.chair;
  if (chair != sender) {
    // A discard sent for the seat in turn: several clients may send it; the first one that
    // finds the seat still in turn acts, the rest are refused. The table picks the tile.
    if (d->seat.userId != m_chairs[chair].userId) {
      Reply(out, userId, RESULT_REFUSED);
      return out;
    }
    const std::vector<int>& hand = m_chairs[chair].hand;
    int tile = TILE_NONE;
    if (!d->tiles.empty() && std::find(hand.begin(), hand.end(), d->tiles[0]) != hand.end() &&
        !TileSet::IsFlower(d->tiles[0])) {
      tile = d->tiles[0];
    } else {
      const bool holdsFlower = std::any_of(hand.begin(), hand.end(), [](int id) { return TileSet::IsFlower(id); });
      if (holdsFlower) {
        // A flower cannot be discarded: lay it out for the seat instead.
        Reply(out, userId, RESULT_SUCCESS);
        out.Append(ServerActsFor(chair));
        return out;
      }
      tile = SensibleBot::BestDiscard(hand, JokerCode(), SetsLeft(chair), nullptr);
    }
    return Discard(chair, tile, userId);
  }
  if (d->tiles.empty()) {
    Reply(out, userId, RESULT_REFUSED);
    return out;
  }
  const int tile = d->tiles[0];
  const std::vector<int>& hand = m_chairs[chair].hand;
  if (TileSet::IsFlower(tile) || std::find(hand.begin(), hand.end(), tile) == hand.end()) {
    Reply(out, userId, RESULT_REFUSED);
    return out;
  }
  return Discard(chair, tile, userId);
}

TableOutput MahjongTable::OnDraw(int sender, std::span<const BYTE> body) {
  TableOutput out;
  const int userId = m_chairs[sender].userId;
  const auto d = DrawBody::Read(body);
  if (!d || !ValidChair(d->seat.chair) || d->seat.userId != m_chairs[d->seat.chair].userId) {
    Reply(out, userId, RESULT_REFUSED);
    return out;
  }
  const int chair = d->seat.chair;
  if (m_phase == Phase::CLAIMS && m_claims.granted < 0 && chair == NextInTurn(m_claims.giver)) {
    // The next player's count-down ran out: the claim window is over for everyone. No time-up
    // goes out: the drawer's client would take it after its draw and play its discard at once.
    for (int c = 0; c < 4; ++c) {
      if (m_claims.answers[c].state == Answer::UNDECIDED) m_claims.answers[c].state = Answer::PASSED;
    }
    out.Append(ResolveClaims(-1, false));
  }
  if (m_phase != Phase::AWAIT_DRAW || m_current != chair) {
    Reply(out, userId, RESULT_REFUSED);
    return out;
  }
  out.Append(Draw(chair, userId));
  return out;
}

TableOutput MahjongTable::OnPass(int chair, std::span<const BYTE> body) {
  TableOutput out;
  const int userId = m_chairs[chair].userId;
  if (!PassBody::Read(body)) {
    Reply(out, userId, RESULT_REFUSED);
    return out;
  }
  Reply(out, userId, RESULT_SUCCESS);
  if ((m_phase != Phase::CLAIMS && m_phase != Phase::ROB) || m_claims.words[chair] == 0 ||
      m_claims.answers[chair].state != Answer::UNDECIDED) {
    return out;
  }
  m_claims.answers[chair].state = Answer::PASSED;
  out.Append(ResolveClaims(-1));
  return out;
}

TableOutput MahjongTable::OnClaimIntent(int chair, int code, std::span<const BYTE> body) {
  TableOutput out;
  const int userId = m_chairs[chair].userId;
  const auto m = MeldRecord::Read(body);
  bool ok = false;
  BodyData data;
  if (m) {
    // A claim for another tile than the discard on the table is for a window that has closed.
    const int word = m_phase == Phase::CLAIMS && m->tiles[0] == m_claims.tile ? m_claims.words[chair] : 0;
    if (code == REQ_PENG_CLAIM) ok = (word & MJOP_PENG) != 0;
    if (code == REQ_CHI_CLAIM) ok = (word & MJOP_CHI) != 0;
    if (code == REQ_GANG_CLAIM) {
      data.assign(GANG_CLAIM_REPLY_SIZE, 0);
      const bool ownTurn = m_phase == Phase::AWAIT_DISCARD && m_current == chair;
      const int gangCode = TileSet::Code(m->tiles[0]);
      const CodeCounts counts = TileSet::Count(m_chairs[chair].hand);
      if (m->kind == GANG_CLAIM_EXPOSED) ok = (word & MJOP_GANG) != 0;
      if (m->kind == GANG_CLAIM_CONCEALED) ok = ownTurn && gangCode > 0 && counts[gangCode] == 4 && m_wall.CanDrawTail();
      if (m->kind == GANG_CLAIM_ADDED) {
        const auto& melds = m_chairs[chair].melds;
        ok = ownTurn && gangCode > 0 && counts[gangCode] >= 1 && m_wall.CanDrawTail() &&
             std::any_of(melds.begin(), melds.end(), [&](const TableMeld& x) {
               return x.family == FAMILY_PENG && TileSet::Code(x.claimed) == gangCode;
             });
      }
    }
  }
  if (ok) {
    Reply(out, userId, RESULT_SUCCESS, std::move(data));
  } else {
    Reply(out, userId, RESULT_REFUSED);
  }
  return out;
}

TableOutput MahjongTable::OnClaim(int chair, int code, std::span<const BYTE> body) {
  TableOutput out;
  const int userId = m_chairs[chair].userId;
  const int op = code == REQ_PENG_MELD ? MJOP_PENG : code == REQ_CHI_MELD ? MJOP_CHI : MJOP_GANG;
  const auto m = MeldRecord::Read(body);
  // A claim names the discard it takes: one sent for a discard whose window has closed (a late
  // answer to an earlier offer) is refused, not laid with the tile now on the table.
  if (!m || m_phase != Phase::CLAIMS || m->tiles[0] != m_claims.tile) {
    Reply(out, userId, RESULT_REFUSED);
    return out;
  }
  ClaimAnswer& answer = m_claims.answers[chair];
  if (answer.state == Answer::CLAIMED && answer.op == op) {
    // The retry of a held claim.
    if (m_claims.granted == chair) return PerformClaim(chair, false, userId);
    if (answer.lost) Event("chair %d's retry of its %s of tile %d is refused: another claim won", chair, ClaimName(op), m_claims.tile);
    Reply(out, userId, answer.lost ? RESULT_REFUSED : RESULT_CLAIM_HELD);
    return out;
  }
  if (answer.state != Answer::UNDECIDED || !(m_claims.words[chair] & op)) {
    Reply(out, userId, RESULT_REFUSED);
    return out;
  }
  const int tile = m_claims.tile;
  const int code0 = TileSet::Code(tile);
  std::vector<int> tiles;
  const std::vector<int>& hand = m_chairs[chair].hand;
  auto inHand = [&](int id) { return std::count(hand.begin(), hand.end(), id) > 0; };
  if (op == MJOP_CHI) {
    const int a = m->tiles[1], b = m->tiles[2];
    std::array<int, 3> codes{TileSet::Code(a), TileSet::Code(b), code0};
    std::sort(codes.begin(), codes.end());
    const bool run = a != b && inHand(a) && inHand(b) && TileSet::IsSuitedCode(codes[0]) &&
                     codes[1] == codes[0] + 1 && codes[2] == codes[0] + 2 && codes[0] / 10 == codes[2] / 10;
    if (!run) {
      Reply(out, userId, RESULT_REFUSED);
      return out;
    }
    tiles = {a, b};
  } else {
    const size_t need = op == MJOP_PENG ? 2 : 3;
    std::vector<int> preferred(m->tiles.begin() + 1, m->tiles.end());
    for (int id : preferred) {
      if (tiles.size() < need && inHand(id) && TileSet::Code(id) == code0 &&
          std::find(tiles.begin(), tiles.end(), id) == tiles.end()) {
        tiles.push_back(id);
      }
    }
    for (int id : hand) {
      if (tiles.size() < need && TileSet::Code(id) == code0 && std::find(tiles.begin(), tiles.end(), id) == tiles.end()) {
        tiles.push_back(id);
      }
    }
    if (tiles.size() != need) {
      Reply(out, userId, RESULT_REFUSED);
      return out;
    }
  }
  answer.state = Answer::CLAIMED;
  answer.op = op;
  answer.tiles = tiles;
  return ResolveClaims(chair);
}

TableOutput MahjongTable::OnHu(int chair, std::span<const BYTE> body) {
  TableOutput out;
  const int userId = m_chairs[chair].userId;
  const auto h = HuBody::Read(body);
  if (!h) {
    Reply(out, userId, RESULT_REFUSED);
    return out;
  }
  if (h->kind == HU_SELF_DRAWN) {
    if (m_phase != Phase::AWAIT_DISCARD || m_current != chair || !Wins(chair, TILE_NONE)) {
      Reply(out, userId, RESULT_REFUSED);
      return out;
    }
    Reply(out, userId, RESULT_SUCCESS);
    HandOutcome o;
    o.kind = WinKind::SELF_DRAWN;
    o.winner = chair;
    o.afterGang = m_afterGang;
    o.sevenPairs = WinsAsSevenPairsOnly(chair, TILE_NONE);
    const int jokerCode = JokerCode();
    o.noJoker = std::none_of(m_chairs[chair].hand.begin(), m_chairs[chair].hand.end(),
                             [&](int id) { return jokerCode != 0 && TileSet::Code(id) == jokerCode; });
    if (m_log) Log(json{{"ev", "hu"}, {"chair", chair}, {"kind", HU_SELF_DRAWN}, {"tile", m_drawnTile}, {"from", chair}}.dump());
    out.Append(EndHand(o, m_drawnTile));
    return out;
  }
  const Phase wanted = h->kind == HU_ROBBING ? Phase::ROB : Phase::CLAIMS;
  if ((h->kind != HU_ON_DISCARD && h->kind != HU_ROBBING) || m_phase != wanted) {
    Reply(out, userId, RESULT_REFUSED);
    return out;
  }
  ClaimAnswer& answer = m_claims.answers[chair];
  if (answer.state == Answer::CLAIMED && answer.op == MJOP_HU) {
    if (m_claims.granted == chair) return PerformClaim(chair, false, userId);
    Reply(out, userId, answer.lost ? RESULT_REFUSED : RESULT_CLAIM_HELD);
    return out;
  }
  if (answer.state != Answer::UNDECIDED || !(m_claims.words[chair] & MJOP_HU)) {
    Reply(out, userId, RESULT_REFUSED);
    return out;
  }
  answer.state = Answer::CLAIMED;
  answer.op = MJOP_HU;
  return ResolveClaims(chair);
}

TableOutput MahjongTable::OnConcealedGang(int chair, std::span<const BYTE> body) {
  TableOutput out;
  Chair& c = m_chairs[chair];
  const auto m = MeldRecord::Read(body);
  const int code = m ? TileSet::Code(m->tiles[0]) : 0;
  if (!m || m_phase != Phase::AWAIT_DISCARD || m_current != chair || code <= 0 ||
      TileSet::Count(c.hand)[code] != 4 || !m_wall.CanDrawTail()) {
    Reply(out, c.userId, RESULT_REFUSED);
    return out;
  }
  std::vector<int> four = TakeOfCode(chair, code, 4, {m->tiles[0]});
  TableMeld meld{FAMILY_CONCEALED_GANG, four, four[0], chair};
  c.melds.push_back(meld);
  m_gangs.push_back(GangPayment{chair, -1, FAMILY_CONCEALED_GANG});
  if (m_log) Log(json{{"ev", "concealed_gang"}, {"chair", chair}, {"tiles", four}}.dump());
  const WallDraw d = *m_wall.DrawTail();
  LogDraw(chair, d, true);
  c.hand.push_back(d.tile);
  m_drawnTile = d.tile;
  m_afterGang = true;
  const int flags = Wins(chair, TILE_NONE) ? DrawRecord::MAY_WIN : 0;
  Reply(out, c.userId, RESULT_SUCCESS, DrawRecord{chair, d.tile, d.position, flags}.Write());
  Notify(out, NTF_GANG_CONCEALED, [&](int u) {
    MeldRecord r{IdentityOf(chair), chair, {four[0], four[1], four[2], four[3]}, 0,
                 CanSee(u, chair) ? d.tile : TILE_HIDDEN, d.position};
    return r.Write();
  }, c.userId);
  out.Append(EnterAwaitDiscard(chair, m_config.botThinkMs));
  return out;
}

TableOutput MahjongTable::OnAddedGang(int chair, std::span<const BYTE> body) {
  TableOutput out;
  Chair& c = m_chairs[chair];
  const auto m = MeldRecord::Read(body);
  if (m && m_phase == Phase::ROB && m_claims.giver == chair) {
    if (m_claims.granted == chair) return FinishAddedGang(chair, false, c.userId);
    Reply(out, c.userId, RESULT_CLAIM_HELD);
    return out;
  }
  const int tile = m ? m->tiles[0] : TILE_NONE;
  const int code = TileSet::Code(tile);
  const bool hasPeng = std::any_of(c.melds.begin(), c.melds.end(), [&](const TableMeld& x) {
    return x.family == FAMILY_PENG && TileSet::Code(x.claimed) == code;
  });
  if (!m || m_phase != Phase::AWAIT_DISCARD || m_current != chair || code <= 0 || !hasPeng ||
      std::find(c.hand.begin(), c.hand.end(), tile) == c.hand.end() || !m_wall.CanDrawTail()) {
    Reply(out, c.userId, RESULT_REFUSED);
    return out;
  }
  m_claims = ClaimWindow{};
  m_claims.giver = chair;
  m_claims.tile = tile;
  bool anyRobber = false;
  for (int o = 0; o < 4; ++o) {
    if (o == chair) continue;
    m_claims.words[o] = RobWord(o, tile);
    anyRobber = anyRobber || m_claims.words[o] != 0;
  }
  if (!anyRobber) {
    m_claims.granted = chair;
    return FinishAddedGang(chair, false, c.userId);
  }
  // Somebody may rob the gang: hold it and ask them.
  SetPhase(Phase::ROB);
  Reply(out, c.userId, RESULT_CLAIM_HELD);
  GangAnnouncedNote note{chair, chair, tile, GANG_NOTE_ADDED, m_claims.words};
  Notify(out, NTF_GANG_ANNOUNCED, [&](int) { return note.Write(); });
  for (int o = 0; o < 4; ++o) {
    if (m_claims.words[o] != 0 && m_chairs[o].bot) out.timers.push_back(Schedule(TimerKind::BOT, o, m_config.botThinkMs));
  }
  out.timers.push_back(Schedule(TimerKind::CLAIM_DEADLINE, -1, m_config.claimTimeS * 1000 + m_config.claimGraceMs));
  return out;
}

TableOutput MahjongTable::FinishAddedGang(int chair, bool notifyActor, int replyTo) {
  TableOutput out;
  Chair& c = m_chairs[chair];
  const int tile = m_claims.tile;
  const int code = TileSet::Code(tile);
  auto meld = std::find_if(c.melds.begin(), c.melds.end(), [&](const TableMeld& x) {
    return x.family == FAMILY_PENG && TileSet::Code(x.claimed) == code;
  });
  if (meld == c.melds.end() || !RemoveFromHand(chair, tile) || !m_wall.CanDrawTail()) {
    // The hand changed under the held gang (cannot happen while the rob window is open).
    if (replyTo != 0) Reply(out, replyTo, RESULT_REFUSED);
    out.Append(EnterAwaitDiscard(chair, m_config.botThinkMs));
    return out;
  }
  meld->family = FAMILY_ADDED_GANG;
  meld->tiles.push_back(tile);
  std::array<int, 4> shown{tile, meld->tiles[0], meld->tiles[1], meld->tiles[2]};
  m_gangs.push_back(GangPayment{chair, -1, FAMILY_ADDED_GANG});
  if (m_log) Log(json{{"ev", "added_gang"}, {"chair", chair}, {"tile", tile}}.dump());
  const WallDraw d = *m_wall.DrawTail();
  LogDraw(chair, d, true);
  c.hand.push_back(d.tile);
  m_drawnTile = d.tile;
  m_afterGang = true;
  const int flags = Wins(chair, TILE_NONE) ? DrawRecord::MAY_WIN : 0;
  if (replyTo != 0) Reply(out, replyTo, RESULT_SUCCESS, DrawRecord{chair, d.tile, d.position, flags}.Write());
  const int except = notifyActor ? 0 : c.userId;
  if (m_phase != Phase::ROB) {
    GangAnnouncedNote note{chair, chair, tile, GANG_NOTE_ADDED, {}};
    Notify(out, NTF_GANG_ANNOUNCED, [&](int) { return note.Write(); }, except);
  }
  Notify(out, NTF_GANG_ADDED, [&](int u) {
    return MeldRecord{IdentityOf(chair), meld->from, shown, 0, CanSee(u, chair) ? d.tile : TILE_HIDDEN, d.position}.Write();
  }, except);
  out.Append(EnterAwaitDiscard(chair, m_config.botThinkMs));
  return out;
}

TableOutput MahjongTable::OnFlower(int chair, std::span<const BYTE> body) {
  TableOutput out;
  Chair& c = m_chairs[chair];
  const auto f = FlowerBody::Read(body);
  if (!f || m_phase != Phase::AWAIT_DISCARD || m_current != chair || !TileSet::IsFlower(f->flower) ||
      std::find(c.hand.begin(), c.hand.end(), f->flower) == c.hand.end()) {
    Reply(out, c.userId, RESULT_REFUSED);
    return out;
  }
  return ReplaceFlower(chair, f->flower, c.userId, false);
}

TableOutput MahjongTable::ReplaceFlower(int chair, int flower, int replyTo, bool notifyActor) {
  TableOutput out;
  Chair& c = m_chairs[chair];
  if (!m_wall.CanDrawTail()) {
    // No tile is left to replace the flower with: the wall is spent and the hand is drawn.
    if (replyTo != 0) Reply(out, replyTo, RESULT_NO_TILE);
    if (m_log) Log(json{{"ev", "drawn"}}.dump());
    out.Append(EndHand(HandOutcome{}, TILE_NONE));
    return out;
  }
  RemoveFromHand(chair, flower);
  c.flowers.push_back(flower);
  if (m_log) Log(json{{"ev", "flower"}, {"chair", chair}, {"tile", flower}}.dump());
  const WallDraw d = *m_wall.DrawTail();
  LogDraw(chair, d, true);
  c.hand.push_back(d.tile);
  m_drawnTile = d.tile;
  const int flags = Wins(chair, TILE_NONE) ? DrawRecord::MAY_WIN : 0;
  if (replyTo != 0) Reply(out, replyTo, RESULT_SUCCESS, DrawRecord{chair, d.tile, d.position, flags}.Write());
  Notify(out, NTF_FLOWER_REPLACED, [&](int u) {
    return FlowerNote{IdentityOf(chair), flower, CanSee(u, chair) ? d.tile : TILE_HIDDEN, d.position}.Write();
  }, notifyActor ? 0 : c.userId);
  out.Append(EnterAwaitDiscard(chair, m_config.botThinkMs));
  return out;
}

TableOutput MahjongTable::OnSeeHand(int userId) {
  TableOutput out;
  Reply(out, userId, RESULT_SUCCESS);
  const int chair = WatchedChair(userId);
  if (!ValidChair(chair) || !m_chairs[chair].seated) return out;
  if (m_chairs[chair].bot) {
    // Computer players never mind being watched.
    PermissionBody p{IdentityOf(chair), userId, 1};
    TableOutput granted = OnSeeHandPermission(chair, p.Write());
    for (auto& msg : granted.messages) {
      if (!(msg.reply && msg.toUser == m_chairs[chair].userId)) out.messages.push_back(std::move(msg));
    }
    return out;
  }
  TableMessage ask;
  ask.toUser = m_chairs[chair].userId;
  ask.code = NTF_SEE_HAND_REQUEST;
  ask.body = SeeHandAskNote{userId}.Write();
  out.messages.push_back(std::move(ask));
  return out;
}

TableOutput MahjongTable::OnSeeHandPermission(int chair, std::span<const BYTE> body) {
  TableOutput out;
  Chair& c = m_chairs[chair];
  const auto p = PermissionBody::Read(body);
  if (!p || p->watcherUserId == 0) {
    Reply(out, c.userId, RESULT_REFUSED);
    return out;
  }
  Reply(out, c.userId, RESULT_SUCCESS);
  if (p->allow) {
    c.watchersAllowed.insert(p->watcherUserId);
  } else {
    c.watchersAllowed.erase(p->watcherUserId);
  }
  HandShownNote note{IdentityOf(chair), p->watcherUserId, p->allow ? 1 : 0};
  Notify(out, NTF_HAND_SHOWN, [&](int) { return note.Write(); });
  if (p->allow && m_phase != Phase::IDLE && WatchedChair(p->watcherUserId) == chair) {
    TableMessage m;
    m.toUser = p->watcherUserId;
    m.code = NTF_HAND_REFRESH;
    m.body = HandRefreshNote{c.userId, chair, c.hand}.Write();
    out.messages.push_back(std::move(m));
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// The flow of a hand

TableOutput MahjongTable::StartHand() {
  TableOutput out;
  ++m_handNumber;
  const uint64_t handSeed = m_rng();
  std::mt19937_64 g(handSeed);
  std::vector<int> tiles;
  // A fixed wall is played only when it holds the tile set's 136 tiles, each once.
  bool fixed = false;
  if (m_fixedWallNext < m_config.fixedWalls.size()) {
    tiles = m_config.fixedWalls[m_fixedWallNext++];
    std::vector<int> sorted = tiles;
    std::sort(sorted.begin(), sorted.end());
    fixed = sorted == TileSet::HandTiles(false) || sorted == TileSet::HandTiles(true);
  }
  if (!fixed) {
    tiles = TileSet::HandTiles(m_config.flowers);
    for (size_t i = tiles.size() - 1; i > 0; --i) std::swap(tiles[i], tiles[g() % (i + 1)]);
  }
  if (m_config.fixedDice) {
    m_dice = *m_config.fixedDice;
  } else {
    for (int& d : m_dice) d = 1 + static_cast<int>(g() % 6);
  }
  // The dice choose the break as a player would count it: the first throw counts chairs from
  // the banker in turn order, the second counts stacks into that chair's side of the wall.
  const int counted = (m_banker + 3 * (m_dice[0] + m_dice[1] - 1)) % 4;
  const int segment = (counted + 3) % 4;
  int breakPosition = (segment * 34 + 2 * ((m_dice[2] + m_dice[3]) % 17)) % TILE_COUNT;
  if (m_config.fixedBreak && *m_config.fixedBreak >= 0 && *m_config.fixedBreak < TILE_COUNT) {
    breakPosition = *m_config.fixedBreak & ~1;
  }
  m_wall = Wall(tiles, breakPosition);
  const int treasureCode = TileSet::TreasureCodeAfter(TileSet::Code(m_wall.IndicatorTile()));
  m_joker1 = TileSet::FirstIdOfCode(treasureCode);
  for (Chair& c : m_chairs) {
    c.hand.clear(), c.melds.clear(), c.river.clear(), c.flowers.clear();
  }
  m_gangs.clear();
  m_claims = ClaimWindow{};
  if (m_log) Log(json{{"ev", "hand"}, {"hand", m_handNumber}, {"seed", handSeed}, {"banker", m_banker},
           {"dice", m_dice}, {"break", breakPosition}, {"wall", tiles},
           {"indicatorPos", m_wall.IndicatorPosition()}, {"indicator", m_wall.IndicatorTile()},
           {"joker", m_joker1}}.dump());

  // Deal: three rounds of four tiles to each chair in turn order from the banker, one more
  // each, and the banker's fourteenth.
  std::array<std::vector<int>, 4> positions;
  auto deal = [&](int chair, int n) {
    for (int k = 0; k < n; ++k) {
      const WallDraw d = *m_wall.DrawHead();
      m_chairs[chair].hand.push_back(d.tile);
      positions[chair].push_back(d.position);
    }
  };
  for (int round = 0; round < 3; ++round) {
    for (int k = 0; k < 4; ++k) deal((m_banker + 3 * k) % 4, 4);
  }
  for (int k = 0; k < 4; ++k) deal((m_banker + 3 * k) % 4, 1);
  deal(m_banker, 1);
  for (int k = 0; k < 4; ++k) {
    const int chair = (m_banker + 3 * k) % 4;
    if (m_log) Log(json{{"ev", "deal"}, {"chair", chair}, {"tiles", m_chairs[chair].hand}, {"walls", positions[chair]}}.dump());
  }
  // Dealt flowers are laid out and replaced from the tail before anybody sees the hand.
  for (int k = 0; k < 4; ++k) {
    const int chair = (m_banker + 3 * k) % 4;
    Chair& c = m_chairs[chair];
    for (bool again = true; again;) {
      again = false;
      for (int id : c.hand) {
        if (!TileSet::IsFlower(id) || !m_wall.CanDrawTail()) continue;
        RemoveFromHand(chair, id);
        c.flowers.push_back(id);
        if (m_log) Log(json{{"ev", "flower"}, {"chair", chair}, {"tile", id}}.dump());
        const WallDraw d = *m_wall.DrawTail();
        LogDraw(chair, d, true);
        c.hand.push_back(d.tile);
        again = true;
        break;
      }
    }
  }
  m_current = m_banker;
  m_status = STATUS_RUNNING | STATUS_HOLDS_DRAWN;
  m_drawnTile = m_chairs[m_banker].hand.back();
  m_afterGang = false;
  for (Chair& c : m_chairs) c.ready = false;
  for (int u : Recipients()) {
    const int viewer = ChairOf(u) >= 0 ? ChairOf(u) : WatchedChair(u);
    TableMessage m;
    m.toUser = u;
    m.code = NTF_NEW_HAND;
    m.body = BuildRecord(u, viewer).WriteNewHand();
    out.messages.push_back(std::move(m));
  }
  out.Append(EnterAwaitDiscard(m_banker, DealDelayMs()));
  return out;
}

// The clients open a hand with the dice (3.2 s a throw; the second throw when both its dice show),
// the deal (2 s) and the flower reveal (0.3 s per chair with flowers, then 0.3 s): nobody should
// discard before they are done.
int MahjongTable::DealDelayMs() const {
  const int throws = m_dice[2] > 0 && m_dice[3] > 0 ? 2 : 1;
  int flowerChairs = 0;
  for (const Chair& c : m_chairs) flowerChairs += c.flowers.empty() ? 0 : 1;
  const int clients = 3200 * throws + 2000 + 300 * flowerChairs + 300 + 500;
  return std::max(clients, m_config.botDealDelayMs);
}

TableOutput MahjongTable::Discard(int chair, int tile, int replyTo) {
  TableOutput out;
  Chair& c = m_chairs[chair];
  RemoveFromHand(chair, tile);
  c.river.push_back(tile);
  m_drawnTile = TILE_NONE;
  m_afterGang = false;
  if (m_log) Log(json{{"ev", "discard"}, {"chair", chair}, {"tile", tile}}.dump());
  m_claims = ClaimWindow{};
  m_claims.giver = chair;
  m_claims.tile = tile;
  bool any = false;
  for (int o = 0; o < 4; ++o) {
    if (o == chair) continue;
    m_claims.words[o] = ClaimWord(o, chair, tile);
    any = any || m_claims.words[o] != 0;
  }
  if (replyTo != 0) Reply(out, replyTo, RESULT_SUCCESS);
  // Every client gets the discard, the discarder's own included: its client skips the echo
  // of a discard it made itself, and needs it when somebody else discarded in its name.
  TileDiscardedNote note{c.userId, chair, m_claims.words, tile};
  Notify(out, NTF_TILE_DISCARDED, [&](int) { return note.Write(); });
  if (!any) {
    out.Append(EnterAwaitDraw(NextInTurn(chair)));
    return out;
  }
  SetPhase(Phase::CLAIMS);
  m_status = STATUS_RUNNING;
  for (int o = 0; o < 4; ++o) {
    if (m_claims.words[o] != 0 && m_chairs[o].bot) out.timers.push_back(Schedule(TimerKind::BOT, o, m_config.botThinkMs));
  }
  out.timers.push_back(Schedule(TimerKind::CLAIM_DEADLINE, -1, m_config.claimTimeS * 1000 + m_config.claimGraceMs));
  return out;
}

TableOutput MahjongTable::Draw(int chair, int replyTo) {
  TableOutput out;
  Chair& c = m_chairs[chair];
  const auto d = m_wall.DrawHead();
  if (!d) {
    if (replyTo != 0) Reply(out, replyTo, RESULT_NO_TILE);
    if (m_log) Log(json{{"ev", "drawn"}}.dump());
    out.Append(EndHand(HandOutcome{}, TILE_NONE));
    return out;
  }
  LogDraw(chair, *d, false);
  c.hand.push_back(d->tile);
  m_drawnTile = d->tile;
  m_afterGang = false;
  const int flags = Wins(chair, TILE_NONE) ? DrawRecord::MAY_WIN : 0;
  if (replyTo != 0) {
    const bool sees = CanSee(replyTo, chair);
    Reply(out, replyTo, RESULT_SUCCESS,
          DrawRecord{chair, sees ? d->tile : TILE_HIDDEN, d->position, sees ? flags : 0}.Write());
  }
  Notify(out, NTF_TILE_DRAWN, [&](int u) {
    return DrawRecord{chair, CanSee(u, chair) ? d->tile : TILE_HIDDEN, d->position, 0}.Write();
  });
  out.Append(EnterAwaitDiscard(chair, m_config.botThinkMs));
  return out;
}

TableOutput MahjongTable::ResolveClaims(int requester, bool timeUp) {
  TableOutput out;
  const int giver = m_claims.giver;
  int best = -1;
  int bestRank = -1;
  for (int c = 0; c < 4; ++c) {
    const ClaimAnswer& a = m_claims.answers[c];
    if (a.state != Answer::CLAIMED || a.lost) continue;
    const int rank = ClaimRank(a.op, giver, c);
    if (rank > bestRank) best = c, bestRank = rank;
  }
  bool waiting = false;
  for (int c = 0; c < 4; ++c) {
    if (m_claims.answers[c].state == Answer::UNDECIDED && m_claims.words[c] != 0 &&
        ClaimRank(m_claims.words[c], giver, c) > bestRank) {
      waiting = true;
    }
  }
  const int requesterUser = requester >= 0 ? m_chairs[requester].userId : 0;
  if (waiting) {
    if (requester >= 0) {
      m_claims.answers[requester].held = true;
      Reply(out, requesterUser, RESULT_CLAIM_HELD);
      Event("chair %d's %s of tile %d from chair %d is held: a higher claim may still come", requester,
            ClaimName(m_claims.answers[requester].op), m_claims.tile, giver);
    }
    return out;
  }
  for (int c = 0; c < 4; ++c) {
    ClaimAnswer& a = m_claims.answers[c];
    if (a.state == Answer::UNDECIDED) a.state = Answer::PASSED;
    if (a.state == Answer::CLAIMED && c != best) a.lost = true;
  }
  if (best < 0) {
    // Everybody passed. The clients' count-downs still run: time-up lets each of them expire
    // at once, so the next player draws (or the gang's owner retries) without waiting.
    if (timeUp) Notify(out, NTF_TIME_UP, [](int) { return BodyData(16, 0); });
    if (m_phase == Phase::ROB) {
      m_claims.granted = giver;
      ++m_epoch;
      if (m_chairs[giver].bot) out.timers.push_back(Schedule(TimerKind::BOT, giver, m_config.botThinkMs));
      out.timers.push_back(Schedule(TimerKind::CLAIM_DEADLINE, -1, m_config.claimTimeS * 1000 + m_config.claimGraceMs));
      return out;
    }
    out.Append(EnterAwaitDraw(NextInTurn(giver)));
    return out;
  }
  if (best == requester) return PerformClaim(best, false, requesterUser);
  if (requester >= 0) Reply(out, requesterUser, RESULT_REFUSED);
  // A held claim won: its client retries at its count-down's end, which time-up brings now.
  m_claims.granted = best;
  ++m_epoch;
  Event("chair %d's held %s of tile %d won: time-up sent, its retry awaited", best, ClaimName(m_claims.answers[best].op),
        m_claims.tile);
  Notify(out, NTF_TIME_UP, [](int) { return BodyData(16, 0); });
  if (m_chairs[best].bot) out.timers.push_back(Schedule(TimerKind::BOT, best, m_config.botThinkMs));
  out.timers.push_back(Schedule(TimerKind::CLAIM_DEADLINE, -1, m_config.claimTimeS * 1000 + m_config.claimGraceMs));
  return out;
}

TableOutput MahjongTable::PerformClaim(int chair, bool notifyActor, int replyTo) {
  TableOutput out;
  Chair& c = m_chairs[chair];
  const ClaimAnswer a = m_claims.answers[chair];
  const int giver = m_claims.giver;
  const int tile = m_claims.tile;
  const int except = notifyActor ? 0 : c.userId;
  if (m_claims.granted == chair) {
    // A held claim that won: the claimer learns of its meld from its retry's answer, or, at the
    // deadline, from the notifications.
    Event("chair %d's held %s of tile %d is laid %s", chair, ClaimName(a.op), tile,
          notifyActor ? "at the deadline; the claimer is told by notification"
          : replyTo != 0 ? "on its retry; the claimer is told by the retry's answer only"
                         : "with no answer and no notification to the claimer");
  }

  if (a.op == MJOP_HU) {
    if (replyTo != 0) Reply(out, replyTo, RESULT_SUCCESS);
    HandOutcome o;
    o.winner = chair;
    o.payer = giver;
    if (m_phase == Phase::ROB) {
      o.kind = WinKind::ROBBING;
      RemoveFromHand(giver, tile);
    } else {
      o.kind = WinKind::ON_DISCARD;
      if (!m_chairs[giver].river.empty()) m_chairs[giver].river.pop_back();
    }
    o.sevenPairs = WinsAsSevenPairsOnly(chair, tile);
    const int jokerCode = JokerCode();
    c.hand.push_back(tile);
    o.noJoker = std::none_of(c.hand.begin(), c.hand.end(),
                             [&](int id) { return jokerCode != 0 && TileSet::Code(id) == jokerCode; });
    if (m_log) Log(json{{"ev", "hu"}, {"chair", chair}, {"kind", o.kind == WinKind::ROBBING ? HU_ROBBING : HU_ON_DISCARD},
             {"tile", tile}, {"from", giver}}.dump());
    out.Append(EndHand(o, tile));
    return out;
  }

  for (int id : a.tiles) RemoveFromHand(chair, id);
  if (!m_chairs[giver].river.empty()) m_chairs[giver].river.pop_back();
  TableMeld meld;
  meld.claimed = tile;
  meld.from = giver;
  meld.tiles = {tile};
  meld.tiles.insert(meld.tiles.end(), a.tiles.begin(), a.tiles.end());
  meld.family = a.op == MJOP_PENG ? FAMILY_PENG : a.op == MJOP_CHI ? FAMILY_CHI : FAMILY_EXPOSED_GANG;
  c.melds.push_back(meld);
  const char* name = a.op == MJOP_PENG ? "peng" : a.op == MJOP_CHI ? "chi" : "exposed_gang";
  if (m_log) Log(json{{"ev", name}, {"chair", chair}, {"from", giver}, {"tile", tile}, {"tiles", a.tiles}}.dump());
  std::array<int, 4> shown{tile, TILE_NONE, TILE_NONE, TILE_NONE};
  for (size_t k = 0; k < a.tiles.size() && k < 3; ++k) shown[k + 1] = a.tiles[k];
  m_drawnTile = TILE_NONE;
  m_afterGang = false;

  if (a.op == MJOP_GANG) {
    m_gangs.push_back(GangPayment{chair, giver, FAMILY_EXPOSED_GANG});
    const auto d = m_wall.DrawTail();
    const WallDraw draw = d ? *d : WallDraw{};
    if (d) {
      LogDraw(chair, draw, true);
      c.hand.push_back(draw.tile);
      m_drawnTile = draw.tile;
      m_afterGang = true;
    }
    const int flags = d && Wins(chair, TILE_NONE) ? DrawRecord::MAY_WIN : 0;
    if (replyTo != 0) Reply(out, replyTo, RESULT_SUCCESS, DrawRecord{chair, draw.tile, draw.position, flags}.Write());
    GangAnnouncedNote note{chair, giver, tile, GANG_NOTE_EXPOSED, {}};
    Notify(out, NTF_GANG_ANNOUNCED, [&](int) { return note.Write(); }, except);
    Notify(out, NTF_GANG_EXPOSED, [&](int u) {
      return MeldRecord{IdentityOf(chair), giver, shown, 0, CanSee(u, chair) ? draw.tile : TILE_HIDDEN, draw.position}.Write();
    }, except);
  } else {
    if (replyTo != 0) Reply(out, replyTo, RESULT_SUCCESS);
    const bool peng = a.op == MJOP_PENG;
    Notify(out, peng ? NTF_PENG_ANNOUNCED : NTF_CHI_ANNOUNCED,
           [&](int) { return ChairNote{IdentityOf(chair), 0}.Write(); }, except);
    Notify(out, peng ? NTF_PENG_MELD : NTF_CHI_MELD,
           [&](int) { return MeldRecord{IdentityOf(chair), giver, shown, 0, 0, 0}.Write(); }, except);
  }
  out.Append(EnterAwaitDiscard(chair, m_config.botThinkMs));
  return out;
}

TableOutput MahjongTable::EnterAwaitDraw(int chair) {
  TableOutput out;
  SetPhase(Phase::AWAIT_DRAW);
  m_current = chair;
  m_status = STATUS_RUNNING;
  if (m_chairs[chair].bot) {
    out.timers.push_back(Schedule(TimerKind::BOT, chair, m_config.botThinkMs));
  } else {
    out.timers.push_back(Schedule(TimerKind::TURN_DEADLINE, chair, m_config.claimTimeS * 1000 + m_config.turnGraceMs));
  }
  return out;
}

TableOutput MahjongTable::EnterAwaitDiscard(int chair, int delayMs) {
  TableOutput out;
  SetPhase(Phase::AWAIT_DISCARD);
  m_current = chair;
  m_status = STATUS_RUNNING | STATUS_HOLDS_DRAWN;
  if (m_chairs[chair].bot) {
    out.timers.push_back(Schedule(TimerKind::BOT, chair, delayMs));
  } else {
    const int extra = delayMs > m_config.botThinkMs ? delayMs : 0;
    out.timers.push_back(
        Schedule(TimerKind::TURN_DEADLINE, chair, extra + m_config.discardTimeS * 1000 + m_config.turnGraceMs));
  }
  return out;
}

TableOutput MahjongTable::EndHand(const HandOutcome& outcomeIn, int winTile) {
  TableOutput out;
  HandOutcome outcome = outcomeIn;
  outcome.gangs = m_gangs;
  const SettlementResult s = Settlement::Compute(outcome);
  RoundResultRecord r;
  r.flags = outcome.kind == WinKind::NONE ? RoundResultRecord::FLAG_DRAWN : RoundResultRecord::FLAG_WIN_TILE_IN_LIST;
  r.seatCount = 4;
  r.banker = m_banker;
  r.silverPerPoint = m_config.silverStake;
  for (int c = 0; c < 4; ++c) {
    Chair& ch = m_chairs[c];
    r.scoreBefore[c] = ch.score;
    r.silverBefore[c] = ch.silver;
    r.points[c] = s.points[c];
    r.silver[c] = s.points[c] * m_config.silverStake;
    ch.score += r.points[c];
    ch.silver += r.silver[c];
    ch.lastSilver = r.silver[c];
    r.finalTiles[c] = ch.hand;
    r.win[c] = c == outcome.winner ? 1 : 0;
    // The seat entries count in points: the client turns them into silver with the record's
    // silver per point.
    RoundSeatEntry e;
    if (c == outcome.winner) {
      for (int k = 0; k < ITEM_COUNT; ++k) e.items[k] = s.items[k];
    }
    e.total = s.points[c];
    e.kongPoints = s.gangPoints[c];
    e.kongSecond = e.kongPoints;
    r.seats.push_back(e);
  }
  r.word676 = -1;
  r.firstShown = outcome.winner;
  r.winTile = outcome.kind == WinKind::NONE ? TILE_NONE : winTile;
  r.itemNames = Settlement::ItemNames();
  if (m_log) Log(json{{"ev", "result"}, {"winner", outcome.winner}, {"points", r.points}, {"silver", r.silver}}.dump());
  m_lastResult = r;
  SetPhase(Phase::IDLE);
  m_status = 0;
  ++m_handsPlayed;
  if (outcome.kind != WinKind::NONE && outcome.winner != m_banker) m_banker = NextInTurn(m_banker);
  const BodyData body = r.Write();
  Notify(out, NTF_HAND_RESULT, [&](int) { return body; });
  for (int c = 0; c < 4; ++c) {
    m_chairs[c].ready = false;
    if (m_chairs[c].bot) out.timers.push_back(Schedule(TimerKind::BOT_READY, c, m_config.botReadyMs));
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Time-outs, bots and the table acting for silent chairs

TableOutput MahjongTable::HandleTimer(uint64_t token) {
  TableOutput out;
  auto it = m_timers.find(token);
  if (it == m_timers.end()) return out;
  const Timer t = it->second;
  m_timers.erase(it);
  if (t.kind == TimerKind::BOT_READY) {
    if (m_phase == Phase::IDLE && ValidChair(t.chair) && m_chairs[t.chair].bot) out.Append(OnReady(t.chair));
    return out;
  }
  if (t.epoch != m_epoch) return out;
  switch (t.kind) {
    case TimerKind::BOT:
      return BotAct(t.chair);
    case TimerKind::TURN_DEADLINE:
    case TimerKind::CLAIM_DEADLINE:
      return Deadline(t.chair);
    case TimerKind::BOT_READY:
      break;
  }
  return out;
}

TableOutput MahjongTable::Deadline(int chair) {
  if (m_phase == Phase::AWAIT_DRAW || m_phase == Phase::AWAIT_DISCARD) {
    if (ValidChair(chair) && chair == m_current && !m_chairs[chair].bot && !m_chairs[chair].absent) {
      Event("chair %d's turn ran out: the table %s for it", chair, m_phase == Phase::AWAIT_DRAW ? "draws" : "plays");
    }
    return ServerActsFor(chair);
  }
  if (m_phase != Phase::CLAIMS && m_phase != Phase::ROB) return TableOutput{};
  if (m_claims.granted >= 0) {
    // The winning held claim was never retried: settle it, telling its owner too.
    if (m_phase == Phase::ROB && m_claims.granted == m_claims.giver) {
      Event("chair %d's held added gang of tile %d is laid at the deadline; the actor is told by notification",
            m_claims.giver, m_claims.tile);
      return FinishAddedGang(m_claims.giver, true, 0);
    }
    return PerformClaim(m_claims.granted, true, 0);
  }
  for (auto& a : m_claims.answers) {
    if (a.state == Answer::UNDECIDED) a.state = Answer::PASSED;
  }
  return ResolveClaims(-1);
}

TableOutput MahjongTable::ServerActsFor(int chair) {
  TableOutput out;
  if (m_phase == Phase::AWAIT_DRAW && m_current == chair) return Draw(chair, 0);
  if (m_phase != Phase::AWAIT_DISCARD || m_current != chair) return out;
  Chair& c = m_chairs[chair];
  for (int id : c.hand) {
    // Lay the flower out and tell everybody, its owner included (its client did not ask).
    if (TileSet::IsFlower(id)) return ReplaceFlower(chair, id, 0, true);
  }
  const int tile = SensibleBot::BestDiscard(c.hand, JokerCode(), SetsLeft(chair), nullptr);
  return Discard(chair, tile, 0);
}

BotSituation MahjongTable::SituationFor(int chair) const {
  const Chair& c = m_chairs[chair];
  BotSituation s;
  s.chair = chair;
  s.hand = c.hand;
  s.meldCount = static_cast<int>(c.melds.size());
  for (const TableMeld& m : c.melds) {
    if (m.family == FAMILY_PENG) s.pengCodes.push_back(TileSet::Code(m.claimed));
  }
  s.jokerCode = JokerCode();
  s.canReplace = m_wall.CanDrawTail();
  if (m_phase == Phase::AWAIT_DISCARD && m_current == chair) {
    s.kind = BotSituation::OWN_TURN;
  } else if (m_phase == Phase::AWAIT_DRAW && m_current == chair) {
    s.kind = BotSituation::DRAW;
  } else if ((m_phase == Phase::CLAIMS || m_phase == Phase::ROB) &&
             m_claims.answers[chair].state == Answer::UNDECIDED && m_claims.words[chair] != 0) {
    s.kind = m_phase == Phase::ROB ? BotSituation::ROB : BotSituation::CLAIM;
    s.tile = m_claims.tile;
    s.word = m_claims.words[chair];
    s.fromChair = m_claims.giver;
  } else {
    s.kind = BotSituation::HELD;
  }
  return s;
}

TableOutput MahjongTable::BotAct(int chair) {
  TableOutput out;
  if (!ValidChair(chair) || !m_chairs[chair].bot) return out;
  Chair& c = m_chairs[chair];
  const bool granted = (m_phase == Phase::CLAIMS || m_phase == Phase::ROB) && m_claims.granted == chair;
  if (granted) {
    // A held claim of this bot won: send it again, as a client does at its count-down's end.
    BotAction again;
    if (m_phase == Phase::ROB && chair == m_claims.giver) {
      again.kind = BotAction::ADDED_GANG;
      again.tile = m_claims.tile;
    } else {
      const ClaimAnswer& a = m_claims.answers[chair];
      again.kind = a.op == MJOP_HU ? BotAction::HU : a.op == MJOP_PENG ? BotAction::PENG
                 : a.op == MJOP_CHI ? BotAction::CHI : BotAction::EXPOSED_GANG;
      again.tile = m_claims.tile;
      for (size_t k = 0; k < a.tiles.size() && k < 3; ++k) again.tiles[k] = a.tiles[k];
    }
    return RunBotAction(chair, again);
  }
  const BotSituation s = SituationFor(chair);
  if (s.kind == BotSituation::HELD) return out;
  const uint64_t epoch = m_epoch;
  const ClaimAnswer before = (m_phase == Phase::CLAIMS || m_phase == Phase::ROB) ? m_claims.answers[chair] : ClaimAnswer{};
  out.Append(RunBotAction(chair, c.brain->Decide(s)));
  const bool moved = m_epoch != epoch ||
                     ((m_phase == Phase::CLAIMS || m_phase == Phase::ROB) && m_claims.answers[chair].state != before.state);
  if (!moved) {
    // The brain's move did not fit (a script out of step): play the sensible move instead.
    SensibleBot fallback;
    out.Append(RunBotAction(chair, fallback.Decide(SituationFor(chair))));
    const bool movedNow = m_epoch != epoch ||
                          ((m_phase == Phase::CLAIMS || m_phase == Phase::ROB) && m_claims.answers[chair].state != before.state);
    if (!movedNow) out.Append(ServerActsFor(chair));
  }
  return out;
}

TableOutput MahjongTable::RunBotAction(int chair, const BotAction& a) {
  TableOutput out;
  const Identity id = IdentityOf(chair);
  const int user = id.userId;
  auto send = [&](int code, const BodyData& body) { out.Append(HandleRequest(user, code, body)); };
  MeldRecord claim{id, m_claims.giver, {a.tile, a.tiles[0], a.tiles[1], a.tiles[2]}, 0, 0, 0};
  switch (a.kind) {
    case BotAction::NONE:
      break;
    case BotAction::DRAW:
      send(REQ_DRAW, DrawBody{id, 0, id.table, chair, user}.Write());
      break;
    case BotAction::DISCARD: {
      DiscardBody d;
      d.seat = id;
      d.senderTable = id.table, d.senderChair = chair, d.senderUserId = user;
      d.tiles = {a.tile};
      send(REQ_DISCARD, d.Write());
      break;
    }
    case BotAction::PASS:
      send(REQ_PASS, PassBody{id, m_claims.giver, m_claims.tile}.Write());
      break;
    case BotAction::PENG:
      claim.tiles[3] = TILE_NONE;
      send(REQ_PENG_CLAIM, claim.Write());
      send(REQ_PENG_MELD, claim.Write());
      break;
    case BotAction::CHI:
      claim.tiles[3] = TILE_NONE;
      send(REQ_CHI_CLAIM, claim.Write());
      send(REQ_CHI_MELD, claim.Write());
      break;
    case BotAction::EXPOSED_GANG:
      claim.kind = GANG_CLAIM_EXPOSED;
      send(REQ_GANG_CLAIM, claim.Write());
      send(REQ_GANG_EXPOSED, claim.Write());
      break;
    case BotAction::CONCEALED_GANG:
      claim.otherChair = chair;
      claim.kind = GANG_CLAIM_CONCEALED;
      send(REQ_GANG_CLAIM, claim.Write());
      send(REQ_GANG_CONCEALED, claim.Write());
      break;
    case BotAction::ADDED_GANG:
      claim.otherChair = chair;
      claim.kind = GANG_CLAIM_ADDED;
      if (!(m_phase == Phase::ROB && m_claims.giver == chair)) send(REQ_GANG_CLAIM, claim.Write());
      send(REQ_GANG_ADDED, claim.Write());
      break;
    case BotAction::HU: {
      HuBody h{id, chair, m_drawnTile, HU_SELF_DRAWN, 0};
      if (m_phase == Phase::CLAIMS) h = HuBody{id, m_claims.giver, m_claims.tile, HU_ON_DISCARD, 0};
      if (m_phase == Phase::ROB) h = HuBody{id, m_claims.giver, m_claims.tile, HU_ROBBING, GANG_NOTE_ADDED};
      send(REQ_HU, h.Write());
      break;
    }
    case BotAction::FLOWER:
      send(REQ_FLOWER_REPLACE, FlowerBody{id, a.tile}.Write());
      break;
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Helpers

void MahjongTable::SetPhase(Phase phase) {
  m_phase = phase;
  ++m_epoch;
}

TimerRequest MahjongTable::Schedule(TimerKind kind, int chair, int delayMs) {
  const uint64_t token = m_nextToken++;
  m_timers[token] = Timer{kind, chair, m_epoch};
  return TimerRequest{token, delayMs < 0 ? 0 : delayMs};
}

int MahjongTable::ChairOf(int userId) const {
  if (userId == 0) return -1;
  for (int c = 0; c < 4; ++c) {
    if (m_chairs[c].seated && m_chairs[c].userId == userId) return c;
  }
  return -1;
}

int MahjongTable::WatchedChair(int userId) const {
  auto it = m_onlookers.find(userId);
  return it == m_onlookers.end() ? -1 : it->second;
}

bool MahjongTable::CanSee(int userId, int chair) const {
  if (!ValidChair(chair)) return false;
  if (ChairOf(userId) == chair) return true;
  return WatchedChair(userId) == chair && m_chairs[chair].watchersAllowed.count(userId) != 0;
}

std::vector<int> MahjongTable::Recipients() const {
  std::vector<int> users;
  for (const Chair& c : m_chairs) {
    if (c.seated && !c.bot) users.push_back(c.userId);
  }
  for (const auto& [user, chair] : m_onlookers) users.push_back(user);
  return users;
}

Identity MahjongTable::IdentityOf(int chair) const {
  return Identity{m_chairs[chair].userId, m_config.roomId, m_config.tableNo, chair};
}

int MahjongTable::ClaimWord(int chair, int discarder, int tile) const {
  const int code = TileSet::Code(tile);
  // An absent chair cannot answer: offering it a claim would only hold up every discard.
  if (code <= 0 || TileSet::IsFlower(tile) || m_chairs[chair].absent) return 0;
  const CodeCounts counts = TileSet::Count(m_chairs[chair].hand);
  int word = 0;
  if (counts[code] >= 2) word |= MJOP_PENG;
  if (counts[code] >= 3 && m_wall.CanDrawTail()) word |= MJOP_GANG;
  if (chair == NextInTurn(discarder) && TileSet::IsSuitedCode(code)) {
    const int v = code % 10;
    auto has = [&](int dv) { return v + dv >= 1 && v + dv <= 9 && counts[code + dv] > 0; };
    if ((has(-2) && has(-1)) || (has(-1) && has(1)) || (has(1) && has(2))) word |= MJOP_CHI;
  }
  if (Wins(chair, tile)) word |= MJOP_HU;
  if (word != 0) word |= MJOP_PASS;
  return word;
}

int MahjongTable::RobWord(int chair, int tile) const {
  return !m_chairs[chair].absent && Wins(chair, tile) ? (MJOP_HU | MJOP_PASS) : 0;
}

namespace {

void SplitJokers(const std::vector<int>& hand, int extra, int jokerCode, CodeCounts& counts, int& jokers, int& total) {
  counts = CodeCounts{};
  jokers = 0;
  total = 0;
  auto add = [&](int id) {
    const int code = TileSet::Code(id);
    if (code <= 0 || TileSet::IsFlower(id)) return;
    ++total;
    if (jokerCode != 0 && code == jokerCode) {
      ++jokers;
    } else {
      ++counts[code];
    }
  };
  for (int id : hand) add(id);
  if (extra != TILE_NONE) add(extra);
}

}  // namespace

bool MahjongTable::Wins(int chair, int extraTile) const {
  CodeCounts counts;
  int jokers = 0, total = 0;
  SplitJokers(m_chairs[chair].hand, extraTile, JokerCode(), counts, jokers, total);
  const int sets = SetsLeft(chair);
  if (total != 3 * sets + 2) return false;
  return HandShape::IsWinning(counts, jokers, sets);
}

bool MahjongTable::WinsAsSevenPairsOnly(int chair, int extraTile) const {
  CodeCounts counts;
  int jokers = 0, total = 0;
  SplitJokers(m_chairs[chair].hand, extraTile, JokerCode(), counts, jokers, total);
  return HandShape::WinsOnlyAsSevenPairs(counts, jokers, SetsLeft(chair));
}

bool MahjongTable::RemoveFromHand(int chair, int tile) {
  auto& hand = m_chairs[chair].hand;
  auto it = std::find(hand.begin(), hand.end(), tile);
  if (it == hand.end()) return false;
  hand.erase(it);
  return true;
}

std::vector<int> MahjongTable::TakeOfCode(int chair, int code, size_t n, const std::vector<int>& preferred) {
  std::vector<int> taken;
  auto& hand = m_chairs[chair].hand;
  for (int id : preferred) {
    if (taken.size() < n && TileSet::Code(id) == code && RemoveFromHand(chair, id)) taken.push_back(id);
  }
  for (size_t i = 0; i < hand.size() && taken.size() < n;) {
    if (TileSet::Code(hand[i]) == code) {
      taken.push_back(hand[i]);
      hand.erase(hand.begin() + static_cast<long>(i));
    } else {
      ++i;
    }
  }
  return taken;
}

TableInfoRecord MahjongTable::BuildRecord(int viewerUserId, int viewerChair) const {
  TableInfoRecord t;
  for (int c = 0; c < 4; ++c) {
    t.absent[c] = m_chairs[c].absent ? 1 : 0;
    t.lastSilver[c] = m_chairs[c].lastSilver;
    t.totalSilver[c] = m_chairs[c].silver;
  }
  t.handNumber = m_handNumber;
  t.silverStake = m_config.silverStake;
  t.pointStake = m_config.pointStake;
  t.banker = m_banker;
  // While a discard waits for claims the turn is already the next chair's: a client that rebuilds
  // the table from the record then puts the discard back in the middle, as the chair before the
  // one in turn played it, rather than taking the last river tile of some other chair.
  t.currentChair = m_phase == Phase::CLAIMS && m_claims.giver >= 0 ? (m_claims.giver + 3) % 4 : m_current;
  t.status = m_status;
  t.discardTime = m_config.discardTimeS;
  t.silverTable = m_config.silverTable;
  t.dice = m_dice;
  t.quickPass = m_config.quickPass;
  t.fifthButton = 1;
  t.concealedGangFace = 0;
  t.jokerSortFlag = 0;
  t.substituteFlag = 0;
  t.wallStart = m_wall.BreakPosition();
  t.indicatorPosition = m_wall.IndicatorPosition();
  t.joker1 = m_phase == Phase::IDLE && m_handNumber == 0 ? TILE_NONE : m_joker1;
  t.joker2 = TILE_NONE;
  t.indicatorTile = m_handNumber == 0 ? TILE_NONE : m_wall.IndicatorTile();
  t.tailTaken = m_wall.TailCounter();
  // The client marks the places from the break up to this place as taken: the head is a wall
  // place, not a count (they agree only for a break at place 0).
  t.wallHead = m_wall.HeadPosition();
  t.claimTime = m_config.claimTimeS;
  t.autoPlayDelay = 0;
  t.minHands = m_config.minHands;
  for (int c = 0; c < 4; ++c) {
    const Chair& ch = m_chairs[c];
    for (const TableMeld& m : ch.melds) {
      SnapshotMeld s;
      s.source = m.from;
      if (m.family == FAMILY_CONCEALED_GANG) {
        s.tiles = {m.tiles[1], m.tiles[2], m.tiles[0], m.tiles[3]};
      } else {
        s.tiles = {m.tiles.size() > 1 ? m.tiles[1] : TILE_NONE, m.tiles.size() > 2 ? m.tiles[2] : TILE_NONE,
                   m.tiles[0], m.tiles.size() > 3 ? m.tiles[3] : TILE_NONE};
      }
      t.melds[m.family][c].push_back(s);
    }
    t.rivers[c] = ch.river;
    t.flowers[c] = ch.flowers;
    t.handCounts[c] = static_cast<int>(ch.hand.size());
  }
  if (ValidChair(viewerChair)) {
    const Chair& v = m_chairs[viewerChair];
    if (CanSee(viewerUserId, viewerChair)) {
      t.ownHand = v.hand;
      // The tile just drawn goes first: the client puts the first id into the drawn place.
      const bool holds = m_phase != Phase::IDLE && m_current == viewerChair && (m_status & STATUS_HOLDS_DRAWN);
      auto it = std::find(t.ownHand.begin(), t.ownHand.end(), m_drawnTile);
      if (holds && m_drawnTile != TILE_NONE && it != t.ownHand.end()) std::rotate(t.ownHand.begin(), it, it + 1);
      if (holds && Wins(viewerChair, TILE_NONE)) t.drawFlags = DrawRecord::MAY_WIN;
    } else {
      t.ownHand.assign(v.hand.size(), TILE_HIDDEN);
    }
  }
  return t;
}

BodyData MahjongTable::TableInfoFor(int userId) const {
  const int chair = ChairOf(userId) >= 0 ? ChairOf(userId) : WatchedChair(userId);
  return BuildRecord(userId, chair).Write();
}

void MahjongTable::Reply(TableOutput& out, int userId, int code, BodyData body) const {
  const int chair = ChairOf(userId);
  if (chair >= 0 && m_chairs[chair].bot) return;
  TableMessage m;
  m.toUser = userId;
  m.reply = true;
  m.code = code;
  m.body = std::move(body);
  out.messages.push_back(std::move(m));
}

void MahjongTable::Notify(TableOutput& out, int code, const std::function<BodyData(int)>& bodyFor, int exceptUser) const {
  for (int u : Recipients()) {
    if (u == exceptUser) continue;
    TableMessage m;
    m.toUser = u;
    m.code = code;
    m.body = bodyFor(u);
    out.messages.push_back(std::move(m));
  }
}

void MahjongTable::Log(const std::string& line) const {
  if (m_log) m_log(line);
}

void MahjongTable::Event(const char* format, ...) const {
  if (!m_events) return;
  char line[256];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  char prefix[64];
  std::snprintf(prefix, sizeof prefix, "table %d-%d hand %d: ", m_config.roomId, m_config.tableNo, m_handNumber);
  m_events(prefix + std::string(line));
}

void MahjongTable::LogDraw(int chair, const WallDraw& d, bool tail) const {
  if (!m_log) return;
  if (m_log) Log(json{{"ev", "draw"}, {"chair", chair}, {"tile", d.tile}, {"wall", d.position}, {"end", tail ? "tail" : "head"}}.dump());
}

}  // namespace testbed
