// Device contexts: SelectObject and DeleteObject rules, stock objects, SaveDC/RestoreDC,
// window and viewport origins, clipping, DCs over window surfaces, device capabilities and
// system colours.
#include <gtest/gtest.h>

#include "platform/gdi/DcInternal.h"
#include "platform/gdi/Gdi.h"
#include "tests/platform/GdiTestCanvas.h"

using gditest::Canvas;

namespace {

const COLORREF WHITE = RGB(255, 255, 255);
const COLORREF RED = RGB(255, 0, 0);

TEST(GdiDc, SelectObjectReturnsThePreviousObjectAndFollowsBitmapRules) {
  HDC a = CreateCompatibleDC(nullptr);
  HDC b = CreateCompatibleDC(nullptr);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(GetObjectType(a), DWORD(OBJ_MEMDC));
  // Defaults: black pen, white brush, a 1 x 1 monochrome bitmap.
  EXPECT_EQ(GetCurrentObject(a, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(a, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  BITMAP bm{};
  GetObject(GetCurrentObject(a, OBJ_BITMAP), sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  HPEN pen = CreatePen(PS_SOLID, 2, RED);
  EXPECT_EQ(SelectObject(a, pen), GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(a, GetStockObject(BLACK_PEN)), pen);
  // A bitmap lives in one DC at a time and cannot be deleted while selected.
  Canvas probe(1, 1);
  HBITMAP bmp = CreateCompatibleBitmap(probe.Dc(), 4, 4);
  HGDIOBJ stock = SelectObject(a, bmp);
  ASSERT_NE(stock, nullptr);
  EXPECT_EQ(SelectObject(b, bmp), nullptr);
  EXPECT_FALSE(DeleteObject(bmp));
  EXPECT_EQ(GetObjectType(bmp), DWORD(OBJ_BITMAP));
  EXPECT_EQ(SelectObject(a, stock), bmp);
  EXPECT_NE(SelectObject(b, bmp), nullptr);
  SelectObject(b, stock);
  EXPECT_TRUE(DeleteObject(bmp));
  EXPECT_EQ(GetObjectType(bmp), 0u);
  EXPECT_EQ(SelectObject(a, bmp), nullptr);
  // A pen deleted while selected goes when it is deselected.
  SelectObject(a, pen);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_EQ(GetObjectType(pen), DWORD(OBJ_PEN));
  SelectObject(a, GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetObjectType(pen), 0u);
  // Stock objects survive DeleteObject; DCs are not deleted by it.
  EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(GetObjectType(GetStockObject(WHITE_BRUSH)), DWORD(OBJ_BRUSH));
  EXPECT_FALSE(DeleteObject(a));
  EXPECT_TRUE(DeleteDC(a));
  EXPECT_TRUE(DeleteDC(b));
  EXPECT_FALSE(DeleteDC(a));
  EXPECT_EQ(SelectObject(a, GetStockObject(BLACK_PEN)), nullptr);
}

TEST(GdiDc, ObjectInfo) {
  LOGPEN lp{};
  HPEN pen = CreatePen(PS_SOLID, 0, RGB(1, 2, 3));
  EXPECT_EQ(GetObject(pen, sizeof lp, &lp), int(sizeof lp));
  EXPECT_EQ(lp.lopnWidth.x, 1);
  EXPECT_EQ(lp.lopnColor, RGB(1, 2, 3));
  LOGBRUSH lb{};
  EXPECT_EQ(GetObject(GetStockObject(NULL_BRUSH), sizeof lb, &lb), int(sizeof lb));
  EXPECT_EQ(lb.lbStyle, UINT(BS_NULL));
  EXPECT_EQ(GetObject(pen, 2, &lp), 0);
  EXPECT_EQ(GetObject(nullptr, sizeof lp, &lp), 0);
  EXPECT_EQ(CreatePen(42, 1, 0), nullptr);
  EXPECT_EQ(CreateBitmap(4, 4, 1, 7, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(-1, 4, 1, 1, nullptr), nullptr);
  DeleteObject(pen);
}

TEST(GdiDc, SaveAndRestoreState) {
  Canvas cv(10, 10);
  HDC dc = cv.Dc();
  SetTextColor(dc, RGB(1, 1, 1));
  SetBkMode(dc, TRANSPARENT);
  int level1 = SaveDC(dc);
  EXPECT_EQ(level1, 1);
  SetTextColor(dc, RGB(2, 2, 2));
  SetBkMode(dc, OPAQUE);
  SetWindowOrgEx(dc, 5, 5, nullptr);
  IntersectClipRect(dc, 5, 5, 7, 7);
  HBRUSH red = CreateSolidBrush(RED);
  SelectObject(dc, red);
  EXPECT_EQ(SaveDC(dc), 2);
  SetTextColor(dc, RGB(3, 3, 3));
  EXPECT_TRUE(RestoreDC(dc, -1));
  EXPECT_EQ(GetTextColor(dc), RGB(2, 2, 2));
  // The clip of level 2 is in force: only (0, 0)..(2, 2) in device units.
  RECT all{0, 0, 20, 20};
  FillRect(dc, &all, red);
  EXPECT_EQ(cv.PixelsOf(RED), "0,0 1,0 0,1 1,1");
  EXPECT_TRUE(RestoreDC(dc, level1));
  EXPECT_EQ(GetTextColor(dc), RGB(1, 1, 1));
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  POINT org;
  GetWindowOrgEx(dc, &org);
  EXPECT_EQ(org.x, 0);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 10);
  // Nothing left to restore; levels out of range fail.
  EXPECT_FALSE(RestoreDC(dc, -1));
  EXPECT_FALSE(RestoreDC(dc, 3));
  EXPECT_EQ(SaveDC(nullptr), 0);
  EXPECT_TRUE(DeleteObject(red));
}

TEST(GdiDc, WindowAndViewportOrigins) {
  // A memory DC drawing in target coordinates: window origin (100, 50) maps (100, 50) to the
  // bitmap's (0, 0).
  Canvas cv(8, 8);
  HBRUSH red = CreateSolidBrush(RED);
  POINT old;
  SetWindowOrgEx(cv.Dc(), 100, 50, &old);
  EXPECT_EQ(old.x, 0);
  RECT rc{100, 50, 102, 51};
  FillRect(cv.Dc(), &rc, red);
  EXPECT_EQ(cv.PixelsOf(RED), "0,0 1,0");
  SetPixel(cv.Dc(), 107, 57, RED);
  EXPECT_EQ(cv.At(7, 7), RED);
  RECT box;
  GetClipBox(cv.Dc(), &box);
  EXPECT_EQ(box.left, 100);
  EXPECT_EQ(box.bottom, 58);
  // The viewport origin adds in device units.
  SetViewportOrgEx(cv.Dc(), 2, 0, nullptr);
  OffsetViewportOrgEx(cv.Dc(), 1, 1, nullptr);
  cv.Fill(WHITE);
  SetPixel(cv.Dc(), 100, 50, RED);
  EXPECT_EQ(cv.PixelsOf(RED), "3,1");
  POINT p{100, 50};
  LPtoDP(cv.Dc(), &p, 1);
  EXPECT_EQ(p.x, 3);
  DPtoLP(cv.Dc(), &p, 1);
  EXPECT_EQ(p.x, 100);
  // Lines and blits follow the origin too.
  cv.Fill(WHITE);
  SetViewportOrgEx(cv.Dc(), 0, 0, nullptr);
  MoveToEx(cv.Dc(), 100, 52, nullptr);
  LineTo(cv.Dc(), 103, 52);
  EXPECT_EQ(cv.PixelsOf(RGB(0, 0, 0)), "0,2 1,2 2,2");
  EXPECT_EQ(SetMapMode(cv.Dc(), 2), 0);
  EXPECT_EQ(GetMapMode(cv.Dc()), MM_TEXT);
  DeleteObject(red);
}

TEST(GdiDc, ClippingRegionsInDeviceUnits) {
  Canvas cv(10, 10);
  HDC dc = cv.Dc();
  HBRUSH red = CreateSolidBrush(RED);
  HRGN a = CreateRectRgn(0, 0, 4, 4);
  HRGN b = CreateRectRgn(6, 6, 10, 10);
  EXPECT_EQ(SelectClipRgn(dc, a), SIMPLEREGION);
  EXPECT_EQ(ExtSelectClipRgn(dc, b, RGN_OR), COMPLEXREGION);
  // The DC keeps its own copy: changing the region afterwards does nothing.
  OffsetRgn(a, 3, 3);
  RECT all{0, 0, 10, 10};
  FillRect(dc, &all, red);
  EXPECT_EQ(cv.At(0, 0), RED);
  EXPECT_EQ(cv.At(4, 4), WHITE);
  EXPECT_EQ(cv.At(9, 9), RED);
  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 10);
  // The clip region is in device units: the window origin does not move it.
  cv.Fill(WHITE);
  SetWindowOrgEx(dc, 3, 3, nullptr);
  RECT logical{3, 3, 5, 5};
  FillRect(dc, &logical, red);
  EXPECT_EQ(cv.PixelsOf(RED), "0,0 1,0 0,1 1,1");
  SetWindowOrgEx(dc, 0, 0, nullptr);
  // AND with nothing in common gives an empty clip: nothing is drawn.
  HRGN far = CreateRectRgn(20, 20, 30, 30);
  EXPECT_EQ(ExtSelectClipRgn(dc, far, RGN_AND), NULLREGION);
  EXPECT_EQ(GetClipBox(dc, &box), NULLREGION);
  cv.Fill(WHITE);
  FillRect(dc, &all, red);
  EXPECT_EQ(cv.PixelsOf(RED), "");
  // Removing the clip; DIFF against no clip means the whole surface minus the region.
  EXPECT_EQ(SelectClipRgn(dc, nullptr), SIMPLEREGION);
  EXPECT_EQ(ExtSelectClipRgn(dc, b, RGN_DIFF), COMPLEXREGION);
  EXPECT_EQ(ExtSelectClipRgn(dc, nullptr, RGN_AND), ERROR);
  EXPECT_EQ(ExtSelectClipRgn(dc, nullptr, RGN_COPY), SIMPLEREGION);
  EXPECT_EQ(ExcludeClipRect(dc, 0, 0, 10, 5), SIMPLEREGION);
  EXPECT_EQ(IntersectClipRect(dc, 2, 0, 4, 10), SIMPLEREGION);
  GetClipBox(dc, &box);
  RECT want{2, 5, 4, 10};
  EXPECT_EQ(box.left, want.left);
  EXPECT_EQ(box.top, want.top);
  EXPECT_EQ(box.right, want.right);
  EXPECT_EQ(box.bottom, want.bottom);
  HRGN got = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(dc, got), 1);
  EXPECT_TRUE(PtInRegion(got, 2, 5));
  SelectClipRgn(dc, nullptr);
  EXPECT_EQ(GetClipRgn(dc, got), 0);
  // Selecting a region with SelectObject is SelectClipRgn.
  EXPECT_EQ(SelectObject(dc, a), reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(SIMPLEREGION)));
  for (HGDIOBJ o : {(HGDIOBJ)a, (HGDIOBJ)b, (HGDIOBJ)far, (HGDIOBJ)got, (HGDIOBJ)red}) DeleteObject(o);
}

TEST(GdiDc, SurfaceDcWithOriginAndVisibleRegion) {
  // What the window layer does: a DC over a top-level surface whose device (0, 0) is the
  // client's top-left at (5, 3), clipped to the window's visible part.
  auto surface = std::make_shared<gdi::Surface>();
  ASSERT_TRUE(surface->Allocate(20, 12, 32, 4, false));
  auto visible = std::make_shared<gdi::Region>(RECT{5, 3, 15, 10});
  HDC dc = gdi::CreateSurfaceDC(surface, POINT{5, 3}, visible);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetObjectType(dc), DWORD(OBJ_DC));
  HBRUSH red = CreateSolidBrush(RED);
  RECT all{-10, -10, 100, 100};
  FillRect(dc, &all, red);
  EXPECT_EQ(surface->Row32(3)[5], 0x00FF0000u);
  EXPECT_EQ(surface->Row32(9)[14], 0x00FF0000u);
  EXPECT_EQ(surface->Row32(2)[5], 0u);
  EXPECT_EQ(surface->Row32(3)[15], 0u);
  RECT box;
  GetClipBox(dc, &box);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 10);
  EXPECT_EQ(box.bottom, 7);
  EXPECT_EQ(SetPixel(dc, 0, 0, RGB(0, 0, 255)), RGB(0, 0, 255));
  EXPECT_EQ(surface->Row32(3)[5], 0x000000FFu);
  // Bitmaps do not go into a window DC.
  Canvas probe(1, 1);
  HBITMAP bmp = CreateCompatibleBitmap(dc, 2, 2);
  EXPECT_EQ(SelectObject(dc, bmp), nullptr);
  // Blits between the window DC and a memory DC work both ways.
  BitBlt(probe.Dc(), 0, 0, 1, 1, dc, 0, 0, SRCCOPY);
  EXPECT_EQ(probe.At(0, 0), RGB(0, 0, 255));
  // The window moved: a new origin and a smaller visible region.
  gdi::SetSurfaceDCVisible(dc, POINT{0, 0}, std::make_shared<gdi::Region>(RECT{0, 0, 2, 2}));
  GetClipBox(dc, &box);
  EXPECT_EQ(box.right, 2);
  DeleteObject(bmp);
  DeleteObject(red);
  EXPECT_TRUE(DeleteDC(dc));
}

TEST(GdiDc, DeviceCapsAndSystemColours) {
  HDC dc = CreateCompatibleDC(nullptr);
  struct Case {
    int index, want;
  };
  gdi::SetScreenSize(1280, 800);
  const Case cases[] = {{BITSPIXEL, 32}, {PLANES, 1},        {LOGPIXELSX, 96}, {LOGPIXELSY, 96},
                        {NUMCOLORS, -1}, {SIZEPALETTE, 0},   {HORZRES, 1280},  {VERTRES, 800},
                        {TECHNOLOGY, DT_RASDISPLAY}};
  for (const Case& c : cases) EXPECT_EQ(GetDeviceCaps(dc, c.index), c.want) << c.index;
  EXPECT_EQ(GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE, 0);
  EXPECT_NE(GetDeviceCaps(dc, RASTERCAPS) & RC_STRETCHBLT, 0);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
  EXPECT_EQ(GetSystemMetrics(SM_CYMENU), 19);
  gdi::SetScreenSize(1024, 768);
  // The classic scheme: the 3-D face equals the menu colour.
  EXPECT_EQ(GetSysColor(COLOR_3DFACE), GetSysColor(COLOR_MENU));
  EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), RGB(255, 255, 255));
  EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), RGB(128, 128, 128));
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  EXPECT_EQ(face, GetSysColorBrush(COLOR_BTNFACE));
  EXPECT_TRUE(DeleteObject(face));
  EXPECT_EQ(GetObjectType(face), DWORD(OBJ_BRUSH));
  // Changing a system colour changes its brush.
  INT idx = COLOR_BTNFACE;
  COLORREF old = GetSysColor(idx), changed = RGB(1, 2, 3);
  SetSysColors(1, &idx, &changed);
  LOGBRUSH lb{};
  GetObject(face, sizeof lb, &lb);
  EXPECT_EQ(lb.lbColor, changed);
  SetSysColors(1, &idx, &old);
  DeleteDC(dc);
}

TEST(GdiDc, CoverageBlendForTextIsClippedAndRounded) {
  // The service glyph drawing uses: colour over the surface through 8-bit coverage.
  Canvas cv(4, 2, RGB(0, 0, 0));
  auto dc = gdi::LookupDc(cv.Dc());
  ASSERT_TRUE(dc);
  IntersectClipRect(cv.Dc(), 0, 0, 3, 2);
  const uint8_t cov[8] = {0, 128, 255, 255, 64, 64, 64, 64};
  gdi::BlendCoverage(*dc, 0, 0, 4, 2, cov, 4, RGB(255, 100, 0));
  EXPECT_EQ(cv.At(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(cv.At(1, 0), RGB(128, 50, 0));
  EXPECT_EQ(cv.At(2, 0), RGB(255, 100, 0));
  EXPECT_EQ(cv.At(3, 0), RGB(0, 0, 0));  // clipped
  EXPECT_EQ(cv.At(0, 1), RGB(64, 25, 0));
  gdi::FillSurfaceRect(*dc, RECT{-5, -5, 50, 1}, 0x00FFFFFF);
  EXPECT_EQ(cv.At(2, 0), RGB(255, 255, 255));
  EXPECT_EQ(cv.At(3, 0), RGB(0, 0, 0));
}

}  // namespace
