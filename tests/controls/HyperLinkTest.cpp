// The hyperlink label: colours, underline, hover with capture, the hand cursor, the tooltip and
// STN_CLICKED to the parent, driven by simulated input.
#include <vector>

#include "controls/HyperLink.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/User.h"
#include "tests/controls/WidgetTestSupport.h"

namespace {

using widgettest::WidgetTest;

constexpr COLORREF LINK = RGB(0, 0, 238), HOVER = RGB(220, 0, 0);

class HyperLinkTest : public WidgetTest {
 public:
  // A static of a dialog template, subclassed as dialogs do.
  void Subclass(CHyperLink& link, const char* text) {
    HWND hwnd = CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE, 20, 20, 120, 20, m_parent.GetSafeHwnd(),
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(71)), nullptr, nullptr);
    ASSERT_NE(nullptr, hwnd);
    ASSERT_TRUE(link.SubclassWindow(hwnd));
    Pump();
  }
  int CountColor(HWND hwnd, COLORREF c, const char* dumpName) {
    std::vector<uint32_t> pixels;
    int w = 0, h = 0;
    if (!Capture(hwnd, pixels, w, h)) return -1;
    Dump(dumpName, pixels, w, h);
    int n = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) n += PixelAt(pixels, w, x, y) == c ? 1 : 0;
    }
    return n;
  }
};

TEST(HyperLinkColors, DefaultsAndSetColors) {
  CHyperLink link;
  EXPECT_EQ(static_cast<COLORREF>(0xEE0000), link.GetLinkColor());
  EXPECT_EQ(static_cast<COLORREF>(0x8B1A55), link.GetVisitedColor());
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), link.GetHoverColor());
  link.SetColors(RGB(1, 2, 3), RGB(4, 5, 6), RGB(7, 8, 9));
  EXPECT_EQ(RGB(7, 8, 9), link.GetHoverColor());
  link.SetColors(RGB(1, 2, 3), RGB(4, 5, 6), static_cast<COLORREF>(-1));
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), link.GetHoverColor());
  EXPECT_EQ(RGB(1, 2, 3), link.GetLinkColor());
  // Before the window exists the underline is only stored.
  link.SetUnderline(TRUE, TRUE);
  EXPECT_TRUE(link.GetUnderline());
}

TEST_F(HyperLinkTest, SubclassingPreparesTheLabel) {
  CHyperLink link;
  link.SetUnderline(TRUE, FALSE);
  Subclass(link, "帮助");
  EXPECT_TRUE(link.GetStyle() & SS_NOTIFY);
  EXPECT_STREQ("帮助", link.GetLinkText());
  LOGFONTA lf{};
  GetObjectA(reinterpret_cast<HFONT>(link.SendMessage(WM_GETFONT)), sizeof(lf), &lf);
  EXPECT_EQ(1, lf.lfUnderline);
  link.SetUnderline(FALSE, TRUE);
  GetObjectA(reinterpret_cast<HFONT>(link.SendMessage(WM_GETFONT)), sizeof(lf), &lf);
  EXPECT_EQ(0, lf.lfUnderline);
  EXPECT_NE(nullptr, link.GetLinkCursor());
  ASSERT_NE(nullptr, link.GetToolTip().GetSafeHwnd());
  EXPECT_EQ(1, link.GetToolTip().GetToolCount());
  link.DestroyWindow();
}

TEST_F(HyperLinkTest, HoverClickAndCursor) {
  CHyperLink link;
  link.SetColors(LINK, RGB(0x55, 0x1A, 0x8B), HOVER);
  link.SetUnderline(TRUE, FALSE);
  Subclass(link, "Open the help page");
  HWND hwnd = link.GetSafeHwnd();
  MoveTo(m_parent.GetSafeHwnd(), 300, 200);
  EXPECT_GT(CountColor(hwnd, LINK, "hyperlink-normal"), 10);
  EXPECT_EQ(0, CountColor(hwnd, HOVER, "hyperlink-normal"));

  MoveTo(hwnd, 10, 8);
  EXPECT_TRUE(link.IsOver());
  EXPECT_EQ(hwnd, GetCapture());
  EXPECT_EQ(link.GetLinkCursor(), GetCursor());
  EXPECT_GT(CountColor(hwnd, HOVER, "hyperlink-hover"), 10);
  EXPECT_EQ(0, CountColor(hwnd, LINK, "hyperlink-hover"));
  MoveTo(hwnd, 30, 10);  // moving inside changes nothing
  EXPECT_TRUE(link.IsOver());

  // The click goes to the parent as STN_CLICKED.
  Click(hwnd, 30, 10);
  EXPECT_EQ(1, m_parent.Count(71, STN_CLICKED));

  MoveTo(m_parent.GetSafeHwnd(), 300, 200);
  EXPECT_FALSE(link.IsOver());
  EXPECT_EQ(nullptr, GetCapture());
  EXPECT_GT(CountColor(hwnd, LINK, "hyperlink-left"), 10);

  // Without a link cursor the label leaves the cursor to the default handling.
  EXPECT_TRUE(link.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  link.SetLinkCursor(nullptr);
  EXPECT_FALSE(link.SendMessage(WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
  link.DestroyWindow();
}

}  // namespace
