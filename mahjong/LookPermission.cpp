#include "mahjong/LookPermission.h"

#include <cstdio>

#include "controls/OwnerDrawMenu.h"
#include "framework/GameFrameWnd.h"
#include "framework/GamePlayerView.h"
#include "mahjong/MJGameApp.h"
#include "mahjong/MJGameChatView.h"

LookMenuItem DecideLookMenuItem(bool rowIsOnlooker, bool selfLooksOn, int watchedChair, int ownChair, bool allowed,
                                const std::string& name) {
  LookMenuItem item;
  if (!rowIsOnlooker || selfLooksOn) return item;
  item.enabled = watchedChair == ownChair;
  item.retitled = true;
  char text[128];
  std::snprintf(text, sizeof text, allowed ? "禁止%s看牌" : "允许%s看牌", name.c_str());
  item.text = text;
  return item;
}

std::array<int32_t, REQ_LOOK_PERMISSION_RECORD_SIZE / 4> MakeLookPermissionRecord(int ownUserId, int roomId,
                                                                                   int table, int ownChair,
                                                                                   int onlooker, int allow) {
  return {ownUserId, roomId, table, ownChair, onlooker, allow, 0, 0, 0, 0};
}

void ApplyLookMenuItem(CGamePlayerView& pane, COwnerDrawMenu* menu, CMenu* popup, int row, int userId) {
  CGameApp* app = pane.GetGameApp();
  if (app == nullptr || popup == nullptr) return;
  const LookMenuItem item =
      DecideLookMenuItem(app->IsOnlooker(userId) != 0, app->IsLookOn() != 0, app->GetPlayerChair(userId),
                         app->GetChairNO(), pane.IsInLookMap(userId) != 0,
                         std::string(static_cast<LPCSTR>(pane.CellText(row, "用户名"))));
  if (item.retitled && menu != nullptr) menu->SetMenuText(ID_LOOK_PERMISSION, item.text.c_str(), MF_BYCOMMAND);
  popup->EnableMenuItem(ID_LOOK_PERMISSION, MF_BYCOMMAND | (item.enabled ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
}

int ChangeLookPermission(CGamePlayerView& pane, int userId, int allow) {
  auto* app = dynamic_cast<CMJGameApp*>(pane.GetGameApp());
  CMJGameConnection* connection = app != nullptr ? app->GetMJConnection() : nullptr;
  if (connection == nullptr || !connection->SendSeeHandPermission(userId, allow)) return 0;
  if (allow != 0) {
    pane.AllowLook(userId);
  } else {
    pane.ForbidLook(userId);
  }
  const auto record = MakeLookPermissionRecord(app->GetUserID(), app->GetRoomID(), app->GetTableNO(),
                                               app->GetChairNO(), userId, allow);
  auto* frame = dynamic_cast<CGameFrameWnd*>(AfxGetMainWnd());
  auto* chat = frame != nullptr ? dynamic_cast<CMJGameChatView*>(frame->GetChatView()) : nullptr;
  if (chat != nullptr) chat->AddLookCardsLine(reinterpret_cast<const BYTE*>(record.data()), sizeof record);
  return 1;
}
