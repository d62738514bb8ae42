// The tab control's model and window: its class, insertion and selection, highlights through
// the style, hit testing on the tabs' regions, sizing and docking.
#include <string>

#include "platform/mfc/WinApp.h"
#include "tests/controls/TabCtrlTestSupport.h"

namespace tabtest {
namespace {

TEST_F(TabCtrlTest, ClassIsRegisteredWithDoubleClicks) {
  CCustomTabCtrl ctrl;
  WNDCLASSA wc{};
  ASSERT_TRUE(GetClassInfoA(AfxGetInstanceHandle(), TAB_CLASS_NAME, &wc));
  EXPECT_EQ(static_cast<UINT>(CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW), wc.style);
  EXPECT_EQ(reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)), wc.hbrBackground);
  // A second control finds the class and registers nothing.
  CCustomTabCtrl other;
  EXPECT_TRUE(CCustomTabCtrl::RegisterTabClass());
  CCustomTabCtrl* made = Make(0, 300, 20);
  EXPECT_TRUE(GetWindowLongA(made->m_hWnd, GWL_STYLE) & WS_CLIPCHILDREN);
}

TEST_F(TabCtrlTest, InsertItemChecksIndexAndLength) {
  CCustomTabCtrl* ctrl = Make(TABSTYLE_AUTOHIDE_BUTTONS, 300, 20);
  const std::string max29(29, 'a');
  const std::string over30(30, 'b');
  struct Case {
    int index;
    std::string text;
    int result;
    int count;
  } cases[] = {
      {0, "one", 0, 1},
      {1, "two", 1, 2},  // index = count appends
      {3, "x", TABERR_BAD_INDEX, 2},
      {-1, "x", TABERR_BAD_INDEX, 2},
      {2, max29, 2, 3},
      {3, over30, TABERR_TEXT_TOO_LONG, 3},
      {0, "", 0, 4},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.result, ctrl->InsertItem(c.index, c.text.c_str(), 9)) << c.index << " " << c.text;
    EXPECT_EQ(c.count, ctrl->GetItemCount());
  }
  EXPECT_STREQ("", static_cast<LPCTSTR>(ctrl->GetItem(0)->m_text));
  EXPECT_STREQ("one", static_cast<LPCTSTR>(ctrl->GetItem(1)->m_text));
  EXPECT_EQ(max29, static_cast<LPCTSTR>(ctrl->GetItem(3)->m_text));
  EXPECT_EQ(-1, ctrl->GetCurSel());
}

TEST_F(TabCtrlTest, InsertingMovesTheSelectionButNeverSelects) {
  CCustomTabCtrl* ctrl = Make(TABSTYLE_AUTOHIDE_BUTTONS, 400, 20, {"a", "b", "c"});
  ASSERT_EQ(0, ctrl->SetCurSel(1));
  ctrl->InsertItem(1, "at", 0);  // at the selected index
  EXPECT_EQ(2, ctrl->GetCurSel());
  ctrl->InsertItem(0, "before", 0);
  EXPECT_EQ(3, ctrl->GetCurSel());
  ctrl->InsertItem(5, "after", 0);
  EXPECT_EQ(3, ctrl->GetCurSel());
  for (int i = 0; i < ctrl->GetItemCount(); ++i) EXPECT_EQ(i == 3, ctrl->GetItem(i)->m_selected != 0) << i;
  EXPECT_STREQ("b", static_cast<LPCTSTR>(ctrl->GetItem(3)->m_text));
}

TEST_F(TabCtrlTest, SelectionAndItemDataRefuseBadIndexes) {
  CCustomTabCtrl* ctrl = Make(0, 300, 20, {"a", "b"});
  EXPECT_EQ(TABERR_BAD_INDEX, ctrl->SetCurSel(2));
  EXPECT_EQ(TABERR_BAD_INDEX, ctrl->SetCurSel(-1));
  EXPECT_EQ(TABERR_BAD_INDEX, ctrl->SetItemData(2, 1));
  EXPECT_EQ(0, ctrl->SetItemData(1, 77));
  EXPECT_EQ(77u, ctrl->GetItem(1)->m_itemData);
  EXPECT_EQ(-1, ctrl->GetCurSel());
  EXPECT_EQ(TABERR_NO_HIGHLIGHT_STYLE, ctrl->UpdateHighlight(0, 0, 0));
}

TEST_F(TabCtrlTest, SetCurSelBringsBackAsManyTabsAsFit) {
  // Eight tabs of equal labels; find the width where first visible 2 fits and 1 does not.
  CCustomTabCtrl* probe = Make(0, 2000, 20, {"tab", "tab", "tab", "tab", "tab", "tab", "tab", "tab"});
  const int width = probe->GetItem(0)->m_tabRect.right - probe->GetItem(0)->m_tabRect.left;
  const int step = width - 10;
  const int area = 37;
  // The last tab's right edge with first visible f is area + (7 - f) * step + width.
  const int length = area + 6 * step + width - 1;  // >= the edge for f = 1 is false, for f = 2 true
  CCustomTabCtrl* ctrl = Make(0, length, 20, {"tab", "tab", "tab", "tab", "tab", "tab", "tab", "tab"});
  ASSERT_EQ(0, ctrl->SetCurSel(5));
  EXPECT_EQ(2, ctrl->GetFirstVisible());
  EXPECT_EQ(TABSHAPE_SLIVER, ctrl->GetItem(1)->m_shape);
  EXPECT_EQ(TABSHAPE_HIDDEN, ctrl->GetItem(0)->m_shape);
  EXPECT_EQ(TABSHAPE_FULL, ctrl->GetItem(5)->m_shape);
}

TEST_F(TabCtrlTest, ModifyStyleKeepsHighlightsInStep) {
  CCustomTabCtrl* ctrl = Make(TABSTYLE_MULTI_HIGHLIGHT, 400, 20, {"a", "b", "c"});
  ctrl->SetCurSel(0);
  ASSERT_EQ(0, ctrl->UpdateHighlight(2, 0, MK_CONTROL));
  EXPECT_TRUE(ctrl->GetItem(2)->m_highlighted);
  EXPECT_TRUE(ctrl->ModifyStyle(TABSTYLE_MULTI_HIGHLIGHT, 0));
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(ctrl->GetItem(i)->m_highlighted) << i;
  ctrl->SetCurSel(1);
  EXPECT_TRUE(ctrl->ModifyStyle(0, TABSTYLE_MULTI_HIGHLIGHT));
  EXPECT_FALSE(ctrl->GetItem(0)->m_highlighted);
  EXPECT_TRUE(ctrl->GetItem(1)->m_highlighted);
  EXPECT_FALSE(ctrl->GetItem(2)->m_highlighted);
  EXPECT_TRUE(ctrl->GetStyle() & TABSTYLE_MULTI_HIGHLIGHT);
}

TEST_F(TabCtrlTest, HitTestOnRegions) {
  CCustomTabCtrl* ctrl = Make(0, 250, 20, {"alpha", "beta", "gamma", "delta", "eps", "zeta", "eta", "theta", "iota"});
  const RECT t0 = ctrl->GetItem(0)->m_tabRect;
  const int r = t0.right;
  struct Case {
    int x;
    int y;
    int hit;
  } cases[] = {
      {5, 5, TABHIT_PREV},
      {20, 5, TABHIT_NEXT},
      {t0.left + 20, 5, 0},
      // Where the covered tab 0 and tab 1 overlap, the lower index wins; above the overlap only
      // tab 1's slant is there.
      {r - 5, 9, 0},
      {r - 5, 2, 1},
      // Below the tabs' narrow edge, and past the end.
      {t0.left + 2, 18, TABHIT_NOWHERE},
  };
  for (const Case& c : cases) EXPECT_EQ(c.hit, ctrl->HitTest(c.x, c.y)) << c.x << "," << c.y;

  // Scrolled by three: tabs 0 and 1 are hidden and hit nowhere, tab 2 is the sliver.
  ctrl->RecalcLayout(LAYOUT_SCROLL_RIGHT, -1);
  ctrl->RecalcLayout(LAYOUT_SCROLL_RIGHT, -1);
  ctrl->RecalcLayout(LAYOUT_SCROLL_RIGHT, -1);
  ASSERT_EQ(3, ctrl->GetFirstVisible());
  EXPECT_EQ(TABSHAPE_SLIVER, ctrl->GetItem(2)->m_shape);
  for (int x = 37; x < 250; ++x) {
    for (int y = 0; y < 20; ++y) {
      int hit = ctrl->HitTest(x, y);
      ASSERT_TRUE(hit != 0 && hit != 1) << x << "," << y;
    }
  }
  EXPECT_EQ(2, ctrl->HitTest(38, 8));
}

TEST_F(TabCtrlTest, VerticalStripHasTabZeroAtTheBottom) {
  CCustomTabCtrl* ctrl = Make(TABSTYLE_VERTICAL | TABSTYLE_AUTOHIDE_BUTTONS, 20, 200, {"one", "two"});
  EXPECT_EQ(0, ctrl->HitTest(10, 195));
  EXPECT_EQ(TABHIT_NOWHERE, ctrl->HitTest(10, 2));
  TabStrip strip = ctrl->GetStrip();
  EXPECT_EQ(200, strip.length);
  EXPECT_EQ(20, strip.thickness);
}

TEST_F(TabCtrlTest, SizingLaysTheStripOutAgain) {
  CCustomTabCtrl* ctrl = Make(TABSTYLE_AUTOHIDE_BUTTONS, 400, 20, {"first tab", "second tab", "third tab"});
  EXPECT_EQ(0, ctrl->GetButtonState(TABBTN_PREV));
  ctrl->MoveWindow(10, 10, 60, 20, TRUE);
  Pump();
  EXPECT_EQ(TABBTN_NORMAL, ctrl->GetButtonState(TABBTN_PREV));
  EXPECT_EQ(37, ctrl->GetItem(0)->m_tabRect.left);
  ctrl->MoveWindow(10, 10, 400, 20, TRUE);
  Pump();
  EXPECT_EQ(0, ctrl->GetButtonState(TABBTN_PREV));
}

TEST_F(TabCtrlTest, DocksThroughSizeParent) {
  struct Case {
    DWORD style;
    RECT control;  // in the parent's client coordinates
    RECT left;     // the room left
  } cases[] = {
      {TABSTYLE_TOP, {0, 0, 300, 20}, {0, 20, 300, 200}},
      {0, {0, 180, 300, 200}, {0, 0, 300, 180}},
      {TABSTYLE_VERTICAL | TABSTYLE_TOP, {0, 0, 30, 200}, {30, 0, 300, 200}},
      {TABSTYLE_VERTICAL, {270, 0, 300, 200}, {0, 0, 270, 200}},
  };
  for (const Case& c : cases) {
    CCustomTabCtrl* ctrl = Make(c.style, 30, 20, {"a"});
    if (c.style & TABSTYLE_VERTICAL) ctrl->MoveWindow(0, 0, 30, 50, TRUE);
    AFX_SIZEPARENTPARAMS record{nullptr, {0, 0, 300, 200}, {0, 0}, FALSE};
    EXPECT_EQ(0, ctrl->SendMessage(WM_SIZEPARENT, 0, reinterpret_cast<LPARAM>(&record)));
    RECT wr;
    ctrl->GetWindowRect(&wr);
    CWnd::FromHandle(m_parent)->ScreenToClient(&wr);
    EXPECT_EQ(c.control.left, wr.left) << std::hex << c.style;
    EXPECT_EQ(c.control.top, wr.top) << std::hex << c.style;
    EXPECT_EQ(c.control.right, wr.right) << std::hex << c.style;
    EXPECT_EQ(c.control.bottom, wr.bottom) << std::hex << c.style;
    EXPECT_EQ(c.left.left, record.rect.left);
    EXPECT_EQ(c.left.top, record.rect.top);
    EXPECT_EQ(c.left.right, record.rect.right);
    EXPECT_EQ(c.left.bottom, record.rect.bottom);
  }
}

}  // namespace
}  // namespace tabtest
