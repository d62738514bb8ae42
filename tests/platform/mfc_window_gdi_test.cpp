// The CDC family and GDI object wrappers over the drawing layer: exact pixels of the wrapped
// calls, SelectObject handing back the previous object's wrapper, ownership of handles, the
// per-thread handle maps and the CDC handed to WM_ERASEBKGND handlers.
#include <thread>

#include "platform/mfc/DC.h"
#include "platform/mfc/Wnd.h"
#include "tests/platform/MfcWindowTestSupport.h"

namespace {

using namespace mfcwin;

// A 32-bit memory DC of w x h pixels, white.
struct Canvas {
  CDC dc;
  CBitmap bitmap;
  CBitmap* pOld = nullptr;
  Canvas(int w, int h) {
    CDC screen;
    screen.Attach(::GetDC(nullptr));
    EXPECT_TRUE(dc.CreateCompatibleDC(&screen));
    EXPECT_TRUE(bitmap.CreateCompatibleBitmap(&screen, w, h));
    ::ReleaseDC(nullptr, screen.Detach());
    pOld = dc.SelectObject(&bitmap);
    dc.FillSolidRect(0, 0, w, h, RGB(255, 255, 255));
  }
  ~Canvas() { dc.SelectObject(pOld); }
};

TEST(MfcGdi, DrawingCallsGiveTheDrawingLayersPixels) {
  Canvas c(40, 30);
  CDC& dc = c.dc;
  dc.FillSolidRect(2, 2, 4, 3, RGB(10, 20, 30));
  dc.Draw3dRect(10, 2, 6, 5, RGB(255, 0, 0), RGB(0, 0, 255));
  CPen pen(PS_SOLID, 1, RGB(0, 128, 0));
  CPen* pOldPen = dc.SelectObject(&pen);
  dc.MoveTo(20, 10);
  dc.LineTo(25, 10);
  dc.SelectObject(pOldPen);
  CBrush brush(RGB(200, 100, 0));
  CRect frame(2, 12, 8, 18);
  dc.FrameRect(&frame, &brush);
  dc.SetPixel(30, 20, RGB(1, 2, 3));

  struct Case {
    int x, y;
    COLORREF expected;
  } cases[] = {
      {2, 2, RGB(10, 20, 30)},    {5, 4, RGB(10, 20, 30)},  {6, 4, RGB(255, 255, 255)},  // right edge excluded
      {10, 2, RGB(255, 0, 0)},    {10, 5, RGB(255, 0, 0)},  {10, 6, RGB(0, 0, 255)},     // 3-D corners
      {15, 6, RGB(0, 0, 255)},
      {15, 2, RGB(0, 0, 255)},    {12, 4, RGB(255, 255, 255)},                            // inside untouched
      {20, 10, RGB(0, 128, 0)},   {24, 10, RGB(0, 128, 0)}, {25, 10, RGB(255, 255, 255)}, // end point not drawn
      {2, 12, RGB(200, 100, 0)},  {7, 17, RGB(200, 100, 0)}, {4, 14, RGB(255, 255, 255)},
      {30, 20, RGB(1, 2, 3)},
  };
  for (const Case& k : cases) EXPECT_EQ(k.expected, dc.GetPixel(k.x, k.y)) << k.x << "," << k.y;
}

TEST(MfcGdi, SelectObjectReturnsThePreviousObjectsWrapper) {
  Canvas c(8, 8);
  HGDIOBJ stockPen = ::GetCurrentObject(c.dc, OBJ_PEN);
  CPen red(PS_SOLID, 1, RGB(255, 0, 0));
  CPen* pOld = c.dc.SelectObject(&red);
  ASSERT_NE(nullptr, pOld);
  EXPECT_EQ(stockPen, pOld->m_hObject);
  // Selecting the pen back gives the permanent object that owns the red pen.
  EXPECT_EQ(&red, c.dc.SelectObject(pOld));
  // A stock object by index; the previous brush comes back as a wrapper.
  CGdiObject* pOldBrush = c.dc.SelectStockObject(NULL_BRUSH);
  ASSERT_NE(nullptr, pOldBrush);
  EXPECT_EQ(::GetStockObject(NULL_BRUSH), ::GetCurrentObject(c.dc, OBJ_BRUSH));
  c.dc.SelectObject(pOldBrush);
  // A region selects a clip region and gives its kind.
  CRgn rgn;
  rgn.CreateRectRgn(0, 0, 4, 4);
  EXPECT_EQ(SIMPLEREGION, c.dc.SelectObject(&rgn));
  CRect box;
  EXPECT_EQ(SIMPLEREGION, c.dc.GetClipBox(&box));
  EXPECT_TRUE(box == CRect(0, 0, 4, 4));
}

TEST(MfcGdi, ObjectsOwnTheirHandlesUnlessDetached) {
  HGDIOBJ deleted = nullptr;
  HGDIOBJ kept = nullptr;
  {
    CBrush a(RGB(1, 1, 1));
    CBrush b(RGB(2, 2, 2));
    deleted = a.m_hObject;
    kept = b.Detach();
    EXPECT_EQ(nullptr, b.GetSafeHandle());
    EXPECT_EQ(&a, CBrush::FromHandle((HBRUSH)deleted));  // the owner is the permanent wrapper
  }
  EXPECT_EQ(0u, static_cast<UINT>(::GetObjectType(deleted)));
  EXPECT_EQ(static_cast<UINT>(OBJ_BRUSH), static_cast<UINT>(::GetObjectType(kept)));
  // A temporary wrapper never deletes its handle, and is gone at the thread's idle time.
  CBrush* pTemp = CBrush::FromHandle((HBRUSH)kept);
  ASSERT_NE(nullptr, pTemp);
  EXPECT_EQ(pTemp, CBrush::FromHandle((HBRUSH)kept));
  AfxDeleteTempGdiMaps();
  EXPECT_EQ(static_cast<UINT>(OBJ_BRUSH), static_cast<UINT>(::GetObjectType(kept)));
  ::DeleteObject(kept);
  // A null object's handle is null; a null handle has no wrapper.
  EXPECT_EQ(nullptr, CGdiObject::HandleOf(nullptr));
  EXPECT_EQ(nullptr, CPen::FromHandle(nullptr));
}

TEST(MfcGdi, HandleMapsArePerThread) {
  CPen pen(PS_SOLID, 1, RGB(0, 0, 0));
  HPEN h = pen;
  CPen* seenElsewhere = nullptr;
  std::thread t([&] {
    seenElsewhere = CPen::FromHandle(h);
    AfxDeleteTempGdiMaps();
  });
  t.join();
  EXPECT_NE(&pen, seenElsewhere);
  EXPECT_EQ(&pen, CPen::FromHandle(h));
}

TEST(MfcGdi, FontsRegionsAndBitmaps) {
  CFont font;
  ASSERT_TRUE(font.CreatePointFont(90, "宋体"));
  LOGFONT lf{};
  ASSERT_TRUE(font.GetLogFont(&lf));
  EXPECT_EQ(-12, lf.lfHeight);  // 9 points at 96 pixels per inch

  POINT tri[] = {{0, 0}, {10, 0}, {0, 10}};
  CRgn a, b, both;
  ASSERT_TRUE(a.CreatePolygonRgn(tri, 3, WINDING));
  ASSERT_TRUE(b.CreateRectRgn(5, 0, 20, 4));
  ASSERT_TRUE(both.CreateRectRgn(0, 0, 0, 0));
  EXPECT_EQ(COMPLEXREGION, both.CombineRgn(&a, &b, RGN_OR));
  EXPECT_TRUE(both.PtInRegion(1, 1));
  EXPECT_TRUE(both.PtInRegion(15, 2));
  EXPECT_FALSE(both.PtInRegion(9, 9));
  CRect box;
  both.GetRgnBox(&box);
  EXPECT_TRUE(box == CRect(0, 0, 20, 9)) << box.left << "," << box.top << "," << box.right << "," << box.bottom;

  BYTE bits[] = {0xF0, 0x00, 0x0F, 0x00};  // 8 x 2, word-aligned rows
  CBitmap mono;
  ASSERT_TRUE(mono.CreateBitmap(8, 2, 1, 1, bits));
  BITMAP bm{};
  ASSERT_TRUE(mono.GetBitmap(&bm));
  EXPECT_EQ(8, bm.bmWidth);
  EXPECT_EQ(1, bm.bmBitsPixel);
}

TEST(MfcGdi, BlitsTextAndClipping) {
  Canvas src(16, 16);
  src.dc.FillSolidRect(0, 0, 8, 8, RGB(0, 0, 255));
  Canvas dst(32, 32);
  EXPECT_TRUE(dst.dc.BitBlt(4, 4, 8, 8, &src.dc, 0, 0, SRCCOPY));
  EXPECT_TRUE(dst.dc.StretchBlt(16, 16, 16, 16, &src.dc, 0, 0, 8, 8, SRCCOPY));
  EXPECT_EQ(RGB(0, 0, 255), dst.dc.GetPixel(4, 4));
  EXPECT_EQ(RGB(255, 255, 255), dst.dc.GetPixel(12, 4));
  EXPECT_EQ(RGB(0, 0, 255), dst.dc.GetPixel(31, 31));

  // Clipping saved and restored with the DC.
  int saved = dst.dc.SaveDC();
  dst.dc.IntersectClipRect(0, 0, 2, 2);
  dst.dc.FillSolidRect(0, 0, 32, 4, RGB(9, 9, 9));
  EXPECT_EQ(RGB(9, 9, 9), dst.dc.GetPixel(1, 1));
  EXPECT_EQ(CLR_INVALID, dst.dc.GetPixel(2, 1));  // outside the clip region
  dst.dc.RestoreDC(saved);
  CRect clip;
  dst.dc.GetClipBox(&clip);
  EXPECT_TRUE(clip == CRect(0, 0, 32, 32));
  EXPECT_EQ(RGB(255, 255, 255), dst.dc.GetPixel(2, 1));

  // Text: CString and LPCTSTR forms draw and measure alike.
  Canvas t1(60, 16), t2(60, 16);
  CString text("牌A");
  CRect r(0, 0, 60, 16);
  t1.dc.DrawText(text, &r, DT_SINGLELINE | DT_LEFT | DT_TOP);
  t2.dc.DrawText("牌A", -1, &r, DT_SINGLELINE | DT_LEFT | DT_TOP);
  int differing = 0;
  int inked = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 60; ++x) {
      if (t1.dc.GetPixel(x, y) != t2.dc.GetPixel(x, y)) ++differing;
      if (t1.dc.GetPixel(x, y) != RGB(255, 255, 255)) ++inked;
    }
  }
  EXPECT_EQ(0, differing);
  EXPECT_GT(inked, 10);
  CSize ext = t1.dc.GetTextExtent(text);
  EXPECT_EQ(ext.cx, t1.dc.GetTextExtent("牌A", 3).cx);
  EXPECT_GT(ext.cx, 12);
  TEXTMETRIC tm{};
  EXPECT_TRUE(t1.dc.GetTextMetrics(&tm));
  EXPECT_EQ(ext.cy, tm.tmHeight);
}

// The CDC* of an erase handler wraps the message's DC.
class CEraseWnd : public CWnd {
 public:
  HDC m_hSeen = nullptr;
  HDC m_hMessage = nullptr;

 protected:
  afx_msg BOOL OnEraseBkgnd(CDC* pDC) {
    m_hSeen = pDC ? pDC->GetSafeHdc() : nullptr;
    m_hMessage = reinterpret_cast<HDC>(GetCurrentMessage()->wParam);
    if (pDC) pDC->FillSolidRect(0, 0, 10, 10, RGB(0, 200, 0));
    return TRUE;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CEraseWnd, CWnd)
  ON_WM_ERASEBKGND()
END_MESSAGE_MAP()

class MfcGdiWindow : public WindowTest {};

TEST_F(MfcGdiWindow, EraseHandlersGetTheMessagesDc) {
  CEraseWnd wnd;
  ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), "erase", WS_POPUP | WS_VISIBLE, 10, 10, 40, 30, nullptr, nullptr));
  wnd.UpdateWindow();
  ASSERT_NE(nullptr, wnd.m_hMessage);
  EXPECT_EQ(wnd.m_hMessage, wnd.m_hSeen);
  EXPECT_EQ(RGB(0, 200, 0), Pixel(wnd, 5, 5));
  // CClientDC and CWindowDC give their DCs back.
  {
    CClientDC dc(&wnd);
    ASSERT_NE(nullptr, dc.GetSafeHdc());
    dc.FillSolidRect(20, 0, 5, 5, RGB(200, 0, 0));
  }
  EXPECT_EQ(RGB(200, 0, 0), Pixel(wnd, 22, 2));
  wnd.DestroyWindow();
}

}  // namespace
