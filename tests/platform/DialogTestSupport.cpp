#include "tests/platform/DialogTestSupport.h"

#include <filesystem>

#include "platform/base/RectUtil.h"
#include "tests/platform/GdiTestCanvas.h"

namespace dlgtest {
namespace {

constexpr DWORD TYPE_MASK = 0x0F;
constexpr DWORD T_DEFPUSH = 1;
constexpr DWORD T_RADIO = 4;
constexpr DWORD T_AUTORADIO = 9;
constexpr DWORD SS_ICON_TYPE = 3;
constexpr DWORD SS_NOPREFIX_BIT = 0x80;
constexpr DWORD ES_MULTILINE_BIT = 0x4;
constexpr DWORD ES_WANTRETURN_BIT = 0x1000;
constexpr UINT STM_SETICON_MSG = 0x0170;
constexpr UINT STM_GETICON_MSG = 0x0171;

// Window bytes of the stand-ins: the font, then the check state or the icon.
constexpr int FONT_SLOT = 0;
constexpr int VALUE_SLOT = sizeof(LONG_PTR);

DWORD StyleOf(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }

void Record(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETFONT || message == WM_SETFOCUS || message == WM_KILLFOCUS || message == BM_SETSTYLE ||
      message == EM_SETSEL || message == BM_CLICK || message == BM_SETCHECK) {
    Log().push_back(Seen{hwnd, message, wParam, lParam});
  }
}

HFONT FontOf(HWND hwnd) { return reinterpret_cast<HFONT>(GetWindowLongPtrA(hwnd, FONT_SLOT)); }

// Common answers of the stand-ins; true when handled.
bool Common(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  Record(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_SETFONT:
      SetWindowLongPtrA(hwnd, FONT_SLOT, static_cast<LONG_PTR>(wParam));
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      result = 0;
      return true;
    case WM_GETFONT:
      result = GetWindowLongPtrA(hwnd, FONT_SLOT);
      return true;
    case WM_SETTEXT:
      result = DefWindowProcA(hwnd, message, wParam, lParam);
      InvalidateRect(hwnd, nullptr, TRUE);
      return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(hwnd, nullptr, TRUE);
      result = 0;
      return true;
    default:
      return false;
  }
}

void DrawLabel(HWND hwnd, HDC dc, RECT rc, UINT format) {
  char text[512];
  GetWindowTextA(hwnd, text, sizeof text);
  HGDIOBJ old = FontOf(hwnd) ? SelectObject(dc, FontOf(hwnd)) : nullptr;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  DrawTextA(dc, text, -1, &rc, format);
  if (old) SelectObject(dc, old);
}

void Notify(HWND hwnd) {
  SendMessageA(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), BN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
}

LRESULT CALLBACK ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT r = 0;
  if (Common(hwnd, message, wParam, lParam, r)) return r;
  DWORD type = StyleOf(hwnd) & TYPE_MASK;
  switch (message) {
    case WM_GETDLGCODE:
      if (type == 0) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      if (type == T_DEFPUSH) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (type == T_RADIO || type == T_AUTORADIO) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      return DLGC_BUTTON;
    case BM_SETSTYLE:
      SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>((StyleOf(hwnd) & ~TYPE_MASK) | (wParam & TYPE_MASK)));
      if (lParam) InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case BM_SETCHECK:
      SetWindowLongPtrA(hwnd, VALUE_SLOT, static_cast<LONG_PTR>(wParam));
      return 0;
    case BM_GETCHECK:
      return GetWindowLongPtrA(hwnd, VALUE_SLOT);
    case BM_CLICK:
      if (type == T_AUTORADIO) {
        // An automatic radio button checks itself and clears the others of its group.
        HWND dialog = GetParent(hwnd);
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
          if ((StyleOf(c) & TYPE_MASK) == T_AUTORADIO) SetWindowLongPtrA(c, VALUE_SLOT, c == hwnd ? 1 : 0);
        }
      }
      Notify(hwnd);
      return 0;
    case WM_LBUTTONDOWN:
      SetCapture(hwnd);
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd) {
        ReleaseCapture();
        SendMessageA(hwnd, BM_CLICK, 0, 0);
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
      if (type == T_DEFPUSH) {
        FrameRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&rc, -1, -1);
      }
      DrawEdge(dc, &rc, EDGE_RAISED, BF_RECT);
      DrawLabel(hwnd, dc, rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      if (GetFocus() == hwnd) {
        RECT focus = rc;
        InflateRect(&focus, -4, -4);
        DrawFocusRect(dc, &focus);
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT r = 0;
  if (Common(hwnd, message, wParam, lParam, r)) return r;
  switch (message) {
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case STM_SETICON_MSG: {
      LONG_PTR old = SetWindowLongPtrA(hwnd, VALUE_SLOT, static_cast<LONG_PTR>(wParam));
      InvalidateRect(hwnd, nullptr, TRUE);
      return old;
    }
    case STM_GETICON_MSG:
      return GetWindowLongPtrA(hwnd, VALUE_SLOT);
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
      if ((StyleOf(hwnd) & 0x1F) == SS_ICON_TYPE) {
        if (HICON icon = reinterpret_cast<HICON>(GetWindowLongPtrA(hwnd, VALUE_SLOT))) DrawIcon(dc, 0, 0, icon);
      } else {
        DrawLabel(hwnd, dc, rc, DT_WORDBREAK | DT_EXPANDTABS | ((StyleOf(hwnd) & SS_NOPREFIX_BIT) ? DT_NOPREFIX : 0));
      }
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

LRESULT CALLBACK EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT r = 0;
  if (Common(hwnd, message, wParam, lParam, r)) return r;
  switch (message) {
    case WM_GETDLGCODE: {
      LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
      auto* msg = reinterpret_cast<const MSG*>(lParam);
      DWORD style = StyleOf(hwnd);
      if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN && (style & ES_MULTILINE_BIT) &&
          (style & ES_WANTRETURN_BIT)) {
        code |= DLGC_WANTALLKEYS;
      }
      return code;
    }
    case EM_SETSEL:
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
      DrawEdge(dc, &rc, EDGE_SUNKEN, BF_RECT);
      InflateRect(&rc, -3, -2);
      DrawLabel(hwnd, dc, rc, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

void RegisterIfMissing(const char* name, WNDPROC proc) {
  WNDCLASSA existing{};
  if (GetClassInfoA(nullptr, name, &existing)) return;
  WNDCLASSA wc{};
  wc.lpfnWndProc = proc;
  wc.cbWndExtra = 2 * sizeof(LONG_PTR);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  RegisterClassA(&wc);
}

std::vector<std::function<void()>> g_steps;
size_t g_nextStep = 0;

void CALLBACK StepTimer(HWND, UINT, UINT_PTR id, DWORD) {
  if (g_nextStep >= g_steps.size()) {
    KillTimer(nullptr, id);
    return;
  }
  auto step = g_steps[g_nextStep++];
  step();
}

}  // namespace

std::vector<Seen>& Log() {
  static std::vector<Seen> log;
  return log;
}

std::vector<std::pair<HWND, UINT>> Pairs(const std::vector<UINT>& keep) {
  std::vector<std::pair<HWND, UINT>> out;
  for (const Seen& s : Log()) {
    if (std::find(keep.begin(), keep.end(), s.message) != keep.end()) out.emplace_back(s.hwnd, s.message);
  }
  return out;
}

void EnsureControls() {
  RegisterIfMissing("Button", ButtonProc);
  RegisterIfMissing("Static", StaticProc);
  RegisterIfMissing("Edit", EditProc);
  // Plain top-level windows to own dialogs.
  RegisterIfMissing("DlgTestOwner", DefWindowProcA);
}

void Pump(HWND dialog) {
  MSG msg;
  for (int n = 0; n < 10000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++n) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (dialog && IsWindow(dialog) && IsDialogMessageA(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// The modifier is pressed and its message handled before the key comes, as a person types.
void Press(HWND dialog, UINT vk, bool shift) {
  if (shift) {
    platform::InjectKey(VK_SHIFT, true, 0x2A);
    Pump(dialog);
  }
  platform::InjectKey(vk, true, 0);
  platform::InjectKey(vk, false, 0);
  Pump(dialog);
  if (shift) {
    platform::InjectKey(VK_SHIFT, false, 0x2A);
    Pump(dialog);
  }
}

void PressAlt(HWND dialog, UINT vk) {
  platform::InjectKey(VK_MENU, true, 0x38);
  Pump(dialog);
  platform::InjectKey(vk, true, 0);
  platform::InjectKey(vk, false, 0);
  Pump(dialog);
  platform::InjectKey(VK_MENU, false, 0x38);
  Pump(dialog);
}

void Click(HWND hwnd) {
  RECT rc;
  GetWindowRect(hwnd, &rc);
  POINT pt{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
  platform::InjectMouseMove(pt);
  platform::InjectMouseButton(0, true, pt);
  platform::InjectMouseButton(0, false, pt);
}

UINT_PTR RunSteps(std::vector<std::function<void()>> steps, UINT elapse) {
  g_steps = std::move(steps);
  g_nextStep = 0;
  return SetTimer(nullptr, 0, elapse, StepTimer);
}

bool SaveWindowPng(HWND hwnd, const std::string& name) {
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  if (!platform::CaptureWindow(hwnd, px, w, h)) return false;
  std::filesystem::path dir(PXQD_DIALOG_DUMP_DIR);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return gditest::WritePng((dir / (name + ".png")).string(), px.data(), w, h, w * 4);
}

}  // namespace dlgtest
