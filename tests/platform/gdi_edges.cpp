// 3-D edges, Draw3dRect, frame controls, icons and DrawState.
#include <gtest/gtest.h>

#include "platform/gdi/DcInternal.h"
#include "platform/gdi/Gdi.h"
#include "tests/platform/GdiTestCanvas.h"

using gditest::Canvas;

namespace {

const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF BLACK = RGB(0, 0, 0);
const COLORREF RED = RGB(255, 0, 0);

TEST(GdiEdge, EtchedTopAndSunkenOuterRect) {
  const COLORREF SHADOW = GetSysColor(COLOR_BTNSHADOW), LIGHT = GetSysColor(COLOR_BTNHIGHLIGHT);
  // The menu separator: an etched edge along the top is a shadow row over a highlight row.
  Canvas cv(10, 6, RED);
  RECT rc{1, 2, 9, 6};
  EXPECT_TRUE(DrawEdge(cv.Dc(), &rc, EDGE_ETCHED, BF_TOP));
  for (int x = 1; x < 9; ++x) {
    EXPECT_EQ(cv.At(x, 2), SHADOW) << x;
    EXPECT_EQ(cv.At(x, 3), LIGHT) << x;
  }
  EXPECT_EQ(cv.At(0, 2), RED);
  EXPECT_EQ(cv.At(9, 2), RED);
  EXPECT_EQ(cv.At(4, 4), RED);
  // A sunken outer border: shadow top and left, highlight bottom and right, which also take
  // the top-right and bottom-left corners.
  Canvas box(6, 5, RED);
  RECT r{0, 0, 6, 5};
  EXPECT_TRUE(DrawEdge(box.Dc(), &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST));
  EXPECT_EQ(box.At(0, 0), SHADOW);
  EXPECT_EQ(box.At(4, 0), SHADOW);
  EXPECT_EQ(box.At(5, 0), LIGHT);
  EXPECT_EQ(box.At(0, 4), LIGHT);
  EXPECT_EQ(box.At(0, 3), SHADOW);
  EXPECT_EQ(box.At(5, 4), LIGHT);
  EXPECT_EQ(box.At(1, 1), RED);
  RECT adjusted{1, 1, 5, 4};
  EXPECT_EQ(r.left, adjusted.left);
  EXPECT_EQ(r.bottom, adjusted.bottom);
  // A raised edge with a middle fills with the face colour.
  Canvas raised(6, 6, RED);
  RECT rr{0, 0, 6, 6};
  DrawEdge(raised.Dc(), &rr, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  EXPECT_EQ(raised.At(0, 0), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(raised.At(1, 1), LIGHT);
  EXPECT_EQ(raised.At(5, 5), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(raised.At(4, 4), SHADOW);
  EXPECT_EQ(raised.At(2, 3), GetSysColor(COLOR_BTNFACE));
}

TEST(GdiEdge, Draw3dRectCorners) {
  Canvas cv(5, 4, RED);
  RECT rc{0, 0, 5, 4};
  SetBkColor(cv.Dc(), RGB(9, 9, 9));
  Draw3dRect(cv.Dc(), &rc, WHITE, BLACK);
  EXPECT_EQ(cv.PixelsOf(WHITE), "0,0 1,0 2,0 3,0 0,1 0,2");
  EXPECT_EQ(cv.PixelsOf(BLACK), "4,0 4,1 4,2 0,3 1,3 2,3 3,3 4,3");
  // As MFC's helper, it leaves the background colour set to the last fill colour.
  EXPECT_EQ(GetBkColor(cv.Dc()), BLACK);
}

TEST(GdiFrameControl, PushButtonsArrowsCloseAndCheck) {
  Canvas cv(100, 40, RGB(0x53, 0x84, 0x67));
  HDC dc = cv.Dc();
  RECT push{1, 1, 13, 14};
  EXPECT_TRUE(DrawFrameControl(dc, &push, DFC_BUTTON, DFCS_BUTTONPUSH));
  // The raised face: light top-left, dark bottom-right, face inside.
  EXPECT_EQ(cv.At(1, 1), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(cv.At(12, 13), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(cv.At(6, 6), GetSysColor(COLOR_BTNFACE));
  RECT pushed{14, 1, 26, 14};
  EXPECT_TRUE(DrawFrameControl(dc, &pushed, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED));
  EXPECT_EQ(cv.At(14, 1), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(cv.At(25, 13), GetSysColor(COLOR_BTNHIGHLIGHT));
  RECT arrows[4] = {{28, 1, 44, 17}, {46, 1, 62, 17}, {64, 1, 80, 17}, {82, 1, 98, 17}};
  for (UINT d = 0; d < 4; ++d) EXPECT_TRUE(DrawFrameControl(dc, &arrows[d], DFC_SCROLL, d));
  RECT close{1, 20, 17, 34};
  EXPECT_TRUE(DrawFrameControl(dc, &close, DFC_CAPTION, DFCS_CAPTIONCLOSE));
  RECT check{20, 20, 36, 36};
  EXPECT_TRUE(DrawFrameControl(dc, &check, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED));
  RECT inactive{40, 20, 56, 36};
  EXPECT_TRUE(DrawFrameControl(dc, &inactive, DFC_SCROLL, DFCS_SCROLLRIGHT | DFCS_INACTIVE));
  EXPECT_FALSE(DrawFrameControl(dc, &inactive, 99, 0));
  // The up arrow points up: its top row is narrower than its bottom row.
  int top = -1, bottom = -1, topWidth = 0, bottomWidth = 0;
  for (int y = 1; y < 17; ++y) {
    int w = 0;
    for (int x = 28; x < 44; ++x) w += cv.At(x, y) == GetSysColor(COLOR_BTNTEXT);
    if (w && top < 0) {
      top = y;
      topWidth = w;
    }
    if (w) {
      bottom = y;
      bottomWidth = w;
    }
  }
  EXPECT_LT(top, bottom);
  EXPECT_LT(topWidth, bottomWidth);
  cv.Dump("frame-controls");
  EXPECT_EQ(cv.Hash(), "a53fc36af6be6679") << "rendering changed; see the PNG dump";
}

HICON MakeIcon(int size) {
  // A square icon: opaque red in the middle, transparent border of 2 pixels.
  HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
  HDC mdc = CreateCompatibleDC(nullptr);
  HGDIOBJ om = SelectObject(mdc, mask);
  PatBlt(mdc, 0, 0, size, size, WHITENESS);
  PatBlt(mdc, 2, 2, size - 4, size - 4, BLACKNESS);
  Canvas probe(1, 1);
  HBITMAP colour = CreateCompatibleBitmap(probe.Dc(), size, size);
  HDC cdc = CreateCompatibleDC(nullptr);
  HGDIOBJ oc = SelectObject(cdc, colour);
  PatBlt(cdc, 0, 0, size, size, BLACKNESS);
  HBRUSH red = CreateSolidBrush(RED);
  RECT inner{2, 2, size - 2, size - 2};
  FillRect(cdc, &inner, red);
  SetPixel(cdc, size / 2, size / 2, RGB(0, 0, 128));
  DeleteObject(red);
  SelectObject(mdc, om);
  SelectObject(cdc, oc);
  DeleteDC(mdc);
  DeleteDC(cdc);
  ICONINFO ii{TRUE, 0, 0, mask, colour};
  HICON icon = CreateIconIndirect(&ii);
  DeleteObject(mask);
  DeleteObject(colour);
  return icon;
}

TEST(GdiIcon, CreateDrawInfoCopyDestroy) {
  HICON icon = MakeIcon(16);
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  // The hot spot of an icon is its centre: the size is twice the hot spot.
  EXPECT_EQ(info.xHotspot, 8u);
  BITMAP bm{};
  GetObject(info.hbmColor, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 16);
  EXPECT_TRUE(DeleteObject(info.hbmColor));
  EXPECT_TRUE(DeleteObject(info.hbmMask));
  Canvas cv(40, 20, RGB(0, 128, 0));
  EXPECT_TRUE(DrawIconEx(cv.Dc(), 1, 1, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(cv.At(1, 1), RGB(0, 128, 0));
  EXPECT_EQ(cv.At(3, 3), RED);
  EXPECT_EQ(cv.At(9, 9), RGB(0, 0, 128));
  EXPECT_EQ(cv.At(15, 15), RGB(0, 128, 0));
  // Scaled to 8 x 8 with a background brush laid first.
  HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  EXPECT_TRUE(DrawIconEx(cv.Dc(), 20, 1, icon, 8, 8, 0, white, DI_NORMAL));
  EXPECT_EQ(cv.At(20, 1), WHITE);
  EXPECT_EQ(cv.At(23, 3), RED);
  EXPECT_EQ(cv.At(28, 1), RGB(0, 128, 0));
  HICON copy = CopyIcon(icon);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DrawIconEx(cv.Dc(), 1, 1, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_TRUE(DrawIcon(cv.Dc(), 0, 0, copy));
  EXPECT_TRUE(DestroyIcon(copy));
  EXPECT_FALSE(DestroyIcon(copy));
  ICONINFO bad{TRUE, 0, 0, nullptr, nullptr};
  EXPECT_EQ(CreateIconIndirect(&bad), nullptr);
}

TEST(GdiIcon, DrawStateNormalDisabledMono) {
  HICON icon = MakeIcon(16);
  const COLORREF FACE = GetSysColor(COLOR_BTNFACE);
  Canvas cv(60, 20, FACE);
  EXPECT_TRUE(DrawState(cv.Dc(), nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, 1, 1, 0, 0, DST_ICON));
  EXPECT_EQ(cv.At(4, 4), RED);
  // Disabled: the ink embossed, shadow in place and highlight one pixel down and right.
  EXPECT_TRUE(DrawState(cv.Dc(), nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, 20, 1, 0, 0,
                        DST_ICON | DSS_DISABLED));
  EXPECT_EQ(cv.At(22, 3), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(cv.At(33, 14), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(cv.At(34, 15), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(cv.At(21, 2), FACE);
  // Mono: the ink in the brush's colour.
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  EXPECT_TRUE(DrawState(cv.Dc(), blue, nullptr, reinterpret_cast<LPARAM>(icon), 0, 40, 1, 0, 0,
                        DST_ICON | DSS_MONO));
  EXPECT_EQ(cv.At(45, 5), RGB(0, 0, 255));
  EXPECT_EQ(cv.At(41, 2), FACE);
  // Text is the text part's business.
  EXPECT_FALSE(DrawState(cv.Dc(), nullptr, nullptr, 0, 0, 0, 0, 10, 10, DST_TEXT));
  DeleteObject(blue);
  DestroyIcon(icon);
  cv.Dump("draw-state");
  EXPECT_EQ(cv.Hash(), "407d2dd7c0e43a7b") << "rendering changed; see the PNG dump";
}

// A stand-in for the text part: every character is a 2 x 3 block in the text colour, 3 apart.
BOOL FakeDrawText(HDC dc, LPCSTR, int length, int x, int y, UINT) {
  COLORREF c = GetTextColor(dc);
  for (int i = 0; i < length; ++i)
    for (int yy = 0; yy < 3; ++yy)
      for (int xx = 0; xx < 2; ++xx) SetPixel(dc, x + 3 * i + xx, y + yy, c);
  return TRUE;
}
SIZE FakeMeasure(HDC, LPCSTR, int length) { return SIZE{3 * length, 3}; }

TEST(GdiIcon, DrawStateTextGoesThroughTheTextHooks) {
  const COLORREF FACE = GetSysColor(COLOR_BTNFACE);
  Canvas cv(12, 6, FACE);
  gdi::DrawStateTextHooks hooks;
  hooks.draw = FakeDrawText;
  hooks.measure = FakeMeasure;
  gdi::SetDrawStateTextHooks(hooks);
  SetTextColor(cv.Dc(), RED);
  EXPECT_TRUE(DrawState(cv.Dc(), nullptr, nullptr, reinterpret_cast<LPARAM>("ab"), 0, 1, 1, 0, 0, DST_TEXT));
  EXPECT_EQ(cv.PixelsOf(RED), "1,1 2,1 4,1 5,1 1,2 2,2 4,2 5,2 1,3 2,3 4,3 5,3");
  cv.Fill(FACE);
  EXPECT_TRUE(DrawState(cv.Dc(), nullptr, nullptr, reinterpret_cast<LPARAM>("a"), 1, 1, 1, 0, 0,
                        DST_TEXT | DSS_DISABLED));
  EXPECT_EQ(cv.PixelsOf(GetSysColor(COLOR_BTNSHADOW)), "1,1 2,1 1,2 2,2 1,3 2,3");
  EXPECT_EQ(cv.PixelsOf(GetSysColor(COLOR_BTNHIGHLIGHT)), "3,2 3,3 2,4 3,4");
  gdi::SetDrawStateTextHooks(gdi::DrawStateTextHooks{});
}

}  // namespace
