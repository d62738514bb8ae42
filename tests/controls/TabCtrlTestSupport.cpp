#include "tests/controls/TabCtrlTestSupport.h"

#include <cstring>
#include <filesystem>

#include "platform/display/Display.h"
#include "platform/user/User.h"
#include "tests/platform/GdiTestCanvas.h"

namespace tabtest {

ParentLog& Log() {
  static ParentLog log;
  return log;
}

namespace {

LRESULT CALLBACK ParentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    TabNotifyRecord record;
    std::memcpy(&record, reinterpret_cast<const void*>(lParam), sizeof(record));
    Log().records.push_back(record);
    if (static_cast<int>(record.hdr.code) == TABN_LABEL_UPDATE) return Log().labelUpdateReply;
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

POINT ScreenPoint(HWND hwnd, int x, int y) {
  POINT pt{x, y};
  ClientToScreen(hwnd, &pt);
  return pt;
}

}  // namespace

void TabCtrlTest::SetUp() {
  platform::StartDisplay(platform::DisplayBackend::HEADLESS);
  platform::ResetInputState();
  static bool registered = [] {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = ParentProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = "TabTestParent";
    return RegisterClassA(&wc) != 0;
  }();
  ASSERT_TRUE(registered);
  m_parent = CreateWindowExA(0, "TabTestParent", "", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, 500, 300,
                             nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, m_parent);
  SetForegroundWindow(m_parent);
  Pump();
  Log() = ParentLog{};
}

void TabCtrlTest::TearDown() {
  ReleaseCapture();
  m_controls.clear();
  if (IsWindow(m_parent)) DestroyWindow(m_parent);
  Pump();
  CWnd::DeleteTempMap();
  Log() = ParentLog{};
  platform::ResetInputState();
}

CCustomTabCtrl* TabCtrlTest::Make(DWORD style, int width, int height, const std::vector<std::string>& labels) {
  auto ctrl = std::make_unique<CCustomTabCtrl>();
  EXPECT_TRUE(ctrl->Create(TAB_CLASS_NAME, "", WS_CHILD | WS_VISIBLE | style, CRect(10, 10, 10 + width, 10 + height),
                           CWnd::FromHandle(m_parent), 1096));
  for (size_t i = 0; i < labels.size(); ++i) {
    EXPECT_EQ(static_cast<int>(i), ctrl->InsertItem(static_cast<int>(i), labels[i].c_str(), static_cast<DWORD>(i + 4)));
  }
  Pump();
  m_controls.push_back(std::move(ctrl));
  return m_controls.back().get();
}

void TabCtrlTest::Pump() {
  MSG msg;
  int n = 0;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) && ++n < 10000) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void TabCtrlTest::InjectMove(HWND hwnd, int x, int y) { platform::InjectMouseMove(ScreenPoint(hwnd, x, y)); }

void TabCtrlTest::InjectButton(HWND hwnd, int x, int y, bool down, int button) {
  POINT pt = ScreenPoint(hwnd, x, y);
  platform::InjectMouseMove(pt);
  platform::InjectMouseButton(button, down, pt);
}

void TabCtrlTest::InjectKey(UINT vk) {
  platform::InjectKey(vk, true, 0);
  platform::InjectKey(vk, false, 0);
}

void TabCtrlTest::InjectKeys(const std::string& ascii) {
  for (char c : ascii) {
    bool upper = c >= 'A' && c <= 'Z';
    UINT vk = (c >= 'a' && c <= 'z') ? static_cast<UINT>(c - 'a' + 'A') : static_cast<UINT>(c);
    if (upper) platform::InjectKey(VK_SHIFT, true, 0);
    InjectKey(vk);
    if (upper) platform::InjectKey(VK_SHIFT, false, 0);
  }
}

void TabCtrlTest::MoveTo(HWND hwnd, int x, int y) {
  InjectMove(hwnd, x, y);
  Pump();
}

void TabCtrlTest::Press(HWND hwnd, int x, int y) {
  InjectButton(hwnd, x, y, true);
  Pump();
}

void TabCtrlTest::Release(HWND hwnd, int x, int y) {
  InjectButton(hwnd, x, y, false);
  Pump();
}

void TabCtrlTest::Click(HWND hwnd, int x, int y, bool ctrl) {
  if (ctrl) platform::InjectKey(VK_LCONTROL, true, 0);
  InjectButton(hwnd, x, y, true);
  InjectButton(hwnd, x, y, false);
  Pump();
  if (ctrl) {
    platform::InjectKey(VK_LCONTROL, false, 0);
    Pump();
  }
}

void TabCtrlTest::RightClick(HWND hwnd, int x, int y) {
  InjectButton(hwnd, x, y, true, 1);
  InjectButton(hwnd, x, y, false, 1);
  Pump();
}

bool TabCtrlTest::Capture(HWND hwnd, std::vector<uint32_t>& pixels, int& width, int& height) {
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
  Pump();
  return platform::CaptureWindow(hwnd, pixels, width, height);
}

COLORREF TabCtrlTest::PixelAt(const std::vector<uint32_t>& pixels, int width, int x, int y) {
  uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

std::string TabCtrlTest::Hash(const std::vector<uint32_t>& pixels) {
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

void TabCtrlTest::Dump(const std::string& name, const std::vector<uint32_t>& pixels, int width, int height) {
  std::string dir = PXQD_CONTROL_DUMP_DIR;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  gditest::WritePng(dir + "/" + name + ".png", pixels.data(), width, height, width * 4);
}

}  // namespace tabtest
