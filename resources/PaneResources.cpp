#include "resources/PaneResources.h"

#include "platform/user/Dialog.h"
#include "platform/user/DialogTemplate.h"
#include "platform/user/Resources.h"

namespace resources {
namespace {

constexpr const char* SONG = "宋体";
constexpr WORD SONG_POINTS = 9;
constexpr int NO_ID = -1;

// The strip across the top of the main frame that the skin menu is placed by.
bool FrameDialogBar() {
  return DialogTemplate(WS_CHILD, 0, 0, 100, 0)
      .Font(SONG, SONG_POINTS)
      .Add("Button", "", 1046, BS_PUSHBUTTON, 0, 0, 0, 0)
      .Register(141);
}

// The white pane that stands in for a chat pane that could not be made.
bool EmptyPane() { return DialogTemplate(WS_CHILD, 0, 0, 5, 5).Font(SONG, SONG_POINTS).Register(138); }

// The command bar beside the table: four buttons that the pane places itself. The skins carry
// no faces for them, so they carry their names. The third has no command: it stands greyed.
bool OperateForm() {
  return DialogTemplate(WS_CHILD, 0, 0, 195, 41)
      .Font(SONG, SONG_POINTS)
      .Add("Button", "规则", 1001, BS_PUSHBUTTON | WS_TABSTOP, 4, 10, 40, 20)
      .Add("Button", "设置", 1002, BS_PUSHBUTTON | WS_TABSTOP, 52, 10, 40, 20)
      .Add("Button", "", 1003, BS_PUSHBUTTON | WS_DISABLED, 100, 10, 40, 20)
      .Add("Button", "退出", 1004, BS_PUSHBUTTON | WS_TABSTOP, 148, 10, 40, 20)
      .Register(139);
}

// The table drawn with GDI: the start and see-hand buttons, which the view places itself and shows
// when they are wanted, and the five claim buttons, which the table scene places and shows. All
// start hidden.
bool GdiTableForm() {
  return DialogTemplate(WS_CHILD, 0, 0, 400, 300)
      .Font(SONG, SONG_POINTS)
      .Add("Button", "开始", 1800, BS_PUSHBUTTON | WS_TABSTOP, 180, 190, 40, 16)
      .Hidden()
      .Add("Button", "请求看牌", 1801, BS_PUSHBUTTON | WS_TABSTOP, 0, 286, 40, 14)
      .Hidden()
      .Add("Button", "过", 1810, BS_PUSHBUTTON | WS_TABSTOP, 340, 240, 30, 16)
      .Hidden()
      .Add("Button", "胡", 1811, BS_PUSHBUTTON | WS_TABSTOP, 306, 240, 30, 16)
      .Hidden()
      .Add("Button", "杠", 1812, BS_PUSHBUTTON | WS_TABSTOP, 272, 240, 30, 16)
      .Hidden()
      .Add("Button", "碰", 1813, BS_PUSHBUTTON | WS_TABSTOP, 238, 240, 30, 16)
      .Hidden()
      .Add("Button", "吃", 1814, BS_PUSHBUTTON | WS_TABSTOP, 204, 240, 30, 16)
      .Hidden()
      .Register(140);
}

// The mahjong player pane's form: the list is made in code and fills it.
bool MahjongPlayerForm() { return DialogTemplate(WS_CHILD, 0, 0, 200, 100).Font(SONG, SONG_POINTS).Register(144); }

// The mahjong bank bar's form: its two buttons are made and placed in code.
bool MahjongToolForm() { return DialogTemplate(WS_CHILD, 0, 0, 170, 14).Font(SONG, SONG_POINTS).Register(167); }

// The advert banner over the table: the web control replaces the static.
bool BannerForm() {
  return DialogTemplate(WS_CHILD, 0, 0, 187, 30)
      .Font(SONG, SONG_POINTS)
      .Add("Static", "", 133, SS_LEFT, 0, 0, 187, 30)
      .Register(279);
}

// The play settings.
bool OptionsDialog() {
  return DialogTemplate(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 0, 0, 250, 104, "设置")
      .Font(SONG, SONG_POINTS)
      .Add("Button", "打牌设置", NO_ID, BS_GROUPBOX, 7, 7, 236, 66)
      .Add("Button", "快速抓牌（可能会泄漏牌张信息，高手之间打牌慎用）", 1088, BS_AUTOCHECKBOX | WS_TABSTOP, 16, 20,
           222, 12)
      .Add("Button", "不接受看牌请求", 1067, BS_AUTOCHECKBOX | WS_TABSTOP, 16, 37, 222, 12)
      .Add("Button", "打牌时保持安静", 1032, BS_AUTOCHECKBOX | WS_TABSTOP, 16, 54, 222, 12)
      .Add("Button", "确定", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 69, 80, 50, 16)
      .Add("Button", "取消", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 131, 80, 50, 16)
      .Register(145);
}

}  // namespace

bool RegisterPaneResources() {
  bool ok = true;
  for (bool (*add)() : {FrameDialogBar, EmptyPane, OperateForm, GdiTableForm, MahjongPlayerForm, MahjongToolForm, BannerForm,
                        OptionsDialog}) {
    ok = add() && ok;
  }
  return ok;
}

}  // namespace resources
