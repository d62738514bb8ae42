// The colour bar: band colours as a table, rotation by its timer, and the painted bands.
#include <vector>

#include "controls/ColorBar.h"
#include "platform/kernel/Kernel.h"
#include "platform/user/User.h"
#include "tests/controls/WidgetTestSupport.h"

namespace {

using widgettest::WidgetTest;

TEST(ColorBarBands, FadeFromThePureBand) {
  struct Case {
    COLORREF first, second;
    int pure;
    COLORREF bands[6];
  } cases[] = {
      {RGB(255, 0, 0), RGB(255, 255, 255), 3,
       {RGB(255, 255, 255), RGB(255, 170, 170), RGB(255, 85, 85), RGB(255, 0, 0), RGB(255, 85, 85), RGB(255, 170, 170)}},
      // 100 / 3 rounds to 33.
      {RGB(100, 0, 0), RGB(0, 0, 0), 3,
       {RGB(1, 0, 0), RGB(34, 0, 0), RGB(67, 0, 0), RGB(100, 0, 0), RGB(67, 0, 0), RGB(34, 0, 0)}},
      // 5 / 2 rounds away from zero to 3; a step past the second colour stops at it.
      {RGB(0, 0, 5), RGB(0, 0, 0), 2, {RGB(0, 0, 0), RGB(0, 0, 2), RGB(0, 0, 5), RGB(0, 0, 2), RGB(0, 0, 0), RGB(0, 0, 0)}},
      {RGB(0, 0, 0), RGB(0, 5, 0), 2, {RGB(0, 5, 0), RGB(0, 3, 0), RGB(0, 0, 0), RGB(0, 3, 0), RGB(0, 5, 0), RGB(0, 5, 0)}},
      {RGB(9, 9, 9), RGB(9, 9, 9), 3, {RGB(9, 9, 9), RGB(9, 9, 9), RGB(9, 9, 9), RGB(9, 9, 9), RGB(9, 9, 9), RGB(9, 9, 9)}},
  };
  for (const Case& c : cases) {
    COLORREF bands[6] = {};
    CColorBar::ComputeBands(c.first, c.second, c.pure, bands);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(c.bands[i], bands[i]) << "band " << i << " of first " << c.first;
  }
}

class ColorBarTest : public WidgetTest {
 public:
  void SetUp() override {
    WidgetTest::SetUp();
    ASSERT_TRUE(m_bar.Create("", WS_CHILD | WS_VISIBLE, CRect(10, 10, 70, 20), &m_parent, 1008));
    m_bar.SetColors(RGB(255, 0, 0), RGB(255, 255, 255));
  }
  void TearDown() override {
    m_bar.DestroyWindow();
    WidgetTest::TearDown();
  }
  CColorBar m_bar;
};

TEST_F(ColorBarTest, RotatesOnItsTimer) {
  const COLORREF start[6] = {m_bar.m_bands[0], m_bar.m_bands[1], m_bar.m_bands[2],
                             m_bar.m_bands[3], m_bar.m_bands[4], m_bar.m_bands[5]};
  m_bar.Start(1);
  // Waits for the bar's first tick (bounded, so a lost timer fails instead of hanging).
  DWORD begin = GetTickCount();
  bool ticked = false;
  while (!ticked && GetTickCount() - begin < 3000) {
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      Sleep(1);
      continue;
    }
    if (msg.message == WM_TIMER && msg.hwnd == m_bar.GetSafeHwnd()) ticked = true;
    DispatchMessageA(&msg);
  }
  m_bar.Stop();
  ASSERT_TRUE(ticked);
  EXPECT_FALSE(m_bar.KillTimer(COLORBAR_TIMER));  // stopped
  for (int i = 0; i < 6; ++i) EXPECT_EQ(start[(i + 5) % 6], m_bar.m_bands[i]) << i;
  // Rotating left undoes it.
  m_bar.m_rotateRight = FALSE;
  m_bar.SendMessage(WM_TIMER, COLORBAR_TIMER);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(start[i], m_bar.m_bands[i]) << i;
  // New colours reset the symmetric order.
  m_bar.Rotate();
  m_bar.SetColors(RGB(0, 0, 255), RGB(255, 255, 255));
  EXPECT_EQ(RGB(0, 0, 255), m_bar.m_bands[3]);
  EXPECT_EQ(m_bar.m_bands[2], m_bar.m_bands[4]);
  EXPECT_EQ(m_bar.m_bands[1], m_bar.m_bands[5]);
}

TEST_F(ColorBarTest, PaintsSixBands) {
  std::vector<uint32_t> pixels;
  int w = 0, h = 0;
  ASSERT_TRUE(Capture(m_bar.GetSafeHwnd(), pixels, w, h));
  ASSERT_EQ(60, w);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(m_bar.m_bands[i], PixelAt(pixels, w, i * 10, 5)) << i;
    EXPECT_EQ(m_bar.m_bands[i], PixelAt(pixels, w, i * 10 + 9, 5)) << i;
  }
  Dump("color-bar", pixels, w, h);
  // Vertical bands, and a bar too narrow for six bands: only the last band shows.
  m_bar.m_horizontal = FALSE;
  ASSERT_TRUE(Capture(m_bar.GetSafeHwnd(), pixels, w, h));
  // Ten rows make bands of one row each, the last band taking the remaining five.
  for (int i = 0; i < 5; ++i) EXPECT_EQ(m_bar.m_bands[i], PixelAt(pixels, w, 30, i)) << i;
  for (int y = 5; y < 10; ++y) EXPECT_EQ(m_bar.m_bands[5], PixelAt(pixels, w, 30, y)) << y;
  m_bar.m_horizontal = TRUE;
  m_bar.MoveWindow(10, 10, 5, 10);
  ASSERT_TRUE(Capture(m_bar.GetSafeHwnd(), pixels, w, h));
  ASSERT_EQ(5, w);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(m_bar.m_bands[5], PixelAt(pixels, w, x, 3)) << x;
}

}  // namespace
