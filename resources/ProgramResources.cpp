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
// The report list's styles, as the common controls define them.
constexpr DWORD LIST_REPORT = 0x0001, LIST_SINGLE_SELECTION = 0x0004, LIST_SHOW_SELECTION = 0x0008,
                LIST_NO_SORT_HEADER = 0x8000;

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


// The table's leave dialog: force quit, stay, or ask the others with a reason.
bool LeaveRequest() {
  return DialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 232, 87, "请求退出")
      .Font(SONG, SONG_POINTS)
      .Add("Button", "强行退出", IDOK, BS_PUSHBUTTON | WS_TABSTOP, 85, 66, 50, 14)
      .Add("Button", "继续游戏", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 166, 66, 50, 14)
      .Add("Button", "请求退出", 1916, BS_PUSHBUTTON | WS_TABSTOP, 16, 66, 43, 14)
      .Add("Static", "游戏还没结束，强退操作将扣除大量积分。输入理由请求其他玩家同意。（最多20个汉字，最多请求2次）",
           NO_ID, SS_LEFT, 5, 6, 221, 22)
      .Add("Edit", "", 1915, ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_BORDER | WS_TABSTOP, 5, 36, 221, 23)
      .Register(278);
}

// The pop-up that shows another player's leave request, with agree and refuse labels.
bool LeaveAnswer() {
  return DialogTemplate(WS_POPUP | WS_BORDER, 0, 0, 125, 65)
      .Font(SONG, SONG_POINTS)
      .Add("Static", "", 1910, SS_BITMAP, 2, 2, 15, 14)
      .Add("Static", "请求\r\n退出", 1911, SS_LEFT, 3, 40, 16, 16)
      .Add("Static", "", 1912, SS_LEFT, 27, 8, 92, 10)
      .Add("Static", "同意", 1913, SS_LEFT | SS_NOTIFY, 45, 45, 22, 8)
      .Add("Static", "拒绝", 1914, SS_LEFT | SS_NOTIFY, 84, 45, 22, 8)
      .Add("Edit", "", 1917, ES_MULTILINE | ES_AUTOVSCROLL, 24, 17, 96, 22)
      .Register(277);
}

// The player card: the portrait, then one labelled read-only field a line.
bool PlayerCard() {
  DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 105, 227, "详细信息");
  t.Font(SONG, SONG_POINTS);
  t.Add("Static", "", 1033, SS_ICON, 5, 3, 15, 14);
  struct Field {
    int id;
    short y;
    const char* label;
  };
  static const Field FIELDS[] = {{1040, 10, nullptr},   {1042, 30, "昵称"},   {1043, 42, "财富等级"},
                                 {1044, 54, "银子"},    {1047, 66, "级别"},   {1049, 78, "积分"},
                                 {1045, 90, "经验"},    {1048, 102, "断线率"}, {1046, 114, "网速"},
                                 {1050, 126, "赢"},     {1051, 138, "输"},    {1052, 150, "和"},
                                 {1053, 162, "胜率"},   {1054, 174, "我的好友"}, {1055, 186, "不受欢迎"},
                                 {1056, 198, "正在旁观"}};
  for (const Field& f : FIELDS) {
    if (f.label != nullptr) t.Add("Static", f.label, NO_ID, SS_RIGHT, 4, static_cast<short>(f.y + 2), 32, 8);
    t.Add("Edit", "", f.id, ES_READONLY | ES_AUTOHSCROLL | WS_BORDER, 39, f.y, 60, 12);
  }
  return t.Add("Static", "刷新", 1035, SS_LEFT | SS_NOTIFY, 51, 213, 17, 8)
      .Add("Static", "关闭", 1034, SS_LEFT | SS_NOTIFY, 82, 213, 17, 8)
      .Register(146);
}

// The round's settlement: the chosen chair's portrait, name and items above the list of all four
// chairs, and the count-down beside "确定".
bool Settlement() {
  const DWORD list = LIST_REPORT | LIST_SHOW_SELECTION | LIST_NO_SORT_HEADER | WS_BORDER | WS_TABSTOP;
  return DialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 0, 0, 276, 203)
      .Font(SONG, SONG_POINTS)
      .Add("Button", "确定", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 116, 184, 50, 18)
      .Add("Static", "", 1033, SS_ICON, 9, 9, 21, 21)
      .Add("Static", "", 1090, SS_LEFT, 37, 15, 80, 8)
      .Add("Static", "", 1091, SS_LEFT, 13, 39, 98, 39)
      .Add("SysListView32", "List1", 1092, list, 129, 4, 144, 96)
      .Add("SysListView32", "List2", 1093, list | LIST_SINGLE_SELECTION, 7, 108, 266, 67)
      .Add("Static", "", 1097, SS_LEFT, 236, 189, 8, 8)
      .Register(274);
}

// The exchange's contact form: three fields and two buttons over a background picture that
// carries the labels.
bool ContactForm() {
  const DWORD edit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
  return DialogTemplate(WS_POPUP, 0, 0, 187, 96)
      .Font("System", 10)
      .Add("Button", "提交", 1117, BS_PUSHBUTTON | WS_TABSTOP, 60, 68, 50, 14)
      .Add("Edit", "", 1118, edit, 50, 19, 92, 14)
      .Add("Edit", "", 1119, edit, 50, 34, 92, 14)
      .Add("Edit", "", 1120, edit, 50, 50, 92, 14)
      .Add("Button", "×", 1121, BS_PUSHBUTTON, 167, 7, 13, 11)
      .Register(285);
}

// The prize pop-up: a bare window that its picture fills.
bool PrizePopup() { return DialogTemplate(WS_POPUP, 0, 0, 185, 93).Font("MS Sans Serif", 8).Register(299); }

}  // namespace

bool RegisterProgramResources() {
  bool ok = true;
  for (bool (*add)() : {WaitDialog, CountDownBox, AdvertForm, ChatForm, RequestPopup, DocumentMenu, PlayerListMenu,
                        SkinMenu, SafeBox, SafeSave, SafeTake, DepositPresets, ProtectAnswer, ProtectKeypad,
                        ToolForm, PlayerForm, PresetMenu, LeaveRequest, LeaveAnswer, PlayerCard, Settlement,
                        ContactForm, PrizePopup}) {
    ok = add() && ok;
  }
  ok = RegisterPaneResources() && ok;
  return RegisterMediaResources() && ok;
}

}  // namespace resources
