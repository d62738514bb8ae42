#include "tests/controls/WidgetTestSupport.h"

#include <cstdio>
#include <filesystem>

#include "platform/display/Display.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"
#include "tests/platform/GdiTestCanvas.h"

namespace widgettest {

BOOL RecordingParent::OnCommand(WPARAM wParam, LPARAM lParam) {
  commands.push_back(Command{static_cast<int>(LOWORD(wParam)), static_cast<int>(HIWORD(wParam))});
  return CWnd::OnCommand(wParam, lParam);
}

namespace {
POINT ScreenPoint(HWND hwnd, int x, int y) {
  POINT pt{x, y};
  ClientToScreen(hwnd, &pt);
  return pt;
}
}  // namespace

void WidgetTest::SetUp() {
  platform::StartDisplay(platform::DisplayBackend::HEADLESS);
  platform::ResetInputState();
  ASSERT_TRUE(m_parent.CreateEx(0, AfxRegisterWndClass(CS_DBLCLKS, nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)), "parent",
                                WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, 500, 300, nullptr, nullptr));
  SetForegroundWindow(m_parent.GetSafeHwnd());
  Pump();
}

void WidgetTest::TearDown() {
  ReleaseCapture();
  if (m_parent.GetSafeHwnd() != nullptr) m_parent.DestroyWindow();
  Pump();
  CWnd::DeleteTempMap();
  platform::ResetInputState();
}

void WidgetTest::Pump() {
  MSG msg;
  int n = 0;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && ++n < 10000) {
    if (CWnd::WalkPreTranslateTree(nullptr, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void WidgetTest::MoveTo(HWND hwnd, int x, int y) {
  platform::InjectMouseMove(ScreenPoint(hwnd, x, y));
  Pump();
}

void WidgetTest::Press(HWND hwnd, int x, int y) {
  POINT pt = ScreenPoint(hwnd, x, y);
  platform::InjectMouseMove(pt);
  platform::InjectMouseButton(0, true, pt);
  Pump();
}

void WidgetTest::Release(HWND hwnd, int x, int y) {
  POINT pt = ScreenPoint(hwnd, x, y);
  platform::InjectMouseMove(pt);
  platform::InjectMouseButton(0, false, pt);
  Pump();
}

void WidgetTest::Click(HWND hwnd, int x, int y) {
  Press(hwnd, x, y);
  Release(hwnd, x, y);
}

void WidgetTest::DoubleClick(HWND hwnd, int x, int y) {
  Click(hwnd, x, y);
  Click(hwnd, x, y);
}

bool WidgetTest::Capture(HWND hwnd, std::vector<uint32_t>& pixels, int& width, int& height) {
  InvalidateRect(hwnd, nullptr, TRUE);
  UpdateWindow(hwnd);
  Pump();
  return platform::CaptureWindow(hwnd, pixels, width, height);
}

COLORREF WidgetTest::PixelAt(const std::vector<uint32_t>& pixels, int width, int x, int y) {
  uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

std::string WidgetTest::Hash(const std::vector<uint32_t>& pixels) {
  uint64_t h = 1469598103934665603ULL;
  for (uint32_t p : pixels) {
    for (int shift = 0; shift < 24; shift += 8) {
      h ^= (p >> shift) & 0xFF;
      h *= 1099511628211ULL;
    }
  }
  char text[17];
  snprintf(text, sizeof(text), "%016llx", static_cast<unsigned long long>(h));
  return text;
}

void WidgetTest::Dump(const std::string& name, const std::vector<uint32_t>& pixels, int width, int height) {
  std::string dir = PXQD_CONTROL_DUMP_DIR;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  gditest::WritePng(dir + "/" + name + ".png", pixels.data(), width, height, width * 4);
}

void WidgetTest::DumpCanvas(const std::string& name, const gditest::Canvas& canvas) {
  std::vector<uint32_t> pixels;
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) pixels.push_back(canvas.Raw(x, y));
  }
  Dump(name, pixels, canvas.Width(), canvas.Height());
}

HICON WidgetTest::MakeIcon(COLORREF ink, COLORREF edge, int size) {
  HDC screen = GetDC(nullptr);
  HBITMAP color = CreateCompatibleBitmap(screen, size, size);
  HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, color);
  RECT all{0, 0, size, size};
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  FillRect(dc, &all, black);
  RECT outer{2, 2, size - 2, size - 2};
  HBRUSH e = CreateSolidBrush(edge);
  FillRect(dc, &outer, e);
  RECT inner{3, 3, size - 3, size - 3};
  HBRUSH i = CreateSolidBrush(ink);
  FillRect(dc, &inner, i);
  SelectObject(dc, mask);
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  FillRect(dc, &all, white);
  FillRect(dc, &outer, black);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  ICONINFO info{};
  info.fIcon = TRUE;
  info.xHotspot = static_cast<DWORD>(size / 2);
  info.yHotspot = static_cast<DWORD>(size / 2);
  info.hbmMask = mask;
  info.hbmColor = color;
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(mask);
  DeleteObject(color);
  DeleteObject(black);
  DeleteObject(e);
  DeleteObject(i);
  DeleteObject(white);
  return icon;
}

}  // namespace widgettest
