#include "platform/user/MessageBox.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/base/RectUtil.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/KernelObject.h"
#include "platform/user/Input.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/Resources.h"
#include "platform/user/Window.h"

namespace {

// Ids of the box's own controls: the text keeps Win32's 0xFFFF, the icon 20.
constexpr int TEXT_ID = 0xFFFF;
constexpr int ICON_ID = 20;
constexpr const char* FONT_FACE = "宋体";
constexpr WORD FONT_POINTS = 9;

// Layout in dialog units.
constexpr int MARGIN = 8;
constexpr int ICON_DLU = 21;
constexpr int ICON_GAP = 8;
constexpr int BUTTON_W = 50;
constexpr int BUTTON_H = 14;
constexpr int BUTTON_GAP = 6;
constexpr int TEXT_TO_BUTTONS = 8;

struct Button {
  int id;
  const char* text;
};

std::vector<Button> ButtonsOf(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{IDOK, "确定"}, {IDCANCEL, "取消"}};
    case MB_ABORTRETRYIGNORE:
      return {{IDABORT, "中止(&A)"}, {IDRETRY, "重试(&R)"}, {IDIGNORE, "忽略(&I)"}};
    case MB_YESNOCANCEL:
      return {{IDYES, "是(&Y)"}, {IDNO, "否(&N)"}, {IDCANCEL, "取消"}};
    case MB_YESNO:
      return {{IDYES, "是(&Y)"}, {IDNO, "否(&N)"}};
    case MB_RETRYCANCEL:
      return {{IDRETRY, "重试(&R)"}, {IDCANCEL, "取消"}};
    case MB_CANCELTRYCONTINUE:
      return {{IDCANCEL, "取消"}, {IDTRYAGAIN, "重试(&T)"}, {IDCONTINUE, "继续(&C)"}};
    default:
      return {{IDOK, "确定"}};
  }
}

LPCSTR IconOf(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
      return IDI_HAND;
    case MB_ICONQUESTION:
      return IDI_QUESTION;
    case MB_ICONEXCLAMATION:
      return IDI_EXCLAMATION;
    case MB_ICONASTERISK:
      return IDI_ASTERISK;
    default:
      return nullptr;
  }
}

int CeilDiv(int a, int b) { return (a + b - 1) / b; }

struct BoxInfo {
  UINT type;
  std::vector<Button> buttons;
  int defaultId;
};

INT_PTR CALLBACK BoxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* info = reinterpret_cast<BoxInfo*>(lParam);
      SetWindowLongPtrA(box, DWLP_USER, lParam);
      if (LPCSTR icon = IconOf(info->type)) {
        SendDlgItemMessageA(box, ICON_ID, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconA(nullptr, icon)), 0);
      }
      SendMessageA(box, DM_SETDEFID, static_cast<WPARAM>(info->defaultId), 0);
      // The default button takes the focus.
      if (HWND button = GetDlgItem(box, info->defaultId)) SendMessageA(box, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(button), TRUE);
      if (info->type & MB_SETFOREGROUND) SetForegroundWindow(box);
      return FALSE;
    }
    case WM_COMMAND: {
      auto* info = reinterpret_cast<BoxInfo*>(GetWindowLongPtrA(box, DWLP_USER));
      if (!info) return FALSE;
      int id = LOWORD(wParam);
      for (const Button& b : info->buttons) {
        if (b.id == id) {
          EndDialog(box, id);
          return TRUE;
        }
      }
      // Escape and the close box: Cancel when there is none, OK for a box with OK alone.
      if (id == IDCANCEL && (info->type & MB_TYPEMASK) == MB_OK) EndDialog(box, IDOK);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

namespace platform {

std::vector<BYTE> MessageBoxTemplate(LPCSTR text, LPCSTR caption, UINT type, int* defaultId) {
  if (!text) text = "";
  if (!caption) caption = "错误";
  std::vector<Button> buttons = ButtonsOf(type);
  size_t defIndex = std::min<size_t>((type & MB_DEFMASK) >> 8, buttons.size() - 1);
  if (defaultId) *defaultId = buttons[defIndex].id;

  // Measure with the font the dialog will have.
  HFONT font = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, FONT_FACE);
  int bx = 6, by = 12;
  platform::FontBaseUnits(font, bx, by);
  RECT work{0, 0, 1024, 768};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  const bool hasIcon = IconOf(type) != nullptr;
  const int textLeft = MARGIN + (hasIcon ? ICON_DLU + ICON_GAP : 0);
  // Text lines are at most five eighths of the screen wide, as Win32 boxes are.
  int maxTextPx = RectWidth(work) * 5 / 8 - textLeft * bx / 4;
  if (maxTextPx < 100) maxTextPx = 100;
  RECT textRc{0, 0, maxTextPx, 0};
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font);
  DrawTextA(dc, text, -1, &textRc, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  // A text taller than the screen is cut: the box keeps to the work area.
  const int maxTextH = std::max(RectHeight(work) - 120, 2 * by);
  if (RectHeight(textRc) > maxTextH) textRc.bottom = textRc.top + maxTextH;
  // The caption must fit beside the close button; the layer draws it in a bold face of about
  // the same size.
  RECT captionRc{0, 0, 0, 0};
  DrawTextA(dc, caption, -1, &captionRc, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  const int captionW = CeilDiv((std::min<int>(RectWidth(captionRc), RectWidth(work) / 2) + 40) * 4, bx);
  int buttonW = BUTTON_W;
  for (const Button& b : buttons) {
    RECT rc{0, 0, 0, 0};
    DrawTextA(dc, b.text, -1, &rc, DT_CALCRECT | DT_SINGLELINE);
    buttonW = std::max(buttonW, CeilDiv((RectWidth(rc) + 2 * bx) * 4, bx));
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  if (font) DeleteObject(font);

  // Dialog units, rounded up so the text keeps the width it was measured in.
  int textW = std::max(CeilDiv(RectWidth(textRc) * 4, bx), 1);
  int textH = std::max(CeilDiv(RectHeight(textRc) * 8, by), 8);
  int textTop = MARGIN;
  if (hasIcon && textH < ICON_DLU) textTop = MARGIN + (ICON_DLU - textH) / 2;
  int contentBottom = std::max(textTop + textH, hasIcon ? MARGIN + ICON_DLU : 0);
  int buttonsY = contentBottom + TEXT_TO_BUTTONS;
  int n = static_cast<int>(buttons.size());
  int buttonsW = n * buttonW + (n - 1) * BUTTON_GAP;
  int clientW = std::max({textLeft + textW + MARGIN, buttonsW + 2 * MARGIN, captionW});
  int clientH = buttonsY + BUTTON_H + MARGIN;

  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  if ((type & MB_MODEMASK) == MB_SYSTEMMODAL) style |= DS_SYSMODAL;
  DialogTemplate t(style, 0, 0, static_cast<short>(clientW), static_cast<short>(clientH), caption);
  t.Font(FONT_FACE, FONT_POINTS);
  if (type & MB_TOPMOST) t.ExStyle(WS_EX_TOPMOST);
  if (hasIcon) t.Add("Static", "", ICON_ID, SS_ICON, MARGIN, MARGIN, ICON_DLU, ICON_DLU);
  t.Add("Static", text, TEXT_ID, SS_NOPREFIX | WS_GROUP, static_cast<short>(textLeft),
        static_cast<short>(textTop), static_cast<short>(textW), static_cast<short>(textH));
  int x = (clientW - buttonsW) / 2;
  for (int i = 0; i < n; ++i) {
    DWORD buttonStyle = WS_TABSTOP | (i == static_cast<int>(defIndex) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    if (i == 0) buttonStyle |= WS_GROUP;
    t.Add("Button", buttons[i].text, buttons[i].id, buttonStyle, static_cast<short>(x), static_cast<short>(buttonsY),
          static_cast<short>(buttonW), BUTTON_H);
    x += buttonW + BUTTON_GAP;
  }
  return t.Bytes();
}

}  // namespace platform

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  BoxInfo info;
  info.type = type;
  info.buttons = ButtonsOf(type);
  std::vector<BYTE> bytes = platform::MessageBoxTemplate(text, caption, type, &info.defaultId);

  // A task-modal box without an owner disables every enabled top-level window of the thread.
  std::vector<HWND> disabled;
  if ((type & MB_MODEMASK) == MB_TASKMODAL && !owner) {
    std::pair<DWORD, std::vector<HWND>*> search(GetCurrentThreadId(), &disabled);
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
          auto* list = reinterpret_cast<std::pair<DWORD, std::vector<HWND>*>*>(param);
          if (GetWindowThreadProcessId(hwnd, nullptr) == list->first && IsWindowEnabled(hwnd)) {
            list->second->push_back(hwnd);
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    for (HWND h : disabled) EnableWindow(h, FALSE);
  }
  INT_PTR result = DialogBoxIndirectParamA(nullptr, reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()), owner, BoxProc,
                                           reinterpret_cast<LPARAM>(&info));
  for (HWND h : disabled) {
    if (IsWindow(h)) EnableWindow(h, TRUE);
  }
  return result < 0 ? 0 : static_cast<int>(result);
}

BOOL MessageBeep(UINT) { return TRUE; }
