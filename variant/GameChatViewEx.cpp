#include "variant/GameChatViewEx.h"

IMPLEMENT_DYNCREATE(CGameChatViewEx, CMJGameChatView)

void CGameChatViewEx::OnInitialUpdate() {
  CMJGameChatView::OnInitialUpdate();
  if (GetDisplay().GetSafeHwnd() != nullptr) GetDisplay().SetBackgroundColor(FALSE, GAME_CHAT_BACK_COLOUR);
}
