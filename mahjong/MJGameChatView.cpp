#include "mahjong/MJGameChatView.h"

#include <string>

#include "framework/BodyReader.h"
#include "framework/GameFrameWnd.h"
#include "mahjong/MJGameApp.h"

IMPLEMENT_DYNCREATE(CMJGameChatView, CGameChatView)

BEGIN_MESSAGE_MAP(CMJGameChatView, CGameChatView)
  ON_MESSAGE(WM_PANE_UPDATE, OnMahjongPaneUpdate)
END_MESSAGE_MAP()

CMJGameChatView::CMJGameChatView() = default;

CMJGameChatView::~CMJGameChatView() = default;

void CMJGameChatView::OnInitialUpdate() {
  CGameChatView::OnInitialUpdate();
  auto* app = dynamic_cast<CMJGameApp*>(GetGameApp());
  if (app != nullptr && GetDisplay().GetSafeHwnd() != nullptr) {
    GetDisplay().SetBackgroundColor(FALSE, app->GetListBackColor());
  }
  SetFaceButtonIcon(IDI_CHAT_FACE_BUTTON);
  // The game's chat pane has the face button beside its input (the framework's pane leaves it
  // out until its game asks for it).
  ShowFaceButton(TRUE);
}

LRESULT CMJGameChatView::OnMahjongPaneUpdate(WPARAM wParam, LPARAM lParam) {
  CGameChatView::OnPaneUpdate(wParam, lParam);
  auto* app = dynamic_cast<CMJGameApp*>(GetGameApp());
  CGameInfo* info = app != nullptr ? app->GetGameInfo() : nullptr;
  if (info == nullptr) return 0;
  const std::string extra = info->GetExtraText();
  if (!extra.empty()) Append(extra.c_str());
  if (info->GetTableStatus() & 1) AppendRoundResult();
  return 0;
}

void CMJGameChatView::Append(const CString& text) {
  if (GetSafeHwnd() == nullptr || text.IsEmpty()) return;
  SendMessage(WM_CHAT_APPEND, reinterpret_cast<WPARAM>(static_cast<LPCSTR>(text)), 0);
}

CString CMJGameChatView::FormatGameStartedLine(LPCSTR name) {
  CString line;
  line.Format("<c=%d> %s 已经开始\r\n", CHAT_GREY, name != nullptr ? name : "");
  return line;
}

CString CMJGameChatView::FormatLookCardsLine(LPCSTR player, bool allowed, LPCSTR onlooker) {
  CString line;
  line.Format(" <c=%d>%s%s%s看牌 \r\n", CHAT_LOOK_COLOUR, player != nullptr ? player : "", allowed ? "允许" : "禁止",
              onlooker != nullptr ? onlooker : "");
  return line;
}

void CMJGameChatView::AddGameStartedLine(const BYTE* record, size_t length) {
  CBodyReader body(record, length);
  CGameApp* app = GetGameApp();
  if (app == nullptr || !body.Has(4)) return;
  Append(FormatGameStartedLine(app->GetPlayerDisplayName(body.Int(0))));
}

void CMJGameChatView::AddLookCardsLine(const BYTE* record, size_t length) {
  CBodyReader body(record, length);
  CGameApp* app = GetGameApp();
  if (app == nullptr || !body.Has(24)) return;
  Append(FormatLookCardsLine(app->GetPlayerName(body.Int(0)), body.Int(20) != 0, app->GetPlayerName(body.Int(16))));
}

void CMJGameChatView::AppendHandSummary() {
  auto* app = dynamic_cast<CMJGameApp*>(GetGameApp());
  CGameInfo* info = app != nullptr ? app->GetGameInfo() : nullptr;
  if (info != nullptr) Append(info->FormatHandSummary().c_str());
}

void CMJGameChatView::AppendRoundResult() {
  auto* app = dynamic_cast<CMJGameApp*>(GetGameApp());
  CGameInfo* info = app != nullptr ? app->GetGameInfo() : nullptr;
  if (info != nullptr) Append(info->FormatRoundResult().c_str());
}
