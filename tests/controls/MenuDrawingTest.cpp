// Owner-drawn menu items in the classic and the flat look: the tick, the dot and the embossed
// image pixel by pixel, and whole items as pixels, hashes and renderings.
#include <string>

#include "controls/OwnerDrawMenu.h"
#include "platform/gdi/Gdi.h"
#include "tests/controls/WidgetTestSupport.h"
#include "tests/platform/GdiTestCanvas.h"

namespace {

using widgettest::WidgetTest;

constexpr COLORREF PAPER = RGB(1, 2, 3);

TEST(MenuDrawingPure, LightenColor) {
  struct Case {
    COLORREF in;
    double k;
    COLORREF out;
  } cases[] = {
      {RGB(10, 36, 106), 0.7, RGB(181, 189, 210)},
      {RGB(10, 36, 106), 0.85, RGB(218, 222, 232)},
      {RGB(0, 0, 0), 1.0, RGB(255, 255, 255)},
      {RGB(10, 20, 30), 0.0, RGB(10, 20, 30)},
      {RGB(10, 20, 30), 1.5, RGB(10, 20, 30)},
      {RGB(10, 20, 30), -0.5, RGB(10, 20, 30)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.out, COwnerDrawMenu::LightenColor(c.in, c.k)) << c.k;
}

TEST(MenuDrawingPure, TickAndDotPixels) {
  gditest::Canvas canvas(16, 16, PAPER);
  COwnerDrawMenu::DrawTick(canvas.Dc(), 2, 3, RGB(0, 0, 0));
  // Column 2 + k holds rows 3 + a(k) .. 3 + a(k) + 2, a = 2 3 4 3 2 1 0.
  EXPECT_EQ(
      "8,3 7,4 8,4 2,5 6,5 7,5 8,5 2,6 3,6 5,6 6,6 7,6 2,7 3,7 4,7 5,7 6,7 3,8 4,8 5,8 4,9",
      canvas.PixelsOf(RGB(0, 0, 0)));
  gditest::Canvas dot(12, 12, PAPER);
  COwnerDrawMenu::DrawDot(dot.Dc(), 3, 2, RGB(0, 0, 0));
  EXPECT_EQ(RGB(0, 0, 0), dot.At(5, 4));
  EXPECT_EQ(RGB(0, 0, 0), dot.At(6, 5));
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      if (x < 3 || x > 8 || y < 2 || y > 7) {
        EXPECT_EQ(PAPER, dot.At(x, y)) << x << "," << y;
      }
    }
  }
}

TEST(MenuDrawingPure, EmbossedImage) {
  gditest::Canvas image(4, 4, GetSysColor(COLOR_BTNFACE));
  SetPixel(image.Dc(), 1, 1, RGB(0, 0, 0));
  SetPixel(image.Dc(), 2, 1, GetSysColor(COLOR_BTNHIGHLIGHT));  // highlight counts as background
  HBITMAP bitmap = CreateCompatibleBitmap(image.Dc(), 4, 4);
  HDC dc = CreateCompatibleDC(image.Dc());
  HGDIOBJ old = SelectObject(dc, bitmap);
  BitBlt(dc, 0, 0, 4, 4, image.Dc(), 0, 0, SRCCOPY);
  SelectObject(dc, old);
  DeleteDC(dc);
  gditest::Canvas target(8, 8, PAPER);
  const COLORREF bg = RGB(50, 60, 70);
  COwnerDrawMenu::DrawEmbossed(target.Dc(), 2, 2, 4, 4, bitmap, bg);
  DeleteObject(bitmap);
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), target.At(3, 3));
  EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), target.At(4, 4));
  EXPECT_EQ(bg, target.At(4, 3));
  EXPECT_EQ(bg, target.At(2, 2));
  EXPECT_EQ(bg, target.At(6, 6));  // the first copy reaches one pixel further
  EXPECT_EQ(PAPER, target.At(7, 7));
  EXPECT_EQ(PAPER, target.At(1, 1));
}

class MenuDrawingTest : public WidgetTest {
 public:
  void SetUp() override {
    WidgetTest::SetUp();
    ASSERT_TRUE(m_menu.CreatePopupMenu());
    m_menu.AppendMenu(MF_STRING, 10, "Call player");
    m_menu.AppendMenu(MF_STRING, 0, "");
    m_menu.AppendMenu(MF_STRING, 11, "Details\tCtrl+D");
    m_menu.AppendMenu(MF_STRING, 12, "Portrait");
    m_menu.AppendMenu(MF_STRING, 13, "Dotted");
    m_portraits.Create(16, 16, ILC_COLORDDB | ILC_MASK, 1, 1);
    HICON icon = MakeIcon(RGB(200, 40, 40), RGB(0, 0, 0));
    m_portraits.Add(icon);
    DestroyIcon(icon);
    m_menu.ModifyItemImage(static_cast<LPCTSTR>(nullptr), 12, &m_portraits, 0);
    m_dot = CreateBitmap(8, 8, 1, 1, nullptr);
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_CHECKMARKS;
    info.hbmpChecked = m_dot;
    SetMenuItemInfoA(m_menu, 13, FALSE, &info);
  }
  void TearDown() override {
    SetSysColors(1, &m_menuIndex, &m_savedMenu);
    m_menu.DestroyMenu();
    m_portraits.DeleteImageList();
    DeleteObject(m_dot);
    WidgetTest::TearDown();
  }
  void UseFlatLook() {
    COLORREF white = RGB(255, 255, 255);
    SetSysColors(1, &m_menuIndex, &white);
  }
  // Draws item `position` at (0, 0) of a canvas 160 x height.
  void DrawAt(gditest::Canvas& canvas, int position, UINT state, int height = 19) {
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_MENU;
    dis.itemID = m_menu.GetMenuItemID(position);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = reinterpret_cast<HWND>(m_menu.GetSafeHmenu());
    dis.hDC = canvas.Dc();
    dis.rcItem = RECT{0, 0, canvas.Width(), height};
    dis.itemData = reinterpret_cast<ULONG_PTR>(m_menu.GetItemRecord(position));
    m_menu.DrawItem(&dis);
  }
  int Count(const gditest::Canvas& canvas, COLORREF c) const {
    int n = 0;
    for (int y = 0; y < canvas.Height(); ++y) {
      for (int x = 0; x < canvas.Width(); ++x) n += canvas.At(x, y) == c ? 1 : 0;
    }
    return n;
  }

  COwnerDrawMenu m_menu;
  CImageList m_portraits;
  HBITMAP m_dot = nullptr;
  int m_menuIndex = COLOR_MENU;
  COLORREF m_savedMenu = GetSysColor(COLOR_MENU);
};

TEST_F(MenuDrawingTest, ClassicSelectionAndChecks) {
  const COLORREF h = GetSysColor(COLOR_HIGHLIGHT), f = GetMenuFaceColor();
  ASSERT_EQ(f, GetSysColor(COLOR_MENU));
  gditest::Canvas plain(160, 19, PAPER);
  DrawAt(plain, 0, ODS_SELECTED);
  EXPECT_EQ(h, plain.At(0, 0));  // the whole width
  EXPECT_GT(Count(plain, GetSysColor(COLOR_HIGHLIGHTTEXT)), 10);
  DumpCanvas("menu-classic-selected", plain);

  gditest::Canvas checked(160, 19, PAPER);
  DrawAt(checked, 0, ODS_SELECTED | ODS_CHECKED);
  EXPECT_NE(h, checked.At(20, 10));  // the check column stays unhighlighted
  EXPECT_EQ(h, checked.At(21, 10));
  // The tick: at (box left + 4, box top + 4) with the box at (1, 2); the column of k = 0 holds rows 8 to 10.
  const COLORREF ink = GetSysColor(COLOR_MENUTEXT);
  EXPECT_EQ(ink, checked.At(5, 8));
  EXPECT_EQ(ink, checked.At(5, 10));
  EXPECT_NE(ink, checked.At(5, 11));
  EXPECT_EQ(ink, checked.At(11, 6));
  DumpCanvas("menu-classic-checked", checked);

  // A taller item moves the box down by dy = 3.
  gditest::Canvas tall(160, 25, PAPER);
  DrawAt(tall, 0, ODS_CHECKED, 25);
  EXPECT_EQ(ink, tall.At(5, 11));
  EXPECT_NE(ink, tall.At(5, 8));

  gditest::Canvas dotted(160, 19, PAPER);
  DrawAt(dotted, 4, ODS_CHECKED);
  EXPECT_EQ(ink, dotted.At(9, 9));  // the dot in (6, 6) .. (12, 12)
  EXPECT_NE(ink, dotted.At(5, 8));
  DumpCanvas("menu-classic-dot", dotted);
}

TEST_F(MenuDrawingTest, ClassicDisabledSeparatorAndDefault) {
  const COLORREF f = GetMenuFaceColor();
  gditest::Canvas disabled(160, 19, PAPER);
  DrawAt(disabled, 0, ODS_GRAYED);
  EXPECT_GT(Count(disabled, RGB(0x80, 0x80, 0x80)), 10);
  EXPECT_GT(Count(disabled, GetSysColor(COLOR_BTNHIGHLIGHT)), 10);
  DumpCanvas("menu-classic-disabled", disabled);
  gditest::Canvas disabledSelected(160, 19, PAPER);
  DrawAt(disabledSelected, 0, ODS_GRAYED | ODS_SELECTED);
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), disabledSelected.At(0, 0));
  EXPECT_GT(Count(disabledSelected, f), 10);  // the text in the face colour

  gditest::Canvas separator(160, 10, PAPER);
  DrawAt(separator, 1, 0, 10);
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), separator.At(40, 5));
  EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), separator.At(40, 6));
  EXPECT_EQ(f, separator.At(40, 2));

  gditest::Canvas normal(160, 19, PAPER), bold(160, 19, PAPER);
  DrawAt(normal, 0, 0);
  m_menu.SetDefaultItem(10);
  DrawAt(bold, 0, 0);
  const COLORREF ink = GetSysColor(COLOR_MENUTEXT);
  EXPECT_GT(Count(bold, ink), Count(normal, ink));
  DumpCanvas("menu-classic-default", bold);

  // The accelerator part ends 16 pixels in from the right edge.
  gditest::Canvas accel(160, 19, PAPER);
  DrawAt(accel, 2, 0);
  int rightmost = -1;
  for (int y = 0; y < 19; ++y) {
    for (int x = 0; x < 160; ++x) {
      if (accel.At(x, y) == ink) rightmost = std::max(rightmost, x);
    }
  }
  EXPECT_LT(rightmost, 160 - 16);
  EXPECT_GE(rightmost, 160 - 16 - 3);
  DumpCanvas("menu-classic-accelerator", accel);
}

TEST_F(MenuDrawingTest, ClassicImages) {
  gditest::Canvas image(160, 19, PAPER);
  DrawAt(image, 3, 0);
  EXPECT_EQ(RGB(200, 40, 40), image.At(10, 9));
  DumpCanvas("menu-classic-image", image);
  gditest::Canvas selected(160, 19, PAPER);
  DrawAt(selected, 3, ODS_SELECTED);
  EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), selected.At(0, 0));  // raised frame
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), selected.At(19, 18));
  DumpCanvas("menu-classic-image-selected", selected);
  gditest::Canvas disabled(160, 19, PAPER);
  DrawAt(disabled, 3, ODS_GRAYED);
  // The embossed image: shadow ink with a highlight copy one pixel right and down.
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), disabled.At(10, 9));
  EXPECT_EQ(0, Count(disabled, RGB(200, 40, 40)));
  DumpCanvas("menu-classic-image-disabled", disabled);
}

TEST_F(MenuDrawingTest, FlatLook) {
  UseFlatLook();
  const COLORREF h = GetSysColor(COLOR_HIGHLIGHT), f = GetMenuFaceColor();
  ASSERT_NE(f, GetSysColor(COLOR_MENU));
  gditest::Canvas plain(160, 19, PAPER);
  DrawAt(plain, 0, 0);
  EXPECT_EQ(f, plain.At(5, 9));  // the icon band
  EXPECT_EQ(RGB(255, 255, 255), plain.At(100, 1));
  DumpCanvas("menu-flat-normal", plain);

  gditest::Canvas selected(160, 19, PAPER);
  DrawAt(selected, 0, ODS_SELECTED);
  EXPECT_EQ(h, selected.At(0, 0));
  EXPECT_EQ(h, selected.At(159, 18));
  EXPECT_EQ(COwnerDrawMenu::LightenColor(h, 0.7), selected.At(100, 1));
  EXPECT_GT(Count(selected, GetSysColor(COLOR_MENUTEXT)), 10);
  DumpCanvas("menu-flat-selected", selected);

  gditest::Canvas checked(160, 19, PAPER);
  DrawAt(checked, 0, ODS_CHECKED);
  // The box at (2, 2) .. (18, 18): 16 x 16, the tick at (7, 6).
  EXPECT_EQ(h, checked.At(2, 2));
  EXPECT_EQ(h, checked.At(17, 17));
  EXPECT_EQ(COwnerDrawMenu::LightenColor(h, 0.85), checked.At(4, 4));
  EXPECT_EQ(GetSysColor(COLOR_MENUTEXT), checked.At(7, 8));
  EXPECT_EQ(GetSysColor(COLOR_MENUTEXT), checked.At(13, 6));
  DumpCanvas("menu-flat-checked", checked);

  // A disabled item is never drawn selected, and its text is grey.
  gditest::Canvas disabled(160, 19, PAPER);
  DrawAt(disabled, 0, ODS_GRAYED | ODS_SELECTED);
  EXPECT_EQ(RGB(255, 255, 255), disabled.At(100, 1));
  EXPECT_GT(Count(disabled, RGB(0x80, 0x80, 0x80)), 10);
  DumpCanvas("menu-flat-disabled", disabled);

  gditest::Canvas image(160, 19, PAPER);
  DrawAt(image, 3, ODS_CHECKED);
  EXPECT_EQ(RGB(200, 40, 40), image.At(11, 9));
  DumpCanvas("menu-flat-image-checked", image);

  gditest::Canvas separator(160, 10, PAPER);
  DrawAt(separator, 1, 0, 10);
  EXPECT_EQ(f, separator.At(3, 5));
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), separator.At(60, 5));
  EXPECT_EQ(RGB(255, 255, 255), separator.At(22, 5));  // the line starts 4 after the band
  DumpCanvas("menu-flat-separator", separator);
}

// Whole items pinned as hashes, so that any change of a look shows up; the renderings of the
// other tests are the pictures to compare with when one of these changes on purpose.
TEST_F(MenuDrawingTest, StoredHashes) {
  struct Case {
    bool flat;
    int position;
    UINT state;
    const char* hash;
  } cases[] = {
      {false, 0, 0, "d0139ddb20195ecb"},
      {false, 0, ODS_SELECTED | ODS_CHECKED, "218a9b3b857ae119"},
      {false, 2, ODS_GRAYED, "09369a5e42161dad"},
      {false, 3, ODS_SELECTED, "ed0ccd8fccebbdaa"},
      {true, 0, ODS_SELECTED, "daa4af2ca39d89d3"},
      {true, 3, ODS_CHECKED, "e1e62af8101a4bed"},
      {true, 4, ODS_CHECKED | ODS_SELECTED, "cc50e72c37b9ea8f"},
      {true, 1, 0, "a5e8eaa43787813b"},
  };
  for (const Case& c : cases) {
    if (c.flat) UseFlatLook();
    gditest::Canvas canvas(160, 19, PAPER);
    DrawAt(canvas, c.position, c.state);
    EXPECT_EQ(c.hash, canvas.Hash()) << c.flat << " " << c.position << " " << c.state;
  }
}

}  // namespace
