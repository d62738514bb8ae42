#include "resources/ProgramResources.h"

#include <string>

#include "platform/user/Dialog.h"
#include "platform/user/DialogTemplate.h"
#include "platform/user/MenuTemplate.h"
#include "platform/user/Resources.h"
#include "resources/MediaResources.h"
#include "resources/PaneResources.h"

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


// The safe-deposit box: the banner page on top, the balance in large figures, and the two
// transfers.
bool SafeBox() {
  return DialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 220, 130, "保险箱")
      .Font(SONG, SONG_POINTS)
      .Add("Static", "", 180, SS_LEFT, 0, 0, 220, 36)
      .Add("Static", "保险箱余额：", NO_ID, SS_LEFT, 10, 44, 80, 9)
      .Add("Static", "0 两", 203, SS_CENTER, 10, 56, 200, 22)
      .Add("Static", "", 204, SS_LEFT, 10, 86, 200, 2)
      .Add("Button", "取出银子", 220, BS_PUSHBUTTON | WS_TABSTOP, 39, 100, 60, 18)
      .Add("Button", "存入银子", 221, BS_DEFPUSHBUTTON | WS_TABSTOP, 121, 100, 60, 18)
      .Register(170);
}

// A transfer between the game and the box: the game's name, the amount with its history.
bool SafeTransfer(WORD id, const char* caption, const char* label, int amountId) {
  return DialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 200, 100, caption)
      .Font(SONG, SONG_POINTS)
      .Add("Static", "游戏：", NO_ID, SS_LEFT, 10, 12, 30, 9)
      .Add("Static", "", 208, SS_LEFT, 42, 10, 148, 12)
      .Add("Static", label, NO_ID, SS_LEFT, 10, 33, 60, 9)
      .Add("ComboBox", "", amountId, CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 72, 30, 118, 100)
      .Add("Static", "", 204, SS_LEFT, 10, 62, 180, 2)
      .Add("Button", "确定", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 39, 74, 50, 18)
      .Add("Button", "取消", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 111, 74, 50, 18)
      .Register(id);
}
bool SafeSave() { return SafeTransfer(171, "存入保险箱", "存入数额(两)：", 209); }
bool SafeTake() { return SafeTransfer(172, "从保险箱取出", "取出数额(两)：", 210); }

// The six preset amounts of the bank bar.
bool DepositPresets() {
  DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 200, 130, "设置银子数额");
  t.Font(SONG, SONG_POINTS);
  for (int i = 0; i < 6; ++i) {
    const short x = static_cast<short>(i % 2 == 0 ? 10 : 105);
    const short y = static_cast<short>(10 + (i / 2) * 22);
    const std::string label = "数额" + std::to_string(i + 1) + "：";
    t.Add("Static", label, NO_ID, SS_LEFT, x, static_cast<short>(y + 3), 30, 9);
    t.Add("Edit", "", 197 + i, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, static_cast<short>(x + 32), y, 50, 14);
  }
  return t.Add("Static", "", 204, SS_LEFT, 10, 92, 180, 2)
      .Add("Button", "确定", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 39, 104, 50, 18)
      .Add("Button", "取消", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 111, 104, 50, 18)
      .Register(173);
}

// The protection answer: the challenge drawn in large figures above the answer's field.
bool ProtectAnswer() {
  return DialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 200, 130, "保护密码")
      .Font(SONG, SONG_POINTS)
      .Add("Static", "", 206, SS_LEFT, 8, 8, 30, 30)
      .Add("Static", "请用保护密码计算下面题目的答案：", NO_ID, SS_LEFT, 44, 10, 150, 9)
      .Add("Static", "", 211, SS_LEFT, 44, 44, 140, 2)
      .Add("Static", "答案：", NO_ID, SS_LEFT, 44, 60, 26, 9)
      .Add("Edit", "", 207, ES_AUTOHSCROLL | ES_NUMBER | ES_PASSWORD | WS_BORDER | WS_TABSTOP, 72, 55, 80, 20)
      .Add("Static", "计算方法", 205, SS_LEFT | SS_NOTIFY, 156, 60, 36, 9)
      .Add("Static", "", 204, SS_LEFT, 10, 92, 180, 2)
      .Add("Button", "确定", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 39, 104, 50, 18)
      .Add("Button", "取消", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 111, 104, 50, 18)
      .Register(174);
}

// The on-screen keypad; its keys are placed and labelled when it opens.
bool ProtectKeypad() {
  DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 134, 140, "输入保护密码");
  t.Font(SONG, SONG_POINTS);
  t.Add("Edit", "", 242, ES_READONLY | ES_CENTER | WS_BORDER, 9, 8, 116, 20);
  for (int k = 0; k < 10; ++k) {
    t.Add("Button", std::to_string(k), 230 + k, BS_PUSHBUTTON, static_cast<short>(9 + (k % 4) * 30),
          static_cast<short>(36 + (k / 4) * 30), 22, 22);
  }
  return t.Add("Button", "删除", 240, BS_PUSHBUTTON, 69, 96, 22, 22)
      .Add("Button", "确定", 241, BS_DEFPUSHBUTTON, 99, 96, 22, 22)
      .Register(175);
}

// The bank bar's form: the pane places its two buttons itself.
// The player pane's form: the list fills it.
bool PlayerForm() { return DialogTemplate(WS_CHILD, 0, 0, 200, 100).Font(SONG, SONG_POINTS).Register(177); }

bool ToolForm() { return DialogTemplate(WS_CHILD, 0, 0, 170, 14).Font(SONG, SONG_POINTS).Register(176); }

// The bank bar's preset menu; the amounts are written into the items when it drops.
bool PresetMenu() {
  return MenuTemplate()
      .Popup("preset")
      .Item("100 两", 222)
      .Item("200 两", 223)
      .Item("500 两", 224)
      .Item("1000 两", 225)
      .Item("10000 两", 226)
      .Item("30000 两", 227)
      .Separator()
      .Item("设置数额...", 228)
      .End()
      .Register(129);
}

}  // namespace

bool RegisterProgramResources() {
  bool ok = true;
  for (bool (*add)() : {WaitDialog, CountDownBox, AdvertForm, ChatForm, RequestPopup, DocumentMenu, PlayerListMenu,
                        SkinMenu, SafeBox, SafeSave, SafeTake, DepositPresets, ProtectAnswer, ProtectKeypad,
                        ToolForm, PlayerForm, PresetMenu}) {
    ok = add() && ok;
  }
  ok = RegisterPaneResources() && ok;
  return RegisterMediaResources() && ok;
}

}  // namespace resources
