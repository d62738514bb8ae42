#include "variant/VariantTableScene.h"

#include <algorithm>
#include <cstdio>

#include "engine/InputDispatcher.h"
#include "engine/PictureEntity.h"
#include "engine/PlaneEntity.h"
#include "engine/Screen.h"
#include "framework/PlayerTables.h"
#include "mahjong/HandActions.h"
#include "mahjong/SeatLayout.h"
#include "mahjong/TileRules.h"
#include "mahjong/TurnControl.h"
#include "mahjong/scene/TilePictures.h"
#include "platform/user/Input.h"
#include "variant/TableControlsLayout.h"
#include "variant/TableStepRecorder.h"
#include "variant/TableTurn.h"

namespace {

// Colours are 0x00BBGGRR.
constexpr uint32_t FELT = 0x2f6a2a;
constexpr uint32_t TILE_FACE = 0xe8f4f6;
constexpr uint32_t TILE_BACK = 0x3a8a3a;
constexpr uint32_t TILE_EDGE = 0x203020;
constexpr uint32_t PLAYED_FRAME = 0x00c0ff;
constexpr uint32_t MELD_FACE = 0xc8e0e8;
constexpr uint32_t CLOCK_BOX = 0x1e3e1a;
constexpr uint32_t CLOCK_MARK = 0x30d0ff;
constexpr uint32_t WIN_FRAME = 0x2020e0;

// Tile sizes in pixels: the own hand's faces, everybody else's tiles, the wall's stacks.
constexpr int OWN_W = 36, OWN_H = 50;
constexpr int TILE_W = 24, TILE_H = 32;
constexpr int STACK_W = 14, STACK_H = 18;
constexpr int RIVER_ROW = 10;

const char* const SUIT_NAMES[3] = {"万", "条", "筒"};
const char* const HONOUR_NAMES[7] = {"东", "南", "西", "北", "中", "发", "白"};

}  // namespace

std::string CVariantTableScene::PlateName(const CPlayerTables& tables, const CSeatLayout& layout, int side) {
  const int chair = layout.SideToChair(side);
  if (chair < 0 || tables.GetSeatUserID(chair) == 0) return std::string();
  return tables.GetSeatPlayerDisplayName(chair);
}

std::string CVariantTableScene::FaceLabel(int tile) {
  const int suit = GetSceneSuit(tile);
  const int value = GetSceneValue(tile);
  char text[32];
  if (suit >= 0 && suit <= 2) {
    std::snprintf(text, sizeof text, "%d%s", value, SUIT_NAMES[suit]);
  } else if (suit == 3 && value >= 1 && value <= 7) {
    std::snprintf(text, sizeof text, "%s", HONOUR_NAMES[value - 1]);
  } else if (suit == 4 || suit == 5) {
    std::snprintf(text, sizeof text, "花%d", value);
  } else {
    return std::string();
  }
  return text;
}

void CVariantTableScene::SetBarHooks(CTableBars::Hooks hooks) {
  m_barHooksSet = true;
  hooks.loadStyle = [this](const std::string& folder) { return LoadStyle(folder); };
  if (!hooks.isLookOn) hooks.isLookOn = [this] { return IsLookOnNow(); };
  if (!hooks.iniPath) hooks.iniPath = [this] { return m_hooks.iniPath ? m_hooks.iniPath() : std::string(); };
  // The managed-play button, the time-out count and the claim that keeps the hand busy belong
  // to the turn, once one is attached.
  if (!hooks.toggleManaged) hooks.toggleManaged = [this] {
    if (m_turn != nullptr) m_turn->ToggleManagedPlay();
    m_stale = true;
  };
  if (!hooks.resetTimeouts) hooks.resetTimeouts = [this] {
    if (m_turn != nullptr) m_turn->Control().OnUserAction();
  };
  if (!hooks.handBusy) hooks.handBusy = [this] { return m_model.Clock().pendingClaim != 0; };
  if (!hooks.ownTilePicture) hooks.ownTilePicture = [this](int place) -> Entity* {
    const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, place);
    return t != nullptr && t->nObject != 0 ? static_cast<Entity*>(m_binder.Row(t->nObject).entity) : nullptr;
  };
  // The claim buttons raise their codes only while they are active; the turn sends the claim.
  if (!hooks.playButton) hooks.playButton = [this](uint32_t code) {
    const int type = code == CTableBars::CMD_PENG   ? CLAIM_PENG
                     : code == CTableBars::CMD_GANG ? CLAIM_GANG
                     : code == CTableBars::CMD_CHI  ? CLAIM_CHI
                     : code == CTableBars::CMD_HU   ? CLAIM_HU
                                                    : CLAIM_PASS;
    FlushReplacement();
    if (m_turn != nullptr && !m_turn->IsLookOn()) m_turn->PressClaimButton(type);
    m_stale = true;
  };
  m_bars.SetHooks(std::move(hooks));
}

bool CVariantTableScene::LoadStyle(const std::string& folder) {
  // A tile sliding in comes to its place before the tiles take the new style.
  FinishDrawSlide(true);
  int index = 0;
  for (int i = 0; i < CTilePictureSet::STYLE_COUNT; ++i)
    if (m_bars.StyleFolder(i) == folder) index = i;
  if (!m_pictures.SwitchStyle(*this, folder, index, m_metrics.IsSmallScreen())) return false;
  if (m_board != nullptr) {
    // Every row takes its picture again from the new tile set.
    m_binder.Init(*this, m_pictures, [this](const std::string& line) { Log(line); });
    m_binder.ReleaseAll(m_model.Tiles());
    PaintBoard();
  }
  return true;
}

void CVariantTableScene::StartAutoReady() {
  if (m_hooks.setTimer) m_hooks.setTimer(CTableTimers::AUTO_READY_TIMER, CTableTimers::AUTO_READY_MS);
}

void CVariantTableScene::OnTimer(uintptr_t timerId) {
  if (m_bars.OnTimer(timerId)) return;
  // The turn's timers act on the hand: a replacement still on its way comes in first.
  if (timerId == CLOCK_TIMER || timerId == CTableTimers::DRAW_FALLBACK_TIMER ||
      timerId == CTableTimers::DISCARD_FALLBACK_TIMER)
    FlushReplacement();
  switch (timerId) {
    case CTableTimers::DRAW_FALLBACK_TIMER:
    case CTableTimers::DISCARD_FALLBACK_TIMER: {
      // The turn that started the timer sends the draw or the discard itself.
      if (m_turn != nullptr) {
        m_turn->OnTurnTimer(static_cast<int>(timerId));
        return;
      }
      // The fallback timers keep running; the turn's end stops them.
      const CTableTimers::TurnState state = m_hooks.turnState ? m_hooks.turnState() : CTableTimers::TurnState{};
      switch (CTableTimers::OnFallbackTimer(timerId, state)) {
        case CTableTimers::Fallback::PostDraw:
          if (m_hooks.postDraw) m_hooks.postDraw();
          break;
        case CTableTimers::Fallback::PostDiscard:
          if (m_hooks.postDiscard) m_hooks.postDiscard();
          break;
        default:
          break;
      }
      return;
    }
    case CTableTimers::AUTO_READY_TIMER:
      if (m_hooks.killTimer) m_hooks.killTimer(CTableTimers::AUTO_READY_TIMER);
      if (m_hooks.autoReady) m_hooks.autoReady();
      return;
    default:
      break;
  }
  // The one-second clock: the turn counts down, and asks the server to move a stalled turn.
  if (timerId == CLOCK_TIMER && m_turn != nullptr) m_turn->OnClockTick();
}

bool CVariantTableScene::IsLookOnNow() const { return m_hooks.isLookOn && m_hooks.isLookOn(); }

void CVariantTableScene::OnGameStart() {
  // Bars nobody gave hooks to still know the onlooker and the game ini from the scene.
  if (!m_barHooksSet) SetBarHooks(CTableBars::Hooks{});
  if (!m_picturesTried) {
    m_picturesTried = true;
    m_bars.ReadSettings();
    const std::string ini = m_hooks.iniPath ? m_hooks.iniPath() : std::string();
    if (!m_pictures.Load(*this, ini.empty() ? nullptr : ini.c_str(), m_metrics.IsSmallScreen()))
      Log("tile pictures of the style " + m_pictures.Style() + " are missing; the table draws plain tiles");
  }
  // Entered into a hand under way (back after a lost connection, or looking on): the table shows
  // that hand at once and plays on from it.
  const bool resumed = m_hooks.enteredWithTableData && m_hooks.enteredWithTableData() && ResumeHand();
  if (!m_barsStarted && !m_model.IsPlaying() && !IsLookOnNow() && m_hooks.waitsForTable && m_hooks.waitsForTable())
    m_waitingForTable = true;
  BuildBoard();
  if (resumed) {
    // The hand's banker and stake, as a hand dealt in front of the player shows them.
    m_panels.ResetSideEffects();
    HideStakePanel();
    ShowStakePanel();
  }
  // The server hears of the return once the table is drawn: its reply is waited for with the
  // table showing.
  if (resumed && !IsLookOnNow() && m_hooks.returnToGame) m_hooks.returnToGame();
  if (!m_barsStarted) {
    m_barsStarted = true;
    if (m_waitingForTable) m_extras.ShowWaitingText();
    m_bars.OnGameStart();
  }
  if (m_hooks.started && !m_dialogsStarted) {
    m_dialogsStarted = true;
    m_hooks.started(*this);
  }
}

void CVariantTableScene::HideAllTileEntities() {
  m_binder.ReleaseAll(m_model.Tiles());
  m_stale = true;
}

bool CVariantTableScene::ResumeHand() {
  if (!m_model.Info().IsHandRunning()) return false;
  if (!IsLookOnNow()) {
    // A player's own tiles come face up. Hidden ones mean that the hand is not his: another
    // player (a computer player, once his chair was given up) plays his chair until it ends, and
    // he sits in for the next hand.
    int ids[32];
    const int listed = std::clamp(m_model.Info().GetOwnTileList(ids), 0, 32);
    bool known = false;
    for (int i = 0; i < listed; ++i) known = known || (ids[i] >= 0 && ids[i] != MJ_TILE_HIDDEN);
    if (!known) {
      Log("the hand under way is another player's: the table waits for the next one");
      return false;
    }
  }
  StopTurnTimers();
  m_model.SetLookOn(IsLookOnNow());
  m_model.RebuildFromGameInfo();
  if (!m_model.IsPlaying()) return false;
  if (m_hooks.refreshSeats) m_hooks.refreshSeats();
  // The hand is joined, not started: no dice are thrown and no winner of the last hand is marked.
  m_winnerSide = -1;
  ++m_handStartGeneration;
  ShowWholeTable();
  for (int& d : m_dice) d = 0;
  m_wasPlaying = true;
  if (m_turn != nullptr) m_turn->StartHand();
  ++m_handsResumed;
  m_stale = true;
  Log("a hand under way was taken up from the table data");
  return true;
}

void CVariantTableScene::OnLayout() {
  if (m_board == nullptr) return;
  if (GetLogicalWidth() == m_width && GetLogicalHeight() == m_height) return;
  BuildBoard();
}

void CVariantTableScene::OnShutdown() {
  StopHandStart();
  // The engine deletes its controls and entities with the world.
  m_controls.Forget();
  for (ControlRecord*& c : m_claimButtons) c = nullptr;
  m_claimsInBar = false;
  for (TileEntityRow& plate : m_plates) plate = TileEntityRow{};
  m_bars.OnShutdown();
  m_bars.Forget();
  m_panels.Forget();
  m_extras.Forget();
  m_stake.Forget();
  m_banner.Forget();
  m_drag.Forget();
  m_board = nullptr;
  m_startButton = nullptr;
  m_slideTile = nullptr;
}

void CVariantTableScene::ShowStartButton(bool show) {
  if (show && m_hooks.isLookOn && m_hooks.isLookOn()) show = false;
  if (show && m_waitingForTable) show = false;
  if (m_startButton != nullptr && (m_startButton->IsVisible() != 0) != show) {
    ShowEntity(m_startButton, show ? 1 : 0);
    InvalidateAll();
  }
}

int CVariantTableScene::OnCommand(Event event) {
  if (event.code == CMD_QUIT) {
    // The own hand is drawn once more before the program's loop ends.
    m_stale = true;
    if (m_hooks.quit) m_hooks.quit();
    return 1;
  }
  if (OnSequenceCommand(event)) return 1;
  POINT p{};
  GetMousePos(&p);
  if (event.code == CMD_START) {
    if (m_startButton != nullptr && m_startButton->IsVisible() && IsMouseOverEntity(m_startButton)) {
      PressStart();
    } else if (!m_bars.IsMouseOverBars()) {
      // A press on the bars is theirs and does not end managed play; any other press does, and
      // then the control under the mouse acts as it would without it.
      EndManagedPlay();
    }
    return 1;
  }
  if (event.code == CMD_RIGHT_PRESS) {
    // The root's right press only ends managed play (it never switches it on).
    EndManagedPlay();
    return 1;
  }
  if (event.code >= CTileControlPool::CMD_LOOK_ENTER && event.code <= CTileControlPool::CMD_DRAG_END)
    return OnTileCommand(event);
  if (!m_bars.OnCommand(event) && m_hooks.otherCommand) m_hooks.otherCommand(event.code);
  return 1;
}

void CVariantTableScene::AutoPlay(bool playing) {
  if (playing) {
    if (m_turn != nullptr && !m_turn->IsManagedPlay()) m_turn->SetManagedPlay(true);
    return;
  }
  // Ready for the next hand, trying again every two seconds while the server refuses.
  if (m_startButton == nullptr || !m_startButton->IsVisible()) return;
  if (m_hooks.mayGetReady && !m_hooks.mayGetReady()) return;
  const uint32_t now = GetTickCount();
  if (m_autoStarted && now - m_lastAutoStart < 2000) return;
  m_autoStarted = true;
  m_lastAutoStart = now;
  PressStart();
}

void CVariantTableScene::StopTurnTimers() {
  if (m_turn != nullptr) m_turn->StopTurnTimers();
}

static bool Inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

int CVariantTableScene::OwnTileAt(int x, int y, int skip) const {
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i)
    if (i != skip && Inside(m_ownRects[i], x, y)) return i;
  return -1;
}

void CVariantTableScene::EndManagedPlay() {
  FlushReplacement();
  if (m_turn != nullptr && m_turn->IsManagedPlay()) m_turn->SetManagedPlay(false);
  m_stale = true;
}

TileBindingState CVariantTableScene::BindingState() const {
  TileBindingState state;
  state.lookOn = m_turn != nullptr ? m_turn->IsLookOn() : IsLookOnNow();
  state.pointTo = m_model.Clock().pointTo;
  state.pendingClaim = m_model.Clock().pendingClaim;
  state.hasDrawnTile = m_model.HasDrawnTile(SIDE_OWN) != 0;
  return state;
}

void CVariantTableScene::TakeTileControl(TileEntityRow& row) {
  const int control = m_controls.AllocControl();
  if (control == 0 || !m_controls.Attach(control, row)) return;
  m_controls.BindTileControl(&row, BindingState());
}

int CVariantTableScene::OnTileCommand(const Event& event) {
  const auto* key = dynamic_cast<const ValueObject*>(event.object);
  TileEntityRow* row = key != nullptr ? m_controls.RowOfKey(key->Value()) : nullptr;
  Entity* picture = row != nullptr ? static_cast<Entity*>(row->entity) : nullptr;
  if (picture == nullptr || row->zone != MJ_ZONE_HAND || row->side != SIDE_OWN) return 1;
  const int index = row->index;
  MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, index);
  if (t == nullptr || index < 0 || index >= CTileTable::HAND_SIZE) return 1;
  InputDispatcher* input = GetInputDispatcher();
  auto cursor = [input](uintptr_t id) {
    if (input != nullptr) input->SetSystemCursor(reinterpret_cast<LPCSTR>(id));
  };
  constexpr uintptr_t HAND_CURSOR = 32649, ARROW_CURSOR = 32512;
  switch (event.code) {
    case CTileControlPool::CMD_LOOK_ENTER:
      // An onlooker's tiles do not rise; they only show which one the mouse is on.
      if (m_lookHover >= 0 && m_lookHover != index) OnLookerTileLeave(OwnTileEntity(m_lookHover));
      m_lookHover = index;
      OnLookerTileEnter(picture);
      break;
    case CTileControlPool::CMD_LOOK_LEAVE:
      if (m_lookHover == index) m_lookHover = -1;
      OnLookerTileLeave(picture);
      break;
    case CTileControlPool::CMD_ENTER:
      // A raised or dimmed tile stays as it is; any other stands raised while the mouse is on it.
      if (t->attrA == 0 && t->attrB == 0) {
        m_hoverIndex = index;
        m_stale = true;
      }
      cursor(HAND_CURSOR);
      PlaySoundResource(29100, 0x11);
      break;
    case CTileControlPool::CMD_LEAVE:
      if (m_hoverIndex == index) {
        m_hoverIndex = -1;
        m_stale = true;
      }
      cursor(ARROW_CURSOR);
      PlaySoundResource(29100, 0x11);
      break;
    case CTileControlPool::CMD_PICK_PENG:
      // A peng takes no pick of the player's.
      break;
    case CTileControlPool::CMD_PICK_GANG:
    case CTileControlPool::CMD_PICK_CHI:
    case CTileControlPool::CMD_DISCARD:
      FlushReplacement();
      // The turn decides by the claim that is open: raise a tile for the chi or the gang, or
      // discard (a flower is replaced instead).
      if (m_turn != nullptr) m_turn->ClickOwnTile(index);
      m_stale = true;
      break;
    case CTileControlPool::CMD_DRAG_BEGIN:
      BeginTileDrag(index);
      break;
    case CTileControlPool::CMD_DRAG:
      // The right button moved onto another tile than the one it grabbed: the drag ends there.
      if (m_dragIndex >= 0 && m_dragIndex != index) m_dragIndex = -1;
      break;
    case CTileControlPool::CMD_DRAG_END: {
      POINT p{};
      GetMousePos(&p);
      if (m_dragIndex == index) DropAt(p.x, p.y);
      break;
    }
    default:
      break;
  }
  return 1;
}

void CVariantTableScene::AttachTurn(CTableTurn* turn) {
  m_turn = turn;
  if (m_turn != nullptr) m_turn->SetDragCancel([this] { CancelHandDrag(); });
}

bool CVariantTableScene::BeginTileDrag(int index) {
  if (m_dragIndex >= 0) EndDragPicture(m_dragIndex);
  m_dragIndex = -1;
  if (m_turn == nullptr || m_turn->IsLookOn()) return false;
  FlushReplacement();
  // No rearranging while a claim waits for the player's pick or the hand is dimmed for one.
  if (m_model.Clock().pendingClaim != PENDING_NONE) return false;
  const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, index);
  if (t == nullptr || !t->present || !t->standing || t->attrB) return false;
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i) {
    const MJTile* o = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    if (o->present && o->standing && o->attrB == 1) return false;
  }
  m_dragIndex = index;
  POINT mouse{};
  GetMousePos(&mouse);
  const int x = mouse.x;
  m_dragPoint = mouse;
  // The tile leaves its place and its picture goes with the mouse.
  Entity* own = UsePictures() && t->nObject != 0 ? m_binder.RowEntity(t->nObject) : nullptr;
  if (own != nullptr) {
    if (m_drag.Begin(own, x)) ShowEntity(own, 0);
  } else {
    const std::string label = FaceLabel(t->tileId);
    char text[64] = "";
    if (!label.empty()) std::snprintf(text, sizeof text, "<color=%u;size=16>%s", 0x1818b0u, label.c_str());
    m_drag.BeginPlain(m_ownRects[index], text, TILE_EDGE, TILE_FACE, x);
  }
  m_stale = true;
  return true;
}

void CVariantTableScene::EndDragPicture(int from) {
  if (!m_drag.Active()) return;
  m_drag.End();
  // The tile that stayed where it was shows again; one whose record changed meanwhile is drawn
  // anew by the next paint.
  const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, from);
  if (t != nullptr && t->present && t->nObject != 0) {
    if (Entity* own = m_binder.RowEntity(t->nObject)) ShowEntity(own, 1);
  }
  m_stale = true;
}

void CVariantTableScene::FollowDrag(int x, int y) {
  if (m_dragIndex < 0) return;
  RECT area{};
  if (UsePictures()) {
    m_metrics.GetHandArea(SIDE_OWN, &area);
  } else {
    // The plain board's hand: the span of its standing tiles, with room for a raised one.
    area = RECT{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    for (const RECT& r : m_ownRects) {
      if (r.right <= r.left) continue;
      area.left = std::min<int>(area.left, r.left), area.top = std::min<int>(area.top, r.top - 10);
      area.right = std::max<int>(area.right, r.right), area.bottom = std::max<int>(area.bottom, r.bottom + 10);
    }
  }
  if (Inside(area, x, y)) {
    m_dragPoint = POINT{x, y};
    m_drag.Follow(x);
    return;
  }
  // Out of the hand: the tile is dropped where it was last seen inside.
  DropAt(m_dragPoint.x, m_dragPoint.y);
}

void CVariantTableScene::CancelHandDrag() {
  if (m_dragIndex < 0) return;
  POINT p{};
  GetMousePos(&p);
  DropAt(p.x, p.y);
}

bool CVariantTableScene::DropAt(int x, int y) {
  const int from = m_dragIndex;
  m_dragIndex = -1;
  if (from < 0) return false;
  EndDragPicture(from);
  // Where the tile goes is found from the places the board drew, the dragged one left out.
  const int target = OwnTileAt(x, y, from);
  // The drawn tile stands apart: nothing is put in front of it.
  if (target <= 0) return false;
  const RECT& r = m_ownRects[target];
  // The left half of a tile puts the dragged one before it, the right half after it.
  const int index = x < (r.left + r.right) / 2 ? target - 1 : target;
  const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, from);
  if (!DropDraggedTile(m_model.Tiles(), SIDE_OWN, from, t->tileId, index, x, y, OWN_H)) return false;
  PlaySoundResource(29100, 0x11);
  m_stale = true;
  return true;
}

Entity* CVariantTableScene::OwnTileEntity(int index) const {
  const MJTile* t = index >= 0 ? m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, index) : nullptr;
  return t != nullptr && t->present && t->nObject != 0 ? m_binder.RowEntity(t->nObject) : nullptr;
}

void CVariantTableScene::OnLookerTileEnter(Entity* tile) {
  if (tile != nullptr) {
    tile->SetAlpha(LOOK_HOVER_ALPHA);
    tile->Refresh();
  }
  SetCursor(IDC_HAND);
  PlaySoundResource(29100, 0x11);
  InvalidateAll();
}

void CVariantTableScene::OnLookerTileLeave(Entity* tile) {
  if (tile != nullptr) {
    tile->SetAlpha(1.0);
    tile->Refresh();
  }
  SetCursor(IDC_ARROW);
  InvalidateAll();
}

void CVariantTableScene::ShowClaimButton(int button, int enabled) {
  if (m_turn != nullptr) m_turn->ShowClaimButton(button, enabled);
  m_stale = true;
}

void CVariantTableScene::ShowClaimButtons(int show) {
  for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) ShowClaimButton(b, show);
}

void CVariantTableScene::ClaimOfferClosed() {
  if (m_turn != nullptr) m_turn->OnClaimOfferClosed();
  m_stale = true;
}

void CVariantTableScene::OnCountdownExpired() {
  if (m_turn != nullptr) m_turn->OnCountdownExpiredNotice();
  m_stale = true;
}

void CVariantTableScene::PressStart() {
  if (m_startButton == nullptr || !m_startButton->IsVisible()) return;
  ShowStartButton(false);
  if (m_hooks.start && m_hooks.start() == 0) {
    ShowStartButton(true);
    return;
  }
  // Ready for the next hand: the turns the countdown played in the last one no longer count
  // towards managed play, unless managed play is on.
  if (m_turn != nullptr) {
    if (!m_turn->IsManagedPlay()) m_turn->Control().SetTimeOutCount(0);
    m_turn->Control().SetManagedStepTicks(0);
  }
}

void CVariantTableScene::BuildBoard() {
  // A new size lays every tile out anew: a drag in progress is given up, the hand unchanged,
  // and a drawn tile on its way is in its place.
  if (m_dragIndex >= 0) {
    EndDragPicture(m_dragIndex);
    m_dragIndex = -1;
  }
  FinishDrawSlide(true);
  m_width = GetLogicalWidth();
  m_height = GetLogicalHeight();
  m_metrics.sceneWidth = m_width;
  m_metrics.sceneHeight = m_height;
  GetScreen()->SetBackgroundColor(FELT);
  if (m_board == nullptr) {
    m_board = CreatePlane(1, m_width / 2, m_height / 2, m_width, m_height, FELT, "board");
  } else {
    PlaneEntity::Resize(m_board, m_width, m_height);
    m_board->MoveTo(m_width / 2, m_height / 2);
  }
  if (m_startButton == nullptr) {
    m_startButton = CreatePlane(2, m_width / 2, m_height / 2 + 90, 80, 30, 0x2080e0, "start");
    // Above every tile (the wall and the rivers lie under it on a small table after a hand).
    m_startButton->SetLevel(3500);
    PlaneEntity::SetFont(m_startButton, 16, 700, "宋体");
    PlaneEntity::DrawBorder(m_startButton, 0xffffff);
    PlaneEntity::DrawText(m_startButton, 24, 6, "<color=16777215;size=16>开始");
    BindMouseEvent(CTRL_EVENT_LDOWN, CMD_START, 0);
    BindMouseEvent(CTRL_EVENT_RDOWN, CMD_RIGHT_PRESS, 0);
  } else {
    m_startButton->MoveTo(m_width / 2, m_height / 2 + 90);
  }
  ShowStartButton(!m_model.IsPlaying());
  m_bars.Build(m_metrics);
  // Once the system bar exists, the own hand stands above it.
  const Entity* systemBar = m_bars.SystemBar() != nullptr ? m_bars.SystemBar()->GetAnchor() : nullptr;
  if (systemBar != nullptr && systemBar->GetHeight() != m_metrics.systemBarHeight) {
    m_metrics.systemBarHeight = systemBar->GetHeight();
    m_bars.Layout(m_metrics);
  }
  if (UsePictures() && !m_panels.Built() && m_pictures.Id(TPIC_BUFF) != 0) m_panels.Build(m_pictures.Id(TPIC_BUFF));
  if (UsePictures()) m_stake.Build(m_metrics, m_pictures.Id(TPIC_BUFF));
  if (UsePictures()) m_banner.Build(m_metrics);
  if (UsePictures()) {
    m_extras.Build(m_metrics, SIDE_COUNT, [this](int chair) { return m_hooks.chairToSide ? m_hooks.chairToSide(chair) : chair; });
  }
  // The tile controls, made once; the own tiles take them as they are drawn.
  m_controls.Create(*this, [this](const std::string& line) { Log(line); });
  if (UsePictures()) {
    // A new size moves every tile: the rows are let go and the next paint places them anew.
    m_binder.SetLayout(m_metrics, m_model.GetTileCount());
    m_binder.Init(*this, m_pictures, [this](const std::string& line) { Log(line); });
    m_binder.SetControlHooks([this](TileEntityRow& row) { TakeTileControl(row); },
                             [this](TileEntityRow& row) { m_controls.Release(row); });
    m_binder.SetJokerRule([this](int tile) {
      const CGameInfo& info = m_model.Info();
      return IsJokerTile(tile, info.GetJokerTile1(), info.GetJokerTile2(), m_model.GetRuleFlags()) != 0;
    });
    m_binder.ReleaseAll(m_model.Tiles());
    if (m_slideTile == nullptr) {
      // The picture of the own drawn tile on its way from the wall.
      const int w = m_metrics.Metric(METRIC_LARGE_WIDTH), h = m_metrics.Metric(METRIC_LARGE_HEIGHT);
      m_slideTile = CreatePicture(CTilePictureBinder::LAYER, -100, -100, m_pictures.Id(TPIC_LARGE), 0, 0, w, h, "麻将",
                                  CTilePictureSet::KEY);
      if (m_slideTile != nullptr) ShowEntity(m_slideTile, 0);
    }
  } else {
    for (TileEntityRow& plate : m_plates) {
      if (plate.entity != nullptr) continue;
      Entity* e = CreatePlane(2, -100, -100, OWN_W, OWN_H + 10, DEFAULT_KEY_COLOR, "麻将");
      if (e == nullptr) continue;
      PlaneEntity::Clear(e);
      e->SetAlpha(0.0);
      e->SetLevel(3400);
      ShowEntity(e, 0);
      plate.entity = e;
    }
  }
  BuildClaimButtons();
  // A new plane's font is half its height; the board writes small labels and names.
  PlaneEntity::SetFont(m_board, 14, 400, "宋体");
  ShowEntity(m_board, 1);
  InvalidateAll();
  PaintBoard();
}

void CVariantTableScene::OnFrame() {
  // The last frame has been rendered: a step painted then is complete now.
  if (m_recorder != nullptr && GetScreen() != nullptr) m_recorder->TakePicture(GetScreen()->GetBackBuffer());
  if (m_drawOnly) {
    if (m_stale || ModelFingerprint() != m_fingerprint) PaintBoard();
    return;
  }
  // A new hand clears the last hand's winner mark.
  const bool playing = m_model.IsPlaying() != 0;
  if (playing && !m_wasPlaying) {
    m_winnerSide = -1;
    m_extras.HideReadyIcons();
    // A new hand starts play (the clock, the offers, the banker and the stake) at the end of its
    // hand start; a hand joined while it runs (or dealt before the table ran) is played from its
    // first frame.
    if (!m_handStart) {
      m_panels.ResetSideEffects();
      HideStakePanel();
      if (m_turn != nullptr) m_turn->StartHand();
      ShowStakePanel();
    }
  }
  if (!playing && m_wasPlaying) {
    ++m_handsEnded;
    if (m_turn != nullptr) m_turn->EndHand();
    if (m_hooks.handEnded) m_hooks.handEnded();
  }
  if (playing && m_waitingForTable) {
    // Seated and dealt: the waiting text goes with the engine's pending entities.
    m_waitingForTable = false;
    ProcessPendingIds();
  }
  // The start button comes back once a hand has ended; while the hand's settlement is open it
  // waits for the settlement to close (which brings it back), so that the result is seen
  // before the next hand is asked for. A hand that ended without one brings it back at once.
  if (!playing && m_wasPlaying && !(m_hooks.settlementOpen && m_hooks.settlementOpen())) ShowStartButton(true);
  if (playing) ShowStartButton(false);
  m_wasPlaying = playing;
  // Managed play starts with play, not while the hand is still being dealt.
  if (m_autoPlay && !m_handStart) AutoPlay(playing);
  // The tiles' click follows the clock and the claim that is open; the claim buttons follow
  // the turn's offers.
  const TileBindingState bound = BindingState();
  if (bound.lookOn != m_bound.lookOn || bound.pointTo != m_bound.pointTo || bound.pendingClaim != m_bound.pendingClaim ||
      bound.hasDrawnTile != m_bound.hasDrawnTile) {
    m_bound = bound;
    m_controls.RefreshTileControls(bound);
  }
  SyncClaimButtons();
  // A dragged tile's picture goes with the mouse along the hand.
  POINT mouse{};
  GetMousePos(&mouse);
  FollowDrag(mouse.x, mouse.y);
  const uint64_t print = ModelFingerprint();
  if (print != m_fingerprint) m_stale = true;
  if (m_stale && m_board != nullptr) PaintBoard();
  if (m_recorder != nullptr && m_board != nullptr) m_recorder->Painted(CTableStepRecorder::Describe(m_model, m_winnerSide));
}

uint64_t CVariantTableScene::ModelFingerprint() const {
  // FNV-1a over what the board shows: the places' tiles, faces and presence, and the clock.
  uint64_t h = 1469598103934665603ull;
  auto mix = [&h](int v) {
    h ^= static_cast<uint32_t>(v);
    h *= 1099511628211ull;
  };
  const CTileTable& t = m_model.Tiles();
  for (int i = 0; i < CTileTable::WALL_PLACES; ++i) {
    const MJTile* p = t.GetTileRecord(MJ_ZONE_WALL, 0, i);
    mix(p->present);
  }
  for (int side = 0; side < CTileTable::SIDES; ++side) {
    for (int i = 0; i < CTileTable::HAND_PLACES; ++i) {
      const MJTile* p = t.GetTileRecord(MJ_ZONE_HAND, side, i);
      mix(p->tileId), mix(p->present), mix(p->nFace), mix(p->attrA);
    }
    mix(t.RiverCount(side));
    mix(t.FlowerCount(side));
    const MJTile* played = t.GetTileRecord(MJ_ZONE_PLAYED, side, 0);
    mix(played->tileId), mix(played->present);
  }
  const ClockBlock& c = m_model.Clock();
  mix(c.pointTo), mix(c.remainingSeconds), mix(c.turnActive), mix(m_winnerSide);
  if (m_turn != nullptr) {
    for (int b = CLAIM_PENG; b <= CLAIM_PASS; ++b) mix(m_turn->IsButtonActive(b)), mix(m_turn->ButtonFrame(b));
    mix(m_turn->IsManagedPlay());
  }
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i) mix(m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i)->attrB);
  mix(m_hoverIndex);
  return h;
}

void CVariantTableScene::FillRect(int x, int y, int w, int h, uint32_t colour) {
  PlaneData* d = PlaneEntity::GetData(m_board);
  if (d == nullptr || d->pixels == nullptr) return;
  const uint32_t packed = PlaneEntity::PackColor(colour, d->keyColor);
  const int x0 = x < 0 ? 0 : x, y0 = y < 0 ? 0 : y;
  const int x1 = x + w > d->width ? d->width : x + w;
  const int y1 = y + h > d->height ? d->height : y + h;
  for (int yy = y0; yy < y1; ++yy) {
    uint32_t* row = d->pixels + static_cast<size_t>(yy) * static_cast<size_t>(d->width);
    for (int xx = x0; xx < x1; ++xx) row[xx] = packed;
  }
}

void CVariantTableScene::DrawTile(int x, int y, bool vertical, const MJTile& tile, bool faceUp,
                                  uint32_t frame) {
  const bool own = !vertical && frame == TILE_EDGE && faceUp && tile.standing && tile.side == SIDE_OWN;
  int w = own ? OWN_W : (vertical ? TILE_H : TILE_W);
  int h = own ? OWN_H : (vertical ? TILE_W : TILE_H);
  FillRect(x, y, w, h, frame);
  FillRect(x + 1, y + 1, w - 2, h - 2, faceUp ? (tile.meldKind != 0 ? MELD_FACE : TILE_FACE) : TILE_BACK);
  if (!faceUp) return;
  const std::string label = FaceLabel(tile.tileId);
  if (label.empty()) return;
  char text[64];
  const int size = own ? 16 : 12;
  const uint32_t colour = GetSceneSuit(tile.tileId) == 0 ? 0x1818b0 : (GetSceneSuit(tile.tileId) == 1 ? 0x206020 : 0x804010);
  std::snprintf(text, sizeof text, "<color=%u;size=%d>%s", colour, size, label.c_str());
  PlaneEntity::DrawText(m_board, x + 3, y + (h - size) / 2, text);
}

// Where a side's hand starts and which way it runs: the own hand along the bottom, the
// opposite one along the top, the side hands down the left and right edges.
void CVariantTableScene::SideOrigin(int side, int* x, int* y, bool* vertical) const {
  switch (side) {
    case SIDE_OWN:
      *x = m_width / 2 - 8 * OWN_W, *y = m_height - OWN_H - 12, *vertical = false;
      break;
    case SIDE_TOP:
      *x = m_width / 2 - 8 * TILE_W, *y = 12, *vertical = false;
      break;
    case SIDE_LEFT:
      *x = 12, *y = m_height / 2 - 9 * TILE_W, *vertical = true;
      break;
    default:
      *x = m_width - TILE_H - 12, *y = m_height / 2 - 9 * TILE_W, *vertical = true;
      break;
  }
}

void CVariantTableScene::DrawHand(int side) {
  const CTileTable& t = m_model.Tiles();
  int x = 0, y = 0;
  bool vertical = false;
  SideOrigin(side, &x, &y, &vertical);
  const int step = side == SIDE_OWN ? OWN_W : TILE_W;
  int pos = 0;
  auto put = [&](const MJTile& tile, int gap, int index) {
    pos += gap;
    // A tile whose id the client was not told (an onlooker's view) shows its back.
    const bool known = !FaceLabel(tile.tileId).empty();
    const bool faceUp = known && (tile.meldKind != 0 || tile.nFace == 1 || side == SIDE_OWN);
    const int px = vertical ? x : x + pos;
    const int py = vertical ? y + pos : y;
    // A raised own tile stands a little above the others.
    const bool lifted = side == SIDE_OWN && (tile.attrA != 0 || (index == m_hoverIndex && tile.meldKind == 0));
    // The dragged tile is with the mouse, not at its place.
    const bool dragged = side == SIDE_OWN && index == m_dragIndex && m_drag.Active();
    if (!dragged) DrawTile(px, py - (lifted ? 10 : 0), vertical, tile, faceUp, TILE_EDGE);
    if (side == SIDE_OWN && tile.meldKind == 0 && tile.standing && index >= 0 && index < CTileTable::HAND_SIZE)
      m_ownRects[index] = RECT{px, py - (lifted ? 10 : 0), px + OWN_W, py + OWN_H};
    pos += tile.meldKind != 0 || side != SIDE_OWN ? TILE_W : step;
  };
  // Melds first (the groups from the top record down), then the standing tiles, then the
  // drawn tile apart from them.
  for (int i = CTileTable::HAND_PLACES - 1; i > CTileTable::LAST_STANDING; --i) {
    const MJTile* p = t.GetTileRecord(MJ_ZONE_HAND, side, i);
    if (p->present) put(*p, 0, i);
  }
  for (int i = CTileTable::FIRST_STANDING; i <= CTileTable::LAST_STANDING; ++i) {
    const MJTile* p = t.GetTileRecord(MJ_ZONE_HAND, side, i);
    if (p->present && p->meldKind == 0) put(*p, pos > 0 && i == CTileTable::FIRST_STANDING ? 8 : 0, i);
  }
  for (int i = CTileTable::FIRST_STANDING; i <= CTileTable::LAST_STANDING; ++i) {
    const MJTile* p = t.GetTileRecord(MJ_ZONE_HAND, side, i);
    if (p->present && p->meldKind != 0) put(*p, 0, i);
  }
  const MJTile* drawn = t.GetTileRecord(MJ_ZONE_HAND, side, CTileTable::DRAWN_PLACE);
  if (drawn->present) put(*drawn, 12, CTileTable::DRAWN_PLACE);
}

// A side's river or flower row, in rows of perRow, running away from the centre.
void CVariantTableScene::DrawRow(int side, int zone, int count, int ox, int oy, int perRow) {
  const CTileTable& t = m_model.Tiles();
  for (int i = 0; i < count; ++i) {
    const MJTile* p = t.GetTileRecord(zone, side, i);
    if (p == nullptr) break;
    if (!p->present) continue;
    const int col = i % perRow, row = i / perRow;
    int x = ox, y = oy;
    const bool vertical = side == SIDE_LEFT || side == SIDE_RIGHT;
    switch (side) {
      case SIDE_OWN: x += col * TILE_W, y += row * TILE_H; break;
      case SIDE_TOP: x -= col * TILE_W, y -= row * TILE_H; break;
      case SIDE_LEFT: x -= row * TILE_H, y += col * TILE_W; break;
      default: x += row * TILE_H, y -= col * TILE_W; break;
    }
    DrawTile(x, y, vertical, *p, true, TILE_EDGE);
  }
}

void CVariantTableScene::DrawWall() {
  // The wall's places in stacks of two, a quarter of the wall in front of each side, in the
  // order the wall is dealt from; a stack is drawn while either of its tiles is there.
  const CTileTable& t = m_model.Tiles();
  const int total = m_model.GetTileCount();
  if (total <= 0 || total > CTileTable::WALL_PLACES) return;
  const int perSide = total / 4;
  const int stacks = perSide / 2;
  const int cx = m_width / 2, cy = m_height / 2;
  const int half = stacks * STACK_W / 2;
  for (int i = 0; i + 1 < total; i += 2) {
    const MJTile* a = t.GetTileRecord(MJ_ZONE_WALL, 0, i);
    const MJTile* b = t.GetTileRecord(MJ_ZONE_WALL, 0, i + 1);
    const int count = a->present + b->present;
    if (count == 0) continue;
    const int wall = i / perSide, k = (i % perSide) / 2;
    int x = 0, y = 0, w = STACK_W, h = STACK_H;
    switch (wall) {
      case 0: x = cx - half + k * STACK_W, y = cy + half - STACK_H + 18; break;                  // bottom
      case 1: x = cx + half + 4, y = cy + half - k * STACK_W - STACK_W, w = STACK_H, h = STACK_W; break;  // right
      case 2: x = cx + half - (k + 1) * STACK_W, y = cy - half - 18; break;                      // top
      default: x = cx - half - STACK_H - 4, y = cy - half + k * STACK_W, w = STACK_H, h = STACK_W; break;  // left
    }
    FillRect(x, y, w, h, TILE_EDGE);
    FillRect(x + 1, y + 1, w - 2, h - 2, count == 2 ? TILE_BACK : 0x60b060);
  }
}

void CVariantTableScene::DrawPlates() {
  if (!m_hooks.sideName) return;
  // A seat whose player left while the settlement is open keeps his name as its note.
  std::string notes[SIDE_COUNT];
  for (int chair = 0; chair < SIDE_COUNT; ++chair) {
    if (m_seatNoteSet[chair] == 0) continue;
    const int side = m_hooks.chairToSide ? m_hooks.chairToSide(chair) : chair;
    if (side >= 0 && side < SIDE_COUNT) notes[side] = m_seatNotes[chair];
  }
  for (int side = 0; side < SIDE_COUNT; ++side) {
    std::string name = m_hooks.sideName(side);
    if (name.empty()) name = notes[side];
    m_plateText[side] = name;
    if (name.empty()) {
      // An empty seat's panel goes away.
      if (m_panels.Built()) m_panels.Draw(side, name, false, m_metrics);
      continue;
    }
    int x = 0, y = 0;
    bool vertical = false;
    SideOrigin(side, &x, &y, &vertical);
    RECT a{};
    if (UsePictures() && m_metrics.GetHandArea(side, &a)) {
      // Beside the pictured hands: above the own hand and the side hands, below the top one.
      switch (side) {
        case SIDE_OWN: x = a.left, y = a.top - 24; break;
        case SIDE_TOP: x = a.left, y = a.bottom + 4; break;
        case 0: x = a.left + 4, y = a.top - 24; break;
        default: x = a.right - 104, y = a.top - 24; break;
      }
    } else {
      switch (side) {
        case SIDE_OWN: y -= 26; break;
        case SIDE_TOP: y += TILE_H + 8; break;
        case SIDE_LEFT: x += TILE_H + 8, y -= 26; break;
        default: x -= 100, y -= 26; break;
      }
    }
    if (m_panels.Built()) {
      // The name stands on the side's panel, the banker's coin among its icons.
      m_panels.Draw(side, name, m_hooks.isStarted && m_hooks.isStarted(side), m_metrics);
      continue;
    }
    FillRect(x - 2, y - 2, 104, 22, 0x102010);
    char text[128];
    std::snprintf(text, sizeof text, "<color=16777215;size=14>%s", name.c_str());
    PlaneEntity::DrawText(m_board, x + 2, y, text);
  }
}

void CVariantTableScene::DrawClock() {
  const int cx = m_width / 2, cy = m_height / 2;
  FillRect(cx - 50, cy - 34, 100, 68, CLOCK_BOX);
  const ClockBlock& c = m_model.Clock();
  // The mark on the edge of the side whose turn it is.
  const int side = c.pointTo / 2;
  switch (side) {
    case SIDE_OWN: FillRect(cx - 50, cy + 28, 100, 6, CLOCK_MARK); break;
    case SIDE_TOP: FillRect(cx - 50, cy - 34, 100, 6, CLOCK_MARK); break;
    case SIDE_LEFT: FillRect(cx - 50, cy - 34, 6, 68, CLOCK_MARK); break;
    default: FillRect(cx + 44, cy - 34, 6, 68, CLOCK_MARK); break;
  }
  if (m_model.IsPlaying()) {
    char text[64];
    std::snprintf(text, sizeof text, "<color=65535;size=24>%02d", c.remainingSeconds < 0 ? 0 : c.remainingSeconds % 100);
    PlaneEntity::DrawText(m_board, cx - 14, cy - 12, text);
  }
}

void CVariantTableScene::PaintBoard() {
  if (m_board == nullptr) return;
  FillRect(0, 0, m_width, m_height, FELT);
  for (RECT& r : m_ownRects) r = RECT{};
  if (UsePictures()) {
    DrawCloth();
    DrawLogo();
    DrawClockPicture();
    DrawPlates();
    DrawBanner();
    DrawDice();
    m_binder.SetShown(m_handShown, m_flowersShown);
    m_binder.Build(m_model.Tiles());
    NoteOwnTileRects();
    if (m_controls.TakeHoverLost()) {
      // The tile under the mouse was drawn anew: the input looks again at what lies there.
      m_hoverIndex = -1;
      m_lookHover = -1;
      m_controls.TakeAttached();
      if (InputDispatcher* input = GetInputDispatcher()) input->Refresh();
    } else if (m_controls.TakeAttached()) {
      // A tile that came under a resting mouse (the next drawn tile where the last one was
      // clicked away) answers to it without the mouse moving first.
      if (InputDispatcher* input = GetInputDispatcher()) input->Refresh();
    }
    // A tile drawn anew under an onlooker's mouse keeps the hover look.
    if (Entity* e = OwnTileEntity(m_lookHover)) e->SetAlpha(LOOK_HOVER_ALPHA);
    InvalidateAll();
    m_fingerprint = ModelFingerprint();
    m_stale = false;
    ++m_paints;
    return;
  }
  DrawWall();
  DrawClock();
  const CTileTable& t = m_model.Tiles();
  const int cx = m_width / 2, cy = m_height / 2;
  const int ring = 150;  // rivers start outside the wall
  for (int side = 0; side < SIDE_COUNT; ++side) {
    int rx = 0, ry = 0;
    switch (side) {
      case SIDE_OWN: rx = cx - RIVER_ROW * TILE_W / 2, ry = cy + ring + 10; break;
      case SIDE_TOP: rx = cx + RIVER_ROW * TILE_W / 2 - TILE_W, ry = cy - ring - 10 - TILE_H; break;
      case SIDE_LEFT: rx = cx - ring - 20 - TILE_H, ry = cy - RIVER_ROW * TILE_W / 2; break;
      default: rx = cx + ring + 20, ry = cy + RIVER_ROW * TILE_W / 2 - TILE_W; break;
    }
    DrawRow(side, MJ_ZONE_RIVER, t.RiverCount(side), rx, ry, RIVER_ROW);
    // Flowers sit beside the hand's plate, in one row.
    int hx = 0, hy = 0;
    bool vertical = false;
    SideOrigin(side, &hx, &hy, &vertical);
    int fx = hx, fy = hy;
    switch (side) {
      case SIDE_OWN: fx = hx + 140, fy = hy - 28 - TILE_H + 18; break;
      case SIDE_TOP: fx = hx + 300, fy = hy + TILE_H + 6; break;
      case SIDE_LEFT: fx = hx + TILE_H + 8, fy = hy + 420; break;
      default: fx = hx - TILE_H - 8, fy = hy + 420; break;
    }
    for (int i = 0; m_flowersShown[side] && i < t.FlowerCount(side); ++i) {
      const MJTile* p = t.GetTileRecord(MJ_ZONE_FLOWERS, side, i);
      if (p == nullptr || !p->present) continue;
      const bool v = side == SIDE_LEFT || side == SIDE_RIGHT;
      DrawTile(v ? fx : fx + i * TILE_W, v ? fy + i * TILE_W : fy, v, *p, true, TILE_EDGE);
    }
    // The tile just played, in front of the clock on its player's side, framed.
    const MJTile* played = t.GetTileRecord(MJ_ZONE_PLAYED, side, 0);
    if (played->present && played->tileId >= 0 && played->tileId != 200) {
      int px = cx - TILE_W / 2, py = cy - TILE_H / 2;
      switch (side) {
        case SIDE_OWN: py = cy + 40; break;
        case SIDE_TOP: py = cy - 40 - TILE_H; break;
        case SIDE_LEFT: px = cx - 60 - TILE_W; break;
        default: px = cx + 60; break;
      }
      DrawTile(px, py, false, *played, true, PLAYED_FRAME);
    }
    if (m_handShown[side]) DrawHand(side);
    if (side == m_winnerSide) {
      int x = 0, y = 0;
      bool v = false;
      SideOrigin(side, &x, &y, &v);
      FillRect(x - 6, y - 6, v ? 4 : 16 * OWN_W, 4, WIN_FRAME);
    }
  }
  DrawPlates();
  DrawBanner();
  DrawDice();
  SyncPlates();
  InvalidateAll();
  m_fingerprint = ModelFingerprint();
  m_stale = false;
  ++m_paints;
}

void CVariantTableScene::NoteOwnTileRects() {
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i) {
    const MJTile* t = m_model.Tiles().GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
    if (!t->present || !t->standing || t->meldKind != 0 || t->nObject == 0) continue;
    Entity* e = m_binder.RowEntity(t->nObject);
    if (e == nullptr) continue;
    // The tile under the mouse stands as high as a raised one.
    if (i == m_hoverIndex && t->attrA == 0) {
      e->MoveTo(e->GetX(), e->GetY() - 10);
      e->Refresh();
    }
    const int w = e->GetWidth(), h = e->GetHeight();
    m_ownRects[i] = RECT{e->GetX() - w / 2, e->GetY() - h / 2, e->GetX() - w / 2 + w, e->GetY() - h / 2 + h};
  }
}

void CVariantTableScene::SyncPlates() {
  // Each own standing tile the board drew gets the clear plate of its place, with a tile control
  // on it; a place without a tile gives its control back.
  for (int i = 0; i < CTileTable::HAND_SIZE; ++i) {
    TileEntityRow& plate = m_plates[i];
    auto* e = static_cast<Entity*>(plate.entity);
    if (e == nullptr) continue;
    const RECT& r = m_ownRects[i];
    if (r.right <= r.left) {
      if (plate.control != 0) m_controls.Release(plate);
      plate.zone = 0;
      ShowEntity(e, 0);
      continue;
    }
    plate.zone = MJ_ZONE_HAND;
    plate.side = SIDE_OWN;
    plate.index = i;
    e->SetSize(r.right - r.left, r.bottom - r.top);
    e->MoveTo((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ShowEntity(e, 1);
    if (plate.control == 0) TakeTileControl(plate);
  }
  if (m_controls.TakeHoverLost()) {
    m_hoverIndex = -1;
    m_controls.TakeAttached();
    if (InputDispatcher* input = GetInputDispatcher()) input->Refresh();
  } else if (m_controls.TakeAttached()) {
    if (InputDispatcher* input = GetInputDispatcher()) input->Refresh();
  }
}

namespace {
constexpr int CLAIM_FRAME = 40;
constexpr int CLAIM_GAP = 6;
const uint32_t CLAIM_CODES[6] = {0, CTableBars::CMD_PENG, CTableBars::CMD_GANG, CTableBars::CMD_CHI, CTableBars::CMD_HU,
                                 CTableBars::CMD_PASS};
}  // namespace

void CVariantTableScene::BuildClaimButtons() {
  // The claim buttons stand in a row above the own hand's right end.
  RECT own{};
  m_metrics.GetHandArea(SIDE_OWN, &own);
  const ControlPoint origin = ClaimButtonsOrigin(m_width, own.top, CLAIM_FRAME, CLAIM_GAP);
  const uint32_t strip = UsePictures() ? m_pictures.Id(TPIC_ACTIONS) : 0;
  for (int type = CLAIM_PENG; type <= CLAIM_PASS; ++type) {
    const int x = origin.x + (type - 1) * (CLAIM_FRAME + CLAIM_GAP) + CLAIM_FRAME / 2;
    const int y = origin.y + CLAIM_FRAME / 2;
    if (m_claimButtons[type] != nullptr) {
      // In the operation bar the bar places them.
      if (!m_claimsInBar) MoveControl(m_claimButtons[type], x, y);
      continue;
    }
    // One frame of the action strip each; without the strip a plate that shows the claim's name.
    Entity* e = strip != 0 ? CreatePicture(4, x, y, strip, 0, 0, CLAIM_FRAME, CLAIM_FRAME, "图标", CTilePictureSet::KEY)
                           : CreatePlane(4, x, y, CLAIM_FRAME, CLAIM_FRAME, 0x2080e0, "图标");
    if (e == nullptr) continue;
    ControlRecord* control = NewControl();
    BindControl(control, e, CTRL_FLAGS_CONTROL);
    control->Enable(1);
    // A click raises the button's own code as the engine's deferred click, once it is active.
    BindControlEvent(control, CTRL_EVENT_DEFERRED_CLICK, CLAIM_CODES[type]);
    m_claimButtons[type] = control;
    m_claimActive[type] = false;
    m_claimFrame[type] = -1;
    CTileControlPool::SetTileControlActive(control, false);
    ShowEntity(e, 0);
  }
  m_claimStrip = strip;
  // The buttons stand in the operation bar, where the table's layout puts it; without the bar
  // (its pictures missing) they keep their own row above the hand.
  if (!m_claimsInBar) {
    bool adopted = true;
    for (int type = CLAIM_PENG; type <= CLAIM_PASS; ++type)
      adopted = m_bars.AdoptActionButton(CLAIM_CODES[type], m_claimButtons[type]) && adopted;
    m_claimsInBar = adopted;
    if (adopted) m_bars.Layout(m_metrics);
  }
  SyncClaimButtons();
}

void CVariantTableScene::DrawClaimLabel(int type) {
  Entity* e = m_claimButtons[type] != nullptr ? m_claimButtons[type]->entity : nullptr;
  if (e == nullptr || e->GetKind() != ENTITY_KIND_PLANE) return;
  static const char* const LABELS[6] = {"", "碰", "杠", "吃", "胡", "过"};
  PlaneEntity::SetFont(e, 20, 700, "宋体");
  PlaneEntity::Clear(e);
  PlaneEntity::DrawBorder(e, 0xffffff);
  char text[64];
  std::snprintf(text, sizeof text, "<color=16777215;size=20>%s",
                m_claimFrame[type] == BUTTON_FRAME_CHOICE ? "选" : LABELS[type]);
  PlaneEntity::DrawText(e, 10, 9, text);
}

void CVariantTableScene::SyncClaimButtons() {
  // The buttons stand on the table while a hand is played by the player (not an onlooker); each
  // is active exactly while the turn offers its claim.
  const bool shown = m_turn != nullptr && m_model.IsPlaying() && !m_turn->IsLookOn();
  const uint32_t strip = UsePictures() ? m_pictures.Id(TPIC_ACTIONS) : 0;
  if (m_claimsInBar) {
    BUTTONFRAME* bar = m_bars.OperationBar();
    if (bar != nullptr && bar->GetAnchor() != nullptr && (bar->IsVisible() != 0) != shown) m_bars.ShowOperationBar(shown);
  }
  for (int type = CLAIM_PENG; type <= CLAIM_PASS; ++type) {
    ControlRecord* control = m_claimButtons[type];
    Entity* e = control != nullptr ? control->entity : nullptr;
    if (e == nullptr) continue;
    // A button the bar leaves out (no chi in this hand's rules) stays hidden.
    const bool visible = shown && (!m_claimsInBar || m_bars.HoldsActionButton(CLAIM_CODES[type]));
    if ((e->IsVisible() != 0) != visible) ShowEntity(e, visible ? 1 : 0);
    const bool active = visible && m_turn->IsButtonActive(type);
    const int frame = m_turn != nullptr ? m_turn->ButtonFrame(type) : 0;
    if (frame != m_claimFrame[type] || strip != m_claimStrip) {
      m_claimFrame[type] = frame;
      if (strip != 0 && e->GetKind() != ENTITY_KIND_PLANE) {
        PictureEntity::SetPicture(e, strip, frame * CLAIM_FRAME, 0, CLAIM_FRAME, CLAIM_FRAME, CTilePictureSet::KEY);
        // The look of the state goes on the new frame.
        m_claimActive[type] = !active;
      } else {
        DrawClaimLabel(type);
      }
    }
    if (active != m_claimActive[type]) {
      m_claimActive[type] = active;
      CTileControlPool::SetTileControlActive(control, active);
    }
  }
  m_claimStrip = strip;
}

RECT CVariantTableScene::ClaimButtonRect(int type) const {
  if (type < CLAIM_PENG || type > CLAIM_PASS || !m_claimActive[type] || m_claimButtons[type] == nullptr) return RECT{};
  const Entity* e = m_claimButtons[type]->entity;
  if (e == nullptr || !e->IsVisible()) return RECT{};
  const int w = e->GetWidth(), h = e->GetHeight();
  return RECT{e->GetX() - w / 2, e->GetY() - h / 2, e->GetX() - w / 2 + w, e->GetY() - h / 2 + h};
}

std::vector<CVariantTableScene::DieShown> CVariantTableScene::DiceShown() const {
  std::vector<DieShown> shown;
  if (!m_model.IsPlaying()) return shown;
  for (const DiePlace& p : m_diePlaces)
    if (p.shown && p.strip >= 0) shown.push_back(DieShown{p.die, p.strip, p.frame});
  return shown;
}

void CVariantTableScene::DrawDice() {
  const RECT r = m_metrics.GetDiceRect();
  for (const DieShown& d : DiceShown()) {
    const ControlPoint at = DicePosition(d.die, r.left, r.top);
    const uint32_t strip = m_pictures.Id(TPIC_DICE1 + d.strip);
    if (strip != 0) {
      DrawPlane(m_board->GetId(), at.x, at.y, 106, 99, ResourceFrame{strip, d.frame * 106, 0, 106, 99, nullptr}, 0.0, 1.0,
                CTilePictureSet::KEY);
      continue;
    }
    // Without pictures: a white die with its value once it rests.
    FillRect(at.x - 20, at.y - 20, 40, 40, 0xf0f0f0);
    if (d.frame == 8) {
      char text[48];
      std::snprintf(text, sizeof text, "<color=0;size=24>%d", d.strip % 6 + 1);
      PlaneEntity::DrawText(m_board, at.x - 7, at.y - 13, text);
    }
  }
}

void CVariantTableScene::DrawBanner() {
  const bool managed = m_turn != nullptr && m_turn->IsManagedPlay();
  if (m_banner.Built()) {
    m_banner.Show(managed);
    return;
  }
  if (!managed) return;
  const RECT centre = m_metrics.GetCentreRect();
  const int w = 180, h = 34;
  const int x = (centre.left + centre.right) / 2 - w / 2, y = centre.top - h - 8;
  FillRect(x, y, w, h, 0x0000ff);
  PlaneEntity::DrawText(m_board, x + 22, y + 7, "<color=16777215;size=18>系统托管中...");
}

void CVariantTableScene::DrawCloth() {
  const uint32_t cloth = m_pictures.Id(TPIC_CLOTH);
  if (cloth == 0) return;
  ResourceFrame frame{};
  GetResourceFrame(&frame, cloth, 0);
  if (frame.width <= 0 || frame.height <= 0) return;
  // The table top is stretched over the whole board.
  DrawPlane(m_board->GetId(), m_width / 2, m_height / 2, m_width, m_height, frame, 0.0, 1.0, CTilePictureSet::KEY);
}

void CVariantTableScene::DrawLogo() {
  const uint32_t logo = m_extras.LogoPicture();
  if (logo == 0) return;
  ResourceFrame frame{};
  GameBase::GetResourceFrame(&frame, logo, 0);
  if (frame.width <= 0 || frame.height <= 0) return;
  const POINT c = CTableExtras::LogoCentre(m_metrics);
  DrawPlane(m_board->GetId(), c.x, c.y, CTableExtras::LOGO_WIDTH, CTableExtras::LOGO_HEIGHT, frame, 0.0, 1.0,
            CTilePictureSet::KEY);
}

void CVariantTableScene::DrawClockPicture() {
  // The clock stands on the table once play starts, not while the hand is still being dealt.
  if (!m_model.IsPlaying() || m_handStart) return;
  // The clock's square sits 10 pixels inside the centre's left edge, halfway down it; the hand
  // and the two digits of the countdown lie on the face.
  const RECT clock = m_metrics.GetClockRect();
  const int left = clock.left;
  const int top = clock.top;
  const uint32_t board = m_board->GetId();
  const ClockBlock& c = m_model.Clock();
  auto draw = [&](int picture, int sx, int x, int y, int w, int h) {
    const uint32_t id = m_pictures.Id(picture);
    if (id == 0) return;
    DrawPlane(board, x + w / 2, y + h / 2, w, h, ResourceFrame{id, sx, 0, w, h, nullptr}, 0.0, 1.0,
              CTilePictureSet::KEY);
  };
  draw(TPIC_CLOCK, 0, left, top, 65, 65);
  draw(TPIC_CLOCK_HAND, (c.pointTo & 7) * 56, left + 4, top + 4, 56, 56);
  const int seconds = c.remainingSeconds < 0 ? 0 : c.remainingSeconds % 100;
  draw(TPIC_CLOCK_DIGITS, (seconds / 10) * 8, left + 24, top + 25, 8, 17);
  draw(TPIC_CLOCK_DIGITS, (seconds % 10) * 8, left + 32, top + 25, 8, 17);
}

void CVariantTableScene::PlaySoundResource(int resource, int flags) {
  if (m_hooks.playSound) m_hooks.playSound(resource, flags);
}

void CVariantTableScene::PlayTileVoice(int side, int tile) {
  const int suit = GetSceneSuit(tile), value = GetSceneValue(tile);
  if (suit < 0 || value <= 0) return;
  char name[16];
  std::snprintf(name, sizeof name, "%d", suit * 10 + value);
  PlayActionVoice(side, name);
}

void CVariantTableScene::PlayActionVoice(int side, const char* name) {
  if (!m_hooks.voiceFolder || (m_hooks.isSilent && m_hooks.isSilent())) return;
  const std::string path = m_hooks.voiceFolder(side) + (name != nullptr ? name : "") + ".wav";
  if (m_hooks.playVoiceFile) {
    m_hooks.playVoiceFile(path);
    return;
  }
  GetWorldRef().GetSound().PlayEffect(path.c_str());
}

void CVariantTableScene::PlayWinEffect(int side) {
  m_winnerSide = side;
  m_stale = true;
}

void CVariantTableScene::Log(const std::string& line) {
  if (m_hooks.log) m_hooks.log(line);
}

void CVariantTableScene::ShowStakePanel() {
  const CGameInfo& info = m_model.Info();
  // A banker's chair that is no seat of this table marks nobody.
  const int chair = info.GetBankerChair();
  int banker = -1;
  if (chair >= 0 && chair < SIDE_COUNT) banker = m_hooks.chairToSide ? m_hooks.chairToSide(chair) : info.ChairToSide(chair);
  if (banker >= 0 && banker < SIDE_COUNT) m_panels.SetSideIcon(banker, CTableSidePanels::BANKER_ICON);
  m_stake.Show(info);
  m_extras.ShowTreasurePanel(m_pictures.Id(TPIC_LARGE), info.GetJokerTile1(), m_metrics.Metric(METRIC_LARGE_WIDTH),
                             m_metrics.Metric(METRIC_LARGE_HEIGHT));
}

void CVariantTableScene::HideStakePanel() {
  m_stake.Hide();
  if (Entity* treasure = m_extras.TreasurePanel()) ShowEntity(treasure, 0);
}

void CVariantTableScene::OnSettlementClosed() {
  if (m_hooks.hasMainWindow && !m_hooks.hasMainWindow()) return;
  if (m_model.IsPlaying()) return;
  if (m_hooks.resetSeats) m_hooks.resetSeats();
  m_model.ResetTable();
  HideStakePanel();
  m_panels.ResetSideEffects();
  m_stale = true;
  if (!IsLookOnNow()) {
    m_bars.ShowOperationBar(false);
    ShowStartButton(true);
  }
  const bool managed = m_hooks.managedOn ? m_hooks.managedOn() : (m_turn != nullptr && m_turn->IsManagedPlay());
  if (managed) m_bars.ToggleManagedPlay();
  if (m_hooks.mustStay && m_hooks.mustStay()) {
    // A player who may not leave yet is made ready by himself, and again in 15 seconds.
    if (m_startButton != nullptr && m_startButton->IsVisible()) PressStart();
    StartAutoReady();
  }
  if (m_hooks.systemSeats && m_hooks.systemSeats()) {
    for (int chair = 0; chair < SIDE_COUNT; ++chair) {
      if (m_seatNoteSet[chair] == 0) continue;
      m_seatNoteSet[chair] = 0;
      m_seatNotes[chair].clear();
      m_stale = true;
      const int side = m_hooks.chairToSide ? m_hooks.chairToSide(chair) : chair;
      if (side >= 0 && side < SIDE_COUNT && m_hooks.setSeatNote) m_hooks.setSeatNote(side, std::string());
    }
  }
}

bool CVariantTableScene::ShowReadyIcon(int chair) {
  if (chair < 0 || chair >= SIDE_COUNT) return false;
  const int side = m_hooks.chairToSide ? m_hooks.chairToSide(chair) : chair;
  return m_extras.ShowReadyIcon(side);
}

void CVariantTableScene::OnPlayerSeated(int chair) {
  if (chair < 0 || chair >= SIDE_COUNT) return;
  if (m_hooks.refillRecordBoard) m_hooks.refillRecordBoard(false);
  ClearSeatNote(chair);
  // The seat's name plate shows the newcomer.
  m_stale = true;
}

void CVariantTableScene::OnPlayerLeft(int chair, const std::string& name) {
  if (chair < 0 || chair >= SIDE_COUNT) return;
  m_extras.SetHoldReadyIcons(true);
  const int side = m_hooks.chairToSide ? m_hooks.chairToSide(chair) : chair;
  if (side >= 0 && side < SIDE_COUNT) {
    m_extras.HideReadyIcon(side);
    // While the settlement is open the leaver's name stays under his seat.
    if (m_hooks.settlementOpen && m_hooks.settlementOpen()) {
      if (m_hooks.setSeatNote) m_hooks.setSeatNote(side, name);
      m_seatNoteSet[chair] = 1;
      m_seatNotes[chair] = name;
    }
  }
  if (m_hooks.refillRecordBoard) m_hooks.refillRecordBoard(false);
  m_stale = true;
}

void CVariantTableScene::OnRandomSeated() {
  if (m_hooks.refillRecordBoard) m_hooks.refillRecordBoard(m_extras.HoldsReadyIcons());
  m_extras.SetHoldReadyIcons(false);
  for (int chair = 0; chair < SIDE_COUNT; ++chair) ClearSeatNote(chair);
  m_stale = true;
}

void CVariantTableScene::ClearReadyIcons() {
  m_extras.HideReadyIcons();
  if (!m_model.IsPlaying()) m_extras.ShowWaitingText();
  for (int chair = 0; chair < SIDE_COUNT; ++chair) ClearSeatNote(chair);
  if (m_hooks.refillRecordBoard) m_hooks.refillRecordBoard(false);
  m_stale = true;
}

std::string CVariantTableScene::PlateText(int side) const {
  return side >= 0 && side < SIDE_COUNT ? m_plateText[side] : std::string();
}

void CVariantTableScene::ClearSeatNote(int chair) {
  m_seatNoteSet[chair] = 0;
  m_seatNotes[chair].clear();
}
