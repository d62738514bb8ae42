// The tab strip's geometry as tables: widths and rectangles, shapes, the layout modes, the
// buttons' hit rectangles, faces and the base line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/TabLayout.h"

namespace {

std::string Str(const RECT& rc) {
  return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," + std::to_string(rc.right) + "," +
         std::to_string(rc.bottom);
}

TabStrip Strip(int length, int thickness, DWORD style, int tabs, int textWidth = 40) {
  TabStrip strip;
  strip.length = length;
  strip.thickness = thickness;
  strip.style = style;
  strip.tabs.resize(static_cast<size_t>(tabs));
  for (TabGeometry& tab : strip.tabs) tab.textWidth = textWidth;
  return strip;
}

TEST(TabLayout, TabRectanglesOverlapByHalfTheThickness) {
  struct Case {
    DWORD style;
    std::vector<int> widths;
    std::vector<std::string> tabs;
    std::vector<std::string> texts;
    int end;
  } cases[] = {
      {0, {30, 40}, {"0,1,54,19", "44,1,108,19"}, {"10,1,44,19", "54,1,98,19"}, 108},
      {TABSTYLE_TOP, {30, 40}, {"0,0,54,18", "44,0,108,18"}, {"10,0,44,18", "54,0,98,18"}, 108},
      // Fixed width: every tab as wide as the widest label.
      {TABSTYLE_FIXED_WIDTH, {30, 40}, {"0,1,64,19", "54,1,118,19"}, {"10,1,54,19", "64,1,108,19"}, 118},
      // An unmeasurable label counts as width 0.
      {0, {0}, {"0,1,24,19"}, {"10,1,14,19"}, 24},
      {0, {}, {}, {}, 0},
  };
  for (const Case& c : cases) {
    TabStrip strip = Strip(300, 20, c.style, 0);
    for (int w : c.widths) strip.tabs.push_back(TabGeometry{w});
    EXPECT_EQ(c.end, ComputeTabRects(strip));
    for (size_t i = 0; i < c.tabs.size(); ++i) {
      EXPECT_EQ(c.tabs[i], Str(strip.tabs[i].tabRect)) << i;
      EXPECT_EQ(c.texts[i], Str(strip.tabs[i].textRect)) << i;
    }
  }
}

TEST(TabLayout, ButtonAreaWidths) {
  EXPECT_EQ(37, ButtonAreaWidth(0, 20));
  EXPECT_EQ(71, ButtonAreaWidth(TABSTYLE_FOUR_BUTTONS, 20));
  EXPECT_EQ(54, ButtonAreaWidth(TABSTYLE_CLOSE_BUTTON, 20));
  EXPECT_EQ(88, ButtonAreaWidth(TABSTYLE_FOUR_BUTTONS | TABSTYLE_CLOSE_BUTTON, 20));
  EXPECT_EQ(27, ButtonAreaWidth(0, 15));
}

TEST(TabLayout, ShapePoints) {
  struct Case {
    RECT rc;
    BYTE shape;
    bool top;
    std::string points;
  } cases[] = {
      {{10, 1, 74, 19}, TABSHAPE_FULL, false, "10,1 14,9 19,19 65,19 70,9 74,1"},
      {{10, 1, 74, 19}, TABSHAPE_COVERED, false, "10,1 14,9 19,19 65,19 70,9 65,1"},
      // Standing on the base line: t becomes b + 1 and b becomes t; the middle stays at h/2.
      {{10, 0, 74, 18}, TABSHAPE_FULL, true, "10,19 14,9 19,0 65,0 70,9 74,19"},
      {{37, 1, 47, 19}, TABSHAPE_SLIVER_SELECTED, false, "37,1 37,19 46,1 46,1 46,1 46,1"},
      {{37, 1, 47, 19}, TABSHAPE_SLIVER, false, "37,1 41,9 37,19 37,19 37,19 37,19"},
      {{37, 1, 47, 19}, TABSHAPE_HIDDEN, false, "0,0 0,0 0,0 0,0 0,0 0,0"},
  };
  for (const Case& c : cases) {
    POINT p[6];
    GetShapePoints(c.rc, c.shape, c.top, p);
    std::string got;
    for (int i = 0; i < 6; ++i) got += (i ? " " : "") + std::to_string(p[i].x) + "," + std::to_string(p[i].y);
    EXPECT_EQ(c.points, got) << int(c.shape) << " top " << c.top;
  }
}

TEST(TabLayout, OutlinePoints) {
  POINT q[4];
  ASSERT_EQ(4, GetOutlinePoints(RECT{10, 1, 74, 19}, TABSHAPE_COVERED, false, q));
  EXPECT_EQ((std::vector<LONG>{10, 1, 19, 19, 65, 19, 75, 2}),
            (std::vector<LONG>{q[0].x, q[0].y, q[1].x, q[1].y, q[2].x, q[2].y, q[3].x, q[3].y}));
  ASSERT_EQ(4, GetOutlinePoints(RECT{10, 0, 74, 18}, TABSHAPE_FULL, true, q));
  EXPECT_EQ((std::vector<LONG>{10, 18, 19, 0, 65, 0, 75, 19}),
            (std::vector<LONG>{q[0].x, q[0].y, q[1].x, q[1].y, q[2].x, q[2].y, q[3].x, q[3].y}));
  ASSERT_EQ(2, GetOutlinePoints(RECT{37, 1, 47, 19}, TABSHAPE_SLIVER, false, q));
  EXPECT_EQ((std::vector<LONG>{37, 19, 46, 1}), (std::vector<LONG>{q[0].x, q[0].y, q[1].x, q[1].y}));
  EXPECT_EQ(0, GetOutlinePoints(RECT{37, 1, 47, 19}, TABSHAPE_HIDDEN, false, q));
}

// Tabs of text width 40 at thickness 20 are 64 wide and start 54 apart; the two scroll buttons
// take 37 pixels.
TEST(TabLayout, AutohideShowsButtonsOnlyWhenTheTabsDoNotFit) {
  TabStrip wide = Strip(300, 20, TABSTYLE_AUTOHIDE_BUTTONS, 2);
  RecalcStrip(wide, LAYOUT_FIT, -1);
  EXPECT_EQ(0, wide.buttonStates[TABBTN_PREV]);
  EXPECT_EQ(0, wide.tabs[0].tabRect.left);
  EXPECT_EQ(wide.tabs[0].tabRect.right - 10, wide.tabs[1].tabRect.left);
  EXPECT_EQ(TABSHAPE_COVERED, wide.tabs[0].shape);
  EXPECT_EQ(TABSHAPE_FULL, wide.tabs[1].shape);

  TabStrip closable = Strip(300, 20, TABSTYLE_AUTOHIDE_BUTTONS | TABSTYLE_CLOSE_BUTTON, 2);
  RecalcStrip(closable, LAYOUT_FIT, -1);
  EXPECT_EQ(20, closable.tabs[0].tabRect.left);
  EXPECT_EQ(1, closable.buttonStates[TABBTN_CLOSE]);
  EXPECT_EQ(0, closable.buttonStates[TABBTN_NEXT]);

  // Five tabs need 280 pixels: in 200 the scroll buttons come and push the tabs right by 37.
  TabStrip narrow = Strip(200, 20, TABSTYLE_AUTOHIDE_BUTTONS, 5);
  RecalcStrip(narrow, LAYOUT_FIT, -1);
  EXPECT_EQ(1, narrow.buttonStates[TABBTN_PREV]);
  EXPECT_EQ(1, narrow.buttonStates[TABBTN_NEXT]);
  EXPECT_EQ(0, narrow.buttonStates[TABBTN_FIRST]);
  EXPECT_EQ(2 * (20 - 3) + 3, narrow.tabs[0].tabRect.left);

  // One tab never shows the buttons, however narrow the strip.
  TabStrip single = Strip(30, 20, TABSTYLE_AUTOHIDE_BUTTONS, 1);
  RecalcStrip(single, LAYOUT_FIT, -1);
  EXPECT_EQ(0, single.buttonStates[TABBTN_PREV]);

  // A hot or pressed button keeps its state while it stays shown.
  narrow.buttonStates[TABBTN_NEXT] = TABBTN_PRESSED;
  RecalcStrip(narrow, LAYOUT_KEEP, -1);
  EXPECT_EQ(TABBTN_PRESSED, narrow.buttonStates[TABBTN_NEXT]);
  TabStrip four = Strip(200, 20, TABSTYLE_FOUR_BUTTONS, 5);
  RecalcStrip(four, LAYOUT_FIT, -1);
  EXPECT_EQ(1, four.buttonStates[TABBTN_FIRST]);
  EXPECT_EQ(1, four.buttonStates[TABBTN_LAST]);
  EXPECT_EQ(71, four.tabs[0].tabRect.left);
}

TEST(TabLayout, ScrolledStripShowsTheTabBeforeAsASliver) {
  TabStrip strip = Strip(200, 20, 0, 8);
  strip.firstVisible = 3;
  RecalcStrip(strip, LAYOUT_KEEP, -1);
  EXPECT_EQ(TABSHAPE_HIDDEN, strip.tabs[0].shape);
  EXPECT_EQ(TABSHAPE_HIDDEN, strip.tabs[1].shape);
  EXPECT_EQ(TABSHAPE_SLIVER, strip.tabs[2].shape);
  EXPECT_EQ("37,1,47,19", Str(strip.tabs[2].tabRect));
  EXPECT_EQ("0,0,0,0", Str(strip.tabs[2].textRect));
  EXPECT_EQ("0,0,0,0", Str(strip.tabs[1].textRect));
  EXPECT_EQ(37, strip.tabs[3].tabRect.left);
  EXPECT_EQ(TABSHAPE_COVERED, strip.tabs[3].shape);
  EXPECT_EQ(TABSHAPE_FULL, strip.tabs[7].shape);

  strip.selection = 2;
  RecalcStrip(strip, LAYOUT_KEEP, -1);
  EXPECT_EQ(TABSHAPE_SLIVER_SELECTED, strip.tabs[2].shape);

  // With the buttons after the tabs the sliver sits at x 0.
  TabStrip after = Strip(200, 20, TABSTYLE_BUTTONS_AFTER, 8);
  after.firstVisible = 3;
  RecalcStrip(after, LAYOUT_KEEP, -1);
  EXPECT_EQ("0,1,10,19", Str(after.tabs[2].tabRect));
  EXPECT_EQ(0, after.tabs[3].tabRect.left);
}

TEST(TabLayout, Modes) {
  struct Case {
    const char* name;
    int length;
    int tabs;
    int selection;
    int firstVisible;
    int mode;
    int index;
    int expected;
  } cases[] = {
      {"scroll right steps", 200, 8, -1, 0, LAYOUT_SCROLL_RIGHT, -1, 1},
      {"scroll right stops at the last tab", 200, 8, -1, 7, LAYOUT_SCROLL_RIGHT, -1, 7},
      {"scroll right does nothing when all fits", 400, 3, -1, 0, LAYOUT_SCROLL_RIGHT, -1, 0},
      {"scroll left steps", 200, 8, -1, 3, LAYOUT_SCROLL_LEFT, -1, 2},
      {"scroll left stops at 0", 200, 8, -1, 0, LAYOUT_SCROLL_LEFT, -1, 0},
      {"first", 200, 8, -1, 5, LAYOUT_FIRST, -1, 0},
      // The last tab alone leaves room: tabs come back while the end stays inside.
      {"last", 200, 8, -1, 0, LAYOUT_LAST, -1, 6},
      // First visible 2 keeps the last tab's right edge (371) below 400, 1 would not (425).
      {"fit brings tabs back", 400, 8, 5, 5, LAYOUT_FIT, 5, 2},
      {"fit leaves a full strip alone", 200, 8, 1, 1, LAYOUT_FIT, 1, 1},
      {"fit with everything fitting", 400, 3, 2, 2, LAYOUT_FIT, 2, 0},
      // Only a tab drawn in full is scrolled into view, as far as its right edge fits.
      {"show selected", 200, 8, 6, 0, LAYOUT_SHOW_TAB, 6, 5},
      {"show the last", 200, 8, -1, 0, LAYOUT_SHOW_TAB, 7, 6},
      {"show covered", 200, 8, -1, 0, LAYOUT_SHOW_TAB, 3, 0},
      {"show the sliver", 200, 8, -1, 3, LAYOUT_SHOW_TAB, 2, 2},
      {"show a tab before the first", 200, 8, 1, 3, LAYOUT_SHOW_TAB, 1, 3},
      {"keep", 200, 8, -1, 4, LAYOUT_KEEP, -1, 4},
  };
  for (const Case& c : cases) {
    TabStrip strip = Strip(c.length, 20, 0, c.tabs);
    strip.selection = c.selection;
    strip.firstVisible = c.firstVisible;
    RecalcStrip(strip, c.mode, c.index);
    EXPECT_EQ(c.expected, strip.firstVisible) << c.name;
    // Tab firstVisible always begins right after the button area.
    EXPECT_EQ(37, strip.tabs[strip.firstVisible].tabRect.left) << c.name;
  }
}

TEST(TabLayout, EditModeAsksForTheEditToBePlaced) {
  TabStrip strip = Strip(200, 20, 0, 8);
  LayoutOutcome out = RecalcStrip(strip, LAYOUT_EDIT, 0);
  EXPECT_TRUE(out.placeEdit);
  EXPECT_EQ(37, out.editStart);
  TabStrip hidden = Strip(400, 20, TABSTYLE_AUTOHIDE_BUTTONS, 2);
  out = RecalcStrip(hidden, LAYOUT_EDIT, 0);
  EXPECT_TRUE(out.placeEdit);
  EXPECT_EQ(0, out.editStart);
  EXPECT_FALSE(RecalcStrip(hidden, LAYOUT_FIT, 0).placeEdit);
}

TEST(TabLayout, ButtonHitRectangles) {
  struct Case {
    DWORD style;
    bool autohide;
    POINT pt;
    int hit;
  } cases[] = {
      {0, false, {0, 5}, TABHIT_PREV},
      {0, false, {17, 5}, TABHIT_PREV},
      {0, false, {18, 5}, TABHIT_NEXT},
      {0, false, {36, 19}, TABHIT_NEXT},
      {0, false, {37, 5}, TABHIT_NOWHERE},
      {0, false, {5, 20}, TABHIT_NOWHERE},
      {0, true, {5, 5}, TABHIT_NOWHERE},
      {TABSTYLE_CLOSE_BUTTON, false, {17, 5}, TABHIT_CLOSE},
      {TABSTYLE_CLOSE_BUTTON, false, {18, 5}, TABHIT_PREV},
      {TABSTYLE_CLOSE_BUTTON, false, {35, 5}, TABHIT_NEXT},
      {TABSTYLE_CLOSE_BUTTON, false, {53, 5}, TABHIT_NEXT},
      {TABSTYLE_CLOSE_BUTTON, false, {54, 5}, TABHIT_NOWHERE},
      {TABSTYLE_CLOSE_BUTTON, true, {5, 5}, TABHIT_CLOSE},
      {TABSTYLE_FOUR_BUTTONS, false, {17, 5}, TABHIT_FIRST},
      {TABSTYLE_FOUR_BUTTONS, false, {18, 5}, TABHIT_PREV},
      {TABSTYLE_FOUR_BUTTONS, false, {35, 5}, TABHIT_NEXT},
      {TABSTYLE_FOUR_BUTTONS, false, {53, 5}, TABHIT_LAST},
      {TABSTYLE_FOUR_BUTTONS, false, {70, 5}, TABHIT_LAST},
      {TABSTYLE_FOUR_BUTTONS, false, {71, 5}, TABHIT_NOWHERE},
      {TABSTYLE_BUTTONS_AFTER, false, {162, 5}, TABHIT_NOWHERE},
      {TABSTYLE_BUTTONS_AFTER, false, {163, 5}, TABHIT_PREV},
      {TABSTYLE_BUTTONS_AFTER, false, {182, 5}, TABHIT_NEXT},
      {TABSTYLE_BUTTONS_AFTER, false, {199, 5}, TABHIT_NEXT},
      {TABSTYLE_BUTTONS_AFTER | TABSTYLE_CLOSE_BUTTON, false, {146, 5}, TABHIT_PREV},
      {TABSTYLE_BUTTONS_AFTER | TABSTYLE_CLOSE_BUTTON, false, {165, 5}, TABHIT_NEXT},
      {TABSTYLE_BUTTONS_AFTER | TABSTYLE_CLOSE_BUTTON, false, {182, 5}, TABHIT_CLOSE},
      {TABSTYLE_BUTTONS_AFTER | TABSTYLE_FOUR_BUTTONS, false, {129, 5}, TABHIT_FIRST},
      {TABSTYLE_BUTTONS_AFTER | TABSTYLE_FOUR_BUTTONS, false, {147, 5}, TABHIT_PREV},
      {TABSTYLE_BUTTONS_AFTER | TABSTYLE_FOUR_BUTTONS, false, {164, 5}, TABHIT_PREV},
      {TABSTYLE_BUTTONS_AFTER | TABSTYLE_FOUR_BUTTONS, false, {165, 5}, TABHIT_NEXT},
      {TABSTYLE_BUTTONS_AFTER | TABSTYLE_FOUR_BUTTONS, false, {182, 5}, TABHIT_LAST},
  };
  for (const Case& c : cases) {
    DWORD style = c.style | (c.autohide ? DWORD{TABSTYLE_AUTOHIDE_BUTTONS} : DWORD{0});
    TabStrip strip = Strip(200, 20, style, c.autohide ? 1 : 8);
    RecalcStrip(strip, LAYOUT_FIT, -1);
    EXPECT_EQ(c.hit, HitTestButtons(strip, c.pt)) << "style " << std::hex << style << std::dec << " at " << c.pt.x;
  }
}

TEST(TabLayout, ButtonFacesAndArea) {
  // Thickness 15: buttons 12 wide, a 27-pixel area for two scroll buttons.
  TabStrip two = Strip(200, 15, 0, 8);
  RecalcStrip(two, LAYOUT_FIT, -1);
  EXPECT_EQ("0,1,27,15", Str(ButtonAreaRect(two)));
  EXPECT_EQ("1,2,13,14", Str(ButtonFaceRect(two, TABBTN_PREV)));
  EXPECT_EQ("14,2,26,14", Str(ButtonFaceRect(two, TABBTN_NEXT)));
  EXPECT_EQ("0,0,0,0", Str(ButtonFaceRect(two, TABBTN_CLOSE)));

  TabStrip all = Strip(200, 20, TABSTYLE_FOUR_BUTTONS | TABSTYLE_CLOSE_BUTTON | TABSTYLE_TOP, 8);
  RecalcStrip(all, LAYOUT_FIT, -1);
  EXPECT_EQ("0,0,88,19", Str(ButtonAreaRect(all)));
  EXPECT_EQ("1,1,18,18", Str(ButtonFaceRect(all, TABBTN_CLOSE)));
  EXPECT_EQ("18,1,35,18", Str(ButtonFaceRect(all, TABBTN_FIRST)));
  EXPECT_EQ("35,1,52,18", Str(ButtonFaceRect(all, TABBTN_PREV)));
  EXPECT_EQ("53,1,70,18", Str(ButtonFaceRect(all, TABBTN_NEXT)));
  EXPECT_EQ("70,1,87,18", Str(ButtonFaceRect(all, TABBTN_LAST)));

  TabStrip after = Strip(200, 20, TABSTYLE_BUTTONS_AFTER | TABSTYLE_CLOSE_BUTTON, 8);
  RecalcStrip(after, LAYOUT_FIT, -1);
  EXPECT_EQ("146,1,200,20", Str(ButtonAreaRect(after)));
  EXPECT_EQ("182,2,199,19", Str(ButtonFaceRect(after, TABBTN_CLOSE)));
  EXPECT_EQ("147,2,164,19", Str(ButtonFaceRect(after, TABBTN_PREV)));
  EXPECT_EQ("165,2,182,19", Str(ButtonFaceRect(after, TABBTN_NEXT)));

  TabStrip none = Strip(400, 20, TABSTYLE_AUTOHIDE_BUTTONS, 2);
  RecalcStrip(none, LAYOUT_FIT, -1);
  EXPECT_EQ("0,0,0,0", Str(ButtonAreaRect(none)));
}

TEST(TabLayout, BaseLine) {
  TabStrip strip = Strip(400, 20, 0, 3);
  strip.selection = 1;
  RecalcStrip(strip, LAYOUT_FIT, 1);
  BaseLine line = ComputeBaseLine(strip);
  EXPECT_EQ(1, line.y);
  ASSERT_EQ(2, line.segments);
  EXPECT_EQ(37, line.from[0]);
  EXPECT_EQ(strip.tabs[1].tabRect.left, line.to[0]);
  EXPECT_EQ(strip.tabs[1].tabRect.right, line.from[1]);
  EXPECT_EQ(strip.tabs[2].tabRect.right, line.to[1]);

  // A selected tab scrolled out of sight leaves no gap.
  TabStrip scrolled = Strip(200, 20, TABSTYLE_TOP, 8);
  scrolled.selection = 0;
  scrolled.firstVisible = 2;
  RecalcStrip(scrolled, LAYOUT_KEEP, -1);
  line = ComputeBaseLine(scrolled);
  EXPECT_EQ(18, line.y);
  ASSERT_EQ(1, line.segments);
  EXPECT_EQ(37, line.from[0]);
  EXPECT_EQ(scrolled.tabs[7].tabRect.right, line.to[0]);

  TabStrip empty = Strip(200, 20, 0, 0);
  RecalcStrip(empty, LAYOUT_FIT, -1);
  EXPECT_EQ(0, ComputeBaseLine(empty).segments);
}

}  // namespace
