#include "platform/user/Dialog.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>

#include "platform/base/RectUtil.h"
#include "platform/base/WinError.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/user/Input.h"
#include "platform/user/MessageBox.h"
#include "platform/user/MessageQueue.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Resources.h"
#include "platform/user/Window.h"
#include "platform/user/WindowClass.h"

namespace {

constexpr const char* DIALOG_CLASS = "#32770";

// What the dialog manager keeps per dialog beside the window bytes.
struct DialogState {
  HFONT font = nullptr;
  bool ownsFont = false;
  int baseX = 0;  // average character width of the dialog font
  int baseY = 0;  // character height of the dialog font
  HWND savedFocus = nullptr;
  WORD defId = 0;  // set by DM_SETDEFID; 0 = none
  bool modal = false;
  bool ended = false;
  INT_PTR result = 0;
};

std::mutex g_mutex;
std::unordered_map<HWND, DialogState>& States() {
  static auto* states = new std::unordered_map<HWND, DialogState>;
  return *states;
}

bool GetState(HWND dialog, DialogState& out) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = States().find(dialog);
  if (it == States().end()) return false;
  out = it->second;
  return true;
}

template <typename F>
bool UpdateState(HWND dialog, F&& change) {
  std::lock_guard<std::mutex> lock(g_mutex);
  auto it = States().find(dialog);
  if (it == States().end()) return false;
  change(it->second);
  return true;
}

int ScaleDiv(int value, int numerator, int denominator) {
  // MulDiv's rounding: to the nearest, halves away from zero.
  long long p = static_cast<long long>(value) * numerator;
  long long q = denominator;
  long long r = (p >= 0 ? p + q / 2 : p - q / 2) / q;
  return static_cast<int>(r);
}

UINT DlgCode(HWND hwnd, MSG* msg) {
  if (!hwnd) return 0;
  return static_cast<UINT>(SendMessageA(hwnd, WM_GETDLGCODE, msg ? msg->wParam : 0, reinterpret_cast<LPARAM>(msg)));
}

bool IsTabbable(HWND hwnd) {
  DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  return (style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

bool IsReachable(HWND hwnd) {
  DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  return (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

// The dialog's direct children in z-order (which is template order).
std::vector<HWND> Controls(HWND dialog) {
  std::vector<HWND> out;
  for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  return out;
}

// The direct child of the dialog that holds `hwnd` (a control may hold its own children, as a
// combo box holds its edit).
HWND ControlOf(HWND dialog, HWND hwnd) {
  while (hwnd && GetParent(hwnd) != dialog) {
    if (!(GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD)) return nullptr;
    hwnd = GetParent(hwnd);
  }
  return hwnd;
}

bool IsPushButton(HWND hwnd) { return DlgCode(hwnd, nullptr) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON); }

// The default push button look follows the focus: a focused push button is drawn as the default,
// and when the focus goes elsewhere the dialog's default button (DM_GETDEFID) is again.
void UpdateDefaultButton(HWND dialog, HWND newFocus) {
  LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
  HWND defButton = HIWORD(def) == DC_HASDEFID ? GetDlgItem(dialog, LOWORD(def)) : nullptr;
  HWND wantDefault = (newFocus && IsPushButton(newFocus)) ? newFocus : defButton;
  for (HWND c : Controls(dialog)) {
    UINT code = DlgCode(c, nullptr);
    if ((code & DLGC_DEFPUSHBUTTON) && c != wantDefault) {
      SendMessageA(c, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    } else if ((code & DLGC_UNDEFPUSHBUTTON) && c == wantDefault) {
      SendMessageA(c, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    }
  }
}

// Gives a control the focus as the dialog manager does: an edit control gets its whole text
// selected, and the default button follows.
void DialogSetFocus(HWND dialog, HWND control) {
  if (!control) return;
  if (DlgCode(control, nullptr) & DLGC_HASSETSEL) SendMessageA(control, EM_SETSEL, 0, -1);
  UpdateDefaultButton(dialog, control);
  SetFocus(control);
  UpdateState(dialog, [&](DialogState& s) { s.savedFocus = control; });
}

bool EnsureDialogClass() { return platform::RegisterDialogClass(); }

HFONT MakeTemplateFont(const platform::ParsedDialog& t, bool& owns) {
  owns = false;
  if (!t.hasFont) return nullptr;
  // Point size 0x7FFF asks for the message font of the system.
  if (t.pointSize == 0x7FFF) return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  int height = -ScaleDiv(t.pointSize, 96, 72);
  HFONT font = CreateFontA(height, 0, 0, 0, t.weight, t.italic, FALSE, FALSE, t.charSet, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, t.face.c_str());
  owns = font != nullptr;
  return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// The frame a window of these styles puts around its client area.
RECT NonClientInsets(DWORD style, DWORD exStyle) {
  RECT probe{0, 0, 1000, 1000};
  RECT client = platform::ClientFromWindowRect(probe, style, exStyle);
  return RECT{client.left - probe.left, client.top - probe.top, probe.right - client.right,
              probe.bottom - client.bottom};
}

RECT WorkArea() {
  RECT work{0, 0, 1024, 768};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

std::vector<BYTE> ResourceBytes(LPCSTR name) {
  std::vector<BYTE> bytes;
  HRSRC res = FindResourceA(nullptr, name, RT_DIALOG);
  if (!res) return bytes;
  auto* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
  DWORD size = SizeofResource(nullptr, res);
  if (data && size) bytes.assign(data, data + size);
  return bytes;
}

// Templates passed by pointer carry no size; the reader is bounded by the largest template a
// resource can hold.
constexpr size_t INDIRECT_LIMIT = 0x10000;

HWND CreateFromParsed(HINSTANCE instance, const platform::ParsedDialog& t, HWND parent, DLGPROC proc,
                      LPARAM initParam) {
  if (!EnsureDialogClass()) return nullptr;
  bool ownsFont = false;
  HFONT font = MakeTemplateFont(t, ownsFont);
  int baseX = 0, baseY = 0;
  if (!platform::FontBaseUnits(font ? font : static_cast<HFONT>(GetStockObject(SYSTEM_FONT)), baseX, baseY)) {
    LONG units = GetDialogBaseUnits();
    baseX = LOWORD(units);
    baseY = HIWORD(units);
  }

  DWORD style = t.style;
  DWORD exStyle = t.exStyle;
  if (style & DS_MODALFRAME) exStyle |= WS_EX_DLGMODALFRAME;
  if (style & DS_SYSMODAL) exStyle |= WS_EX_TOPMOST;
  if (style & DS_CONTROL) {
    style &= ~static_cast<DWORD>(WS_CAPTION | WS_SYSMENU);
    exStyle |= WS_EX_CONTROLPARENT;
  }
  const bool visible = (style & WS_VISIBLE) != 0;
  style &= ~static_cast<DWORD>(WS_VISIBLE);
  const bool child = (style & WS_CHILD) != 0;

  HWND owner = parent;
  if (!child && owner) {
    HWND root = GetAncestor(owner, GA_ROOT);
    if (root) owner = root;
  }

  // The template gives the client area; the window grows by its frame and caption.
  RECT insets = NonClientInsets(style, exStyle);
  int clientW = ScaleDiv(t.cx, baseX, 4);
  int clientH = ScaleDiv(t.cy, baseY, 8);
  int width = clientW + insets.left + insets.right;
  int height = clientH + insets.top + insets.bottom;
  int x = ScaleDiv(t.x, baseX, 4);
  int y = ScaleDiv(t.y, baseY, 8);
  if (!child) {
    if (style & (DS_CENTER | DS_CENTERMOUSE)) {
      RECT work = WorkArea();
      x = work.left + (RectWidth(work) - width) / 2;
      y = work.top + (RectHeight(work) - height) / 2;
    } else {
      // A pop-up's position is relative to its owner's client area unless DS_ABSALIGN says it
      // is on the screen.
      if (owner && !(style & DS_ABSALIGN)) {
        POINT origin{0, 0};
        ClientToScreen(owner, &origin);
        x += origin.x;
        y += origin.y;
      }
      x -= insets.left;
      y -= insets.top;
    }
    // A pop-up dialog is kept inside the work area.
    RECT work = WorkArea();
    if (x + width > work.right) x = work.right - width;
    if (y + height > work.bottom) y = work.bottom - height;
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
  }

  LPCSTR className = DIALOG_CLASS;
  if (t.classOrdinal) {
    className = MAKEINTATOM(t.classOrdinal);
  } else if (!t.className.empty()) {
    className = t.className.c_str();
  }
  HMENU menu = nullptr;  // Menus from a dialog template are not created here (see the report of the menu layer).
  HWND dialog = CreateWindowExA(exStyle, className, t.caption.c_str(), style, x, y, width, height,
                                child ? parent : owner, menu, instance, reinterpret_cast<LPVOID>(initParam));
  if (!dialog) {
    if (ownsFont) DeleteObject(font);
    return nullptr;
  }
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    DialogState& s = States()[dialog];
    s = DialogState{};
    s.font = font;
    s.ownsFont = ownsFont;
    s.baseX = baseX;
    s.baseY = baseY;
  }
  SetWindowLongPtrA(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
  if (font) SendMessageA(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);

  for (const platform::ParsedDialogItem& item : t.items) {
    RECT rc{item.x, item.y, item.x + item.cx, item.y + item.cy};
    rc.left = ScaleDiv(item.x, baseX, 4);
    rc.top = ScaleDiv(item.y, baseY, 8);
    rc.right = rc.left + ScaleDiv(item.cx, baseX, 4);
    rc.bottom = rc.top + ScaleDiv(item.cy, baseY, 8);
    // A text given by number (an icon's resource) is handed over as "#number".
    std::string text = item.textOrdinal ? "#" + std::to_string(item.textOrdinal) : item.text;
    std::vector<BYTE> data;
    LPVOID createParams = nullptr;
    if (!item.data.empty()) {
      // The control sees the creation data behind its size word, as in Win32.
      WORD n = static_cast<WORD>(item.data.size());
      data.resize(2 + item.data.size());
      data[0] = static_cast<BYTE>(n & 0xFF);
      data[1] = static_cast<BYTE>(n >> 8);
      std::copy(item.data.begin(), item.data.end(), data.begin() + 2);
      createParams = data.data();
    }
    HWND control = CreateWindowExA(item.exStyle | WS_EX_NOPARENTNOTIFY, item.className.c_str(), text.c_str(),
                                   item.style | WS_CHILD, rc.left, rc.top, RectWidth(rc), RectHeight(rc), dialog,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.id)), instance, createParams);
    if (!control) {
      if (t.style & DS_NOFAILCREATE) continue;
      DestroyWindow(dialog);
      return nullptr;
    }
    if (font) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (!IsWindow(dialog)) return nullptr;
  }

  // The default button is the template's: the first control that answers as one.
  for (HWND c : Controls(dialog)) {
    if (DlgCode(c, nullptr) & DLGC_DEFPUSHBUTTON) {
      WORD id = static_cast<WORD>(GetDlgCtrlID(c));
      UpdateState(dialog, [&](DialogState& s) { s.defId = id; });
      break;
    }
  }
  HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
  LRESULT setFocus = SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), initParam);
  if (!IsWindow(dialog)) return nullptr;
  if (setFocus) {
    // The first tab stop, or the first control that can take the focus.
    HWND target = first;
    if (!target) {
      for (HWND c : Controls(dialog)) {
        if (IsReachable(c)) {
          target = c;
          break;
        }
      }
    }
    if (target) DialogSetFocus(dialog, target);
  } else {
    HWND focus = GetFocus();
    if (focus && IsChild(dialog, focus)) UpdateState(dialog, [&](DialogState& s) { s.savedFocus = focus; });
  }
  if (visible) {
    DialogState s;
    if (GetState(dialog, s) && !s.ended) {
      ShowWindow(dialog, SW_SHOWNORMAL);
      UpdateWindow(dialog);
    }
  }
  if ((t.style & DS_SETFOREGROUND) && IsWindow(dialog)) SetForegroundWindow(dialog);
  return IsWindow(dialog) ? dialog : nullptr;
}

HWND CreateFromBytes(HINSTANCE instance, const BYTE* bytes, size_t size, HWND parent, DLGPROC proc, LPARAM param) {
  platform::ParsedDialog t;
  if (!platform::ParseDialogTemplate(bytes, size, t)) {
    SetLastError(ERROR_INVALID_DATA);
    return nullptr;
  }
  return CreateFromParsed(instance, t, parent, proc, param);
}

INT_PTR RunModal(HWND dialog, HWND parent) {
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (!owner && parent) owner = GetAncestor(parent, GA_ROOT);
  const bool disableOwner = owner && IsWindowEnabled(owner);
  if (disableOwner) EnableWindow(owner, FALSE);
  UpdateState(dialog, [](DialogState& s) { s.modal = true; });

  DialogState s;
  if (GetState(dialog, s) && !s.ended) {
    ShowWindow(dialog, SW_SHOWNORMAL);
    UpdateWindow(dialog);
  }
  bool quit = false;
  int quitCode = 0;
  for (;;) {
    if (!GetState(dialog, s) || s.ended || !IsWindow(dialog)) break;
    MSG msg;
    if (!GetMessageA(&msg, nullptr, 0, 0)) {
      quit = true;
      quitCode = static_cast<int>(msg.wParam);
      break;
    }
    if (!IsDialogMessageA(dialog, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  INT_PTR result = 0;
  if (GetState(dialog, s) && s.ended) result = s.result;
  // The owner is enabled before the dialog goes, so that activation returns to it.
  if (disableOwner) EnableWindow(owner, TRUE);
  if (IsWindow(dialog)) {
    if (owner && GetActiveWindow() == dialog) SetActiveWindow(owner);
    DestroyWindow(dialog);
  }
  if (quit) {
    PostQuitMessage(quitCode);
    return 0;
  }
  return result;
}

}  // namespace

namespace platform {

bool RegisterDialogClass() {
  static std::once_flag once;
  static bool ok = false;
  std::call_once(once, [] {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS | CS_SAVEBITS;
    wc.lpfnWndProc = DefDlgProcA;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = DIALOG_CLASS;
    ok = RegisterClassA(&wc) != 0;
  });
  WNDCLASSA existing{};
  return ok || GetClassInfoA(nullptr, DIALOG_CLASS, &existing);
}

bool FontBaseUnits(HFONT font, int& width, int& height) {
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return false;
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  static const char LETTERS[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE size{};
  TEXTMETRICA tm{};
  bool ok = GetTextExtentPoint32A(dc, LETTERS, 52, &size) && GetTextMetricsA(dc, &tm);
  if (old) SelectObject(dc, old);
  DeleteDC(dc);
  if (!ok || tm.tmHeight <= 0) return false;
  width = (size.cx / 26 + 1) / 2;
  height = tm.tmHeight;
  if (width <= 0) width = 1;
  return true;
}

bool DialogBaseUnits(HWND dialog, int& width, int& height) {
  DialogState s;
  if (!GetState(dialog, s)) return false;
  width = s.baseX;
  height = s.baseY;
  return true;
}

}  // namespace platform

LONG GetDialogBaseUnits() {
  static int w = 0, h = 0;
  static std::once_flag once;
  std::call_once(once, [] {
    if (!platform::FontBaseUnits(static_cast<HFONT>(GetStockObject(SYSTEM_FONT)), w, h)) {
      w = 8;
      h = 16;
    }
  });
  return MAKELONG(w, h);
}

HWND CreateDialogIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND parent, DLGPROC proc,
                                LPARAM initParam) {
  if (!dialogTemplate) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CreateFromBytes(instance, reinterpret_cast<const BYTE*>(dialogTemplate), INDIRECT_LIMIT, parent, proc,
                         initParam);
}

HWND CreateDialogParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM initParam) {
  std::vector<BYTE> bytes = ResourceBytes(templateName);
  if (bytes.empty()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  return CreateFromBytes(instance, bytes.data(), bytes.size(), parent, proc, initParam);
}

INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND parent, DLGPROC proc,
                                LPARAM initParam) {
  if (!dialogTemplate) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  platform::ParsedDialog t;
  if (!platform::ParseDialogTemplate(reinterpret_cast<const BYTE*>(dialogTemplate), INDIRECT_LIMIT, t)) {
    SetLastError(ERROR_INVALID_DATA);
    return -1;
  }
  // A modal dialog is never a child window, and it is created hidden so that the loop shows it.
  t.style &= ~static_cast<DWORD>(WS_CHILD);
  t.style |= WS_POPUP;
  t.style &= ~static_cast<DWORD>(WS_VISIBLE);
  HWND dialog = CreateFromParsed(instance, t, parent, proc, initParam);
  if (!dialog) return -1;
  return RunModal(dialog, parent);
}

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM initParam) {
  std::vector<BYTE> bytes = ResourceBytes(templateName);
  if (bytes.empty()) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }
  platform::ParsedDialog t;
  if (!platform::ParseDialogTemplate(bytes.data(), bytes.size(), t)) {
    SetLastError(ERROR_INVALID_DATA);
    return -1;
  }
  t.style &= ~static_cast<DWORD>(WS_CHILD | WS_VISIBLE);
  t.style |= WS_POPUP;
  HWND dialog = CreateFromParsed(instance, t, parent, proc, initParam);
  if (!dialog) return -1;
  return RunModal(dialog, parent);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  bool modal = false;
  if (!UpdateState(dialog, [&](DialogState& s) {
        s.ended = true;
        s.result = result;
        modal = s.modal;
      })) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  // The owner is enabled at once, as Win32 does, so that it is the one activated when the dialog
  // disappears; the modal loop is woken to finish.
  HWND owner = GetWindow(dialog, GW_OWNER);
  if (modal && owner) EnableWindow(owner, TRUE);
  ShowWindow(dialog, SW_HIDE);
  if (modal) PostMessageA(dialog, WM_NULL, 0, 0);
  return TRUE;
}

// ---- the default dialog procedure

namespace {

bool ReturnsProcValue(UINT message) {
  return message == WM_INITDIALOG || (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) ||
         message == 0x0039 /* WM_COMPAREITEM */ || message == 0x002E /* WM_VKEYTOITEM */ ||
         message == 0x002F /* WM_CHARTOITEM */ || message == 0x0037 /* WM_QUERYDRAGICON */;
}

LRESULT DefaultDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      if (!dc) return 0;
      HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageA(dialog, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(dialog)));
      if (!brush) brush = GetSysColorBrush(COLOR_BTNFACE);
      RECT rc;
      GetClientRect(dialog, &rc);
      FillRect(dc, &rc, brush);
      return 1;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetBkColor(dc, GetSysColor(COLOR_WINDOW));
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_CLOSE: {
      // Closing is Cancel, unless the Cancel button is there and disabled.
      HWND cancel = GetDlgItem(dialog, IDCANCEL);
      if (cancel && !IsWindowEnabled(cancel)) {
        MessageBeep(0);
        return 0;
      }
      PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
      return 0;
    }
    case WM_NEXTDLGCTL: {
      HWND target = nullptr;
      if (LOWORD(lParam)) {
        target = reinterpret_cast<HWND>(wParam);
      } else {
        HWND focus = ControlOf(dialog, GetFocus());
        target = GetNextDlgTabItem(dialog, focus, wParam ? TRUE : FALSE);
      }
      if (target && IsChild(dialog, target)) DialogSetFocus(dialog, target);
      return 0;
    }
    case DM_GETDEFID: {
      DialogState s;
      if (GetState(dialog, s) && s.defId) return MAKELRESULT(s.defId, DC_HASDEFID);
      return 0;
    }
    case DM_SETDEFID: {
      UpdateState(dialog, [&](DialogState& s) { s.defId = static_cast<WORD>(wParam); });
      HWND focus = ControlOf(dialog, GetFocus());
      UpdateDefaultButton(dialog, focus && IsPushButton(focus) ? focus : nullptr);
      return TRUE;
    }
    case DM_REPOSITION: {
      RECT rc, work = WorkArea();
      GetWindowRect(dialog, &rc);
      int x = rc.left, y = rc.top;
      if (rc.right > work.right) x = work.right - RectWidth(rc);
      if (rc.bottom > work.bottom) y = work.bottom - RectHeight(rc);
      if (x < work.left) x = work.left;
      if (y < work.top) y = work.top;
      SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_GETFONT: {
      DialogState s;
      return GetState(dialog, s) ? reinterpret_cast<LRESULT>(s.font) : 0;
    }
    case WM_SETFONT:
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(dialog, focus)) UpdateState(dialog, [&](DialogState& s) { s.savedFocus = focus; });
        return 0;
      }
      [[fallthrough]];
    case WM_SETFOCUS: {
      HWND focus = GetFocus();
      if (focus && IsChild(dialog, focus)) return 0;
      DialogState s;
      HWND target = GetState(dialog, s) && s.savedFocus && IsChild(dialog, s.savedFocus) ? s.savedFocus : nullptr;
      if (!target) target = GetNextDlgTabItem(dialog, nullptr, FALSE);
      if (target) {
        SetFocus(target);
      } else if (message == WM_ACTIVATE) {
        return DefWindowProcA(dialog, message, wParam, lParam);
      }
      return 0;
    }
    case WM_SHOWWINDOW:
      if (!wParam) {
        HWND focus = GetFocus();
        if (focus && IsChild(dialog, focus)) UpdateState(dialog, [&](DialogState& s) { s.savedFocus = focus; });
      }
      return DefWindowProcA(dialog, message, wParam, lParam);
    case WM_NCDESTROY: {
      DialogState s;
      {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = States().find(dialog);
        if (it != States().end()) {
          s = it->second;
          States().erase(it);
        }
      }
      if (s.ownsFont && s.font) DeleteObject(s.font);
      return DefWindowProcA(dialog, message, wParam, lParam);
    }
    case WM_INITDIALOG:
    case WM_COMMAND:
      return 0;
    default:
      return DefWindowProcA(dialog, message, wParam, lParam);
  }
}

}  // namespace

LRESULT DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrA(dialog, DWLP_DLGPROC));
  if (proc) {
    INT_PTR handled = proc(dialog, message, wParam, lParam);
    if (ReturnsProcValue(message)) {
      if (handled || message == WM_INITDIALOG) return handled;
    } else if (handled) {
      return IsWindow(dialog) ? GetWindowLongPtrA(dialog, DWLP_MSGRESULT) : 0;
    }
    // A procedure that destroyed its dialog leaves nothing for the default processing.
    if (!IsWindow(dialog)) return 0;
  }
  return DefaultDialogMessage(dialog, message, wParam, lParam);
}

// ---- the keyboard interface

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  std::vector<HWND> list = Controls(dialog);
  if (list.empty()) return nullptr;
  const int n = static_cast<int>(list.size());
  int start = -1;
  if (control) {
    HWND own = ControlOf(dialog, control);
    for (int i = 0; i < n; ++i) {
      if (list[i] == own) start = i;
    }
  }
  const int step = previous ? -1 : 1;
  int i = start < 0 ? (previous ? n : -1) : start;
  for (int k = 0; k < n; ++k) {
    i = (i + step + n) % n;
    if (list[i] == control && start >= 0) break;
    if (IsTabbable(list[i])) return list[i];
  }
  return control;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
  std::vector<HWND> list = Controls(dialog);
  if (list.empty()) return nullptr;
  const int n = static_cast<int>(list.size());
  HWND own = control ? ControlOf(dialog, control) : nullptr;
  int at = 0;
  for (int i = 0; i < n; ++i) {
    if (list[i] == own) at = i;
  }
  auto isGroupStart = [&](int i) { return (GetWindowLongA(list[i], GWL_STYLE) & WS_GROUP) != 0; };
  // The group: from the control with WS_GROUP at or before `at` to the one before the next
  // WS_GROUP control.
  int first = at;
  while (first > 0 && !isGroupStart(first)) --first;
  int last = at;
  while (last + 1 < n && !isGroupStart(last + 1)) ++last;
  const int size = last - first + 1;
  int i = at;
  for (int k = 0; k < size; ++k) {
    i = previous ? (i == first ? last : i - 1) : (i == last ? first : i + 1);
    if (i == at) break;
    if (IsReachable(list[i])) return list[i];
  }
  return own ? own : list[first];
}

namespace {

// The mnemonic of a text: the character after a single '&', upper-cased; 0 for none.
int Mnemonic(const char* text) {
  for (const char* p = text; *p; ++p) {
    if (static_cast<unsigned char>(*p) >= 0x80 && p[1]) {
      ++p;  // the trail byte of a double-byte character
      continue;
    }
    if (*p == '&') {
      if (p[1] == '&') {
        ++p;
        continue;
      }
      int c = static_cast<unsigned char>(p[1]);
      if (c >= 'a' && c <= 'z') c -= 32;
      return c;
    }
  }
  return 0;
}

bool HandleMnemonic(HWND dialog, int ch) {
  if (ch >= 'a' && ch <= 'z') ch -= 32;
  if (ch <= ' ' || ch >= 0x80) return false;
  for (HWND c : Controls(dialog)) {
    if (!IsReachable(c)) continue;
    char text[256];
    GetWindowTextA(c, text, sizeof text);
    if (Mnemonic(text) != ch) continue;
    UINT code = DlgCode(c, nullptr);
    if (code & DLGC_STATIC) {
      // A label gives the focus to the next control that can take it.
      HWND next = GetNextDlgTabItem(dialog, c, FALSE);
      if (next) DialogSetFocus(dialog, next);
      return true;
    }
    if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
      SendMessageA(c, BM_CLICK, 0, 0);
      return true;
    }
    DialogSetFocus(dialog, c);
    if (code & (DLGC_BUTTON | DLGC_RADIOBUTTON)) SendMessageA(c, BM_CLICK, 0, 0);
    return true;
  }
  return false;
}

void PressDefault(HWND dialog, HWND focus) {
  HWND focusControl = ControlOf(dialog, focus);
  if (focusControl && (DlgCode(focusControl, nullptr) & DLGC_DEFPUSHBUTTON)) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focusControl), BN_CLICKED),
                 reinterpret_cast<LPARAM>(focusControl));
    return;
  }
  LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
  int id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
  HWND button = GetDlgItem(dialog, id);
  if (button && !IsWindowEnabled(button)) {
    MessageBeep(0);
    return;
  }
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

}  // namespace

BOOL IsDialogMessageA(HWND dialog, LPMSG msg) {
  if (!dialog || !msg || !IsWindow(dialog)) return FALSE;
  if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
  HWND focus = GetFocus();
  switch (msg->message) {
    case WM_KEYDOWN: {
      UINT code = DlgCode(msg->hwnd, msg);
      if (code & DLGC_WANTALLKEYS) break;
      switch (msg->wParam) {
        case VK_TAB:
          if (code & DLGC_WANTTAB) break;
          SendMessageA(dialog, WM_NEXTDLGCTL, (GetKeyState(VK_SHIFT) & 0x8000) ? 1 : 0, 0);
          return TRUE;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
          if (code & DLGC_WANTARROWS) break;
          HWND from = ControlOf(dialog, focus ? focus : msg->hwnd);
          HWND next = GetNextDlgGroupItem(dialog, from, msg->wParam == VK_LEFT || msg->wParam == VK_UP);
          if (next && next != from) {
            DialogSetFocus(dialog, next);
            // An automatic radio button is checked as the focus comes to it.
            if (DlgCode(next, nullptr) & DLGC_RADIOBUTTON) SendMessageA(next, BM_CLICK, 0, 0);
          }
          return TRUE;
        }
        case VK_RETURN:
          PressDefault(dialog, focus);
          return TRUE;
        case VK_ESCAPE:
          SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                       reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
          return TRUE;
        default:
          break;
      }
      break;
    }
    case WM_CHAR: {
      UINT code = DlgCode(msg->hwnd, msg);
      if (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS)) break;
      // Tab, Enter and Escape were handled as keys.
      if (msg->wParam == '\t' || msg->wParam == '\r' || msg->wParam == 0x1B) return TRUE;
      if (HandleMnemonic(dialog, static_cast<int>(msg->wParam))) return TRUE;
      break;
    }
    case WM_SYSCHAR:
      if (HandleMnemonic(dialog, static_cast<int>(msg->wParam))) return TRUE;
      break;
    default:
      break;
  }
  TranslateMessage(msg);
  DispatchMessageA(msg);
  return TRUE;
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
  int bx = 0, by = 0;
  if (!rect || !platform::DialogBaseUnits(dialog, bx, by)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  rect->left = ScaleDiv(rect->left, bx, 4);
  rect->right = ScaleDiv(rect->right, bx, 4);
  rect->top = ScaleDiv(rect->top, by, 8);
  rect->bottom = ScaleDiv(rect->bottom, by, 8);
  return TRUE;
}

// ---- controls by id

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR buffer, int maxCount) {
  if (!buffer || maxCount <= 0) return 0;
  buffer[0] = '\0';
  HWND control = GetDlgItem(dialog, id);
  if (!control) return 0;
  return static_cast<UINT>(GetWindowTextA(control, buffer, maxCount));
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) return FALSE;
  return SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  if (translated) *translated = FALSE;
  char text[64];
  HWND control = GetDlgItem(dialog, id);
  if (!control) return 0;
  GetWindowTextA(control, text, sizeof text);
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  bool negative = false;
  if (*p == '-' && isSigned) {
    negative = true;
    ++p;
  }
  if (*p < '0' || *p > '9') return 0;
  unsigned long long value = 0;
  while (*p >= '0' && *p <= '9') {
    value = value * 10 + static_cast<unsigned>(*p - '0');
    if (value > 0xFFFFFFFFull) return 0;
    ++p;
  }
  while (*p == ' ' || *p == '\t') ++p;
  if (*p) return 0;
  if (isSigned) {
    if (negative ? value > 0x80000000ull : value > 0x7FFFFFFFull) return 0;
    long long v = negative ? -static_cast<long long>(value) : static_cast<long long>(value);
    if (translated) *translated = TRUE;
    return static_cast<UINT>(static_cast<int>(v));
  }
  if (translated) *translated = TRUE;
  return static_cast<UINT>(value);
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  char text[16];
  if (isSigned) {
    snprintf(text, sizeof text, "%d", static_cast<int>(value));
  } else {
    snprintf(text, sizeof text, "%u", value);
  }
  return SetDlgItemTextA(dialog, id, text);
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
  HWND control = GetDlgItem(dialog, id);
  if (!control) return FALSE;
  SendMessageA(control, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  return control ? static_cast<UINT>(SendMessageA(control, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId) {
  if (firstId > lastId) return FALSE;
  for (int id = firstId; id <= lastId; ++id) {
    HWND control = GetDlgItem(dialog, id);
    if (control) SendMessageA(control, BM_SETCHECK, id == checkId ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  return TRUE;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND control = GetDlgItem(dialog, id);
  return control ? SendMessageA(control, message, wParam, lParam) : 0;
}
