#include <gtest/gtest.h>

#include <string>

#include "platform/gdi/Gdi.h"
#include "platform/kernel/KernelObject.h"
#include "platform/skin/SkinLibrary.h"
#include "platform/user/Dialog.h"
#include "platform/user/NonClient.h"
#include "platform/user/User.h"
#include "tests/support/TempDir.h"

namespace {

std::string DataFile(const char* name) { return testsupport::TempDir::Read(std::string(PXQD_TEST_DATA) + "/image/" + name); }

// Two skin folders: "blue" with a picture of each format and its own colours, "plain" with a
// skin.ini and nothing else.
class SkinLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    m_blue = m_dir.Write("skins/blue/skin.ini",
                         "[SKIN]\r\nName=Blue\r\n"
                         "[BitmapResource]\r\nOperateBK=op.bmp\r\nTableCloth= cloth.png \r\nMJ_HU=missing.bmp\r\n"
                         "[JPGResource]\r\nCLOCK=clock.jpg\r\nOperateBK=ignored.jpg\r\n"
                         "[COLORS]\r\n2=10 20 30\r\n5=255\r\n15=1 2 3\r\n"
                         "[CAPTION]\r\nActive=200 10 20\r\nInactive=30 40 50\r\n");
    m_dir.Write("skins/blue/op.bmp", DataFile("bmp_24_topdown.bmp"));
    m_dir.Write("skins/blue/cloth.png", DataFile("png_rgba_8_interlaced.png"));
    m_dir.Write("skins/blue/clock.jpg", DataFile("jpg_density0.jpg"));
    m_plain = m_dir.Write("skins/plain/skin.ini", "[SKIN]\r\nName=Plain\r\n");
  }
  void TearDown() override { SkinRelease(); }

  testsupport::TempDir m_dir;
  std::string m_blue;
  std::string m_plain;
};

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || !GetObjectA(bitmap, sizeof info, &info)) return SIZE{0, 0};
  return SIZE{info.bmWidth, info.bmHeight};
}

TEST_F(SkinLibrary, PicturesByNameInEveryFormat) {
  EXPECT_EQ(nullptr, skinppGetBitmapRes("OperateBK"));  // no skin yet
  ASSERT_TRUE(SkinLoad(m_blue.c_str(), 1));
  EXPECT_EQ(m_blue, platform::CurrentSkinIni());
  struct Case {
    const char* name;
    int width;
    int height;
  };
  const Case cases[] = {
      {"OperateBK", 13, 7},    // BMP; [BitmapResource] wins over [JPGResource]
      {"tablecloth", 13, 11},  // PNG; names and the value's blanks as the profile functions treat them
      {"CLOCK", 64, 48},       // JPEG from [JPGResource]
      {"MJ_HU", 0, 0},         // named, but the file is missing
      {"DICE1", 0, 0},         // not named
  };
  for (const Case& c : cases) {
    SIZE size = BitmapSize(skinppGetBitmapRes(c.name));
    EXPECT_EQ(c.width, size.cx) << c.name;
    EXPECT_EQ(c.height, size.cy) << c.name;
  }

  HBITMAP cloth = skinppGetBitmapRes("TableCloth");
  EXPECT_EQ(cloth, skinppGetBitmapRes("TableCloth"));  // the library keeps it
  DeleteObject(cloth);                                  // as the table pane does at its end
  HBITMAP again = skinppGetBitmapRes("TableCloth");
  EXPECT_EQ(OBJ_BITMAP, GetObjectType(again));
  EXPECT_EQ(13, BitmapSize(again).cx);

  HBITMAP op = skinppGetBitmapRes("OperateBK");
  ASSERT_TRUE(SkinSwitch(m_plain.c_str(), 1));
  EXPECT_EQ(0u, GetObjectType(op));  // the previous skin's pictures are gone
  EXPECT_EQ(nullptr, skinppGetBitmapRes("OperateBK"));

  EXPECT_FALSE(SkinSwitch(m_dir.File("skins/none/skin.ini").c_str(), 1));
  EXPECT_EQ(m_plain, platform::CurrentSkinIni());  // a missing skin leaves the current one
  SkinRelease();
  EXPECT_EQ("", platform::CurrentSkinIni());
}

TEST_F(SkinLibrary, ColoursByNumber) {
  struct Case {
    int number;
    COLORREF withBlue;
  };
  const Case cases[] = {
      {2, RGB(10, 20, 30)},
      {5, RGB(255, 255, 255)},  // one number stands for all three channels
      {8, GetSysColor(8)},      // not set by the skin
  };
  for (const Case& c : cases) EXPECT_EQ(GetSysColor(c.number), SkinGetColor(c.number)) << c.number;
  ASSERT_TRUE(SkinLoad(m_blue.c_str(), 1));
  for (const Case& c : cases) EXPECT_EQ(c.withBlue, SkinGetColor(c.number)) << c.number;
}

// ---- windows -----------------------------------------------------------------------------------

RECT g_menuButton;
int g_menuRequests = 0;

LRESULT CALLBACK FrameWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SKIN_MENU) {
    g_menuButton = *reinterpret_cast<const RECT*>(wParam);
    ++g_menuRequests;
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND MakeFrame() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = FrameWindowProc;
  wc.lpszClassName = "SkinTestFrame";
  RegisterClassA(&wc);
  return CreateWindowExA(0, "SkinTestFrame", "game", WS_OVERLAPPEDWINDOW, 10, 20, 400, 300, nullptr, nullptr,
                         nullptr, nullptr);
}

TEST_F(SkinLibrary, CaptionButtonAsksForTheSkinMenu) {
  ASSERT_TRUE(SkinLoad(m_blue.c_str(), 1));
  HWND frame = MakeFrame();
  ASSERT_TRUE(frame);
  ASSERT_TRUE(SkinAttachFrame(frame, 128));
  ShowWindow(frame, SW_SHOWNORMAL);
  platform::NonClientLayout layout = platform::LayoutNonClient(400, 300, WS_OVERLAPPEDWINDOW, 0);

  // Find the button by hit-testing along the caption's middle, right to left.
  const int y = (layout.caption.top + layout.caption.bottom) / 2;
  int hitX = -1;
  for (int x = layout.caption.right - 1; x >= layout.caption.left && hitX < 0; --x) {
    if (SendMessageA(frame, WM_NCHITTEST, 0, MAKELPARAM(10 + x, 20 + y)) == 0x7A) hitX = x;
  }
  ASSERT_GE(hitX, 0);
  EXPECT_LT(hitX, layout.minButton.left);  // left of the system buttons
  EXPECT_EQ(HTCAPTION, SendMessageA(frame, WM_NCHITTEST, 0, MAKELPARAM(10 + layout.caption.left + 30, 20 + y)));

  // The caption left of the button takes the skin's colours, active and inactive.
  for (BOOL active : {TRUE, FALSE}) {
    SendMessageA(frame, WM_NCACTIVATE, active, 0);
    HDC dc = GetWindowDC(frame);
    EXPECT_EQ(active ? RGB(200, 10, 20) : RGB(30, 40, 50), GetPixel(dc, layout.caption.left + 1, layout.caption.top + 1));
    ReleaseDC(frame, dc);
  }
  // Switching to a skin without caption colours repaints the frame in the system's.
  ASSERT_TRUE(SkinSwitch(m_plain.c_str(), 1));
  SendMessageA(frame, WM_NCPAINT, 1, 0);
  HDC dc = GetWindowDC(frame);
  EXPECT_NE(RGB(30, 40, 50), GetPixel(dc, layout.caption.left + 1, layout.caption.top + 1));
  ReleaseDC(frame, dc);

  g_menuRequests = 0;
  SendMessageA(frame, WM_NCLBUTTONDOWN, 0x7A, MAKELPARAM(10 + hitX, 20 + y));
  EXPECT_EQ(1, g_menuRequests);
  EXPECT_EQ(hitX + 1, g_menuButton.right);  // window-relative
  EXPECT_TRUE(g_menuButton.top >= layout.caption.top && g_menuButton.bottom <= layout.caption.bottom);
  DestroyWindow(frame);
}

struct Canvas {
  Canvas() {
    dc = CreateCompatibleDC(nullptr);
    HDC screen = GetDC(nullptr);
    bitmap = CreateCompatibleBitmap(screen, 100, 100);  // 32 bits, not the memory DC's monochrome
    ReleaseDC(nullptr, screen);
    old = SelectObject(dc, bitmap);
    RECT all{0, 0, 100, 100};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
};

TEST_F(SkinLibrary, DialogsEraseWithTheSkinUnlessTheyEraseThemselves) {
  ASSERT_TRUE(SkinLoad(m_blue.c_str(), 1));
  platform::RegisterDialogClass();
  for (BOOL ownErase : {FALSE, TRUE}) {
    HWND dialog = CreateWindowExA(0, "#32770", "", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(dialog);
    if (ownErase) skinppSetDialogEraseBkgnd(dialog, TRUE);
    Canvas canvas;
    SendMessageA(dialog, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc), 0);
    if (ownErase) {
      EXPECT_NE(RGB(1, 2, 3), GetPixel(canvas.dc, 5, 5));
    } else {
      EXPECT_EQ(RGB(1, 2, 3), GetPixel(canvas.dc, 5, 5));  // the skin's colour 15
    }
    DestroyWindow(dialog);
  }
}

TEST_F(SkinLibrary, SkinnedControlsEraseWithTheParentsBackground) {
  HWND parent = MakeFrame();
  HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 30, 40, 20, 10, parent, nullptr, nullptr,
                               nullptr);
  ASSERT_TRUE(child);
  Canvas background;
  SetPixel(background.dc, 30, 40, RGB(200, 0, 0));  // under the child's top-left corner
  skinppSetBackgroundDC(parent, background.dc);
  SkinChildControl(child, 0);
  Canvas target;
  SendMessageA(child, WM_ERASEBKGND, reinterpret_cast<WPARAM>(target.dc), 0);
  EXPECT_EQ(RGB(200, 0, 0), GetPixel(target.dc, 0, 0));
  EXPECT_EQ(RGB(255, 255, 255), GetPixel(target.dc, 1, 0));
  SkinBeforeHide(parent);  // the picture is forgotten with the window hidden
  skinppSetBackgroundDC(parent, nullptr);
  DestroyWindow(parent);
}

// The skin's creation hook hands every window on to the hooks set before it.
TEST_F(SkinLibrary, CreationHooksSetBeforeTheSkinStillRun) {
  static int seen = 0;
  seen = 0;
  HHOOK earlier = SetWindowsHookExA(
      WH_CBT,
      [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
        if (code == HCBT_CREATEWND) ++seen;
        return CallNextHookEx(nullptr, code, wParam, lParam);
      },
      nullptr, GetCurrentThreadId());
  ASSERT_TRUE(earlier);
  ASSERT_TRUE(SkinLoad(m_plain.c_str(), 1));
  HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(window);
  EXPECT_EQ(1, seen);
  DestroyWindow(window);
  SkinRelease();
  UnhookWindowsHookEx(earlier);
}

}  // namespace
