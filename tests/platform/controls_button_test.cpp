// Buttons and statics driven by the mouse and keyboard: notifications, check states, radio
// groups, owner drawing, dialog codes and the parent's colours.
#include <gtest/gtest.h>

#include "tests/platform/ControlsTestSupport.h"

using namespace controltest;

namespace {

class Buttons : public ControlTest {};

TEST_F(Buttons, PushButtonClicksOnReleaseInsideOnly) {
  HWND b = Make("Button", "OK", BS_PUSHBUTTON, 10, 10, 80, 24, 7);
  Press(b, 10, 10);
  EXPECT_EQ(b, GetCapture());
  EXPECT_EQ(b, GetFocus());  // a click takes the focus
  EXPECT_EQ(BST_PUSHED | BST_FOCUS, SendMessageA(b, BM_GETSTATE, 0, 0));
  EXPECT_TRUE(Log().Codes().empty());  // nothing before the release
  // Dragged off, the button comes up; back on, it goes down again.
  MoveTo(b, 200, 10);
  EXPECT_EQ(BST_FOCUS, SendMessageA(b, BM_GETSTATE, 0, 0));
  MoveTo(b, 20, 10);
  EXPECT_EQ(BST_PUSHED | BST_FOCUS, SendMessageA(b, BM_GETSTATE, 0, 0));
  Release(b, 20, 10);
  EXPECT_EQ(nullptr, GetCapture());
  ASSERT_EQ(std::vector<int>{BN_CLICKED}, Log().Codes());
  EXPECT_EQ(7, Log().notes[0].id);
  EXPECT_EQ(reinterpret_cast<LPARAM>(b), Log().notes[0].lParam);

  Log().Clear();
  Press(b, 10, 10);
  Release(b, 200, 10);  // released outside: no click
  EXPECT_TRUE(Log().Codes().empty());
  EXPECT_EQ(BST_FOCUS, SendMessageA(b, BM_GETSTATE, 0, 0));
}

TEST_F(Buttons, SpaceBarAndBmClick) {
  HWND b = Make("Button", "Go", BS_DEFPUSHBUTTON, 10, 10, 80, 24);
  SetFocus(b);
  platform::InjectKey(VK_SPACE, true, 0);
  Pump();
  EXPECT_TRUE(SendMessageA(b, BM_GETSTATE, 0, 0) & BST_PUSHED);
  EXPECT_TRUE(Log().Codes().empty());
  platform::InjectKey(VK_SPACE, false, 0);
  Pump();
  EXPECT_EQ(std::vector<int>{BN_CLICKED}, Log().Codes());
  SendMessageA(b, BM_CLICK, 0, 0);
  EXPECT_EQ((std::vector<int>{BN_CLICKED, BN_CLICKED}), Log().Codes());
  // A disabled button ignores BM_CLICK.
  EnableWindow(b, FALSE);
  SendMessageA(b, BM_CLICK, 0, 0);
  EXPECT_EQ(2u, Log().Codes().size());
}

TEST_F(Buttons, CheckBoxesAndRadioGroups) {
  HWND check = Make("Button", "Sound", BS_AUTOCHECKBOX, 10, 10, 100, 20, 1);
  HWND manual = Make("Button", "Manual", BS_CHECKBOX, 10, 30, 100, 20, 2);
  HWND r1 = Make("Button", "A", BS_AUTORADIOBUTTON | WS_GROUP, 10, 60, 100, 20, 3);
  HWND r2 = Make("Button", "B", BS_AUTORADIOBUTTON, 10, 80, 100, 20, 4);
  HWND r3 = Make("Button", "C", BS_AUTORADIOBUTTON, 10, 100, 100, 20, 5);
  HWND other = Make("Button", "D", BS_AUTORADIOBUTTON | WS_GROUP, 10, 130, 100, 20, 6);
  SendMessageA(other, BM_SETCHECK, BST_CHECKED, 0);

  Click(check, 5, 10);
  EXPECT_EQ(BST_CHECKED, SendMessageA(check, BM_GETCHECK, 0, 0));
  Click(check, 5, 10);
  EXPECT_EQ(BST_UNCHECKED, SendMessageA(check, BM_GETCHECK, 0, 0));
  // A plain check box only tells its parent; the program checks it.
  Click(manual, 5, 10);
  EXPECT_EQ(BST_UNCHECKED, SendMessageA(manual, BM_GETCHECK, 0, 0));
  EXPECT_EQ((std::vector<int>{BN_CLICKED, BN_CLICKED, BN_CLICKED}), Log().Codes());
  // State 2 is kept as given (callers treat 1 and 2 as checked).
  SendMessageA(manual, BM_SETCHECK, BST_INDETERMINATE, 0);
  EXPECT_EQ(BST_INDETERMINATE, SendMessageA(manual, BM_GETCHECK, 0, 0));

  Click(r1, 5, 10);
  Click(r3, 5, 10);
  EXPECT_EQ(BST_UNCHECKED, SendMessageA(r1, BM_GETCHECK, 0, 0));
  EXPECT_EQ(BST_UNCHECKED, SendMessageA(r2, BM_GETCHECK, 0, 0));
  EXPECT_EQ(BST_CHECKED, SendMessageA(r3, BM_GETCHECK, 0, 0));
  EXPECT_EQ(BST_CHECKED, SendMessageA(other, BM_GETCHECK, 0, 0));  // another group
  // Push buttons have no check.
  HWND push = Make("Button", "P", BS_PUSHBUTTON, 200, 10, 60, 20, 9);
  SendMessageA(push, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(BST_UNCHECKED, SendMessageA(push, BM_GETCHECK, 0, 0));
}

TEST_F(Buttons, DoubleClicksAndDialogCodes) {
  HWND plain = Make("Button", "P", BS_PUSHBUTTON, 10, 10, 60, 20, 1);
  HWND notify = Make("Button", "N", BS_PUSHBUTTON | BS_NOTIFY, 10, 40, 60, 20, 2);
  DoubleClick(plain, 5, 5);
  // The second press of a double click is a press too: two clicks.
  EXPECT_EQ((std::vector<int>{BN_CLICKED, BN_CLICKED}), Log().Codes());
  Log().Clear();
  DoubleClick(notify, 5, 5);
  std::vector<int> codes = Log().Codes();
  EXPECT_NE(codes.end(), std::find(codes.begin(), codes.end(), BN_DOUBLECLICKED));
  EXPECT_EQ(2, std::count(codes.begin(), codes.end(), BN_CLICKED));

  struct Case {
    DWORD style;
    LRESULT code;
  } cases[] = {
      {BS_PUSHBUTTON, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON},
      {BS_DEFPUSHBUTTON, DLGC_BUTTON | DLGC_DEFPUSHBUTTON},
      {BS_AUTOCHECKBOX, DLGC_BUTTON},
      {BS_AUTORADIOBUTTON, DLGC_BUTTON | DLGC_RADIOBUTTON},
      {BS_GROUPBOX, DLGC_STATIC},
      {BS_OWNERDRAW, DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON},
  };
  for (const Case& c : cases) {
    HWND b = Make("Button", "x", c.style, 100, 100, 60, 20, 3);
    EXPECT_EQ(c.code, SendMessageA(b, WM_GETDLGCODE, 0, 0)) << c.style;
    DestroyWindow(b);
  }
  // BM_SETSTYLE rewrites the type, keeping the other style bits.
  SendMessageA(plain, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
  EXPECT_EQ(DLGC_BUTTON | DLGC_DEFPUSHBUTTON, SendMessageA(plain, WM_GETDLGCODE, 0, 0));
  EXPECT_TRUE(GetWindowLongA(plain, GWL_STYLE) & WS_CHILD);
}

TEST_F(Buttons, OwnerDrawSendsDrawItemForEachChange) {
  HWND b = Make("Button", "", BS_OWNERDRAW, 10, 10, 60, 20, 5);
  Pump();
  auto draws = [] {
    std::vector<std::pair<UINT, UINT>> out;
    for (const Note& n : Log().notes) {
      if (n.message == WM_DRAWITEM) out.emplace_back(n.action, n.state);
    }
    return out;
  };
  Log().Clear();
  InvalidateRect(b, nullptr, TRUE);
  Pump();
  EXPECT_EQ((std::vector<std::pair<UINT, UINT>>{{ODA_DRAWENTIRE, 0}}), draws());
  Log().Clear();
  Press(b, 5, 5);
  Release(b, 5, 5);
  std::vector<std::pair<UINT, UINT>> expected{{ODA_FOCUS, ODS_FOCUS},
                                              {ODA_SELECT, ODS_SELECTED | ODS_FOCUS},
                                              {ODA_SELECT, ODS_FOCUS}};
  EXPECT_EQ(expected, draws());
  EXPECT_EQ(std::vector<int>{BN_CLICKED}, Log().Codes());
  Log().Clear();
  EnableWindow(b, FALSE);
  Pump();
  ASSERT_FALSE(draws().empty());
  EXPECT_EQ(static_cast<UINT>(ODS_DISABLED), draws().back().second & ODS_DISABLED);
}

TEST_F(Buttons, StaticNotificationsAndImages) {
  HWND plain = Make("Static", "label", SS_LEFT, 10, 10, 100, 20, 1);
  HWND notify = Make("Static", "link", SS_LEFT | SS_NOTIFY, 10, 40, 100, 20, 2);
  Click(plain, 5, 5);
  EXPECT_TRUE(Log().Codes().empty());
  // A label lets the click through to its parent; a notifying static keeps it.
  ASSERT_EQ(1u, Log().notes.size());
  EXPECT_EQ(static_cast<UINT>(WM_LBUTTONDOWN), Log().notes[0].message);
  EXPECT_EQ(MAKELPARAM(15, 15), Log().notes[0].lParam);
  Log().Clear();
  Click(notify, 5, 5);
  EXPECT_EQ(std::vector<int>{STN_CLICKED}, Log().Codes());
  EXPECT_EQ(1u, Log().notes.size());
  Log().Clear();
  DoubleClick(notify, 5, 5);
  std::vector<int> codes = Log().Codes();
  EXPECT_NE(codes.end(), std::find(codes.begin(), codes.end(), STN_DBLCLK));
  EXPECT_EQ(DLGC_STATIC, SendMessageA(plain, WM_GETDLGCODE, 0, 0));

  // A bitmap static takes the bitmap's size; with SS_CENTERIMAGE it keeps its own.
  HBITMAP bm = CreateBitmap(30, 20, 1, 32, nullptr);
  HWND pic = Make("Static", "", SS_BITMAP, 10, 70, 100, 100, 3);
  EXPECT_EQ(0, SendMessageA(pic, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bm)));
  RECT rc{};
  GetClientRect(pic, &rc);
  EXPECT_EQ(30, rc.right);
  EXPECT_EQ(20, rc.bottom);
  EXPECT_EQ(reinterpret_cast<LRESULT>(bm), SendMessageA(pic, STM_GETIMAGE, IMAGE_BITMAP, 0));
  EXPECT_EQ(reinterpret_cast<LRESULT>(bm), SendMessageA(pic, STM_SETIMAGE, IMAGE_BITMAP, 0));
  HWND centred = Make("Static", "", SS_BITMAP | SS_CENTERIMAGE, 150, 70, 100, 100, 4);
  SendMessageA(centred, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bm));
  GetClientRect(centred, &rc);
  EXPECT_EQ(100, rc.right);
  DestroyWindow(pic);
  DestroyWindow(centred);
  DeleteObject(bm);
}

TEST_F(Buttons, ParentColoursPaintStatics) {
  // The parent's brush fills the control and its text colour draws the text.
  Log().colourBrush = CreateSolidBrush(RGB(255, 0, 0));
  Log().textColour = RGB(0, 0, 255);
  HWND s = Make("Static", "WWWW", SS_LEFT, 10, 10, 100, 20, 1);
  UpdateWindow(s);
  std::vector<uint32_t> px;
  int w = 0, h = 0;
  ASSERT_TRUE(platform::CaptureWindow(s, px, w, h));
  int red = 0, blue = 0;
  for (uint32_t p : px) {
    if ((p & 0xFFFFFF) == 0xFF0000) ++red;
    if ((p & 0xFFFFFF) == 0x0000FF) ++blue;
  }
  EXPECT_GT(red, w * h / 2);
  EXPECT_GT(blue, 10);
  EXPECT_NE(Log().colourAsks.end(), std::find(Log().colourAsks.begin(), Log().colourAsks.end(), WM_CTLCOLORSTATIC));
}

}  // namespace
