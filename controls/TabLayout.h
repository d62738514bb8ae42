// The geometry of the tab strip as pure code: tab widths and rectangles, which tabs are shown and
// in which shape, the button area, the layout modes and the hit testing of the buttons. The tab
// control measures its labels, runs these functions and builds its regions from the results;
// nothing here touches a window or a device context, so the layout is tested as tables.
//
// Everything is in strip coordinates: x runs along the strip from 0 to its length L, y across it
// from 0 to its thickness H (a vertical control swaps the client width and height).
#pragma once

#include <vector>

#include "platform/base/WinTypes.h"

// Window style bits of the control (low word of the window style).
enum TabStyle : DWORD {
  TABSTYLE_FIXED_WIDTH = 0x0001,
  TABSTYLE_FOUR_BUTTONS = 0x0002,
  TABSTYLE_AUTOHIDE_BUTTONS = 0x0004,
  TABSTYLE_MULTI_HIGHLIGHT = 0x0010,
  TABSTYLE_EDIT_LABELS = 0x0020,
  TABSTYLE_CLOSE_BUTTON = 0x0100,
  TABSTYLE_BUTTONS_AFTER = 0x0200,
  TABSTYLE_TOP = 0x0400,
  TABSTYLE_VERTICAL = 0x0800,
};

enum TabShape : BYTE {
  TABSHAPE_HIDDEN = 0,
  TABSHAPE_SLIVER_SELECTED = 1,
  TABSHAPE_SLIVER = 2,
  TABSHAPE_FULL = 3,
  TABSHAPE_COVERED = 4,
};

// What a point hits: a tab index (0 or more) or one of these.
enum TabHitCode : int {
  TABHIT_FIRST = -1,
  TABHIT_PREV = -2,
  TABHIT_NEXT = -3,
  TABHIT_LAST = -4,
  TABHIT_CLOSE = -5,
  TABHIT_NOWHERE = -6,
};

enum LayoutMode : int {
  LAYOUT_SCROLL_LEFT = 0,
  LAYOUT_SCROLL_RIGHT = 1,
  LAYOUT_SHOW_TAB = 2,
  LAYOUT_FIT = 3,
  LAYOUT_FIRST = 4,
  LAYOUT_LAST = 5,
  LAYOUT_EDIT = 6,
  LAYOUT_KEEP = 7,
};

enum TabResult : int {
  TABERR_OUT_OF_MEMORY = -1,
  TABERR_BAD_INDEX = -2,
  TABERR_NO_EDIT_STYLE = -3,
  TABERR_NO_HIGHLIGHT_STYLE = -4,
  TABERR_NOT_SELECTED = -5,
  TABERR_ALREADY_EDITING = -6,
  TABERR_TEXT_TOO_LONG = -7,
  TABERR_VERTICAL = -10,
};

// Button states, in this order in TabStrip::buttonStates.
enum TabButton : int { TABBTN_PREV = 0, TABBTN_NEXT = 1, TABBTN_FIRST = 2, TABBTN_LAST = 3, TABBTN_CLOSE = 4 };
enum TabButtonState : int { TABBTN_HIDDEN = 0, TABBTN_NORMAL = 1, TABBTN_HOT = 2, TABBTN_PRESSED = 3 };

// One tab as the layout sees it: the measured label width and what the layout makes of it.
struct TabGeometry {
  int textWidth = 0;
  RECT tabRect{};
  RECT textRect{};
  BYTE shape = TABSHAPE_HIDDEN;
};

// The layout's whole state.
struct TabStrip {
  int length = 0;     // L
  int thickness = 0;  // H
  DWORD style = 0;
  int firstVisible = 0;
  int selection = -1;
  int buttonStates[5] = {0, 0, 0, 0, 0};
  std::vector<TabGeometry> tabs;
};

// Tab and text rectangles from the measured widths; returns the right edge of the last tab (0
// without tabs).
int ComputeTabRects(TabStrip& strip);
// The width of the button area for the current styles (all scroll buttons of the style plus the
// close button, whether shown or not).
int ButtonAreaWidth(DWORD style, int thickness);
// Shapes and places the tabs so that the first visible tab begins at `start`.
void PositionTabs(TabStrip& strip, int start);
// The six corners of a tab's region.
void GetShapePoints(const RECT& tabRect, BYTE shape, bool top, POINT points[6]);
// The outline points of a tab: four for the full and covered shapes, two for the slivers (the
// rest are left alone). Returns how many were set (0 for a hidden tab).
int GetOutlinePoints(const RECT& tabRect, BYTE shape, bool top, POINT points[4]);

// What RecalcStrip leaves for the control to do: place the label edit with this start.
struct LayoutOutcome {
  bool placeEdit = false;
  int editStart = 0;
};
// The layout (every step but the label edit's placement). `index` is the tab a mode refers to.
LayoutOutcome RecalcStrip(TabStrip& strip, int mode, int index);

// The buttons' hit testing (close first, then the scroll buttons); TABHIT_NOWHERE when no shown
// button contains the strip point.
int HitTestButtons(const TabStrip& strip, POINT stripPoint);

// The number of shown buttons, counting the close button as 1, previous/next as 2 and first/last
// as 2.
int ShownButtonCount(const TabStrip& strip);

// Painting geometry. The button area's outline rectangle (empty when neither the close button
// nor the scroll buttons are shown), the face of one button (empty when it is not shown) and
// where the base line runs.
RECT ButtonAreaRect(const TabStrip& strip);
RECT ButtonFaceRect(const TabStrip& strip, int button);
struct BaseLine {
  int y = 0;
  int segments = 0;  // 0, 1 or 2
  int from[2] = {0, 0};
  int to[2] = {0, 0};
};
BaseLine ComputeBaseLine(const TabStrip& strip);
