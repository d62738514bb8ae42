#include "variant/TableBars.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "engine/ControlRecord.h"
#include "engine/EngineUtil.h"
#include "engine/Entity.h"
#include "engine/GameBase.h"
#include "engine/InputDispatcher.h"
#include "engine/ParticleEntity.h"
#include "engine/PlaneEntity.h"
#include "engine/World.h"
#include "image/RasterScreenshot.h"
#include "mahjong/HandActions.h"
#include "mahjong/SeatLayout.h"
#include "mahjong/scene/TableMetrics.h"
#include "mahjong/scene/TableModel.h"
#include "mahjong/scene/TilePictureSet.h"
#include "platform/kernel/Profile.h"
#include "variant/HandSort.h"
#include "variant/HoverButton.h"
#include "variant/TableControlsLayout.h"

namespace {

constexpr uint32_t KEY = 0xFF00FF;
constexpr int SYSTEM_FRAME = 30;
constexpr int ACTION_FRAME = 40;
constexpr int SCREENSHOT_QUALITY = 75;

// The system bar's buttons in bar order: command, frame of the BUFF strip, hint.
struct SystemButtonSpec {
  uint32_t code;
  int frameX;
  const char* hint;
};
constexpr SystemButtonSpec SYSTEM_SPECS[4] = {
    {CTableBars::CMD_MUSIC, 60, "音乐"},
    {CTableBars::CMD_STYLE, 90, "换肤"},
    {CTableBars::CMD_SORT, 120, "排序"},
    {CTableBars::CMD_MANAGED, 150, "托管"},
};
constexpr const char* SCREENSHOT_HINT = "截屏";
constexpr const char* DIALECT_ON_HINT = "澄屿  话";
constexpr const char* DIALECT_OFF_HINT = "普通  话";

// The claim buttons: command and frame of the action strip, in the operation bar's order.
struct ActionSpec {
  uint32_t code;
  int frameX;
};
constexpr ActionSpec ACTION_SPECS[CTableBars::ACTION_BUTTONS] = {
    {CTableBars::CMD_PASS, 160}, {CTableBars::CMD_HU, 120}, {CTableBars::CMD_GANG, 40},
    {CTableBars::CMD_PENG, 0},   {CTableBars::CMD_CHI, 80},
};

// The hand cursor's sweep is one task under its own key while it runs.
constexpr int SWEEP_SPEED = 3;
constexpr int SWEEP_INTERVAL = 10;
constexpr int DRAWN_GAP = 12;  // the drawn place stands this far right of the standing row
constexpr int SPARK_EMITTERS = 5;

}  // namespace

void CTableBars::Log(const std::string& line) {
  if (m_hooks.log) m_hooks.log(line);
}

void CTableBars::ReadSettings() {
  const std::string ini = Ini();
  const char* path = ini.empty() ? nullptr : ini.c_str();
  for (int i = 0; i < 3; ++i) m_styles[i] = CTilePictureSet::StyleFolder(path, i);
  m_styleIndex = path ? static_cast<int>(GetPrivateProfileIntA("SKIN", "Default", 0, path)) : 0;
  // An index the ini cannot mean loads the first style, as the pictures do.
  if (m_styleIndex < 0 || m_styleIndex > 2) m_styleIndex = 0;
  m_music = path ? (GetPrivateProfileIntA("GAMESET", "Music", 0, path) != 0 ? 1 : 0) : 0;
  const int dialect = path ? (GetPrivateProfileIntA("GAMESET", "fangyan", 0, path) != 0 ? 1 : 0) : 0;
  if (dialect && m_hooks.setDialect) m_hooks.setDialect(1);
}

void CTableBars::LoadBarPictures(const std::string& style) {
  m_scene.SetResourceFolder(("skins\\" + style).c_str());
  const uint32_t op[3] = {m_scene.LoadImageResource("frame0_left.bmp", 1, "操作栏左", KEY, 1),
                          m_scene.LoadImageResource("frame0_right.bmp", 1, "操作栏右", KEY, 1),
                          m_scene.LoadImageResource("frame0_main.bmp", 1, "操作栏中", KEY, 1)};
  const uint32_t sys[3] = {m_scene.LoadImageResource("frame1_left.bmp", 1, "系统栏左", KEY, 1),
                           m_scene.LoadImageResource("frame1_right.bmp", 1, "系统栏右", KEY, 1),
                           m_scene.LoadImageResource("frame1_main.bmp", 1, "系统栏中", KEY, 1)};
  m_actions = m_scene.LoadImageResource("PGCHG.png", 1, "碰杠吃胡过", KEY, 1);
  for (int i = 0; i < 3; ++i) {
    GameBase::GetResourceFrame(&m_operationFrames[i], op[i], 0);
    GameBase::GetResourceFrame(&m_systemFrames[i], sys[i], 0);
  }
  if (op[0] == 0 || sys[0] == 0) Log("the bar pictures of the style " + style + " are missing");
}

ControlRecord* CTableBars::CreatePictureButton(int x, int y, const ResourceFrame& frame, uint32_t code,
                                               uint32_t backColor) {
  Entity* picture = m_scene.CreatePictureFromFrame(4, x, y, frame, "图标", backColor);
  if (picture == nullptr) return nullptr;
  picture->SetAlpha(0.8)->Refresh();
  ControlRecord* control = m_scene.NewControl();
  if (control == nullptr) return nullptr;
  m_scene.BindControl(control, picture, CTRL_FLAGS_CONTROL);
  control->Enable(1);
  m_scene.BindControlEvent(control, CTRL_EVENT_ENTER, CMD_BUTTON_ENTER);
  // Leave, press, release and click become the engine's own highlight commands; the click's
  // command raises the button's code as a deferred click.
  for (uint32_t slot : {CTRL_EVENT_LEAVE, CTRL_EVENT_LDOWN, CTRL_EVENT_LUP, CTRL_EVENT_CLICK})
    m_scene.BindControlEventRelative(control, slot, CORE_COMMAND_BASE);
  m_scene.BindControlEvent(control, CTRL_EVENT_DEFERRED_CLICK, code);
  return control;
}

AdvancedButton* CTableBars::CreateSystemButton(uint32_t code, const ResourceFrame& frame, const char* hint) {
  auto* button = new CHoverButton();
  if (m_scene.GetWorldRef().RegisterControlObject(button) == nullptr) {
    delete button;
    return nullptr;
  }
  button->SetBackColor(0);
  button->CreateOnPlane(0, code, nullptr, -100, -100, SYSTEM_FRAME, SYSTEM_FRAME, 1);
  if (frame.resourceId != 0) button->SetImageFrame(frame, 0.0, 1.0, 0);
  button->SetTipText(hint);
  button->BindHoverMessages();
  button->Redraw();
  return button;
}

void CTableBars::SetDialectLook(int on) {
  AdvancedButton* b = DialectButton();
  if (b == nullptr) return;
  b->SetTipText(on ? DIALECT_ON_HINT : DIALECT_OFF_HINT);
  b->SetCaption(9, 8, on ? "屿" : "普", 1);
}

void CTableBars::Build(const CTableMetrics& metrics) {
  if (m_built) {
    Layout(metrics);
    return;
  }
  m_built = true;
  m_scene.SetResourceFolder("skins\\Common");
  m_buff = m_scene.LoadImageResource("buff.bmp", 1, "BUFF", KEY, 1);
  m_seeHandPicture = m_scene.LoadImageResource("AskKanPai.bmp", 1, nullptr, KEY, 1);
  m_arrowPicture = m_scene.LoadImageResource("arrowhead.bmp", 1, "系统栏箭头", KEY, 1);
  m_notePicture = m_scene.LoadImageResource("note.bmp", 1, "说明板", KEY, 1);
  m_handPicture = m_scene.LoadImageResource("hand.png", 1, nullptr, KEY, 1);
  m_sparkPicture = m_scene.LoadImageResource("partical.png", 1, nullptr, KEY, 1);
  LoadBarPictures(m_styles[m_styleIndex]);

  // The see-hand button of an onlooker, hidden until the table starts.
  ResourceFrame seeHand{};
  GameBase::GetResourceFrame(&seeHand, m_seeHandPicture, 0);
  seeHand.width = 100, seeHand.height = 30;
  m_seeHand = CreatePictureButton(-100, -100, seeHand, CMD_SEE_HAND, KEY);
  if (m_seeHand != nullptr) m_scene.ShowControl(m_seeHand, 0);

  // The claim buttons in the operation bar, shown by the turn code when a claim is offered.
  m_operationBar = m_scene.CreateButtonFrame(ACTION_BUTTONS, &m_operationLayout);
  for (int i = 0; i < ACTION_BUTTONS; ++i) {
    const ResourceFrame frame{m_actions, ACTION_SPECS[i].frameX, 0, ACTION_FRAME, ACTION_FRAME, nullptr};
    m_actionButtons[i] = CreatePictureButton(-100, -100, frame, ACTION_SPECS[i].code, KEY);
    if (m_operationBar != nullptr && m_actionButtons[i] != nullptr) m_operationBar->OnButton(i, m_actionButtons[i]);
  }
  if (m_operationBar != nullptr && m_operationBar->GetAnchor() != nullptr) m_operationBar->Hide();

  // The system bar: four pictured buttons, the screenshot and the dialect voice.
  m_systemBar = m_scene.CreateButtonFrame(SYSTEM_BUTTONS, &m_systemLayout);
  for (int i = 0; i < 4; ++i) {
    const ResourceFrame frame{m_buff, SYSTEM_SPECS[i].frameX, 0, SYSTEM_FRAME, SYSTEM_FRAME, nullptr};
    m_system[i] = CreateSystemButton(SYSTEM_SPECS[i].code, frame, SYSTEM_SPECS[i].hint);
  }
  m_system[4] = CreateSystemButton(CMD_SCREENSHOT, ResourceFrame{}, SCREENSHOT_HINT);
  if (m_system[4] != nullptr) {
    m_system[4]->SetFillColor(0x37450E, 0);
    m_system[4]->SetTextColor(0x936DF3, 0);
    m_system[4]->SetCaption(0, 8, "截屏", 1);
  }
  m_system[5] = CreateSystemButton(CMD_DIALECT, ResourceFrame{m_buff, 6 * SYSTEM_FRAME, 0, SYSTEM_FRAME, SYSTEM_FRAME,
                                                              nullptr},
                                   DIALECT_OFF_HINT);
  if (m_system[5] != nullptr) {
    PlaneEntity::SetFont(m_system[5]->GetPlane(), 12, 400, "宋体");
    m_system[5]->SetTextColor(0x936DF3, 0);
    SetDialectLook(m_hooks.dialect ? m_hooks.dialect() : 0);
  }
  for (int i = 0; i < SYSTEM_BUTTONS; ++i) {
    if (m_systemBar != nullptr && m_system[i] != nullptr) m_systemBar->OnButton(i, m_system[i]->GetControlRecord());
  }

  // The bar's arrow above the bar, and the note board that shows a button's hint.
  Entity* anchor = m_systemBar != nullptr ? m_systemBar->GetAnchor() : nullptr;
  const int barLevel = anchor != nullptr ? anchor->GetLevel() : 0;
  ResourceFrame arrow{};
  GameBase::GetResourceFrame(&arrow, m_arrowPicture, 0);
  if (Entity* e = m_scene.CreatePictureFromFrame(4, -100, -100, arrow, "系统栏箭头", KEY)) {
    e->SetLevel(barLevel + 100);
    m_scene.ShowEntity(e, 0);
    m_arrowId = static_cast<uint32_t>(e->GetId());
  }
  ResourceFrame note{};
  GameBase::GetResourceFrame(&note, m_notePicture, 0);
  if (Entity* e = m_scene.CreatePlane(4, -100, -100, note.width > 0 ? note.width : 80,
                                      note.height > 0 ? note.height : 26, KEY, "说明板")) {
    e->SetLevel(barLevel + 50);
    m_scene.ShowEntity(e, 0);
    m_noteId = static_cast<uint32_t>(e->GetId());
  }
  ResourceFrame hand{};
  GameBase::GetResourceFrame(&hand, m_handPicture, 0);
  if (Entity* e = m_scene.CreatePictureFromFrame(2, -100, -100, hand, "手", KEY)) {
    e->SetLevel(3000);
    m_scene.ShowEntity(e, 0);
    m_handId = static_cast<uint32_t>(e->GetId());
    // Sparks follow the hand while it sweeps: one emitter per picture of the particle strip.
    for (int i = 0; i < SPARK_EMITTERS; ++i) {
      Entity* spark = m_scene.CreateParticleEmitter(2, -100, -100, m_sparkPicture, i * 20, 0, 20, 20, 0, nullptr,
                                                    nullptr, "粒子");
      if (spark == nullptr) continue;
      spark->SetLevel(2990);
      m_scene.LinkEntities(e, spark, LINK_MOVE | LINK_SHOW | LINK_DELETE);
      m_sparkIds[i] = static_cast<uint32_t>(spark->GetId());
    }
  }
  m_sortKey = m_scene.NewEventId();
  m_slideKey = m_scene.NewEventId();
  m_scene.SetHoverDelay(500);
  Layout(metrics);
}

void CTableBars::Layout(const CTableMetrics& metrics) {
  m_metrics = metrics;
  if (!m_built) return;
  TableControlsInput in;
  in.viewWidth = m_scene.GetLogicalWidth();
  in.viewHeight = m_scene.GetLogicalHeight();
  in.sceneHeight = metrics.sceneHeight;
  RECT own{};
  in.ownHandTop = metrics.GetHandArea(SIDE_OWN, &own) ? own.top : in.sceneHeight;
  in.smallScreen = metrics.IsSmallScreen();
  in.lookOn = m_hooks.isLookOn && m_hooks.isLookOn();
  Entity* sys = m_systemBar != nullptr ? m_systemBar->GetAnchor() : nullptr;
  Entity* op = m_operationBar != nullptr ? m_operationBar->GetAnchor() : nullptr;
  in.systemBarWidth = sys != nullptr ? sys->GetWidth() : 0;
  in.systemBarHeight = sys != nullptr ? sys->GetHeight() : 0;
  in.systemBarFrameSize = SYSTEM_FRAME;
  in.systemBarSecondFrameWidth = m_systemFrames[1].width;
  in.operationBarWidth = op != nullptr ? op->GetWidth() : 0;
  RECT left{};
  in.leftHandWidth = metrics.GetHandArea(SIDE_LEFT, &left) ? left.right - left.left : 0;
  in.actionFrame = ACTION_FRAME;
  in.fifthBarButton = m_hooks.fifthBarButton ? m_hooks.fifthBarButton() : true;
  const TableControlsLayout out = LayOutTableControls(in);
  if (m_seeHand != nullptr) m_scene.MoveControl(m_seeHand, out.seeHand.x, out.seeHand.y);
  if (m_systemBar != nullptr && sys != nullptr) {
    if (out.placeSystemBar) {
      m_barIn = out.systemBar;
      m_systemBar->MoveTo(out.systemBar.x, out.systemBar.y);
      m_systemBar->LayoutFrame();
      if (out.systemBarSlides) {
        // Small screens: the bar hides beside the own hand and slides out while the mouse is on it.
        m_systemBar->BindEvent(CTRL_EVENT_ENTER, CMD_BAR_ENTER, 0);
        m_systemBar->BindEvent(CTRL_EVENT_LEAVE, CMD_BAR_LEAVE, 0);
      } else {
        m_systemBar->SetStyle(BUTTONFRAME_STYLE_HOVER | BUTTONFRAME_STYLE_ENABLE_ON_SHOW);
      }
      m_slides = out.systemBarSlides;
      SlideSystemBarIn();
    } else {
      m_systemBar->Hide();
    }
  }
  if (m_operationBar != nullptr && op != nullptr) {
    // The chi button is the fifth; a rule set without chi shows four.
    if (out.operationButtons != m_operationBar->GetSlotCount()) {
      ControlRecord** dropped = nullptr;
      const int n = m_operationBar->Resize(out.operationButtons, m_layoutFlip ? &m_operationLayout2 : &m_operationLayout,
                                           2, &dropped);
      for (int i = 0; i < n && dropped != nullptr; ++i) m_scene.ShowControl(dropped[i], 0);
      delete[] dropped;
      for (int i = 0; i < out.operationButtons && i < ACTION_BUTTONS; ++i)
        if (m_actionButtons[i] != nullptr && m_operationBar->GetButton(i) == nullptr)
          m_operationBar->OnButton(i, m_actionButtons[i]);
    }
    m_operationBar->MoveTo(out.operationBar.x, out.operationBar.y);
    m_operationBar->LayoutFrame();
  }
  m_scene.InvalidateAll();
}

void CTableBars::FrameBars() {
  // The frames' pictures changed in place; handing the bar the other layout object of its pair
  // makes it build its pieces again from them, keeping its buttons.
  m_layoutFlip = !m_layoutFlip;
  if (m_operationBar != nullptr) {
    const bool shown = m_operationBar->IsVisible() != 0;
    m_operationBar->Resize(ACTION_BUTTONS, m_layoutFlip ? &m_operationLayout2 : &m_operationLayout, 0, nullptr);
    if (shown) m_operationBar->Show();
  }
  if (m_systemBar != nullptr) {
    m_systemBar->Resize(SYSTEM_BUTTONS, m_layoutFlip ? &m_systemLayout2 : &m_systemLayout, 0, nullptr);
  }
}

void CTableBars::OnGameStart() {
  if (m_hooks.isLookOn && m_hooks.isLookOn() && (!m_hooks.seeHandOffered || m_hooks.seeHandOffered()))
    ShowSeeHandButton(true);
  if (m_music) {
    // The switch says the music played when the table was left: it starts again.
    m_music = 0;
    ToggleMusic();
  }
}

void CTableBars::OnShutdown() {
  const std::string ini = Ini();
  if (ini.empty()) return;
  char value[16];
  std::snprintf(value, sizeof value, "%d", m_styleIndex);
  WritePrivateProfileStringA("SKIN", "Default", value, ini.c_str());
  std::snprintf(value, sizeof value, "%d", m_music);
  WritePrivateProfileStringA("GAMESET", "Music", value, ini.c_str());
}

void CTableBars::Forget() {
  m_systemBar = nullptr;
  m_operationBar = nullptr;
  for (auto& b : m_system) b = nullptr;
  for (auto& b : m_actionButtons) b = nullptr;
  m_seeHand = nullptr;
  m_arrowId = m_noteId = m_handId = 0;
  for (auto& id : m_sparkIds) id = 0;
  m_built = false;
}

ControlRecord* CTableBars::ActionButton(uint32_t code) const {
  for (int i = 0; i < ACTION_BUTTONS; ++i)
    if (ACTION_SPECS[i].code == code) return m_actionButtons[i];
  return nullptr;
}

bool CTableBars::AdoptActionButton(uint32_t code, ControlRecord* control) {
  if (m_operationBar == nullptr || m_operationBar->GetAnchor() == nullptr || control == nullptr) return false;
  // Without the bar's pictures its places have no width: the buttons would stand on each other.
  if (m_operationFrames[2].width <= 0) return false;
  for (int i = 0; i < ACTION_BUTTONS; ++i) {
    if (ACTION_SPECS[i].code != code) continue;
    ControlRecord* own = m_actionButtons[i];
    if (own == control) return true;
    const bool held = i < m_operationBar->GetSlotCount() && m_operationBar->GetButton(static_cast<uint32_t>(i)) == own;
    if (held && own != nullptr) m_operationBar->OffButton(static_cast<uint32_t>(i));
    // The bar's own picture stays out of sight; the world deletes it with the others.
    if (own != nullptr) m_scene.ShowControl(own, 0);
    m_actionButtons[i] = control;
    if (held || i < m_operationBar->GetSlotCount()) m_operationBar->OnButton(static_cast<uint32_t>(i), control);
    return true;
  }
  return false;
}

bool CTableBars::HoldsActionButton(uint32_t code) {
  if (m_operationBar == nullptr || m_operationBar->GetAnchor() == nullptr) return false;
  for (int i = 0; i < ACTION_BUTTONS && i < m_operationBar->GetSlotCount(); ++i) {
    if (ACTION_SPECS[i].code != code) continue;
    return m_actionButtons[i] != nullptr && m_operationBar->GetButton(static_cast<uint32_t>(i)) == m_actionButtons[i];
  }
  return false;
}

Entity* CTableBars::NoteBoard() const { return m_noteId ? m_scene.GetWorldRef().FindEntity(m_noteId) : nullptr; }
Entity* CTableBars::HandCursor() const { return m_handId ? m_scene.GetWorldRef().FindEntity(m_handId) : nullptr; }

bool CTableBars::OnCommand(const Event& event) {
  const uint32_t code = event.code;
  if (code >= CMD_SEE_HAND && code <= CMD_READY_RANDOM && code != CMD_BUTTON_ENTER && m_hooks.resetTimeouts)
    m_hooks.resetTimeouts();
  switch (code) {
    case CMD_SEE_HAND:
      AskToSeeHand();
      return true;
    case CMD_CHI:
    case CMD_PENG:
    case CMD_GANG:
    case CMD_HU:
    case CMD_PASS:
      if (m_hooks.playButton) m_hooks.playButton(code);
      return true;
    case CMD_MUSIC:
      ToggleMusic();
      return true;
    case CMD_STYLE:
      SwitchStyle();
      return true;
    case CMD_SORT:
      SortHandAnimated();
      return true;
    case CMD_MANAGED:
    case CMD_MANAGED_CLICK:
    case CMD_MANAGED_RPRESS:
      if (m_hooks.toggleManaged) m_hooks.toggleManaged();
      return true;
    case CMD_BUTTON_ENTER: {
      if (m_hooks.playSound) m_hooks.playSound(29011, 1);
      const auto* state = dynamic_cast<const InputStateObject*>(event.object);
      ControlRecord* c = state ? m_scene.GetWorldRef().FindControl(state->state.hoverControlKey) : nullptr;
      if (c != nullptr && c->entity != nullptr) c->entity->SetAlpha(1.0)->Refresh();
      return true;
    }
    case CMD_SCREENSHOT:
      SaveScreenshot();
      return true;
    case CMD_CHANGE_TABLE:
    case CMD_READY_RANDOM:
      // No control of this table raises them.
      return true;
    case CMD_BAR_ENTER:
      if (m_systemBar != nullptr && !m_barOut && m_scene.IsMouseOverEntity(m_systemBar->GetAnchor()))
        SlideSystemBarOut();
      return true;
    case CMD_BAR_LEAVE:
      if (m_systemBar != nullptr && m_barOut && !m_scene.IsMouseOverEntity(m_systemBar->GetAnchor()))
        SlideSystemBarIn();
      return true;
    case CMD_BAR_SLID_IN:
      if (m_systemBar != nullptr && m_systemBar->IsVisible()) {
        Entity* arrow = m_scene.FindEntity(m_arrowId);
        Entity* anchor = m_systemBar->GetAnchor();
        if (arrow != nullptr && anchor != nullptr) {
          m_scene.MoveEntity(arrow, m_systemFrames[1].width / 2, anchor->GetY());
          m_scene.ShowEntity(arrow, 1);
        }
      }
      return true;
    case CMD_TIP: {
      const auto* text = dynamic_cast<const TextObject*>(event.object);
      ShowNoteBoard(text != nullptr ? text->Text().c_str() : "");
      return true;
    }
    case CMD_TIP_END:
      HideNoteBoard();
      return true;
    case CMD_SORT_END:
      FinishSort();
      return true;
    case CMD_DIALECT:
      ToggleDialect();
      return true;
    default:
      return false;
  }
}

bool CTableBars::OnTimer(uintptr_t id) {
  if (id != SEE_HAND_TIMER) return false;
  if (m_hooks.killTimer) m_hooks.killTimer(SEE_HAND_TIMER);
  if (m_seeHand != nullptr) m_scene.SetControlHighlight(m_seeHand, 1);
  return true;
}

void CTableBars::SlideSystemBarIn() {
  if (m_systemBar == nullptr || m_systemBar->GetAnchor() == nullptr) return;
  m_barOut = false;
  if (!m_slides) {
    m_systemBar->Show();
    return;
  }
  m_systemBar->Show();
  m_scene.StartMove(m_systemBar->GetAnchor(), m_slideKey, m_barIn.x, m_barIn.y, 50, 30, CMD_BAR_SLID_IN, nullptr, 0);
}

void CTableBars::SlideSystemBarOut() {
  if (m_systemBar == nullptr || m_systemBar->GetAnchor() == nullptr) return;
  m_barOut = true;
  m_systemBar->Show();
  if (!m_slides) return;
  if (Entity* arrow = m_scene.FindEntity(m_arrowId)) m_scene.ShowEntity(arrow, 0);
  Entity* anchor = m_systemBar->GetAnchor();
  m_scene.StartMove(anchor, m_slideKey, anchor->GetWidth() / 2, m_barIn.y, 50, 30, 0, nullptr, 0);
}

bool CTableBars::IsMouseOverBars() {
  for (BUTTONFRAME* bar : {m_systemBar, m_operationBar}) {
    Entity* anchor = bar != nullptr ? bar->GetAnchor() : nullptr;
    if (anchor != nullptr && anchor->IsVisible() && m_scene.IsMouseOverEntity(anchor)) return true;
  }
  for (AdvancedButton* b : m_system) {
    Entity* plane = b != nullptr ? b->GetPlane() : nullptr;
    if (plane != nullptr && plane->IsVisible() && m_scene.IsMouseOverEntity(plane)) return true;
  }
  Entity* seeHand = m_seeHand != nullptr ? m_seeHand->entity : nullptr;
  return seeHand != nullptr && seeHand->IsVisible() && m_scene.IsMouseOverEntity(seeHand);
}

void CTableBars::ShowOperationBar(bool show) {
  if (m_operationBar == nullptr || m_operationBar->GetAnchor() == nullptr) return;
  if (show) {
    m_operationBar->Show();
  } else {
    m_operationBar->Hide();
  }
}

void CTableBars::ShowSeeHandButton(bool show) {
  if (m_seeHand != nullptr) m_scene.ShowControl(m_seeHand, show ? 1 : 0);
}

void CTableBars::ToggleMusic() {
  GameSound& sound = m_scene.GetWorldRef().GetSound();
  if (sound.IsMusicOpen() && sound.IsMusicPlaying()) {
    sound.CloseMusic();
    m_music = 0;
    return;
  }
  // The music of the style in use.
  const std::string folder = std::string(GetModuleFolder()) + "sound\\" + m_styles[m_styleIndex] + "\\";
  sound.SetSoundFolder(folder.c_str());
  sound.OpenMusic("default.mp3");
  sound.PlayMusic();
  m_music = 1;
}

bool CTableBars::SwitchStyle() {
  const int next = NextStyle(m_styleIndex, m_styles);
  if (next < 0) return false;
  if (!m_hooks.loadStyle || !m_hooks.loadStyle(m_styles[next])) {
    Log("the style " + m_styles[next] + " could not be loaded; the table keeps " + m_styles[m_styleIndex]);
    return false;
  }
  m_styleIndex = next;
  LoadBarPictures(m_styles[next]);
  FrameBars();
  if (m_built) Layout(m_metrics);
  m_scene.InvalidateAll();
  GameSound& sound = m_scene.GetWorldRef().GetSound();
  if (sound.IsMusicOpen() && sound.IsMusicPlaying()) {
    ToggleMusic();
    ToggleMusic();
  }
  // The hovered button's hint goes away with the old look.
  m_scene.GetWorldRef().PostEvent(CMD_TIP_END, nullptr);
  return true;
}

void CTableBars::SortHandAnimated() {
  if (m_hooks.isLookOn && m_hooks.isLookOn()) return;
  if (m_sortKey != 0 && m_scene.HasApplyKey(m_sortKey)) return;
  if (m_hooks.handBusy && m_hooks.handBusy()) return;
  if (m_hooks.playSound) m_hooks.playSound(29108, 0x11);
  const CTileTable& tiles = m_model.Tiles();
  const int last = FindLastStandingTile(tiles, SIDE_OWN);
  Entity* cursor = HandCursor();
  if (last < 0) return;
  if (cursor == nullptr) {
    FinishSort();
    return;
  }
  // The hand sweeps from one tile right of the last standing tile to the drawn place.
  const CTableMetrics& metrics = m_metrics;
  RECT area{};
  metrics.GetHandArea(SIDE_OWN, &area);
  const int w = metrics.Metric(METRIC_LARGE_WIDTH), h = metrics.Metric(METRIC_LARGE_HEIGHT);
  const MJTile* t = tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, last);
  // The cursor's left edge: one tile right of the far end of the standing row, and at the end
  // the drawn place. Where the hand's pictures stand, they give both ends of the row.
  int fromLeft = area.left + t->x + w;
  const MJTile* drawn = tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, CTileTable::DRAWN_PLACE);
  int toLeft = area.left + drawn->x;
  if (m_hooks.ownTilePicture) {
    int leftmost = INT_MAX, rightmost = INT_MIN;
    for (int i = CTileTable::FIRST_STANDING; i <= last; ++i) {
      const MJTile* r = tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, i);
      if (!r->present || !r->standing || r->meldKind != 0) continue;
      const Entity* picture = m_hooks.ownTilePicture(i);
      if (picture == nullptr) continue;
      leftmost = std::min(leftmost, picture->GetX() - w / 2);
      rightmost = std::max(rightmost, picture->GetX() + w / 2);
    }
    if (leftmost != INT_MAX) {
      fromLeft = leftmost + w;
      const Entity* drawnPicture = drawn->present ? m_hooks.ownTilePicture(CTileTable::DRAWN_PLACE) : nullptr;
      toLeft = drawnPicture != nullptr ? drawnPicture->GetX() - w / 2 : rightmost + DRAWN_GAP;
    }
  }
  cursor->SetSize(3 * w, h);
  cursor->SetAlpha(1.0);
  const int y = area.top + t->y + h / 4 + h / 2;
  m_scene.MoveEntity(cursor, fromLeft + 3 * w / 2, y);
  m_scene.ShowEntity(cursor, 1);
  for (uint32_t id : m_sparkIds) {
    Entity* spark = id ? m_scene.FindEntity(id) : nullptr;
    if (spark == nullptr) continue;
    ParticleEntity::SetEmission(spark, static_cast<uint32_t>(4 * last), 10, new ParticleParams{});
    m_scene.StartParticles(spark, 0, 0, nullptr, 0);
  }
  m_scene.StartMove(cursor, m_sortKey, toLeft + 3 * w / 2, y, SWEEP_SPEED, SWEEP_INTERVAL, CMD_SORT_END,
                    nullptr, 0);
}

void CTableBars::FinishSort() {
  CTileTable& tiles = m_model.Tiles();
  const MJTile* drawn = tiles.GetTileRecord(MJ_ZONE_HAND, SIDE_OWN, CTileTable::DRAWN_PLACE);
  const bool withDrawn = drawn->present && drawn->standing;
  int joker1 = -1, substitute = 1;
  if (m_hooks.sortRule) m_hooks.sortRule(&joker1, &substitute);
  SortStandingTiles(tiles, SIDE_OWN, withDrawn, joker1, substitute, m_model.GetRuleFlags());
  m_scene.InvalidateAll();
  if (Entity* cursor = HandCursor()) m_scene.StartFade(cursor, -0.05, 0.0, 0, SWEEP_INTERVAL, 0, nullptr, 0, 0);
}

std::string CTableBars::SaveScreenshot() {
  const std::tm now = m_hooks.localTime ? m_hooks.localTime() : std::tm{};
  const std::string name = ScreenshotName(m_hooks.gameCode ? m_hooks.gameCode() : std::string(),
                                          m_hooks.userId ? m_hooks.userId() : 0, now);
  const std::string folder = std::string(GetModuleFolder()) + "temp";
  const std::string line = ::SaveScreenshot(folder, name, [this](const char* path) {
    if (m_hooks.capture) {
      m_hooks.capture(path);
    } else {
      CaptureScreenToJpeg(path, SCREENSHOT_QUALITY);
    }
  });
  if (m_hooks.addChat) m_hooks.addChat(line);
  return line;
}

void CTableBars::ToggleDialect() {
  const int on = m_hooks.dialect && m_hooks.dialect() ? 0 : 1;
  if (m_hooks.setDialect) m_hooks.setDialect(on);
  SetDialectLook(on);
  const std::string ini = Ini();
  if (ini.empty()) return;
  char value[16];
  std::snprintf(value, sizeof value, "%d", on);
  WritePrivateProfileStringA("GAMESET", "fangyan", value, ini.c_str());
}

void CTableBars::AskToSeeHand() {
  if (!(m_hooks.isLookOn && m_hooks.isLookOn())) return;
  if (m_hooks.seeHandAllowed && !m_hooks.seeHandAllowed()) return;
  // The button rests while a request is out: a press then finds its click unbound.
  if (m_seeHand != nullptr && m_seeHand->GetBinding(CTRL_EVENT_CLICK) == nullptr) return;
  if (m_hooks.playSound) m_hooks.playSound(29010, 5);
  if (m_hooks.setTimer) m_hooks.setTimer(SEE_HAND_TIMER, SEE_HAND_REST_MS);
  if (m_seeHand != nullptr) m_scene.SetControlHighlight(m_seeHand, 0);
  if (m_hooks.requestSeeHand) m_hooks.requestSeeHand();
  char line[256];
  std::snprintf(line, sizeof line, " <c=%d>请求%s给我看牌\r\n", 2906200,
                m_hooks.watchedName ? m_hooks.watchedName().c_str() : "");
  if (m_hooks.addChat) m_hooks.addChat(line);
}

void CTableBars::ShowNoteBoard(const char* text) {
  Entity* note = NoteBoard();
  if (note == nullptr) return;
  POINT mouse{};
  m_scene.GetMousePos(&mouse);
  const int w = note->GetWidth(), h = note->GetHeight();
  note->SetAlpha(0.0);
  m_scene.ShowEntity(note, 1);
  m_scene.MoveEntity(note, mouse.x, mouse.y - h / 2);
  PlaneEntity::Clear(note);
  ResourceFrame frame{};
  GameBase::GetResourceFrame(&frame, m_notePicture, 0);
  if (frame.resourceId != 0) PlaneEntity::DrawImage(note, 0, 0, frame, w, h, 0.0, 1.0, KEY);
  PlaneEntity::SetTextColor(note, 0xFF0000);
  PlaneEntity::DrawText(note, w / 4, h / 4, text != nullptr ? text : "");
  note->Refresh();
  m_scene.StartFade(note, 0.15, 0.8, 0, 0, 0, nullptr, 0, 0);
}

void CTableBars::HideNoteBoard() {
  if (Entity* note = NoteBoard()) m_scene.ShowEntity(note, 0);
}
