// The table scene's hand start and its timed tile steps: the dice, the deal side by side, the
// flowers revealed, the start of play, the replacement tile after an own gang or flower, and the
// joker mark. Every step is an engine command raised by an engine wait, so the whole start runs
// on the engine's clock; the objects the commands carry are freed by the engine once the scene
// has taken them (or with the scene's world when it closes first).
#include <cstring>

#include "engine/PictureEntity.h"
#include "engine/World.h"
#include "mahjong/scene/TilePictures.h"
#include "mahjong/HandActions.h"
#include "mahjong/TileRules.h"
#include "mahjong/TurnClock.h"
#include "variant/TableTurn.h"
#include "variant/VariantTableScene.h"

namespace {

constexpr int SOUND_DIE_LANDS = 29101;
constexpr int SOUND_TILE_DOWN = 29103;
constexpr uint32_t DIE_ROLL_STEP_MS = 60;
constexpr uint32_t DIE_LAND_MS = 30;
constexpr uint32_t DIE_REST_MS = 1000;
// The last frame of a die's strip shows the value it rests on.
constexpr int DIE_LAST_FRAME = 8;

// A step of one hand start: which start it belongs to, and the side it is about.
class HandStartStep : public EventObject {
 public:
  HandStartStep(int generation, int side) : generation(generation), side(side) {}
  const int generation;
  const int side;
};

// What a die's timed step works on.
class DieStep : public EventObject {
 public:
  DieStep(CVariantTableScene* scene, int generation, int place, int die, int strip, bool lands)
      : scene(scene), generation(generation), place(place), die(die), strip(strip), lands(lands) {}
  CVariantTableScene* const scene;
  const int generation;
  const int place;
  const int die;
  const int strip;
  const bool lands;
};

// A ticket: the replacement or joker mark a command was started for.
class TicketObject : public EventObject {
 public:
  explicit TicketObject(int ticket) : ticket(ticket) {}
  const int ticket;
};

int ReadInt(const BYTE* p, int offset) {
  int v = 0;
  std::memcpy(&v, p + offset, 4);
  return v;
}

}  // namespace

// ---- the chain ----------------------------------------------------------------------------

void CVariantTableScene::NewHandDealt() {
  // The players are in the hand: their ready icons go.
  m_extras.HideReadyIcons();
  // Without a running table (no board yet, or a view that only paints) the hand shows at once
  // and play starts with the first frame, as for a hand joined while it runs.
  if (m_board == nullptr || m_drawOnly) {
    ShowWholeTable();
    return;
  }
  ++m_handStartGeneration;
  m_handStart = true;
  // Nothing of the last hand's tiles is still on its way.
  FinishDrawSlide(false);
  m_replacement.reset();
  m_jokerMark = false;
  m_binder.SetJokerMark(false);
  for (int side = 0; side < SIDE_COUNT; ++side) m_handShown[side] = m_flowersShown[side] = false;
  m_winnerSide = -1;
  // The last hand's banker and stake go as the new hand is dealt; the new ones show with play.
  m_panels.ResetSideEffects();
  HideStakePanel();
  m_stale = true;
  RollDice();
}

void CVariantTableScene::StopHandStart() {
  ++m_handStartGeneration;
  ShowWholeTable();
  FinishDrawSlide(false);
  FlushReplacement();
  m_jokerMark = false;
  m_binder.SetJokerMark(false);
}

void CVariantTableScene::ShowWholeTable() {
  m_handStart = false;
  for (int side = 0; side < SIDE_COUNT; ++side) m_handShown[side] = m_flowersShown[side] = true;
  for (DiePlace& p : m_diePlaces) p = DiePlace{};
  m_stale = true;
}

void CVariantTableScene::FinishHandStart() {
  if (!m_handStart) return;
  // Steps still on their way belong to a start that is over.
  ++m_handStartGeneration;
  ShowWholeTable();
  StartPlay();
}

void CVariantTableScene::TableNoticeArrived() {
  // A notification that moves the game on finds play started and the replacement in the hand;
  // it then changes the table as it would have without them waiting.
  FinishHandStart();
  FlushReplacement();
}

void CVariantTableScene::TableRebuilt() {
  FlushReplacement();
  if (!m_handStart) {
    // A rebuild in the middle of play (a resync): the clock and the own turn's offers start
    // again from the description, as for a hand taken up on entry.
    if (m_model.IsPlaying() && m_turn != nullptr) m_turn->StartHand();
    return;
  }
  // The table as the game description has it: nothing is left to deal, and a running hand is
  // played from the clock the description gives.
  ++m_handStartGeneration;
  ShowWholeTable();
  if (m_model.IsPlaying()) StartPlay();
}

void CVariantTableScene::AddDieStep(int place, int die, bool roll, bool lands, uint32_t endCode) {
  const int strip = die >= 0 && die < 4 ? DiceStrip(die, m_dice[die]) : -1;
  ApplyParams p;
  ApplyParams::Init(&p, roll ? DIE_ROLL_STEP_MS : DIE_LAND_MS, endCode,
                    endCode != 0 ? new HandStartStep(m_handStartGeneration, -1) : nullptr, 0);
  p.data = new DieStep(this, m_handStartGeneration, place, die, strip, lands);
  p.ownsData = 1;
  ApplyRecord record{0, p, roll ? &CVariantTableScene::ApplyDieRoll : &CVariantTableScene::ApplyDieRest,
                     m_dieKeys[place], 0, 0, APPLY_MODE_DEFAULT};
  if (AddApplyWithParams(record) == 0) {
    delete p.data;
    delete p.completion.object;
  }
}

int CVariantTableScene::ApplyDieRoll(Entity*, ApplyParams* params, World*, uint32_t) {
  auto* step = static_cast<DieStep*>(params->data);
  CVariantTableScene& scene = *step->scene;
  if (step->generation != scene.m_handStartGeneration) return 1;
  DiePlace& place = scene.m_diePlaces[step->place];
  scene.m_stale = true;
  if (params->runCount++ == 0) {
    // A place without a die of this throw stays empty for as long as a roll takes, so that the
    // two places keep their pace.
    place = DiePlace{step->die, step->strip, 0, step->strip >= 0};
    return 0;
  }
  // The strip runs to its last frame, which shows the die's value.
  if (place.frame < DIE_LAST_FRAME) ++place.frame;
  return place.frame >= DIE_LAST_FRAME ? 1 : 0;
}

int CVariantTableScene::ApplyDieRest(Entity*, ApplyParams* params, World*, uint32_t) {
  auto* step = static_cast<DieStep*>(params->data);
  CVariantTableScene& scene = *step->scene;
  if (step->generation != scene.m_handStartGeneration) return 1;
  DiePlace& place = scene.m_diePlaces[step->place];
  if (params->runCount++ == 0) {
    // The die lands, and lies for a second.
    if (step->lands && place.shown) scene.PlaySoundResource(SOUND_DIE_LANDS, 16);
    params->interval = DIE_REST_MS;
    return 0;
  }
  place.shown = false;
  scene.m_stale = true;
  return 1;
}

void CVariantTableScene::RollDice() {
  for (int& d : m_dice) d = 0;
  if (m_hooks.dice) m_hooks.dice(m_dice);
  for (DiePlace& p : m_diePlaces) p = DiePlace{};
  // A throw is the two dice side by side; the second throw (dice 3 and 4) only when both of its
  // values are given. A throw with no die to show takes no time.
  bool throws[2] = {DiceStrip(0, m_dice[0]) >= 0 || DiceStrip(1, m_dice[1]) >= 0,
                    HasSecondThrow(m_dice[2], m_dice[3]) &&
                        (DiceStrip(2, m_dice[2]) >= 0 || DiceStrip(3, m_dice[3]) >= 0)};
  const int last = throws[1] ? 1 : throws[0] ? 0 : -1;
  if (last < 0) {
    StartWait(0, CMD_DEAL, new HandStartStep(m_handStartGeneration, -1), 0, 0);
    return;
  }
  // Each place runs its steps one after the other on its own key; the end of the second
  // place's last rest raises the deal.
  for (uint32_t& key : m_dieKeys) key = NewEventId();
  for (int t = 0; t <= last; ++t) {
    if (!throws[t]) continue;
    for (int place = 0; place < 2; ++place) {
      const int die = 2 * t + place;
      AddDieStep(place, die, true, false, 0);
      AddDieStep(place, die, false, place == 0, place == 1 && t == last ? CMD_DEAL : 0);
    }
  }
}

void CVariantTableScene::StartDeal() {
  const CGameInfo& info = m_model.Info();
  DealStep steps[4];
  int over = 0;
  const int n = ScheduleDeal(info.ChairToSide(info.GetBankerChair()), info.GetPlayerCount(), steps, &over);
  for (int i = 0; i < n; ++i)
    StartWait(static_cast<uint32_t>(steps[i].delayMs), CMD_SIDE_DEALT,
              new HandStartStep(m_handStartGeneration, steps[i].side), 0, 0);
  StartWait(static_cast<uint32_t>(over), CMD_DEAL_OVER, new HandStartStep(m_handStartGeneration, -1), 0, 0);
}

void CVariantTableScene::ShowDealtHand(int side) {
  if (side < 0 || side >= SIDE_COUNT) return;
  PlaySoundResource(SOUND_TILE_DOWN, 1);
  m_handShown[side] = true;
  m_stale = true;
}

void CVariantTableScene::ScheduleFlowerReveal() {
  // A side the deal did not name (an empty seat) has nothing to show; it is shown now.
  for (bool& shown : m_handShown) shown = true;
  const CGameInfo& info = m_model.Info();
  int counts[SIDE_COUNT];
  for (int side = 0; side < SIDE_COUNT; ++side) counts[side] = m_model.Tiles().FlowerCount(side);
  FlowerReveal reveals[4];
  int startPlay = 0;
  const int n =
      ::ScheduleFlowerReveal(info.ChairToSide(info.GetBankerChair()), counts, info.GetPlayerCount(), reveals, &startPlay);
  for (int i = 0; i < n; ++i)
    StartWait(static_cast<uint32_t>(reveals[i].delayMs), CMD_FLOWERS_REVEALED,
              new HandStartStep(m_handStartGeneration, reveals[i].side), 0, 0);
  StartWait(static_cast<uint32_t>(startPlay), CMD_PLAY, new HandStartStep(m_handStartGeneration, -1), 0, 0);
}

void CVariantTableScene::RevealFlowers(int side) {
  if (side < 0 || side >= SIDE_COUNT) return;
  m_flowersShown[side] = true;
  if (m_model.Tiles().FlowerCount(side) >= 1) PlaySoundResource(SOUND_TILE_DOWN, 5);
  m_stale = true;
}

void CVariantTableScene::StartPlay() {
  ShowWholeTable();
  m_bars.SortHandAnimated();
  // The clock points at the chair in turn with its time, and the own turn's offers are made.
  if (m_turn != nullptr) m_turn->StartHand();
  ShowStakePanel();
  m_stale = true;
}

bool CVariantTableScene::OnSequenceCommand(const Event& event) {
  switch (event.code) {
    case CMD_DEAL:
    case CMD_SIDE_DEALT:
    case CMD_DEAL_OVER:
    case CMD_FLOWERS_REVEALED:
    case CMD_PLAY: {
      const auto* step = dynamic_cast<const HandStartStep*>(event.object);
      // A step of a start that is over (a new hand, or one finished early) does nothing.
      if (step == nullptr || step->generation != m_handStartGeneration || !m_handStart) return true;
      switch (event.code) {
        case CMD_DEAL: StartDeal(); break;
        case CMD_SIDE_DEALT: ShowDealtHand(step->side); break;
        case CMD_DEAL_OVER: ScheduleFlowerReveal(); break;
        case CMD_FLOWERS_REVEALED: RevealFlowers(step->side); break;
        default:
          m_handStart = false;
          StartPlay();
          break;
      }
      return true;
    }
    case CMD_GANG_REPLACEMENT:
    case CMD_FLOWER_REPLACEMENT: {
      const auto* ticket = dynamic_cast<const TicketObject*>(event.object);
      if (ticket != nullptr && m_replacement && m_replacement->ticket == ticket->ticket) FlushReplacement();
      return true;
    }
    case CMD_DRAWN_TILE_SLID: {
      const auto* ticket = dynamic_cast<const TicketObject*>(event.object);
      // The end of a slide that was already ended (by a notification, an input) does nothing.
      if (ticket != nullptr && m_slide && ticket->ticket == m_slideTicket) FinishDrawSlide(true);
      return true;
    }
    case CMD_JOKER_MARK_END: {
      const auto* ticket = dynamic_cast<const TicketObject*>(event.object);
      if (ticket != nullptr && ticket->ticket == m_jokerTicket && m_jokerMark) {
        // The drawn tile shows its face again.
        m_jokerMark = false;
        m_binder.SetJokerMark(false);
        MJTile* drawn = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, CTileTable::DRAWN_PLACE);
        m_binder.ReleaseRecord(*drawn);
        m_stale = true;
      }
      return true;
    }
    default:
      return false;
  }
}

// ---- replacement tiles and the joker mark ---------------------------------------------------

void CVariantTableScene::ReplacementLater(uint32_t command, const BYTE* record) {
  if (record == nullptr) return;
  // One replacement at a time: an earlier one still on its way comes in first.
  FlushReplacement();
  Replacement r{{}, ++m_replacementTicket};
  std::memcpy(r.record, record, sizeof r.record);
  m_replacement = r;
  // The drawn place stays empty until the tile comes; the wall keeps it until then.
  MJTile* drawn = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, CTileTable::DRAWN_PLACE);
  drawn->present = 0;
  const int wall = ReadInt(record, 8);
  if (wall >= 0 && wall < m_model.GetTileCount())
    m_model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, wall)->present = 1;
  m_stale = true;
  if (m_board == nullptr || m_drawOnly) {
    FlushReplacement();
    return;
  }
  StartWait(REPLACEMENT_MS, command, new TicketObject(r.ticket), 0, 0);
}

void CVariantTableScene::FlushReplacement() {
  // Whatever acts on the hand finds the drawn tile in its place.
  FinishDrawSlide(true);
  if (!m_replacement) return;
  const Replacement r = *m_replacement;
  m_replacement.reset();
  TakeReplacement(r.record);
}

void CVariantTableScene::TakeReplacement(const BYTE* record) {
  const int tile = ReadInt(record, 4);
  const int wall = ReadInt(record, 8);
  const int flags = ReadInt(record, 12);
  // The drawn place takes the tile of the draw record, after a gang as after a flower.
  MJTile* drawn = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, CTileTable::DRAWN_PLACE);
  drawn->tileId = tile;
  drawn->standing = 1;
  drawn->present = 1;
  drawn->nFace = 1;
  if (wall >= 0 && wall < m_model.GetTileCount()) {
    m_model.Tiles().GetTileRecord(MJ_ZONE_WALL, 0, wall)->present = 0;
  } else {
    Log("replacement tile: the wall place is outside the wall");
  }
  const CGameInfo& info = m_model.Info();
  if (IsJokerTile(tile, info.GetJokerTile1(), info.GetJokerTile2(), m_model.GetRuleFlags())) PlayJokerEffect();
  // The own turn's offers, unless a flower in the hand must be replaced first.
  if (m_turn != nullptr) m_turn->OffersAfterReplacement(flags);
  m_stale = true;
}

void CVariantTableScene::PlayJokerEffect() {
  MJTile* drawn = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, CTileTable::DRAWN_PLACE);
  // Only a running table shows the mark (its end comes through an engine wait).
  if (!drawn->present || m_board == nullptr) return;
  drawn->jokerMark = 1;
  m_jokerMark = true;
  m_binder.SetJokerMark(true);
  // The picture is made again, now with the mark.
  m_binder.ReleaseRecord(*drawn);
  m_stale = true;
  StartWait(JOKER_MARK_MS, CMD_JOKER_MARK_END, new TicketObject(++m_jokerTicket), 0, 0);
}

// ---- the own drawn tile's slide ---------------------------------------------------------------

void CVariantTableScene::SlideDrawnTile() {
  // One slide at a time: one still running arrives first.
  FinishDrawSlide(true);
  const MJTile* drawn = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, CTileTable::DRAWN_PLACE);
  if (!drawn->present) return;
  const CGameInfo& info = m_model.Info();
  const bool joker = IsJokerTile(drawn->tileId, info.GetJokerTile1(), info.GetJokerTile2(), m_model.GetRuleFlags()) != 0;
  m_stale = true;
  if (m_board == nullptr || m_drawOnly || !UsePictures() || m_slideTile == nullptr) {
    // Nothing to slide on: the tile is in its place now.
    if (joker) PlayJokerEffect();
    return;
  }
  m_slide = true;
  ++m_slideTicket;
  // The hand is laid out with the drawn place kept free, which tells where the tile goes.
  m_binder.HoldDrawnTile(true);
  PaintBoard();
  POINT at{};
  int level = 0;
  if (!m_binder.DrawnPlace(&at, &level)) {
    FinishDrawSlide(true);
    return;
  }
  const int w = m_metrics.Metric(METRIC_LARGE_WIDTH), h = m_metrics.Metric(METRIC_LARGE_HEIGHT);
  // A joker comes with the joker mark's first frame, any other tile with its face.
  const uint32_t picture = m_pictures.Id(joker ? TPIC_JOKER : TPIC_LARGE);
  PictureEntity::SetPicture(m_slideTile, picture, joker ? 0 : GetFaceIndex(drawn->tileId) * w, 0, w, h,
                            CTilePictureSet::KEY);
  m_slideTile->SetSize(w, h);
  m_slideTile->SetLevel(level);
  m_slideTile->MoveTo(at.x - SLIDE_FROM, at.y - SLIDE_FROM);
  ShowEntity(m_slideTile, 1);
  if (StartMove(m_slideTile, 0, at.x, at.y, SLIDE_SPEED, 0, CMD_DRAWN_TILE_SLID, new TicketObject(m_slideTicket), 0) == 0)
    FinishDrawSlide(true);
}

void CVariantTableScene::FinishDrawSlide(bool effects) {
  if (!m_slide) return;
  m_slide = false;
  // The slide's own end, should it still come, belongs to a slide that is over.
  ++m_slideTicket;
  m_binder.HoldDrawnTile(false);
  if (m_slideTile != nullptr) {
    QueueRawApply(static_cast<uint32_t>(m_slideTile->GetId()), 3, 1);
    ShowEntity(m_slideTile, 0);
  }
  m_stale = true;
  const MJTile* drawn = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, CTileTable::DRAWN_PLACE);
  const CGameInfo& info = m_model.Info();
  if (effects && drawn->present &&
      IsJokerTile(drawn->tileId, info.GetJokerTile1(), info.GetJokerTile2(), m_model.GetRuleFlags()))
    PlayJokerEffect();
}
