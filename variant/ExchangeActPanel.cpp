#include "variant/ExchangeActPanel.h"

#include <cstdio>

#include "engine/EngineEvent.h"
#include "engine/EngineUtil.h"
#include "engine/Entity.h"
#include "engine/GameBase.h"
#include "engine/InputDispatcher.h"
#include "engine/PlaneEntity.h"
#include "engine/ScriptValue.h"
#include "engine/World.h"

const std::array<int, EXCHANGE_PRIZE_COUNT> EXCHANGE_PRIZE_PRICES = {
    8500, 6700, 5300, 2300, 370, 650, 1200, 2300, 3700, 650, 1200, 2300, 3700, 370, 370, 650, 650, 1200};

const std::array<const char*, EXCHANGE_PRIZE_COUNT> EXCHANGE_PRIZE_NAMES = {
    "液晶电视一台",     "双门冰箱一台",     "滚筒洗衣机一台",   "微波炉一台",       "10元手机充值卡",
    "20元手机充值卡",   "50元手机充值卡",   "100元手机充值卡",  "200元手机充值卡",  "20元游戏点卡",
    "50元游戏点卡",     "100元游戏点卡",    "200元游戏点卡",    "形象服装一个月",   "形象饰品一个月",
    "形象服装一季度",   "形象饰品一季度",   "会员资格一个月"};

const std::array<const char*, EXCHANGE_PRIZE_COUNT> EXCHANGE_PRIZE_SHORT_NAMES = {
    "液晶电视", "冰箱",     "洗衣机",   "微波炉",   "10元话费", "20元话费", "50元话费", "100元话费", "200元话费",
    "20元点卡", "50元点卡", "100元点卡", "200元点卡", "服装(月)", "饰品(月)", "服装(季)", "饰品(季)", "会员(月)"};

namespace {

constexpr int PANEL_LAYER = 4;
constexpr uint32_t KEY = 0xff00ff;
constexpr int32_t OFF_SCREEN = -100000;
constexpr uint32_t CONTROL_LINK = 0x1C06F;
constexpr uint32_t PRIZE_LINK = 0x18023;
constexpr int32_t BUTTON_LEVEL = 110011;
// The x of each prize's long name, set for the name's length.
constexpr int NAME_X[EXCHANGE_PRIZE_COUNT] = {66, 218, 66, 212, 55, 194, 53, 194, 50, 194, 55, 194, 50, 196, 58, 196, 58, 210};

int PrizeX(int k) { return k % 2 == 0 ? 100 : 240; }
int PrizeY(int k) { return k % 4 < 2 ? 124 : 255; }

PictureButton* MakeButton(GameBase& game, Entity* plane, const char* name, uint32_t code, int dx, int dy,
                          uint32_t linkFlags) {
  auto* b = new PictureButton();
  game.GetWorldRef().RegisterControlObject(b);
  b->CreateFromName(name, code, nullptr, 0);
  Entity* picture = b->GetPicture();
  if (picture == nullptr) return b;
  b->SetSoundNames(ScriptValue("29010"), ScriptValue("29011"), ScriptValue());
  b->SetFlags(4);
  b->SetLevel(BUTTON_LEVEL);
  b->MoveTo(OFF_SCREEN + dx, OFF_SCREEN + dy);
  if (plane != nullptr) game.LinkEntities(plane, picture, linkFlags);
  return b;
}

// Draws a named frame of the package over the whole plane, its key colour left clear.
void DrawFrame(Entity* plane, const char* name) {
  ResourceFrame frame{};
  GameBase::GetResourceFrameByName(&frame, name, 0);
  if (frame.resourceId != 0) PlaneEntity::DrawImage(plane, 0, 0, frame, frame.width, frame.height, 0.0, 1.0, KEY);
}

void Write(Entity* plane, int x, int y, const std::string& text) { PlaneEntity::DrawText(plane, x, y, text.c_str()); }

}  // namespace

CExchangeActPanel::CExchangeActPanel(GameBase& game, const ExchangeTable& table) : m_game(game), m_message(table.message) {
  m_popup.SetTable(table);
  m_game.SetResourceFolder("skins\\Common");
  const std::string package = std::string(GetModuleFolder()) + "skins\\Common\\ExchangeAct.xyr";
  m_game.LoadPackage(package.c_str(), 1, nullptr);
}

CExchangeActPanel::~CExchangeActPanel() = default;

PictureButton* CExchangeActPanel::NewButton(const char* name, uint32_t code, int dx, int dy, uint32_t linkFlags) {
  return MakeButton(m_game, m_plane, name, code, dx, dy, linkFlags);
}

void CExchangeActPanel::OnAttached() {
  m_plane = m_game.CreatePlane(PANEL_LAYER, OFF_SCREEN, OFF_SCREEN, EXCHANGE_PANEL_WIDTH, EXCHANGE_PANEL_HEIGHT, KEY, "");
  if (m_plane == nullptr) return;
  m_plane->SetLevel(110010);
  Bind(m_plane);
  // The panel is dragged by any point of its plane.
  BindOwnEvent(CTRL_EVENT_LDRAG, CTRL_EVENT_LDRAG, nullptr);
  m_close = NewButton("btnCloseAct", CMD_EXCHANGE_CLOSE, 278, -216, CONTROL_LINK);
  for (int i = 0; i < EXCHANGE_PAGES; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "btnPage%d", i);
    m_pages[i] = NewButton(name, CMD_EXCHANGE_PAGE_FIRST + i, -154 + 20 * i, 173, CONTROL_LINK);
  }
  for (int k = 0; k < EXCHANGE_PRIZE_COUNT; ++k) {
    m_exchange[k] = NewButton("btnExchange", CMD_EXCHANGE_PRIZE_FIRST + k, PrizeX(k) - 289, PrizeY(k) - 103, PRIZE_LINK);
  }
  for (int k = 0; k < EXCHANGE_PRIZE_COUNT; ++k) {
    char name[24];
    std::snprintf(name, sizeof name, "bitPrizePic%d", k);
    ResourceFrame frame{};
    GameBase::GetResourceFrameByName(&frame, name, 0);
    if (frame.resourceId == 0) continue;
    Entity* picture = m_game.CreatePictureFromFrame(PANEL_LAYER, OFF_SCREEN + PrizeX(k) - 289, OFF_SCREEN + PrizeY(k) - 173,
                                                    frame, "", KEY);
    if (picture == nullptr) continue;
    picture->SetLevel(110012);
    m_game.LinkEntities(m_plane, picture, PRIZE_LINK);
    m_pictures[k] = picture;
  }
  MoveTo(m_game.GetViewWidth() / 2, m_game.GetViewHeight() / 2);
  Close();
}

void CExchangeActPanel::SetPrizeData(const uint8_t* record, size_t length) {
  if (record == nullptr) return;
  std::optional<PrizePage> page = ReadPrizePage(record, length);
  if (!page) return;
  m_prizes = *page;
  m_prizeDataReceived = 1;
}

void CExchangeActPanel::SetPage(int page) {
  if (page >= 0 && page < EXCHANGE_PAGES) m_page = page;
}

bool CExchangeActPanel::IsShown() const { return m_plane != nullptr && m_plane->IsVisible(); }

void CExchangeActPanel::Close() {
  for (Entity* p : m_pictures) {
    if (p != nullptr) m_game.ShowEntity(p, 0);
  }
  for (PictureButton* b : m_exchange) {
    if (b != nullptr) b->Hide();
  }
  Hide();
}

std::vector<std::string> CExchangeActPanel::LatestLines() const {
  std::vector<std::string> lines;
  for (const PrizePage::Exchange& e : m_prizes.latest) {
    // The first slot without a prize ends the list.
    if (!ValidPrize(e.prizeIndex)) break;
    lines.push_back(e.playerName + "成功兑换" + EXCHANGE_PRIZE_SHORT_NAMES[e.prizeIndex]);
  }
  return lines;
}

void CExchangeActPanel::ShowPage(int centre) {
  if (m_plane == nullptr) return;
  Close();
  PlaneEntity::Clear(m_plane);
  DrawFrame(m_plane, "picExchangeAct");
  PlaneEntity::SetFont(m_plane, 13, 400, "宋体");
  PlaneEntity::SetTextColor(m_plane, 0x666666);
  for (int j = 0; j < 4; ++j) {
    const int k = 4 * m_page + j;
    if (!ValidPrize(k)) break;
    Write(m_plane, NAME_X[k], j < 2 ? 223 : 355, EXCHANGE_PRIZE_NAMES[k]);
  }
  Write(m_plane, 366, 124, "在活动房间进行游戏的玩家，每");
  Write(m_plane, 340, 148, "局结束后都能获得若干兑换券，玩的");
  Write(m_plane, 340, 172, "越大，获得的越多。活动结束后，剩");
  Write(m_plane, 340, 196, "余的兑换券将以每张50两自动兑换成");
  Write(m_plane, 340, 220, "银子发放到保险箱。");
  PlaneEntity::SetFont(m_plane, 12, 400, "宋体");
  const std::vector<std::string> lines = LatestLines();
  for (size_t i = 0; i < lines.size(); ++i) Write(m_plane, 336, 311 + 24 * static_cast<int>(i), lines[i]);
  PlaneEntity::SetTextColor(m_plane, 0x006DFF);
  PlaneEntity::SetFont(m_plane, 16, 400, "宋体");
  Write(m_plane, 100, 420, m_tickets < 0 ? std::string("--") : std::to_string(m_tickets));
  Show();
  if (centre) MoveTo(m_game.GetViewWidth() / 2, m_game.GetViewHeight() / 2);
  m_plane->Refresh();
  for (int j = 0; j < 4; ++j) {
    const int k = 4 * m_page + j;
    if (!ValidPrize(k)) break;
    if (m_pictures[k] != nullptr) m_game.ShowEntity(m_pictures[k], 1);
    if (m_exchange[k] != nullptr) {
      m_exchange[k]->Show();
      m_exchange[k]->Enable(m_prizes.unavailable[k] ? 0 : 1);
    }
  }
  for (int i = 0; i < EXCHANGE_PAGES; ++i) {
    if (m_pages[i] != nullptr) m_pages[i]->Enable(i == m_page ? 0 : 1);
  }
}

void CExchangeActPanel::RefreshIfShown() {
  if (IsShown()) ShowPage(0);
}

void CExchangeActPanel::Exchange(int prize) {
  if (!ValidPrize(prize)) {
    if (m_message) m_message("对不起，兑换失败！");
    return;
  }
  if (m_tickets >= 0 && m_tickets < EXCHANGE_PRIZE_PRICES[prize]) {
    if (m_message) m_message("兑换券不够！");
    return;
  }
  OpenPrizePopup(m_popup, prize);
  Close();
}

int CExchangeActPanel::OnMessage(Event* message) {
  if (message == nullptr) return 1;
  const uint32_t code = message->code;
  if (code == CTRL_EVENT_LDRAG) {
    auto* state = dynamic_cast<InputStateObject*>(message->object);
    if (state != nullptr && IsShown()) MoveBy(state->state.dx, state->state.dy);
  } else if (code == CMD_EXCHANGE_CLOSE) {
    Close();
  } else if (code >= CMD_EXCHANGE_PAGE_FIRST && code <= CMD_EXCHANGE_PAGE_LAST) {
    m_page = static_cast<int>(code - CMD_EXCHANGE_PAGE_FIRST);
    RefreshIfShown();
  } else if (code >= CMD_EXCHANGE_PRIZE_FIRST && code <= CMD_EXCHANGE_PRIZE_LAST) {
    Exchange(static_cast<int>(code - CMD_EXCHANGE_PRIZE_FIRST));
  }
  return 1;
}

// ---------------------------------------------------------------------------------------------

PictureButton* CExchangeResultPanel::NewButton(const char* name, uint32_t code, int dx, int dy) {
  return MakeButton(m_game, m_plane, name, code, dx, dy, CONTROL_LINK);
}

void CExchangeResultPanel::OnAttached() {
  m_plane = m_game.CreatePlane(PANEL_LAYER, OFF_SCREEN, OFF_SCREEN, 578, 399, KEY, "");
  if (m_plane == nullptr) return;
  m_plane->SetLevel(110000);
  Bind(m_plane);
  BindOwnEvent(CTRL_EVENT_LDRAG, CTRL_EVENT_LDRAG, nullptr);
  m_close = NewButton("btnCloseAct", CMD_EXCHANGE_RESULT_CLOSE, 278, -190);
  m_sure = NewButton("btnSure", CMD_EXCHANGE_RESULT_CLOSE, -78, 150);
  m_continue = NewButton("btnContinueChange", CMD_EXCHANGE_CONTINUE, 78, 150);
  MoveTo(m_game.GetViewWidth() / 2, m_game.GetViewHeight() / 2);
  Hide();
}

bool CExchangeResultPanel::IsShown() const { return m_plane != nullptr && m_plane->IsVisible(); }

const char* CExchangeResultPanel::FailureText(int code) {
  switch (code) {
    case 2:
      return "您的兑换券不够！";
    case 3:
      return "该奖品已被兑换完！";
    case 4:
      return "活动已过期！";
    default:
      return "未知错误，请重试！";
  }
}

void CExchangeResultPanel::ShowFrame(const char* frame) {
  Hide();
  PlaneEntity::Clear(m_plane);
  DrawFrame(m_plane, frame);
}

void CExchangeResultPanel::ShowSucceeded() {
  if (m_plane == nullptr) return;
  ShowFrame("picExchangeSucceed");
  Show();
  MoveTo(m_game.GetViewWidth() / 2, m_game.GetViewHeight() / 2);
  m_plane->Refresh();
}

void CExchangeResultPanel::ShowFailed(int code) {
  if (m_plane == nullptr) return;
  ShowFrame("picExchangeFailed");
  PlaneEntity::SetFont(m_plane, 20, 400, "宋体");
  PlaneEntity::SetTextColor(m_plane, 0x666666);
  Write(m_plane, 122, 240, FailureText(code));
  Show();
  MoveTo(m_game.GetViewWidth() / 2, m_game.GetViewHeight() / 2);
  m_plane->Refresh();
}

int CExchangeResultPanel::OnMessage(Event* message) {
  if (message == nullptr) return 1;
  if (message->code == CTRL_EVENT_LDRAG) {
    auto* state = dynamic_cast<InputStateObject*>(message->object);
    if (state != nullptr && IsShown()) MoveBy(state->state.dx, state->state.dy);
  } else if (message->code == CMD_EXCHANGE_RESULT_CLOSE) {
    Hide();
  }
  return 1;
}
