#include "tests/platform/ControlsTestSupport.h"

#include "platform/base/Gbk.h"

namespace controltest {

ParentLog& Log() {
  static ParentLog log;
  return log;
}

namespace {

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      Note n{message, wParam, lParam};
      n.id = LOWORD(wParam);
      n.code = static_cast<SHORT>(HIWORD(wParam));
      Log().notes.push_back(n);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_HSCROLL:
    case WM_VSCROLL:
      Log().notes.push_back(Note{message, wParam, lParam});
      return 0;
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      Note n{message, wParam, lParam};
      n.action = dis->itemAction;
      n.state = dis->itemState;
      n.id = static_cast<int>(dis->CtlID);
      n.item = dis->itemID;
      Log().notes.push_back(n);
      FillSolidRect(dis->hDC, &dis->rcItem, (dis->itemState & ODS_SELECTED) ? RGB(0, 0, 128) : RGB(0, 128, 0));
      return TRUE;
    }
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 20;
      return TRUE;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSCROLLBAR:
      Log().colourAsks.push_back(message);
      if (Log().colourBrush) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        if (Log().textColour != CLR_INVALID) SetTextColor(dc, Log().textColour);
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(Log().colourBrush);
      }
      return DefWindowProcA(hwnd, message, wParam, lParam);
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

POINT ScreenPoint(HWND hwnd, int x, int y) {
  POINT pt{x, y};
  ClientToScreen(hwnd, &pt);
  return pt;
}

}  // namespace

void ControlTest::SetUp() {
  platform::StartDisplay(platform::DisplayBackend::HEADLESS);
  platform::ResetInputState();
  static bool registered = [] {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ParentProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = "ControlParent";
    return RegisterClassA(&wc) != 0;
  }();
  ASSERT_TRUE(registered);
  m_parent = CreateWindowExA(0, "ControlParent", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, 400, 300,
                             nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, m_parent);
  SetForegroundWindow(m_parent);
  Pump();
  Log() = ParentLog{};
}

void ControlTest::TearDown() {
  ReleaseCapture();
  if (IsWindow(m_parent)) DestroyWindow(m_parent);
  Pump();
  if (Log().colourBrush) DeleteObject(Log().colourBrush);
  Log() = ParentLog{};
  platform::ResetInputState();
}

HWND ControlTest::Make(const char* cls, const char* text, DWORD style, int x, int y, int cx, int cy, int id,
                       DWORD exStyle) {
  HWND w = CreateWindowExA(exStyle, cls, text, style | WS_CHILD | WS_VISIBLE, x, y, cx, cy, m_parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  EXPECT_NE(nullptr, w) << cls;
  Pump();
  return w;
}

void ControlTest::Pump() {
  MSG msg;
  int n = 0;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && ++n < 10000) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void ControlTest::MoveTo(HWND hwnd, int x, int y) {
  platform::InjectMouseMove(ScreenPoint(hwnd, x, y));
  Pump();
}

void ControlTest::Press(HWND hwnd, int x, int y) {
  POINT pt = ScreenPoint(hwnd, x, y);
  platform::InjectMouseMove(pt);
  platform::InjectMouseButton(0, true, pt);
  Pump();
}

void ControlTest::Release(HWND hwnd, int x, int y) {
  POINT pt = ScreenPoint(hwnd, x, y);
  platform::InjectMouseMove(pt);
  platform::InjectMouseButton(0, false, pt);
  Pump();
}

void ControlTest::Click(HWND hwnd, int x, int y) {
  // Both events go in before the pump, so that a control that tracks the press in a loop of its
  // own finds the release waiting.
  POINT pt = ScreenPoint(hwnd, x, y);
  platform::InjectMouseMove(pt);
  platform::InjectMouseButton(0, true, pt);
  platform::InjectMouseButton(0, false, pt);
  Pump();
}

void ControlTest::DoubleClick(HWND hwnd, int x, int y) {
  POINT pt = ScreenPoint(hwnd, x, y);
  platform::InjectMouseMove(pt);
  for (int i = 0; i < 2; ++i) {
    platform::InjectMouseButton(0, true, pt);
    platform::InjectMouseButton(0, false, pt);
  }
  Pump();
}

void ControlTest::Wheel(HWND hwnd, int delta) {
  platform::InjectMouseWheel(delta, ScreenPoint(hwnd, 2, 2));
  Pump();
}

void ControlTest::Key(UINT vk, bool shift, bool ctrl) {
  // GetKeyState answers with the keyboard as it is now, so the modifiers are pressed and
  // released around a pump of the key itself.
  if (shift) platform::InjectKey(VK_LSHIFT, true, 0);
  if (ctrl) platform::InjectKey(VK_LCONTROL, true, 0);
  platform::InjectKey(vk, true, 0);
  platform::InjectKey(vk, false, 0);
  Pump();
  if (ctrl) platform::InjectKey(VK_LCONTROL, false, 0);
  if (shift) platform::InjectKey(VK_LSHIFT, false, 0);
  Pump();
}

void ControlTest::Type(const std::string& gbk) {
  platform::InjectText(GbkToUtf8(gbk));
  Pump();
}

void ControlTest::Keys(const std::string& ascii) {
  for (char c : ascii) {
    bool upper = c >= 'A' && c <= 'Z';
    UINT vk = (c >= 'a' && c <= 'z') ? static_cast<UINT>(c - 'a' + 'A') : static_cast<UINT>(c);
    if (upper) platform::InjectKey(VK_SHIFT, true, 0);
    platform::InjectKey(vk, true, 0);
    platform::InjectKey(vk, false, 0);
    if (upper) platform::InjectKey(VK_SHIFT, false, 0);
  }
  Pump();
}

std::string ControlTest::Text(HWND hwnd) {
  int n = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(n) + 1, '\0');
  n = GetWindowTextA(hwnd, text.data(), n + 1);
  text.resize(static_cast<size_t>(n));
  return text;
}

}  // namespace controltest
