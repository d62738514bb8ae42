// The tab control's painting: exact pixels of the background, the tab fills and outlines, the
// glyphs and the base line, the quarter turn of a vertical strip, and stored hashes of the
// control in its states. Every rendering is also written to build/tests/control-renderings.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/display/Display.h"
#include "tests/controls/TabCtrlTestSupport.h"

namespace tabtest {
namespace {

struct Shot {
  std::vector<uint32_t> pixels;
  int width = 0;
  int height = 0;
  COLORREF At(int x, int y) const { return TabCtrlTest::PixelAt(pixels, width, x, y); }
};

class TabPaintTest : public TabCtrlTest {
 protected:
  Shot Take(CCustomTabCtrl* ctrl, const std::string& name) {
    Shot shot;
    EXPECT_TRUE(Capture(ctrl->m_hWnd, shot.pixels, shot.width, shot.height));
    Dump(name, shot.pixels, shot.width, shot.height);
    return shot;
  }
};

const COLORREF BACKGROUND = RGB(0x53, 0x84, 0x67);
const COLORREF LIGHT = RGB(0x6A, 0xA3, 0x72);
const COLORREF DARK = RGB(0x30, 0x5B, 0x44);

TEST_F(TabPaintTest, TabsOutlinesAndBaseLine) {
  // Tabs hanging from a base line at y 1 (the strip sits below its content).
  CCustomTabCtrl* ctrl = Make(TABSTYLE_AUTOHIDE_BUTTONS, 300, 20, {"one", "two", "three"});
  ctrl->SetCurSel(1);
  Shot s = Take(ctrl, "tab-bottom-selected");
  const COLORREF text = GetSysColor(COLOR_BTNTEXT);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  const RECT t0 = ctrl->GetItem(0)->m_tabRect;
  const RECT t1 = ctrl->GetItem(1)->m_tabRect;
  const RECT t2 = ctrl->GetItem(2)->m_tabRect;
  EXPECT_EQ(BACKGROUND, s.At(299, 10));
  // Fills: the selected tab light, the others dark (inside, away from labels and outlines).
  EXPECT_EQ(DARK, s.At(t0.left + 6, 4));
  EXPECT_EQ(LIGHT, s.At(t1.left + 6, 4));
  EXPECT_EQ(DARK, s.At(t2.right - 6, 4));
  // Outline: Q0 (l, t) starts the left slant; the narrow edge is drawn in the shadow colour.
  EXPECT_EQ(text, s.At(t0.left, t0.top));
  EXPECT_EQ(shadow, s.At((t0.left + t0.right) / 2, t0.bottom));
  // The unselected full tab has the extra shadow slant one pixel left of its right slant; the
  // selected one has none.
  auto rightEdge = [&](const RECT& t, int y) {
    int x = t.right + 2;
    while (x > t.left && s.At(x, y) == BACKGROUND) --x;
    return x;
  };
  const int mid = (t2.top + t2.bottom) / 2;
  int x2 = rightEdge(t2, mid);
  EXPECT_EQ(text, s.At(x2, mid));
  EXPECT_EQ(shadow, s.At(x2 - 1, mid));
  EXPECT_EQ(DARK, s.At(x2 - 2, mid));
  int x1 = t1.right + 1;
  while (x1 > t1.left && s.At(x1, mid) != text) --x1;
  EXPECT_NE(shadow, s.At(x1 - 1, mid));
  EXPECT_NE(text, s.At(x1 - 1, mid));
  // The base line at y 1 runs from the start up to the selected tab and on after it.
  EXPECT_EQ(text, s.At(2, 1));
  EXPECT_EQ(LIGHT, s.At((t1.left + t1.right) / 2, 1));
  EXPECT_EQ(text, s.At(t2.right - 2, 1));
  EXPECT_EQ(BACKGROUND, s.At(t2.right + 3, 1));
}

TEST_F(TabPaintTest, ScrollButtonsAndTheGlyphStrip) {
  // Thickness 15: 12-pixel buttons in a 27-pixel area, glyphs 2 pixels into each face.
  CCustomTabCtrl* ctrl = Make(TABSTYLE_TOP, 200, 15, {"alpha", "beta", "gamma", "delta", "epsilon"});
  ctrl->SetCurSel(0);
  Shot s = Take(ctrl, "tab-top-scroll-buttons");
  const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  // The previous face spans x 1..12, y 1..12 (standing on the base line); its glyph at (3, 3).
  // Glyph 1, the left-pointing triangle: row 3 is 0xC7 = ink at columns 2-4 (bits 0 are ink).
  const int gx = 1 + (12 - 8) / 2;
  const int gy = 1 + (12 - 7) / 2;
  std::string row3;
  for (int c = 0; c < 8; ++c) row3 += s.At(gx + c, gy + 3) == ink ? '#' : '.';
  EXPECT_EQ("..###...", row3);
  std::string row0;
  for (int c = 0; c < 8; ++c) row0 += s.At(gx + c, gy) == ink ? '#' : '.';
  EXPECT_EQ(".....#..", row0);  // 0xFB
  // Glyph 2 on the next face (x 14..25): row 0 is 0xDF, ink at column 2.
  const int nx = 14 + (12 - 8) / 2;
  std::string next0;
  for (int c = 0; c < 8; ++c) next0 += s.At(nx + c, gy) == ink ? '#' : '.';
  EXPECT_EQ("..#.....", next0);
  // Background of the glyph cell keeps the face colour.
  EXPECT_EQ(face, s.At(gx, gy + 3));
  // The button area's outline and the base line at y H - 2 = 13.
  EXPECT_EQ(ink, s.At(0, 5));
  EXPECT_EQ(ink, s.At(26, 5));
  EXPECT_EQ(ink, s.At(ctrl->GetItem(0)->m_tabRect.right + 2, 13));
}

TEST_F(TabPaintTest, PressedButtonLooksPushedAndHotLooksNormal) {
  CCustomTabCtrl* ctrl = Make(0, 200, 20, {"alpha", "beta", "gamma", "delta", "epsilon"});
  Shot normal = Take(ctrl, "tab-buttons-normal");
  MoveTo(ctrl->m_hWnd, 25, 10);
  ASSERT_EQ(TABBTN_HOT, ctrl->GetButtonState(TABBTN_NEXT));
  Shot hot = Take(ctrl, "tab-buttons-hot");
  EXPECT_EQ(Hash(normal.pixels), Hash(hot.pixels));
  ctrl->RecalcLayout(LAYOUT_FIRST, -1);
  Press(ctrl->m_hWnd, 25, 10);
  ASSERT_EQ(TABBTN_PRESSED, ctrl->GetButtonState(TABBTN_NEXT));
  Shot pressed = Take(ctrl, "tab-buttons-pressed");
  // The pushed frame differs from the raised one on the next face only... and the strip moved
  // one tab, so compare the face alone.
  bool differs = false;
  for (int y = 2; y < 19; ++y) {
    for (int x = 19; x < 36; ++x) differs = differs || pressed.At(x, y) != normal.At(x, y);
  }
  EXPECT_TRUE(differs);
  for (int y = 2; y < 19; ++y) EXPECT_EQ(normal.At(5, y), pressed.At(5, y)) << y;
  Release(ctrl->m_hWnd, 25, 10);
}

TEST_F(TabPaintTest, VerticalStripIsTurnedAQuarterCounterClockwise) {
  CCustomTabCtrl* ctrl = Make(TABSTYLE_VERTICAL | TABSTYLE_AUTOHIDE_BUTTONS, 20, 200, {"one", "two"});
  ctrl->SetCurSel(0);
  Shot s = Take(ctrl, "tab-vertical");
  ASSERT_EQ(20, s.width);
  ASSERT_EQ(200, s.height);
  const RECT t0 = ctrl->GetItem(0)->m_tabRect;
  const RECT t1 = ctrl->GetItem(1)->m_tabRect;
  // Strip (x, y) shows at client (y, L - 1 - x): tab 0 at the bottom, the strip's top edge at
  // the left.
  EXPECT_EQ(LIGHT, s.At(4, 199 - (t0.left + 8)));
  EXPECT_EQ(DARK, s.At(4, 199 - (t1.right - 8)));
  EXPECT_EQ(BACKGROUND, s.At(10, 2));
  EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), s.At(1, 199 - (t1.right - 3)));  // the base line
}

TEST_F(TabPaintTest, ButtonsAfterAndCloseButton) {
  CCustomTabCtrl* ctrl = Make(TABSTYLE_BUTTONS_AFTER | TABSTYLE_CLOSE_BUTTON | TABSTYLE_FOUR_BUTTONS, 300, 20,
                              {"alpha", "beta", "gamma", "delta", "epsilon", "zeta"});
  ctrl->SetCurSel(2);
  Shot s = Take(ctrl, "tab-buttons-after-close");
  const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
  // The close face is x 282..298; its cross glyph (0x3C in row 0: ink at columns 0, 1, 6, 7)
  // sits at 282 + 4 + 1 (odd face width).
  const int cx = 282 + (17 - 8) / 2 + 1;
  const int cy = 2 + (17 - 7) / 2;
  std::string row0;
  for (int c = 0; c < 8; ++c) row0 += s.At(cx + c, cy) == ink ? '#' : '.';
  EXPECT_EQ("##....##", row0);
  EXPECT_EQ(LIGHT, s.At(ctrl->GetItem(2)->m_tabRect.left + 8, 4));
}

// Stored hashes of the control in its states. The renderings depend on the CJK font of the
// drawing layer; the PNG files show what each hash stands for.
TEST_F(TabPaintTest, RenderingsInTheirStates) {
  struct Case {
    const char* name;
    DWORD style;
    int width;
    int height;
    int selection;
    int scroll;
    int highlight;
    const char* hash;
  } cases[] = {
      {"tab-state-top", TABSTYLE_TOP | TABSTYLE_AUTOHIDE_BUTTONS, 320, 20, 1, 0, -1, "c19cb84d0b8ff5f0"},
      {"tab-state-scrolled", TABSTYLE_TOP, 220, 20, 4, 2, -1, "4d64fd350db37b81"},
      {"tab-state-highlight", TABSTYLE_MULTI_HIGHLIGHT | TABSTYLE_CLOSE_BUTTON, 320, 22, 0, 0, 2, "a520006416304ed4"},
      {"tab-state-four-after", TABSTYLE_FOUR_BUTTONS | TABSTYLE_BUTTONS_AFTER, 260, 18, 3, 1, -1, "6490ef8fc416b8c7"},
      {"tab-state-vertical-top", TABSTYLE_VERTICAL | TABSTYLE_TOP, 20, 220, 1, 1, -1, "fc23beb78f16d965"},
  };
  for (const Case& c : cases) {
    CCustomTabCtrl* ctrl = Make(c.style, c.width, c.height, {"一局", "记录", "third", "四号", "fifth", "sixth"});
    ctrl->SetCurSel(c.selection);
    for (int i = 0; i < c.scroll; ++i) ctrl->RecalcLayout(LAYOUT_SCROLL_RIGHT, c.selection);
    if (c.highlight >= 0) ctrl->UpdateHighlight(c.highlight, 0, MK_CONTROL);
    Shot s = Take(ctrl, c.name);
    std::string hash = Hash(s.pixels);
    std::printf("%s %s\n", c.name, hash.c_str());
    if (c.hash) {
      EXPECT_EQ(c.hash, hash) << c.name;
    }
    ctrl->DestroyWindow();
  }
}

CCustomTabCtrl* g_painting = nullptr;
Shot* g_editShot = nullptr;

void CALLBACK ShootWhileEditing(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  // No pump here: the edit's own loop must be the one to take the queued keys.
  RedrawWindow(g_painting->m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  platform::CaptureWindow(g_painting->m_hWnd, g_editShot->pixels, g_editShot->width, g_editShot->height);
  platform::InjectKey(VK_ESCAPE, true, 0);
  platform::InjectKey(VK_ESCAPE, false, 0);
}

TEST_F(TabPaintTest, EditingRendering) {
  CCustomTabCtrl* ctrl = Make(TABSTYLE_EDIT_LABELS | TABSTYLE_AUTOHIDE_BUTTONS | TABSTYLE_TOP, 320, 22,
                              {"records", "rounds", "totals"});
  ctrl->SetCurSel(1);
  Shot shot;
  g_painting = ctrl;
  g_editShot = &shot;
  const RECT& rc = ctrl->GetItem(1)->m_textRect;
  POINT p{(rc.left + rc.right) / 2, 10};
  for (int i = 0; i < 2; ++i) {
    InjectButton(ctrl->m_hWnd, p.x, p.y, true);
    InjectButton(ctrl->m_hWnd, p.x, p.y, false);
  }
  InjectKeys("renamed tab");
  ASSERT_NE(0u, SetTimer(nullptr, 0, 30, ShootWhileEditing));
  Pump();
  ASSERT_GT(shot.width, 0);
  Dump("tab-state-editing", shot.pixels, shot.width, shot.height);
  EXPECT_STREQ("rounds", static_cast<LPCTSTR>(ctrl->GetItem(1)->m_text));
  // While editing the tab had grown to the typed text: the edit's white is in the picture.
  bool white = false;
  for (uint32_t px : shot.pixels) white = white || (px & 0xFFFFFF) == 0xFFFFFF;
  EXPECT_TRUE(white);
}

}  // namespace
}  // namespace tabtest
