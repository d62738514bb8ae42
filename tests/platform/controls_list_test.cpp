// List boxes and combo boxes: item management, finding, selection by mouse, keyboard and wheel,
// the drop-down list's opening and closing, and the notifications of each.
#include <gtest/gtest.h>

#include "tests/platform/ControlsTestSupport.h"

using namespace controltest;

namespace {

class Lists : public ControlTest {
 protected:
  static std::string ItemText(HWND list, int index, UINT lenMessage = LB_GETTEXTLEN, UINT textMessage = LB_GETTEXT) {
    LRESULT n = SendMessageA(list, lenMessage, static_cast<WPARAM>(index), 0);
    if (n < 0) return "<err>";
    std::string text(static_cast<size_t>(n) + 1, '\0');
    SendMessageA(list, textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(n));
    return text;
  }
  static LRESULT Add(HWND w, const char* text, UINT message = LB_ADDSTRING) {
    return SendMessageA(w, message, 0, reinterpret_cast<LPARAM>(text));
  }
  static HWND DropDownOf(HWND) {
    // The drop-down is the visible "ComboLBox" pop-up.
    HWND found = nullptr;
    EnumWindows(
        [](HWND w, LPARAM out) -> BOOL {
          char name[16] = {};
          GetClassNameA(w, name, sizeof name);
          if (std::string(name) == "ComboLBox" && IsWindowVisible(w)) {
            *reinterpret_cast<HWND*>(out) = w;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
  }
};

TEST_F(Lists, ListBoxItemsSortedFoundAndRemoved) {
  HWND list = Make("ListBox", "", LBS_NOTIFY | LBS_SORT | WS_VSCROLL, 10, 10, 120, 100, 1, WS_EX_CLIENTEDGE);
  for (const char* t : {"pear", "Apple", "banana", "apple pie", "中文"}) Add(list, t);
  std::vector<std::string> items;
  for (int i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) items.push_back(ItemText(list, i));
  EXPECT_EQ((std::vector<std::string>{"Apple", "apple pie", "banana", "pear", "中文"}), items);

  struct Find {
    UINT message;
    int after;
    const char* text;
    LRESULT index;
  } finds[] = {
      {LB_FINDSTRING, -1, "APP", 0},        {LB_FINDSTRING, 0, "app", 1},    {LB_FINDSTRING, 1, "app", 0},
      {LB_FINDSTRINGEXACT, -1, "APPLE", 0}, {LB_FINDSTRINGEXACT, -1, "app", LB_ERR},
      {LB_FINDSTRING, -1, "中", 4},          {LB_FINDSTRING, -1, "zz", LB_ERR},
  };
  for (const Find& f : finds) {
    EXPECT_EQ(f.index, SendMessageA(list, f.message, static_cast<WPARAM>(f.after), reinterpret_cast<LPARAM>(f.text)))
        << f.text << " after " << f.after;
  }
  EXPECT_EQ(2, SendMessageA(list, LB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("ban")));
  EXPECT_EQ(2, SendMessageA(list, LB_GETCURSEL, 0, 0));
  EXPECT_TRUE(Log().Codes().empty());  // selecting by message does not notify

  EXPECT_TRUE(SendMessageA(list, LB_SETITEMDATA, 3, 42));
  EXPECT_EQ(42, SendMessageA(list, LB_GETITEMDATA, 3, 0));
  // Deleting before the selection moves it; deleting it clears it.
  EXPECT_EQ(4, SendMessageA(list, LB_DELETESTRING, 0, 0));
  EXPECT_EQ(1, SendMessageA(list, LB_GETCURSEL, 0, 0));
  EXPECT_EQ(42, SendMessageA(list, LB_GETITEMDATA, 2, 0));
  SendMessageA(list, LB_DELETESTRING, 1, 0);
  EXPECT_EQ(LB_ERR, SendMessageA(list, LB_GETCURSEL, 0, 0));
  // Out of range indexes are refused.
  for (UINT m : {LB_GETTEXTLEN, LB_GETITEMDATA, LB_DELETESTRING}) {
    EXPECT_EQ(LB_ERR, SendMessageA(list, m, 99, 0)) << m;
    EXPECT_EQ(LB_ERR, SendMessageA(list, m, static_cast<WPARAM>(-5), 0)) << m;
  }
  EXPECT_EQ(LB_ERR, SendMessageA(list, LB_SETCURSEL, 99, 0));
  EXPECT_EQ(LB_ERR, SendMessageA(list, LB_INSERTSTRING, 99, reinterpret_cast<LPARAM>("x")));
  EXPECT_EQ(1, SendMessageA(list, LB_INSERTSTRING, 1, reinterpret_cast<LPARAM>("inserted")));  // no sorting
  EXPECT_EQ("inserted", ItemText(list, 1));
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  EXPECT_EQ(0, SendMessageA(list, LB_GETCOUNT, 0, 0));
}

TEST_F(Lists, ListBoxMouseKeyboardAndWheel) {
  HWND list = Make("ListBox", "", LBS_NOTIFY | WS_VSCROLL, 10, 10, 120, 100, 1, WS_EX_CLIENTEDGE);
  for (int i = 0; i < 20; ++i) Add(list, ("item " + std::to_string(i)).c_str());
  int h = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
  ASSERT_GT(h, 8);
  RECT r{};
  ASSERT_EQ(LB_OKAY, SendMessageA(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r)));
  EXPECT_EQ(2 * h, r.top);
  EXPECT_EQ(MAKELRESULT(3, 0), SendMessageA(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, 3 * h + 1)));

  Click(list, 5, 2 * h + 2);
  EXPECT_EQ(2, SendMessageA(list, LB_GETCURSEL, 0, 0));
  EXPECT_EQ(list, GetFocus());
  EXPECT_EQ((std::vector<int>{LBN_SETFOCUS, LBN_SELCHANGE}), Log().Codes());
  Log().Clear();
  Click(list, 5, 2 * h + 2);  // the same item again: a double click, no new selection
  std::vector<int> codes = Log().Codes();
  EXPECT_EQ(std::vector<int>{LBN_DBLCLK}, codes);

  Log().Clear();
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(4, SendMessageA(list, LB_GETCURSEL, 0, 0));
  Key(VK_END);
  EXPECT_EQ(19, SendMessageA(list, LB_GETCURSEL, 0, 0));
  EXPECT_GT(SendMessageA(list, LB_GETTOPINDEX, 0, 0), 10);  // scrolled to show it
  EXPECT_EQ(GetScrollPos(list, SB_VERT), SendMessageA(list, LB_GETTOPINDEX, 0, 0));
  Key(VK_HOME);
  EXPECT_EQ(0, SendMessageA(list, LB_GETTOPINDEX, 0, 0));
  EXPECT_EQ((std::vector<int>{LBN_SELCHANGE, LBN_SELCHANGE, LBN_SELCHANGE, LBN_SELCHANGE}), Log().Codes());
  Wheel(list, -WHEEL_DELTA);
  EXPECT_EQ(3, SendMessageA(list, LB_GETTOPINDEX, 0, 0));
  EXPECT_EQ(LB_OKAY, SendMessageA(list, LB_SETTOPINDEX, 5, 0));
  EXPECT_EQ(5, SendMessageA(list, LB_GETTOPINDEX, 0, 0));
  EXPECT_EQ(LB_OKAY, SendMessageA(list, LB_SETITEMHEIGHT, 0, MAKELPARAM(20, 0)));
  EXPECT_EQ(20, SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
}

TEST_F(Lists, OwnerDrawnListAsksTheParent) {
  // The parent's WM_MEASUREITEM answers 20 pixels.
  HWND list = Make("ListBox", "", LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, 10, 10, 120, 50, 4);
  EXPECT_EQ(20, SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
  for (const char* t : {"a", "b", "c", "d"}) Add(list, t);
  SendMessageA(list, LB_SETITEMDATA, 1, 77);
  SendMessageA(list, LB_SETCURSEL, 1, 0);
  Log().Clear();
  InvalidateRect(list, nullptr, TRUE);
  UpdateWindow(list);
  // Only the visible items are drawn (50 pixels show the third in part).
  std::vector<std::pair<UINT, UINT>> drawn;
  for (const Note& n : Log().notes) {
    if (n.message == WM_DRAWITEM) drawn.emplace_back(n.item, n.state);
  }
  EXPECT_EQ((std::vector<std::pair<UINT, UINT>>{{0, 0}, {1, ODS_SELECTED}, {2, 0}}), drawn);
  EXPECT_EQ("b", ItemText(list, 1));
}

TEST_F(Lists, DropDownListOpensChoosesAndCloses) {
  HWND combo = Make("ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL, 10, 10, 120, 200, 9);
  for (const char* t : {"one", "two", "three"}) Add(combo, t, CB_ADDSTRING);
  RECT rc{};
  GetWindowRect(combo, &rc);
  int closed = rc.bottom - rc.top;
  EXPECT_LT(closed, 30);  // the window keeps its closed height
  EXPECT_EQ(closed - 6, SendMessageA(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  Log().Clear();

  Click(combo, 60, 5);
  EXPECT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
  HWND drop = DropDownOf(combo);
  ASSERT_NE(nullptr, drop);
  EXPECT_TRUE(GetWindowLongA(drop, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(GetWindowLongA(drop, GWL_STYLE) & WS_POPUP);
  RECT dr{};
  GetWindowRect(drop, &dr);
  EXPECT_EQ(rc.bottom, dr.top);  // right below the combo box
  EXPECT_EQ(rc.left, dr.left);
  EXPECT_EQ((std::vector<int>{CBN_SETFOCUS, CBN_DROPDOWN}), Log().Codes());

  // Hovering moves the highlight; a click chooses.
  Log().Clear();
  int h = static_cast<int>(SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0));
  MoveTo(drop, 5, h + 2);
  Click(drop, 5, h + 2);
  EXPECT_FALSE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_FALSE(IsWindowVisible(drop));
  EXPECT_EQ(1, SendMessageA(combo, CB_GETCURSEL, 0, 0));
  EXPECT_EQ((std::vector<int>{CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}), Log().Codes());
  EXPECT_EQ("two", Text(combo));

  // A click outside closes it without a choice; so does Escape.
  Log().Clear();
  SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
  MoveTo(drop, 5, 2);
  MoveTo(m_parent, 350, 250);
  Click(m_parent, 350, 250);
  EXPECT_FALSE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(1, SendMessageA(combo, CB_GETCURSEL, 0, 0));
  EXPECT_EQ((std::vector<int>{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}), Log().Codes());
  // Where the mouse pointed is forgotten on Escape; a step with the keys is told at once.
  SetFocus(combo);
  Key(VK_F4);
  EXPECT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
  MoveTo(drop, 5, 2);
  EXPECT_EQ(0, SendMessageA(drop, LB_GETCURSEL, 0, 0));
  Log().Clear();
  Key(VK_ESCAPE);
  EXPECT_FALSE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(1, SendMessageA(combo, CB_GETCURSEL, 0, 0));
  EXPECT_EQ((std::vector<int>{CBN_SELENDCANCEL, CBN_CLOSEUP}), Log().Codes());
  Key(VK_F4);
  Log().Clear();
  Key(VK_DOWN);
  EXPECT_EQ(2, SendMessageA(combo, CB_GETCURSEL, 0, 0));
  Key(VK_RETURN);
  EXPECT_EQ(2, SendMessageA(combo, CB_GETCURSEL, 0, 0));
  EXPECT_EQ((std::vector<int>{CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}), Log().Codes());
  EXPECT_EQ("three", Text(combo));
  // Closed, the arrows step through the items and notify.
  Log().Clear();
  Key(VK_UP);
  EXPECT_EQ(1, SendMessageA(combo, CB_GETCURSEL, 0, 0));
  EXPECT_EQ(std::vector<int>{CBN_SELCHANGE}, Log().Codes());
}

TEST_F(Lists, LongDropDownScrollsWithoutClosing) {
  HWND combo = Make("ComboBox", "", CBS_DROPDOWNLIST | WS_VSCROLL, 10, 10, 120, 120, 9);
  for (int i = 0; i < 30; ++i) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(("n" + std::to_string(i)).c_str()));
  EXPECT_FALSE(GetWindowLongA(combo, GWL_STYLE) & WS_VSCROLL);  // the style went to the list
  SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
  Pump();
  HWND drop = DropDownOf(combo);
  ASSERT_NE(nullptr, drop);
  EXPECT_TRUE(GetWindowLongA(drop, GWL_STYLE) & WS_VSCROLL);
  RECT wr{};
  GetWindowRect(drop, &wr);
  EXPECT_LE(wr.bottom - wr.top, 120);
  // The scroll bar's down arrow: inside the border, at the bottom right.
  POINT arrow{wr.right - 1 - 8, wr.bottom - 1 - 8};
  platform::InjectMouseMove(arrow);
  platform::InjectMouseButton(0, true, arrow);
  platform::InjectMouseButton(0, false, arrow);
  Pump();
  EXPECT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(1, SendMessageA(drop, LB_GETTOPINDEX, 0, 0));
  EXPECT_EQ(drop, GetCapture());
  Click(m_parent, 350, 250);
  EXPECT_FALSE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
}

TEST_F(Lists, DropDownComboEditsAndForwards) {
  HWND combo = Make("ComboBox", "", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, 10, 10, 150, 200, 9);
  EXPECT_EQ(0, SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("100")));
  EXPECT_EQ(1, SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("2000")));
  SendMessageA(combo, CB_SETITEMDATA, 1, 2000);
  EXPECT_EQ(2000, SendMessageA(combo, CB_GETITEMDATA, 1, 0));
  EXPECT_EQ("2000", ItemText(combo, 1, CB_GETLBTEXTLEN, CB_GETLBTEXT));
  EXPECT_EQ(CB_ERR, SendMessageA(combo, CB_GETLBTEXTLEN, 5, 0));
  HWND edit = GetDlgItem(combo, 1001);
  ASSERT_NE(nullptr, edit);
  EXPECT_TRUE(SendMessageA(combo, CB_LIMITTEXT, 5, 0));
  Log().Clear();
  SetFocus(combo);
  EXPECT_EQ(edit, GetFocus());  // the edit takes the combo box's focus
  Keys("12");
  EXPECT_EQ("12", Text(combo));
  EXPECT_EQ((std::vector<int>{CBN_SETFOCUS, CBN_EDITUPDATE, CBN_EDITCHANGE, CBN_EDITUPDATE, CBN_EDITCHANGE}),
            Log().Codes());
  for (const Note& n : Log().notes) EXPECT_EQ(9, n.id);
  Keys("3456");
  EXPECT_EQ("12345", Text(combo));  // the limit
  // Selecting an item by message fills the edit without notifying.
  Log().Clear();
  SendMessageA(combo, CB_SETCURSEL, 1, 0);
  EXPECT_EQ("2000", Text(combo));
  EXPECT_TRUE(Log().Codes().empty());
  EXPECT_EQ(MAKELRESULT(0, 4), SendMessageA(combo, CB_GETEDITSEL, 0, 0));
  SendMessageA(combo, CB_SETEDITSEL, 0, MAKELPARAM(1, 2));
  EXPECT_EQ(MAKELRESULT(1, 2), SendMessageA(combo, CB_GETEDITSEL, 0, 0));
  // Down in the edit steps the selection (the edit hands it to the combo box).
  Key(VK_UP);
  EXPECT_EQ(0, SendMessageA(combo, CB_GETCURSEL, 0, 0));
  EXPECT_EQ("100", Text(combo));
  // Open, the combo box and its edit want every key, so that a dialog leaves Enter and Escape
  // to them.
  EXPECT_FALSE(SendMessageA(edit, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS);
  SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
  EXPECT_TRUE(SendMessageA(edit, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS);
  EXPECT_TRUE(SendMessageA(combo, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS);
  SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
  // Focus given to the combo box selects the edit's whole text.
  SetFocus(m_parent);
  SetFocus(combo);
  EXPECT_EQ(MAKELRESULT(0, 3), SendMessageA(combo, CB_GETEDITSEL, 0, 0));
  // A click in the edit part does not open the list; the button does.
  Click(combo, 10, 5);
  EXPECT_FALSE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
  RECT rc{};
  GetClientRect(combo, &rc);
  Click(combo, rc.right - 5, 5);
  EXPECT_TRUE(SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(0, SendMessageA(combo, CB_GETCURSEL, 0, 0));  // opened on the edit's text
  SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
  // The height given at creation is the dropped height; moving keeps the closed height.
  MoveWindow(combo, 10, 10, 150, 300, TRUE);
  GetWindowRect(combo, &rc);
  EXPECT_LT(rc.bottom - rc.top, 30);
  RECT dropped{};
  SendMessageA(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  EXPECT_EQ(300, dropped.bottom - dropped.top);
}

}  // namespace
