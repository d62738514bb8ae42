#include "variant/TableTurn.h"

#include <cstdio>
#include <cstring>

#include "mahjong/MahjongNotifyCodes.h"
#include "mahjong/MahjongRequests.h"
#include "mahjong/TileRules.h"
#include "mahjong/scene/TilePictures.h"

namespace {

constexpr int SOUND_COUNTDOWN = 29000;
constexpr int SOUND_OWN_DISCARD = 29103;
constexpr int SOUND_TO_FLOWERS = 29104;
// A countdown that has stood at 0 this long asks the server to play the stalled turn, and then
// every tenth tick.
constexpr int STALL_TICKS = 30;

int ReadInt(const BYTE* p, int offset) {
  int v = 0;
  std::memcpy(&v, p + offset, 4);
  return v;
}

void WriteInt(BYTE* p, int offset, int v) { std::memcpy(p + offset, &v, 4); }

}  // namespace

CTableTurn::CTableTurn(CMJTableModel& model, CGameInfo& info, CSceneRequests& requests, CRequestWait& wait)
    : m_model(model), m_info(info), m_requests(requests), m_wait(wait), m_control(model.Clock(), *this) {}

// ---- the clock ----------------------------------------------------------------------------

void CTableTurn::StartHand() {
  ClockBlock& c = m_model.Clock();
  if (m_hooks.restartClock) m_hooks.restartClock();
  c.turnActive = 1;
  const int side = m_info.ChairToSide(m_info.GetCurrentChair());
  if (CTileTable::ValidSide(side)) c.pointTo = 2 * side;
  c.remainingSeconds = m_info.IsDrawnTileHeld() ? m_info.GetDiscardTime() : m_info.GetClaimTime();
  m_idleTicks = 0;
  m_control.SetManagedStepTicks(0);
  // The own turn's offers.
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) ShowClaimButton(b, 0);
  if (side == SIDE_OWN && !IsLookOn()) {
    m_model.EnableFlowerTiles();
    TestOwnGang();
    SetHuOption(m_info.GetDrawFlags());
  }
  Redraw();
}

void CTableTurn::EndHand() {
  StopTurnTimers();
  m_heldChi[0] = m_heldChi[1] = -1;
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) ShowClaimButton(b, 0);
  m_control.SetClaimWaiting(0);
  m_model.Clock().pendingClaim = PENDING_NONE;
  m_model.Clock().turnActive = 0;
  m_model.Clock().remainingSeconds = 0;
}

void CTableTurn::OnClockTick() {
  if (!m_model.IsPlaying()) return;
  ClockBlock& c = m_model.Clock();
  if (c.remainingSeconds > 0) {
    m_idleTicks = 0;
    --c.remainingSeconds;
    Redraw();
    StartTurnTimers(0);
    if (c.turnActive && c.remainingSeconds < 6 && m_hooks.playSound)
      m_hooks.playSound(SOUND_COUNTDOWN + c.remainingSeconds, 0);
    if (c.remainingSeconds == 0) m_control.OnCountdownExpired();
  } else {
    ++m_idleTicks;
    if (m_idleTicks >= STALL_TICKS && (m_idleTicks - STALL_TICKS) % 10 == 0 && m_hooks.turnStalled && !IsLookOn()) {
      const int players = m_info.GetPlayerCount() > 0 ? m_info.GetPlayerCount() : 4;
      const int chair = (m_info.GetBankerChair() + (m_idleTicks - STALL_TICKS) / 10) % players;
      if (chair == OwnChair()) m_hooks.turnStalled();
    }
  }
  if (m_control.TimeOutCount() >= 3) m_control.ManagedPlayStep();
}

void CTableTurn::OnCountdownExpiredNotice() { m_control.OnCountdownExpired(); }

void CTableTurn::OnClaimOfferClosed() {
  if (IsLookOn()) return;
  m_control.SetClaimWaiting(0);
  m_heldChi[0] = m_heldChi[1] = -1;
  if (m_model.Clock().pendingClaim == PENDING_NONE) return;
  m_control.SetPendingClaim(PENDING_NONE);
  m_model.EnableAllHandTiles();
  Redraw();
}

void CTableTurn::StartTurnTimers(int longer) {
  if (IsLookOn() || !m_model.IsPlaying()) return;
  const int side = m_model.Clock().pointTo / 2;
  const int chair = m_info.SideToChair(side);
  const int own = OwnChair();
  if (chair < 0 || chair > 3 || chair == own) return;
  if (!longer && m_info.GetAbsentFlag(chair) == 0) return;
  int seconds = longer ? 5 : 3;
  int c = chair;
  for (int step = 0; step < 4; ++step) {
    c = m_info.NextChair(c);
    if (c < 0 || c > 3 || c == own) break;
    if (m_info.GetAbsentFlag(c) == 0) seconds += 3;
  }
  const bool drawn = m_model.HasDrawnTile(side) != 0;
  bool& running = drawn ? m_discardTimer : m_drawTimer;
  if (running) return;
  running = true;
  if (m_hooks.startTimer) m_hooks.startTimer(drawn ? DISCARD_TIMER : DRAW_TIMER, seconds * 1000);
}

void CTableTurn::StopTurnTimers() {
  if (m_drawTimer && m_hooks.stopTimer) m_hooks.stopTimer(DRAW_TIMER);
  if (m_discardTimer && m_hooks.stopTimer) m_hooks.stopTimer(DISCARD_TIMER);
  m_drawTimer = m_discardTimer = false;
}

void CTableTurn::OnTurnTimer(int timer) {
  if (!TurnTimerRunning(timer) || IsLookOn() || !m_model.IsPlaying()) return;
  const int side = m_model.Clock().pointTo / 2;
  if (m_info.SideToChair(side) == OwnChair()) return;
  const bool drawn = m_model.HasDrawnTile(side) != 0;
  // The timers stay set: they go on until a notification of the table stops them.
  if (timer == DRAW_TIMER && !drawn) Send([this] { return m_requests.PostDrawForTurnHolder(); });
  if (timer == DISCARD_TIMER && drawn) Send([this] { return m_requests.PostDiscardForTurnHolder(); });
}

// ---- input --------------------------------------------------------------------------------

bool CTableTurn::ClickOwnTile(int index) {
  if (IsLookOn() || !m_model.IsPlaying()) return false;
  MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, index);
  if (t == nullptr || !t->present || !t->standing || t->meldKind != 0) return false;
  // Tiles act only on the own turn, and then by the claim that is open.
  if (!m_control.IsOwnTurn()) return false;
  switch (m_model.Clock().pendingClaim) {
    case PENDING_PENG:
      return false;
    case PENDING_CHI:
    case PENDING_GANG: {
      if (t->attrB != 0) return false;
      t->attrA = t->attrA ? 0 : 1;
      Redraw();
      int raised[CLAIM_CHOICES];
      const int n = m_model.GetRaisedTiles(raised);
      if (m_model.Clock().pendingClaim == PENDING_CHI) {
        if (n == 2) DoChiMeld();
        return true;
      }
      if (n != 1) return true;
      const GangPick pick = DecideGangPick(n, MeldKindOfCode(raised[0]));
      if (pick == GangPick::ConcealedGang) DoConcealedGang(raised[0]);
      if (pick == GangPick::AddedGang) DoAddedGang(raised[0]);
      return true;
    }
    default:
      break;
  }
  if (!HasDrawnTile()) return false;
  m_control.OnUserAction();
  switch (DecideTileClick(false, *t, IsFlowerTile(t->tileId))) {
    case TileClick::ReplaceFlower:
      return DoFlowerReplace(index) != 0;
    case TileClick::Discard:
      return DoDiscard(index) != 0;
    default:
      return false;
  }
}

bool CTableTurn::PressClaimButton(int type) {
  if (!IsButtonActive(type)) return false;
  m_control.OnUserAction();
  switch (type) {
    case CLAIM_PENG: m_control.OnPengButton(); break;
    case CLAIM_GANG: m_control.OnGangButton(); break;
    case CLAIM_CHI: m_control.OnChiButton(); break;
    case CLAIM_HU: m_control.OnHuButton(); break;
    case CLAIM_PASS: m_control.OnPassButton(); break;
    default: return false;
  }
  Redraw();
  return true;
}

void CTableTurn::SetManagedPlay(bool on) {
  if (on == m_managed) return;
  std::string line;
  const bool now = m_control.SwitchManagedPlay(m_managed, &line);
  if (line.empty()) return;  // looking on
  m_managed = now;
  m_control.SetManagedStepTicks(0);
  if (m_hooks.chat) m_hooks.chat(line);
  Redraw();
}

// ---- the own turn's offers ----------------------------------------------------------------

void CTableTurn::TestOwnGang() {
  if (!HasDrawnTile()) return;
  int list[CLAIM_CHOICES];
  for (int& id : list) id = -1;
  for (int i = 0; i < 18; ++i) {
    const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    // Gangs already laid take no part; pengs do (a fourth tile may be added).
    if (t->present && t->meldKind != 2 && t->meldKind != 3) list[i] = t->tileId;
  }
  ClaimOffer& gang = m_model.MutableOffer(CLAIM_GANG);
  gang.choices.fill(-1);
  const int result = FindConcealedGangTiles(list, CLAIM_CHOICES, m_info.GetJokerTile1(), m_info.GetJokerTile2(),
                                            m_model.GetRuleFlags(), gang.choices.data());
  int ok = 0;
  if (result & MJOP_GANG) {
    int n = 0;
    for (int id : gang.choices) n += id >= 0 ? 1 : 0;
    gang.choiceCount = n;
    for (int id : gang.choices) {
      if (id < 0) continue;
      for (int i = 0; i < 18; ++i) {
        const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
        if (t->present && t->tileId == id) {
          if (t->standing == 0) --n;
          break;
        }
      }
    }
    ok = n > 0 ? 1 : 0;
  }
  gang.enabled = ok;
  ShowClaimButton(CLAIM_GANG, ok);
}

void CTableTurn::SetHuOption(int drawFlags) {
  ClaimOffer& hu = m_model.MutableOffer(CLAIM_HU);
  hu.tile = DrawnTile();
  hu.robbedKind = 0;
  hu.enabled = (drawFlags & DRAW_FLAG_MAY_WIN) ? 1 : 0;
  ShowClaimButton(CLAIM_HU, hu.enabled);
}

void CTableTurn::OffersAfterDraw(int drawFlags) {
  if (m_model.EnableFlowerTiles() != 0) return;
  TestOwnGang();
  SetHuOption(drawFlags);
}

// ---- queries ------------------------------------------------------------------------------

int CTableTurn::HandTile(int index) const {
  const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, index);
  if (t == nullptr || !t->present || !t->standing || t->meldKind != 0) return -1;
  return t->tileId;
}

int CTableTurn::DrawnTile() const {
  const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, CTileTable::DRAWN_PLACE);
  return t->present ? t->tileId : -1;
}

bool CTableTurn::IsFlowerTile(int tile) const {
  return ::IsFlowerTile(tile, m_info.GetJokerTile1(), m_info.GetJokerTile2(), m_model.GetRuleFlags()) != 0;
}

bool CTableTurn::IsPlayedTilePresent(int side) const {
  const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_PLAYED, side, 0);
  return t != nullptr && t->present != 0;
}

int CTableTurn::MeldKindOfCode(int tile) const {
  int others[3];
  GetOtherSameCodeIds(tile, others);
  for (int id : others) {
    for (int i = 0; i < 18; ++i) {
      const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
      if (t->present && t->tileId == id) return t->meldKind;
    }
  }
  return -1;
}

void CTableTurn::SetButtonFrame(int type, int frame) {
  if (type < 1 || type > 5) return;
  m_frame[type] = frame;
  Redraw();
}

int CTableTurn::FindStandingFlower() const {
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i) {
    const int id = HandTile(i);
    if (id >= 0 && IsFlowerTile(id)) return i;
  }
  return -1;
}

int CTableTurn::ChooseDiscard() const {
  CDiscardEvaluator evaluator(m_weights, m_model.GetRuleFlags(), m_info.GetJokerTile1(), m_info.GetJokerTile2());
  const int index = evaluator.ChooseDiscard(m_model.Tiles(), SIDE_OWN);
  // The evaluation names place 0 when nothing scores; a place without a tile falls back to the
  // drawn tile.
  return HandTile(index) >= 0 ? index : CTileTable::DRAWN_PLACE;
}

int CTableTurn::FindGangCandidate() const {
  for (int i = CTileTable::LAST_STANDING; i >= 0; --i) {
    const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    if (t->present && t->standing && t->meldKind == 0 && t->attrB != 1) return t->tileId;
  }
  return -1;
}

bool CTableTurn::FirstChiPair(int pair[2]) const {
  const ClaimOffer& chi = m_model.Offer(CLAIM_CHI);
  if (chi.choices[0] < 0 || chi.choices[1] < 0) return false;
  int list[CLAIM_CHOICES];
  for (int& id : list) id = -1;
  list[0] = chi.choices[0];
  list[1] = chi.choices[1];
  int out[CLAIM_CHOICES];
  for (int& id : out) id = -1;
  if (!(FindChowPairs(list, CLAIM_CHOICES, chi.tile, m_info.GetJokerTile1(), m_info.GetJokerTile2(),
                      m_model.GetRuleFlags(), out, CLAIM_CHOICES) &
        MJOP_CHI))
    return false;
  pair[0] = chi.choices[0];
  pair[1] = chi.choices[1];
  return true;
}

// ---- the scene's side ---------------------------------------------------------------------

void CTableTurn::ShowClaimButton(int type, int shown) {
  if (type < 1 || type > 5) return;
  m_shown[type] = IsLookOn() ? false : shown != 0;
  // A later offer starts from the normal pictures.
  if (type == CLAIM_GANG) m_frame[type] = BUTTON_FRAME_GANG;
  if (type == CLAIM_CHI) m_frame[type] = BUTTON_FRAME_CHI;
  Redraw();
}

void CTableTurn::PlayActionVoice(const char* name) {
  if (m_hooks.playVoice) m_hooks.playVoice(SIDE_OWN, name);
}

void CTableTurn::EnableListedTiles() {
  const ClaimOffer& chi = m_model.Offer(CLAIM_CHI);
  m_model.EnableListedTiles(chi.choices.data(), CLAIM_CHOICES);
  Redraw();
}

void CTableTurn::CancelHandDrag() {
  if (m_cancelDrag) m_cancelDrag();
}

// ---- requests -----------------------------------------------------------------------------

int CTableTurn::Send(const std::function<int()>& request) {
  if (m_wait.Busy()) {
    // Told apart in the log from a request the server refused or never answered.
    Log("a table request was not sent: another one still waits for its answer");
    return 0;
  }
  const int result = m_wait.Run(request);
  if (m_hooks.afterRequest) m_hooks.afterRequest();
  return result;
}

void CTableTurn::Count(int code, const char* what) {
  if (code == RESULT_SUCCESS || code == RESULT_CLAIM_HELD) return;
  ++m_refused;
  char line[128];
  std::snprintf(line, sizeof line, "a table request was refused with %d: %s", code, what);
  Log(line);
}

int CTableTurn::RequestPengClaim() {
  const int ok = Send([this] { return m_requests.RequestPengClaim(); });
  if (!ok) Count(0, "peng claim");
  return ok;
}

int CTableTurn::RequestGangClaim() {
  BYTE reply[GANG_CLAIM_REPLY_SIZE] = {};
  const int ok = Send([this, &reply] { return m_requests.RequestGangClaim(reply); });
  if (!ok) Count(0, "gang claim");
  return ok;
}

int CTableTurn::RequestChiClaim() {
  const int ok = Send([this] { return m_requests.RequestChiClaim(); });
  if (!ok) Count(0, "chi claim");
  return ok;
}

int CTableTurn::RequestPass() {
  const int ok = Send([this] { return m_requests.RequestPass(); });
  if (!ok) Count(0, "pass");
  return ok;
}

void CTableTurn::OwnTurnAfterClaim() {
  ClockBlock& c = m_model.Clock();
  m_control.SetClaimWaiting(0);
  c.pendingClaim = PENDING_NONE;
  c.turnActive = 0;
  c.remainingSeconds = m_info.GetDiscardTime();
  c.pointTo = OWN_CLOCK_POSITION;
}

int CTableTurn::DoPengMeld() {
  if (IsLookOn()) return 0;
  BYTE body[MELD_BODY_SIZE] = {};
  const int code = Send([this, &body] { return m_requests.RequestPengMeld(body); });
  Count(code, "peng");
  if (code == RESULT_CLAIM_HELD) {
    m_control.SetClaimWaiting(1);
    m_model.Clock().pendingClaim = PENDING_PENG;
    return 0;
  }
  if (code != RESULT_SUCCESS) return 0;
  OwnTurnAfterClaim();
  // The body has the layout of the meld notification: the model lays it as the others see it.
  if (!m_model.OnPengMeld(body, sizeof body)) Log("the own peng could not be laid");
  m_model.EnableAllHandTiles();
  TestOwnGang();
  Redraw();
  return 1;
}

void CTableTurn::LayOwnGang(int notifyCode, const BYTE* body64, const BYTE* reply32) {
  BYTE note[MELD_BODY_SIZE];
  std::memcpy(note, body64, sizeof note);
  // The request body ends before the replacement: the reply's draw record brings it.
  WriteInt(note, 40, ReadInt(reply32, 4));
  WriteInt(note, 44, ReadInt(reply32, 8));
  if (!m_model.OnGangMeld(notifyCode, note, sizeof note)) Log("the own gang could not be laid");
  m_model.EnableAllHandTiles();
  if (m_hooks.replacementLater) {
    m_hooks.replacementLater(CMD_GANG_REPLACEMENT, reply32);
  } else {
    OffersAfterDraw(ReadInt(reply32, 12));
  }
  Redraw();
}

int CTableTurn::DoGangClaim() {
  if (IsLookOn()) return 0;
  BYTE body[MELD_BODY_SIZE] = {};
  BYTE reply[GANG_ACTION_REPLY_SIZE] = {};
  int code = RESULT_REQUEST_FAILED;
  Send([this, &body, &reply, &code] { return m_requests.RequestExposedGang(body, reply, &code); });
  Count(code, "exposed gang");
  if (code == RESULT_CLAIM_HELD) {
    m_control.SetClaimWaiting(1);
    m_model.Clock().pendingClaim = PENDING_GANG;
    Redraw();
    return 0;
  }
  if (code != RESULT_SUCCESS) return 0;
  m_control.SetClaimWaiting(0);
  m_control.SetPendingClaim(PENDING_NONE);
  OwnTurnAfterClaim();
  LayOwnGang(NTF_GANG_EXPOSED, body, reply);
  return 1;
}

int CTableTurn::DoAddedGang(int tile) {
  if (IsLookOn()) return 0;
  ClaimOffer& gang = m_model.MutableOffer(CLAIM_GANG);
  gang.tile = tile;
  gang.chair = OwnChair();
  int others[3];
  GetOtherSameCodeIds(tile, others);
  if (m_control.ClaimWaiting() == 0) {
    BYTE claim[GANG_CLAIM_REPLY_SIZE] = {};
    const int ok = Send([this, &others, &claim] { return m_requests.RequestGangClaimWithTiles(others, claim); });
    if (!ok) {
      Count(0, "added gang claim");
      return 0;
    }
  }
  BYTE body[MELD_BODY_SIZE] = {};
  BYTE reply[GANG_ACTION_REPLY_SIZE] = {};
  int code = RESULT_REQUEST_FAILED;
  Send([this, &others, &body, &reply, &code] { return m_requests.RequestAddedGang(others, body, reply, &code); });
  Count(code, "added gang");
  if (code == RESULT_CLAIM_HELD) {
    // Another player may rob the gang: the claim time runs while they decide.
    ShowClaimButton(CLAIM_HU, 0);
    m_model.Clock().remainingSeconds = m_info.GetClaimTime();
    m_control.SetClaimWaiting(1);
    m_model.Clock().pendingClaim = PENDING_GANG;
    Redraw();
    return 0;
  }
  if (code != RESULT_SUCCESS) return 0;
  m_control.SetClaimWaiting(0);
  ClockBlock& c = m_model.Clock();
  c.pendingClaim = PENDING_NONE;
  c.turnActive = 0;
  c.remainingSeconds = m_info.GetDiscardTime();
  ShowClaimButton(CLAIM_GANG, 0);
  LayOwnGang(NTF_GANG_ADDED, body, reply);
  return 1;
}

int CTableTurn::DoConcealedGang(int tile) {
  if (IsLookOn()) return 0;
  if (m_control.ClaimWaiting() == 0) {
    BYTE claim[GANG_CLAIM_REPLY_SIZE] = {};
    const int ok = Send([this, tile, &claim] { return m_requests.RequestConcealedGangClaim(tile, claim); });
    if (!ok) {
      Count(0, "concealed gang claim");
      return 0;
    }
  }
  BYTE body[MELD_BODY_SIZE] = {};
  BYTE reply[GANG_ACTION_REPLY_SIZE] = {};
  int code = RESULT_REQUEST_FAILED;
  Send([this, tile, &body, &reply, &code] { return m_requests.RequestConcealedGang(tile, body, reply, &code); });
  Count(code, "concealed gang");
  if (code == RESULT_CLAIM_HELD) {
    m_model.Clock().remainingSeconds = m_info.GetClaimTime();
    m_control.SetClaimWaiting(1);
    m_model.Clock().pendingClaim = PENDING_GANG;
    Redraw();
    return 0;
  }
  if (code != RESULT_SUCCESS) return 0;
  m_control.SetClaimWaiting(0);
  m_control.SetPendingClaim(PENDING_NONE);
  m_model.Clock().turnActive = 0;
  ShowClaimButton(CLAIM_GANG, 0);
  // The gang notification's own layout adds the three seconds to the running countdown.
  LayOwnGang(NTF_GANG_CONCEALED, body, reply);
  return 1;
}

int CTableTurn::DoHu() {
  if (IsLookOn()) return 0;
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) ShowClaimButton(b, 0);
  if (!m_model.Offer(CLAIM_HU).enabled) return 0;
  const bool selfDrawn = HasDrawnTile();
  const int code = Send([this, selfDrawn] {
    return selfDrawn ? m_requests.RequestHuSelfDrawn() : m_requests.RequestHuOnDiscard();
  });
  Count(code, "hu");
  if (code == RESULT_CLAIM_HELD) {
    m_control.SetClaimWaiting(1);
    m_model.Clock().pendingClaim = PENDING_HU;
    Redraw();
    return 0;
  }
  return code != RESULT_REQUEST_FAILED && code != 0 ? 1 : 0;
}

int CTableTurn::DoChiMeld() {
  int pair[2] = {-1, -1};
  int raised[CLAIM_CHOICES];
  const int n = m_model.GetRaisedTiles(raised);
  const ClaimOffer& chi = m_model.Offer(CLAIM_CHI);
  if (n == 2) {
    pair[0] = raised[0], pair[1] = raised[1];
  } else if (n == 1 && chi.choiceCount == 2) {
    pair[0] = chi.choices[0], pair[1] = chi.choices[1];
  } else if (n == 0 && m_control.ClaimWaiting() == 1 && m_heldChi[0] >= 0) {
    // The retry of the held chi.
    pair[0] = m_heldChi[0], pair[1] = m_heldChi[1];
  } else {
    return 0;
  }
  int list[CLAIM_CHOICES], out[CLAIM_CHOICES];
  for (int i = 0; i < CLAIM_CHOICES; ++i) list[i] = out[i] = -1;
  list[0] = pair[0], list[1] = pair[1];
  if (!(FindChowPairs(list, CLAIM_CHOICES, chi.tile, m_info.GetJokerTile1(), m_info.GetJokerTile2(),
                      m_model.GetRuleFlags(), out, CLAIM_CHOICES) &
        MJOP_CHI))
    return 0;
  const int code = SendChiMeld(pair);
  // Held again (the own countdown ran out before the server settled the claims): the claim
  // stays open, and the server's time-up brings the next retry.
  return code == RESULT_SUCCESS || code == RESULT_CLAIM_HELD ? 1 : 0;
}

int CTableTurn::SendChiMeld(const int pair[2]) {
  if (IsLookOn()) return 0;
  BYTE body[MELD_BODY_SIZE] = {};
  int code = RESULT_REQUEST_FAILED;
  const int p[2] = {pair[0], pair[1]};
  Send([this, &p, &body, &code] { return m_requests.RequestChiMeld(p, body, &code); });
  Count(code, "chi");
  if (code == RESULT_CLAIM_HELD) {
    m_control.SetClaimWaiting(1);
    m_model.Clock().pendingClaim = PENDING_CHI;
    m_heldChi[0] = p[0], m_heldChi[1] = p[1];
    return code;
  }
  m_heldChi[0] = m_heldChi[1] = -1;
  if (code != RESULT_SUCCESS) return code;
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) ShowClaimButton(b, 0);
  OwnTurnAfterClaim();
  if (!m_model.OnChiMeld(body, sizeof body)) Log("the own chi could not be laid");
  m_model.EnableAllHandTiles();
  TestOwnGang();
  Redraw();
  return code;
}

int CTableTurn::DoFlowerReplace(int index) {
  if (IsLookOn()) return 0;
  const int tile = HandTile(index);
  if (tile < 0) return 0;
  PlayActionVoice("hua0");
  BYTE record[DRAW_RECORD_SIZE] = {};
  const int ok = Send([this, tile, &record] { return m_requests.RequestFlowerReplace(tile, record); });
  if (!ok) {
    Count(0, "flower replacement");
    return 0;
  }
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) ShowClaimButton(b, 0);
  m_control.SetPendingClaim(PENDING_NONE);
  if (m_hooks.playSound) m_hooks.playSound(SOUND_TO_FLOWERS, 0x11);
  // The flower is laid out as the flower notification lays it for the others.
  BYTE note[28] = {};
  WriteInt(note, 12, OwnChair());
  WriteInt(note, 16, tile);
  WriteInt(note, 20, ReadInt(record, 4));
  WriteInt(note, 24, ReadInt(record, 8));
  m_model.OnFlowerReplaced(note, sizeof note);
  m_model.EnableAllHandTiles();
  const bool replaced = ReadInt(record, 4) != -1;
  if (replaced && m_hooks.replacementLater) {
    m_hooks.replacementLater(CMD_FLOWER_REPLACEMENT, record);
  } else if (replaced) {
    OffersAfterDraw(ReadInt(record, 12));
  }
  Redraw();
  return replaced ? 1 : 0;
}

int CTableTurn::DoDiscard(int index) {
  if (IsLookOn()) return 0;
  const int tile = HandTile(index);
  if (tile < 0) return 0;
  const int code = Send([this, tile] { return m_requests.RequestOwnDiscard(tile); });
  // A discard is never held: any answer but accepted is a refusal.
  Count(code == RESULT_CLAIM_HELD ? 0 : code, "discard");
  // Only an accepted discard leaves the hand; a refusal or a lost answer keeps the tile.
  if (!CTurnControl::IsDiscardAccepted(code)) return 0;
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) ShowClaimButton(b, 0);
  m_model.EnableAllHandTiles();
  m_control.SetPendingClaim(PENDING_NONE);
  if (!m_model.ApplyOwnDiscard(tile)) Log("the discarded tile was no longer in the hand");
  if (m_hooks.playSound) m_hooks.playSound(SOUND_OWN_DISCARD, 1);
  Redraw();
  return 1;
}

int CTableTurn::DrawTileForTurn() {
  if (IsLookOn()) return 0;
  BYTE record[DRAW_RECORD_SIZE] = {};
  const int ok = Send([this, &record] { return m_requests.RequestDrawTile(record); });
  const int tile = ReadInt(record, 4);
  if (!ok || tile == -1) {
    Count(0, "draw");
    return 0;
  }
  m_control.SetClaimWaiting(0);
  m_model.ApplyOwnDraw(tile, ReadInt(record, 8));
  if (m_hooks.tileDrawn) m_hooks.tileDrawn();
  OffersAfterDraw(ReadInt(record, 12));
  Redraw();
  return 1;
}
