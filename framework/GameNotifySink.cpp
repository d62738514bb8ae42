#include "framework/GameNotifySink.h"

#include <string>

#include "framework/BodyReader.h"
#include "framework/GameApp.h"
#include "framework/GameConnection.h"
#include "framework/GameFrameWnd.h"
#include "framework/HallRecords.h"
#include "framework/NotifyBodies.h"
#include "framework/SharedHelpers.h"
#include "net/NetLog.h"

namespace {

CGameFrameWnd* Frame() {
  CGameApp* app = GetGameApp();
  return app != nullptr ? app->GetGameFrame() : nullptr;
}

CTablePaneHooks* Table() { return Frame() != nullptr ? Frame()->GetTableView() : nullptr; }
CChatPaneHooks* Chat() { return Frame() != nullptr ? Frame()->GetChatView() : nullptr; }
CPlayerPaneHooks* Players() { return Frame() != nullptr ? Frame()->GetPlayerView() : nullptr; }

constexpr int SOUND_CALLED = 29012;

}  // namespace

int CGameNotifySink::OnNotify(int code, const BYTE* data, size_t length) {
  if (data == nullptr) length = 0;
  const size_t needed = NotifyMinimumLength(code);
  if (length < needed) {
    LogPrintf("notification %d refused: %u of %u bytes", code, static_cast<unsigned>(length),
              static_cast<unsigned>(needed));
    return 0;
  }
  switch (code) {
    case NOTIFY_SYSTEM_TEXT: OnSystemText(data, length); break;
    case NOTIFY_PLAYER_CALLED: OnPlayerCalled(data, length); break;
    case NOTIFY_CHAT_MESSAGE: OnChatMessage(data, length); break;
    case NOTIFY_TABLE_CLOSED: OnTableClosed(data, length); break;
    case NOTIFY_PLAYER_LEFT: OnPlayerLeft(data, length); break;
    case NOTIFY_PLAYER_SEATED: OnPlayerSeated(data, length); break;
    case NOTIFY_ONLOOKER_LEFT: OnOnlookerLeft(data, length); break;
    case NOTIFY_HALL_FORWARD: OnHallForward(data, length); break;
    case NOTIFY_RANDOM_SEATED: OnRandomSeated(data, length); break;
    case NOTIFY_PLAYERS_UPDATED: OnPlayersUpdated(data, length); break;
    case NOTIFY_SILVER_SHORT: OnSilverShort(data, length); break;
    case NOTIFY_SCORE_SHORT: OnScoreShort(data, length); break;
    case NOTIFY_SCORE_OVER_LIMIT: OnScoreOverLimit(data, length); break;
    case NOTIFY_PLAYER_ROUNDS_OVER: OnPlayerRoundsOverLimit(data, length); break;
    case NOTIFY_TABLE_ROUNDS_OVER: OnTableRoundsOverLimit(data, length); break;
    case NOTIFY_OUTSIDE_OPEN_HOURS: OnOutsideOpenHours(data, length); break;
    case NOTIFY_SERVER_MESSAGE: OnServerMessage(data, length); break;
    case NOTIFY_CHAT_NOTICE: OnChatNotice(data, length); break;
    case NOTIFY_ROUND_RESULTS: OnRoundResults(data, length); break;
    case NOTIFY_BASE_SILVER: OnBaseSilverNotice(data, length); break;
    case NOTIFY_CLOTHING_CHANGED: OnClothingChanged(data, length); break;
    case NOTIFY_MEMBER_CHANGED: OnMemberChanged(data, length); break;
    case NOTIFY_MOVED_TO_TABLE: OnMovedToTable(data, length); break;
    case NOTIFY_AMULET_USED: OnAmuletUsed(data, length); break;
    case NOTIFY_NAMES_CHANGED: OnNamesChanged(data, length); break;
    case NOTIFY_TABLE_NOTICE: OnTableNotice211920(data, length); break;
    case NOTIFY_LOTTERY_STATE: OnLotteryState(data, length); break;
    case NOTIFY_LOTTERY_STATE2: OnLotteryState2(data, length); break;
    case NOTIFY_LOTTERY_DRAW: OnLotteryDraw(data, length); break;
    case NOTIFY_LOTTERY_BROADCAST: OnLotteryBroadcast(data, length); break;
    default: return 0;
  }
  return 1;
}

void CGameNotifySink::ShowEndingBox(const char* text, int seconds, int extraHeight) {
  if (AfxGetMainWnd() == nullptr) return;
  BoxOptions options;
  options.extraHeight = extraHeight;
  GetGameApp()->ShowMessageModeless(text, "确定", "取消", seconds, BOX_STYLE_INFO_CANCEL, options);
}

void CGameNotifySink::OnSystemText(const BYTE* data, size_t length) {
  if (Table()) Table()->OnSystemText(data, length);
  if (Players()) Players()->OnSystemText(data, length);
  if (Chat()) Chat()->OnSystemText(data, length);
}

void CGameNotifySink::OnPlayerCalled(const BYTE* data, size_t length) {
  if (Chat()) Chat()->OnPlayerCalled(data, length);
  CGameApp* app = GetGameApp();
  if (CBodyReader(data, length).Int(16) == app->GetUserID()) app->PlaySound(SOUND_CALLED, 1);
}

void CGameNotifySink::OnChatMessage(const BYTE* data, size_t length) {
  if (Chat()) Chat()->OnChatLine(data, length);
}

void CGameNotifySink::OnChatNotice(const BYTE* data, size_t length) {
  if (Chat()) Chat()->OnChatNotice(data, length);
}

void CGameNotifySink::OnTableClosed(const BYTE* data, size_t length) {
  CGameApp* app = GetGameApp();
  if (Frame()) Frame()->SetTableOpen(FALSE);
  if (Table()) Table()->ResetTable();
  app->ShowWait(nullptr, FALSE);
  app->CloseConnection();
}

void CGameNotifySink::OnPlayerLeft(const BYTE* data, size_t length) {
  CGameApp* app = GetGameApp();
  if (app->IsPlaying()) return;
  CBodyReader body(data, length);
  const int userId = body.Int(0);
  const int chair = body.Int(4);
  PlayerRecord* record = app->FindPlayer(userId);
  if (record == nullptr || record->tableNo != body.Int(28) || record->chair != chair) return;
  if (Chat()) Chat()->OnPlayerLeft(*record);
  if (Players()) Players()->DeleteRow(*record);
  if (Table()) Table()->OnPlayerLeft(*record);
  if (app->IsLookOn() && app->GetChairNO() == chair) {
    CString text;
    text.Format("%s 已经离开，旁观结束。", static_cast<LPCSTR>(app->GetSeatPlayerDisplayName(chair)));
    ShowEndingBox(text, 30);
  }
  record->Clear();
}

void CGameNotifySink::OnPlayerSeated(const BYTE* data, size_t length) {
  CGameApp* app = GetGameApp();
  if (app->IsPlaying()) return;
  PlayerRecord* seat = app->Tables().SeatFromWire(data, length);
  if (seat == nullptr) return;
  app->LoadPortrait(seat->portraitId);
  if (Chat()) Chat()->OnPlayerEntered(*seat);
  if (Players()) Players()->AddPlayerRow(*seat);
  if (Table()) Table()->OnPlayerSeated(*seat);
}

void CGameNotifySink::OnOnlookerLeft(const BYTE* data, size_t length) {
  PlayerRecord* record = GetGameApp()->FindPlayer(CBodyReader(data, length).Int(0));
  if (record == nullptr) return;
  if (Chat()) Chat()->OnOnlookerLeft(*record);
  if (Players()) {
    Players()->RemovePlayerRow(*record);
  } else {
    record->Clear();
  }
}

void CGameNotifySink::OnHallForward(const BYTE* data, size_t length) {
  CGameApp* app = GetGameApp();
  CWnd* main = AfxGetMainWnd();
  PostMessageA(app->GetHallWindow(), WM_HALL_FORWARD_NOTICE,
               reinterpret_cast<WPARAM>(main != nullptr ? main->GetSafeHwnd() : nullptr),
               CBodyReader(data, length).Int(0));
}

void CGameNotifySink::OnRandomSeated(const BYTE* data, size_t length) {
  CGameApp* app = GetGameApp();
  TableDataTail tail;
  if (!app->Tables().LoadRandomTable(data, length, &tail)) return;
  app->LoadSeatPortraits();
  if (Chat()) Chat()->OnRandomSeated(data, length);
  if (Players()) Players()->ReloadSeats(data, length);
  if (Table()) Table()->OnRandomSeated(data, length);
  OnRandomSeatedExtra(tail.data, tail.length);
}

void CGameNotifySink::OnPlayersUpdated(const BYTE* data, size_t length) {
  if (!GetGameApp()->Tables().UpdateScores(data, length)) return;
  if (Players()) Players()->UpdateResultCells(data, length);
}

void CGameNotifySink::OnSilverShort(const BYTE* data, size_t length) {
  CString text;
  text.Format("%s的银子不够了，这一桌游戏结束。",
              static_cast<LPCSTR>(GetGameApp()->GetPlayerName(CBodyReader(data, length).Int(0))));
  ShowEndingBox(text, 30);
}

void CGameNotifySink::OnScoreShort(const BYTE* data, size_t length) {
  CString text;
  text.Format("%s的积分不够了，这一桌游戏结束。",
              static_cast<LPCSTR>(GetGameApp()->GetPlayerName(CBodyReader(data, length).Int(0))));
  ShowEndingBox(text, 30);
}

void CGameNotifySink::OnScoreOverLimit(const BYTE* data, size_t length) {
  CString text;
  text.Format("%s的积分超出限制，这一桌游戏结束。",
              static_cast<LPCSTR>(GetGameApp()->GetPlayerName(CBodyReader(data, length).Int(0))));
  ShowEndingBox(text, 30);
}

void CGameNotifySink::OnPlayerRoundsOverLimit(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  CString text;
  text.Format("%s的总局数超出限制(%d局)，这一桌游戏结束。",
              static_cast<LPCSTR>(GetGameApp()->GetPlayerName(body.Int(0))), body.Int(12));
  ShowEndingBox(text, 30);
}

void CGameNotifySink::OnTableRoundsOverLimit(const BYTE* data, size_t length) {
  CString text;
  text.Format("这一桌的局数超出限制(%d局)，游戏结束。", CBodyReader(data, length).Int(8));
  ShowEndingBox(text, 30);
}

void CGameNotifySink::OnOutsideOpenHours(const BYTE* data, size_t length) {
  int periods = 0;
  std::string text = FormatOpenHoursText(CBodyReader(data, length), &periods);
  ShowEndingBox(text.c_str(), 60, ScaleByDpiY(12) * periods);
}

void CGameNotifySink::OnServerMessage(const BYTE* data, size_t length) {
  std::string text = CBodyReader(data, length).Text(8, length - 8 + 1);
  ShowEndingBox(text.c_str(), 60);
}

void CGameNotifySink::OnRoundResults(const BYTE* data, size_t length) {
  CGameApp* app = GetGameApp();
  if (CGameConnection* connection = app->GetConnection()) connection->Disconnect();
  std::string message;
  std::string link;
  SplitRoundResults(CBodyReader(data, length), &message, &link);
  app->ShowMessageModelessLink(message.c_str(), "查看成绩", "退出", link.c_str(), 1, 60, BOX_STYLE_INFO_CANCEL);
}

void CGameNotifySink::OnBaseSilverNotice(const BYTE* data, size_t length) {
  CBodyReader body(data, length);
  if (body.Int(8) == 0 || GetGameApp()->GetSeatUserID(body.Int(4)) == 0) return;
  if (Players()) Players()->OnBaseSilver(data, length);
  if (Chat()) Chat()->OnBaseSilverNotice(data, length);
  if (Table()) Table()->OnBaseSilverNotice(data, length);
}

void CGameNotifySink::OnClothingChanged(const BYTE* data, size_t length) {
  if (GetGameApp()->SetPlayerClothing(data, length) != 1) return;
  if (Table()) Table()->OnClothingChanged(data, length);
  if (Players()) Players()->OnClothingChanged(data, length);
  if (Chat()) Chat()->OnClothingChanged(data, length);
}

void CGameNotifySink::OnMemberChanged(const BYTE* data, size_t length) {
  if (GetGameApp()->SetPlayerMember(data, length) != 1) return;
  if (Table()) Table()->OnMemberChanged(data, length);
  if (Players()) Players()->OnMemberChanged(data, length);
  if (Chat()) Chat()->OnMemberChanged(data, length);
}

void CGameNotifySink::OnMovedToTable(const BYTE* data, size_t length) {
  CGameApp* app = GetGameApp();
  if (app->IsPlaying()) return;
  if (!app->LoadMovedTable(data, length)) return;
  app->LoadSeatPortraits();
  if (Chat()) Chat()->OnMovedToTable(data, length);
  if (Table()) Table()->OnMovedToTable(data, length);
  if (Players()) Players()->ReloadSeats2(data, length);
}

void CGameNotifySink::OnAmuletUsed(const BYTE* data, size_t length) {
  if (Chat()) Chat()->OnAmuletUsed(data, length);
  if (Table()) Table()->OnAmuletUsed(data, length);
}

void CGameNotifySink::OnNamesChanged(const BYTE* data, size_t length) {
  GetGameApp()->UpdateSeatNames(data, length);
  if (Chat()) Chat()->OnNamesChanged(data, length);
  if (Table()) Table()->OnNamesChanged(data, length);
}

void CGameNotifySink::OnTableNotice211920(const BYTE* data, size_t length) {
  if (Table()) Table()->OnTableNotice211920(data, length);
}

void CGameNotifySink::OnLotteryState(const BYTE* data, size_t length) {
  if (Table()) Table()->OnLotteryState(data, length);
  if (Players()) Players()->OnLotteryState(data, length);
  if (Chat()) Chat()->OnLotteryState(data, length);
}

void CGameNotifySink::OnLotteryState2(const BYTE* data, size_t length) {
  if (Table()) Table()->OnLotteryState2(data, length);
  if (Players()) Players()->OnLotteryState2(data, length);
  if (Chat()) Chat()->OnLotteryState2(data, length);
}

void CGameNotifySink::OnLotteryDraw(const BYTE* data, size_t length) {
  if (Table()) Table()->OnLotteryDraw(data, length);
  if (Players()) Players()->OnLotteryDraw(data, length);
  if (Chat()) Chat()->OnLotteryDraw(data, length);
}

void CGameNotifySink::OnLotteryBroadcast(const BYTE* data, size_t length) {
  if (Table()) Table()->OnLotteryBroadcast(data, length);
  if (Players()) Players()->OnLotteryBroadcast(data, length);
  if (Chat()) Chat()->OnLotteryBroadcast(data, length);
}
