#include "variant/PlayerView.h"

#include <cstring>

#include "framework/GameApp.h"
#include "framework/GameConnection.h"
#include "mahjong/LookPermission.h"
#include "mahjong/MJGameChatView.h"
#include "variant/LeaveRequests.h"

IMPLEMENT_DYNCREATE(CPlayerView, CGamePlayerView)

BEGIN_MESSAGE_MAP(CPlayerView, CGamePlayerView)
  ON_MESSAGE(WM_POPUP_ANSWER, OnLookPermission)
  ON_COMMAND(ID_LOOK_PERMISSION, OnToggleLookPermission)
  ON_MESSAGE(WM_LEAVE_ANSWER, OnLeaveAnswer)
END_MESSAGE_MAP()

namespace {
CPlayerView::LeaveAnswerPopup& Popup() {
  static CPlayerView::LeaveAnswerPopup popup;
  return popup;
}
}  // namespace

void CPlayerView::SetLeaveAnswerPopup(LeaveAnswerPopup popup) { Popup() = std::move(popup); }

CPlayerView::CPlayerView() : CGamePlayerView(IDD_PLAYER_PANE_FORM) {}

CPlayerView::~CPlayerView() = default;

void CPlayerView::OnInitialUpdate() {
  CGamePlayerView::OnInitialUpdate();
  if (m_list.GetSafeHwnd() == nullptr) return;
  m_list.SetBkColor(PLAYER_PANE_BACK_COLOUR);
  m_list.SetTextBkColor(PLAYER_PANE_BACK_COLOUR);
}

void CPlayerView::UpdateLookMenuItem(int row, COwnerDrawMenu* menu, CMenu* popup) {
  ApplyLookMenuItem(*this, menu, popup, row, m_selectedUser);
}

void CPlayerView::OnToggleLookPermission() {
  if (m_list.FindItemByData(static_cast<DWORD>(m_selectedUser)) < 0) return;
  SendMessage(WM_POPUP_ANSWER, static_cast<WPARAM>(m_selectedUser), IsInLookMap(m_selectedUser) ? 0 : 1);
}

LRESULT CPlayerView::OnLookPermission(WPARAM wParam, LPARAM lParam) {
  ChangeLookPermission(*this, static_cast<int>(wParam), lParam != 0 ? 1 : 0);
  return 0;
}

void CPlayerView::ShowLeaveAnswer(int askerUserId, const char* reason64) {
  char reason[LEAVE_REASON_BYTES] = {};
  if (reason64 != nullptr) std::memcpy(reason, reason64, LEAVE_REASON_BYTES);
  reason[LEAVE_REASON_BYTES - 1] = '\0';
  if (Popup()) Popup()(*this, askerUserId, reason);
}

CString CPlayerView::FormatLeaveAnswerLine(LPCSTR answerer, bool agree, LPCSTR asker) {
  CString line;
  line.Format(" <c=%d>%s%s%s的退出请求 \r\n", CHAT_LOOK_COLOUR, answerer != nullptr ? answerer : "",
              agree ? "答应" : "拒绝", asker != nullptr ? asker : "");
  return line;
}

LRESULT CPlayerView::OnLeaveAnswer(WPARAM wParam, LPARAM lParam) {
  CGameApp* app = GetGameApp();
  if (app == nullptr) return 0;
  const int asker = static_cast<int>(wParam);
  const bool agree = lParam != 0;
  app->AddChatText(FormatLeaveAnswerLine(app->GetPlayerName(app->GetUserID()), agree, app->GetPlayerName(asker)));
  CGameConnection* connection = app->GetConnection();
  if (connection == nullptr) return 0;
  RequestContext context;
  context.userId = app->GetUserID();
  context.gameId = app->GetGameId();
  context.roomId = app->GetRoomID();
  context.tableNo = app->GetTableNO();
  context.chair = app->GetChairNO();
  context.lookOn = app->IsLookOn();
  RequestBody body = MakeLeaveReplyBody(context, asker, agree);
  CString text;
  int length = static_cast<int>(body.size());
  int result = 0;
  BYTE* reply = nullptr;
  connection->SendRequest(text, REQ_LEAVE_REPLY, &length, body.data(), &result, &reply, 1);
  delete[] reply;
  return 0;
}
