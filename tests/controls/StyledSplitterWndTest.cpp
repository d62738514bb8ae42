// The styled splitter as a window: its metrics and size rule placing real panes, and its bar
// styles drawn by its own paint, with the skin pictures tiled across the bars.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/StyledSplitterWnd.h"
#include "platform/display/Display.h"
#include "platform/mfc/DocView.h"
#include "platform/user/User.h"
#include "tests/controls/ControlRendering.h"

namespace {

const COLORREF PANE = RGB(255, 255, 255);

class CPaneView : public CView {
  DECLARE_DYNCREATE(CPaneView)

 public:
  void OnDraw(CDC* pDC) override {
    CRect rc;
    GetClientRect(&rc);
    pDC->FillSolidRect(&rc, PANE);
  }
};
IMPLEMENT_DYNCREATE(CPaneView, CView)

// A pattern bitmap whose pixel (x, y) is RGB(x * 40, y * 40, blue).
HBITMAP Pattern(int w, int h, int blue) {
  std::vector<uint32_t> bits;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) bits.push_back((static_cast<uint32_t>(x * 40) << 16) | (y * 40 << 8) | blue);
  }
  return CreateBitmap(w, h, 1, 32, bits.data());
}

class StyledSplitter : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::StartDisplay(platform::DisplayBackend::HEADLESS);
    ASSERT_TRUE(m_parent.CreateEx(0, AfxRegisterWndClass(0), "host", WS_POPUP | WS_VISIBLE, 0, 0, 200, 120, nullptr,
                                  nullptr));
    ASSERT_TRUE(m_split.CreateStatic(&m_parent, 2, 2));
    for (int r = 0; r < 2; ++r) {
      for (int c = 0; c < 2; ++c) ASSERT_TRUE(m_split.CreateView(r, c, RUNTIME_CLASS(CPaneView), CSize(80, 50), nullptr));
    }
    m_split.MoveWindow(0, 0, 200, 120);
  }
  void TearDown() override {
    m_split.DestroyWindow();
    m_parent.DestroyWindow();
    for (HBITMAP b : m_bitmaps) DeleteObject(b);
  }
  CRect PaneRect(int row, int col) {
    CRect r;
    ::GetWindowRect(m_split.GetPane(row, col)->GetSafeHwnd(), &r);
    m_split.ScreenToClient(&r);
    return r;
  }
  std::vector<uint32_t> Capture(int& w, int& h) {
    m_split.Invalidate();
    m_split.UpdateWindow();
    MSG msg;
    for (int i = 0; i < 1000 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) DispatchMessageA(&msg);
    std::vector<uint32_t> px;
    platform::CaptureWindow(m_parent.GetSafeHwnd(), px, w, h);
    return px;
  }
  CWnd m_parent;
  CStyledSplitterWnd m_split;
  std::vector<HBITMAP> m_bitmaps;
};

TEST_F(StyledSplitter, ThinBarsAndOnePixelBorder) {
  // Inside 198 x 118 from (1, 1); columns 80 and 198 - 80 - 5; rows 50 and 118 - 50 - 5.
  EXPECT_EQ(PaneRect(0, 0), CRect(1, 1, 81, 51));
  EXPECT_EQ(PaneRect(1, 1), CRect(86, 56, 199, 119));
  // A row whose minimum no longer fits disappears; its room and the bar go to the row above.
  m_split.SetRowInfo(1, 50, 80);
  m_split.RecalcLayout();
  int cur = 0, min = 0;
  m_split.GetRowInfo(0, cur, min);
  EXPECT_EQ(cur, 50 + 63 + 2);
  m_split.GetRowInfo(1, cur, min);
  EXPECT_EQ(cur, 0);
}

TEST_F(StyledSplitter, BarStylesRendered) {
  m_bitmaps = {Pattern(3, 4, 200), Pattern(4, 3, 100), Pattern(2, 2, 0)};
  gditest::Canvas sheet(5 * 210, 130, RGB(128, 128, 128));
  for (int style = 0; style <= 4; ++style) {
    SCOPED_TRACE(style);
    m_split.SetBarStyle(style);
    m_split.SetBarBitmaps(m_bitmaps[0], m_bitmaps[1]);
    m_split.m_gripper = m_bitmaps[2];
    m_split.m_color = RGB(0, 160, 0);
    int w = 0, h = 0;
    std::vector<uint32_t> px = Capture(w, h);
    ASSERT_EQ(w, 200);
    ASSERT_EQ(h, 120);
    auto at = [&](int x, int y) {
      uint32_t p = px[static_cast<size_t>(y) * w + x];
      return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    };
    std::filesystem::create_directories(PXQD_CONTROL_DUMP_DIR);
    gditest::WritePng(std::string(PXQD_CONTROL_DUMP_DIR) + "/splitter-window-style-" + std::to_string(style) + ".png",
                      px.data(), w, h, w * 4);
    // The vertical bar runs at x 81..85, the horizontal one at y 51..55, each across the whole
    // splitter; their crossing is the platform's.
    switch (style) {
      case 0:
        EXPECT_EQ(at(0, 0), GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(at(199, 119), GetSysColor(COLOR_BTNHIGHLIGHT));
        break;
      case 1:
        EXPECT_EQ(at(0, 0), GetSysColor(COLOR_GRAYTEXT));
        EXPECT_EQ(at(83, 20), RGB(0, 160, 0));
        EXPECT_EQ(at(40, 53), RGB(0, 160, 0));
        break;
      case 2:
      case 3:
        // Anchored at the splitter's client origin: one pattern across both bars.
        EXPECT_EQ(at(83, 30), RGB((83 % 3) * 40, (30 % 4) * 40, 200));
        EXPECT_EQ(at(150, 53), RGB((150 % 4) * 40, (53 % 3) * 40, 100));
        if (style == 3) {
          // The gripper at each bar's top-left corner: the bars run across the whole splitter.
          EXPECT_EQ(at(81, 0), RGB(0, 0, 0));
          EXPECT_EQ(at(82, 1), RGB(40, 40, 0));
          EXPECT_EQ(at(1, 52), RGB(40, 40, 0));
        }
        break;
      case 4:
        EXPECT_EQ(at(0, 0), RGB(0, 160, 0));
        EXPECT_EQ(at(83, 20), RGB(0, 160, 0));
        break;
    }
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) SetPixelV(sheet.Dc(), style * 210 + 5 + x, 5 + y, at(x, y));
    }
  }
  controltest::SaveRendering(sheet, "splitter-window-styles");

  // After a skin switch the new pictures show at the next paint.
  m_bitmaps.push_back(Pattern(5, 5, 50));
  m_bitmaps.push_back(Pattern(6, 2, 250));
  m_split.SetBarStyle(2);
  m_split.SetBarBitmaps(m_bitmaps[3], m_bitmaps[4]);
  int w = 0, h = 0;
  std::vector<uint32_t> px = Capture(w, h);
  auto at = [&](int x, int y) {
    uint32_t p = px[static_cast<size_t>(y) * w + x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  };
  EXPECT_EQ(at(83, 30), RGB((83 % 5) * 40, (30 % 5) * 40, 50));
  EXPECT_EQ(at(150, 53), RGB((150 % 6) * 40, (53 % 2) * 40, 250));
}

}  // namespace
