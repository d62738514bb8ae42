#include "resources/ProgramResources.h"

#include "platform/user/Dialog.h"
#include "platform/user/DialogTemplate.h"
#include "platform/user/MenuTemplate.h"
#include "platform/user/Resources.h"
#include "resources/MediaResources.h"

namespace resources {
namespace {

// The font every template of the program uses.
constexpr const char* SONG = "宋体";
constexpr WORD SONG_POINTS = 9;
constexpr int NO_ID = -1;

// The wait dialog of the communication thread: a centred, disabled, system-modal tool window
// without caption that stays hidden until a wait text arrives.
bool WaitDialog() {
  return DialogTemplate(WS_POPUP | WS_BORDER | WS_DISABLED | DS_CENTER | DS_SYSMODAL, 0, 0, 207, 45)
      .Font(SONG, SONG_POINTS)
      .ExStyle(WS_EX_TOOLWINDOW)
      .Add("Static", "", 1009, SS_LEFT, 17, 12, 174, 18)
      .Add("Static", "", 1008, SS_LEFT, 5, 32, 197, 9)
      .Register(142);
}

// The count-down message box, modal and modeless.
bool CountDownBox() {
  return DialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 179, 71, "游戏")
      .Font(SONG, SONG_POINTS)
      .Add("Button", "取消", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 95, 46, 50, 18)
      .Add("Button", "确定", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 39, 46, 50, 18)
      .Add("Static", "", 1012, SS_ICON, 7, 8, 21, 21)
      .Add("Static", "10", 1011, SS_CENTER, 150, 50, 17, 8)
      .Add("Static", "", 1010, SS_LEFT, 39, 11, 130, 31)
      .Register(143);
}

// The advert pane's form: the web control's placeholder and the tab control.
bool AdvertForm() {
  return DialogTemplate(WS_CHILD, 0, 0, 187, 100)
      .Font(SONG, SONG_POINTS)
      .Add("Static", "", 135, SS_LEFT, 18, 7, 31, 14)
      .Add("CCustomTabCtrl", "", 1096, WS_TABSTOP, 0, 1, 180, 15)
      .Register(132);
}

// The game layer's chat pane: one rich-edit display, placed by the pane's layout.
bool ChatForm() {
  return DialogTemplate(WS_CHILD, 0, 0, 217, 110)
      .Font(SONG, SONG_POINTS)
      .Add("RICHEDIT", "", 1005, WS_VSCROLL | ES_MULTILINE, 0, 0, 217, 110)
      .Register(147);
}

// The pop-up that asks the player to let someone look at his tiles; "同意" and "拒绝" are
// clickable labels.
bool RequestPopup() {
  return DialogTemplate(WS_POPUP | WS_BORDER, 0, 0, 115, 41)
      .Font(SONG, SONG_POINTS)
      .Extended()
      .Add("Static", "", 1016, SS_BITMAP, 2, 2, 15, 14)
      .Add("Static", "请求\r\n看牌", NO_ID, SS_LEFT, 4, 25, 16, 16)
      .Add("Static", "", 1015, SS_LEFT, 27, 8, 85, 8)
      .Add("Static", "同意", 1017, SS_LEFT | SS_NOTIFY, 33, 28, 22, 8)
      .Add("Static", "拒绝", 1018, SS_LEFT | SS_NOTIFY, 74, 28, 22, 8)
      .Register(148);
}

// The document template's menu, which the frame removes when it is first shown.
bool DocumentMenu() { return MenuTemplate().Popup("文件(&F)").Item("退出(&X)", 57665).End().Register(128); }

// The player list's context menu.
bool PlayerListMenu() {
  return MenuTemplate()
      .Popup("playerlist")
      .Item("hello", 1900)
      .Separator()
      .Item("详细信息", 1901)
      .Separator()
      .Item("级别", 1902)
      .Item("积分", 1903)
      .Item("银子", 1904)
      .Separator()
      .Item("允许看牌", 1906)
      .Separator()
      .Item("呼叫玩家", 1905)
      .End()
      .Register(130);
}

// The skin menu; the frame inserts the skins above its one item.
bool SkinMenu() { return MenuTemplate().Popup("skin").Item("更多皮肤...", 32781).End().Register(131); }

}  // namespace

bool RegisterProgramResources() {
  bool ok = true;
  for (bool (*add)() : {WaitDialog, CountDownBox, AdvertForm, ChatForm, RequestPopup, DocumentMenu, PlayerListMenu,
                        SkinMenu}) {
    ok = add() && ok;
  }
  return RegisterMediaResources() && ok;
}

}  // namespace resources
