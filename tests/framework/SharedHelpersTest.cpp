#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/SharedHelpers.h"
#include "platform/kernel/Kernel.h"
#include "platform/user/User.h"
#include "tests/support/TempDir.h"

namespace {

TEST(SharedHelpers, WealthTitles) {
  struct Case {
    int amount;
    const char* title;
  } cases[] = {
      {-1, "负债"},         {0, "待业"},          {99, "待业"},         {100, "临时工"},
      {199, "临时工"},      {200, "合同工"},      {12799, "经理"},      {12800, "副总经理"},
      {26214399, "超级大富豪"}, {26214400, "世界首富"}, {0x7FFFFFFF, "世界首富"}, {-2147483647 - 1, "负债"},
  };
  for (const Case& c : cases) {
    CString title;
    EXPECT_STREQ(c.title, GetWealthTitle(c.amount, title)) << c.amount;
  }
}

TEST(SharedHelpers, ParseRgbColor) {
  const COLORREF fallback = RGB(1, 2, 3);
  struct Case {
    const char* text;
    COLORREF colour;
  } cases[] = {
      {"255 0 0", RGB(255, 0, 0)}, {"200", RGB(200, 200, 200)}, {"", fallback},
      {"10 20", RGB(10, 20, 20)},  {"46  70   26 ", RGB(46, 70, 26)}, {"256 257 -1", RGB(0, 1, 255)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.colour, ParseRgbColor(c.text, fallback)) << c.text;
  EXPECT_EQ(fallback, ParseRgbColor(nullptr, fallback));
}

TEST(SharedHelpers, TrimSpacesAndHttpPrefix) {
  struct Case {
    const char* text;
    const char* trimmed;
  } cases[] = {{"  a b  ", "a b"}, {"    ", ""}, {"\tx\t", "\tx\t"}, {"", ""}};
  for (const Case& c : cases) {
    char buffer[16];
    std::strcpy(buffer, c.text);
    EXPECT_STREQ(c.trimmed, TrimSpaces(buffer)) << c.text;
  }
  struct Url {
    const char* in;
    const char* out;
  } urls[] = {{"HTTP://a.b/", "HTTP://a.b/"}, {"a.b", "http://a.b"}, {"https://a.b", "http://https://a.b"}};
  for (const Url& u : urls) {
    CString url(u.in);
    EnsureHttpPrefix(url);
    EXPECT_STREQ(u.out, url) << u.in;
  }
  EXPECT_STREQ("-12", IntToString(-12));
}

TEST(SharedHelpers, MachineIdFromOneAdapterLeavesTheIniAlone) {
  testsupport::TempDir dir;
  std::string ini = dir.File("kmvt.ini");
  BYTE addresses[MAC_BUFFER_SIZE] = {0x00, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
  char id[MACHINE_ID_SIZE];
  MakeMachineId(addresses, 1, ini.c_str(), id);
  EXPECT_STREQ("001a2b3c4d5e0000000000000000000", id);
  EXPECT_EQ(31u, std::strlen(id));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(ini.c_str()));
}

TEST(SharedHelpers, MachineIdWithoutAdapterComesFromTheSharedSettings) {
  testsupport::TempDir dir;
  std::string ini = dir.Write("kmvt.ini", "[SYSTEM]\r\nUniqueID=  abcdef  \r\n");
  BYTE addresses[MAC_BUFFER_SIZE] = {};
  char id[MACHINE_ID_SIZE];
  MakeMachineId(addresses, -1, ini.c_str(), id);
  EXPECT_STREQ("abcdef", id);

  // An empty id is made once, stored, and then read back the same.
  std::string fresh = dir.File("fresh.ini");
  MakeMachineId(addresses, 0, fresh.c_str(), id);
  EXPECT_EQ(30u, std::strlen(id));
  EXPECT_EQ(std::strspn(id, "0123456789abcdef"), std::strlen(id));
  char again[MACHINE_ID_SIZE];
  MakeMachineId(addresses, 0, fresh.c_str(), again);
  EXPECT_STREQ(id, again);
}

TEST(SharedHelpers, ManyAdaptersStayInsideTheBuffer) {
  testsupport::TempDir dir;
  for (int i = 0; i < 30; ++i) {
    char name[16];
    std::snprintf(name, sizeof(name), "eth%02d", i);
    dir.Write(std::string(name) + "/type", "1\n");
    char address[32];
    std::snprintf(address, sizeof(address), "02:00:00:00:00:%02x\n", i + 1);
    dir.Write(std::string(name) + "/address", address);
  }
  platform::SetNetSysfsRoot(dir.Path());
  BYTE buffer[MAC_BUFFER_SIZE + 8];
  std::memset(buffer, 0xEE, sizeof(buffer));
  int count = GetMacAddresses(buffer, MAC_BUFFER_SIZE);
  platform::SetNetSysfsRoot("");
  EXPECT_EQ(MAC_BUFFER_SIZE / 6, count);
  EXPECT_EQ(0x01, buffer[5]);
  for (int i = MAC_BUFFER_SIZE; i < MAC_BUFFER_SIZE + 8; ++i) EXPECT_EQ(0xEE, buffer[i]) << i;
}

TEST(SharedHelpers, HallFolderFromTheSharedSettings) {
  testsupport::TempDir dir;
  setenv("PXQD_SYSTEM_DIR", dir.Path().c_str(), 1);
  EXPECT_STREQ("", GetHallFolder());
  dir.Write("kmvt.ini", "[SYSTEM]\r\nExePath=C:\\Hall\\hall.exe\r\n");
  EXPECT_STREQ("C:\\Hall\\hall.exe", GetHallExePath());
  EXPECT_STREQ("C:\\Hall\\", GetHallFolder());
  EXPECT_STREQ("C:\\Hall\\Share\\advert\\domain.dat", GetAdvertWhitelistPath());
  unsetenv("PXQD_SYSTEM_DIR");
}

}  // namespace

namespace {

// A memory DC over a bitmap of its own, released with the object.
struct Canvas {
  Canvas(int w, int h) {
    screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    bitmap = CreateCompatibleBitmap(screen, w, h);
    old = SelectObject(dc, bitmap);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
  }
  HDC screen;
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
};

COLORREF PatternColour(int x, int y) { return RGB(10 + 40 * x, 10 + 40 * y, 99); }

TEST(SharedHelpers, TilingIsAnchoredAtTheOrigin) {
  Canvas pattern(4, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) SetPixel(pattern.dc, x, y, PatternColour(x, y));
  }
  SelectObject(pattern.dc, pattern.old);  // the bitmap may be selected into one DC only
  Canvas target(12, 12);
  RECT all = {0, 0, 12, 12};
  TileBitmapOrFill(target.dc, &all, nullptr, RGB(1, 2, 3));
  EXPECT_EQ(RGB(1, 2, 3), GetPixel(target.dc, 5, 5));
  RECT inner = {1, 2, 11, 10};
  TileBitmapOrFill(target.dc, &inner, pattern.bitmap, RGB(1, 2, 3));
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      bool inside = x >= 1 && x < 11 && y >= 2 && y < 10;
      EXPECT_EQ(inside ? PatternColour(x % 4, y % 3) : RGB(1, 2, 3), GetPixel(target.dc, x, y)) << x << "," << y;
    }
  }
  pattern.old = SelectObject(pattern.dc, pattern.bitmap);
}

TEST(SharedHelpers, TransparentCopyLeavesTheKeyOut) {
  const COLORREF key = RGB(255, 0, 255);
  Canvas source(3, 1);
  SetPixel(source.dc, 0, 0, RGB(10, 20, 30));
  SetPixel(source.dc, 1, 0, key);
  SetPixel(source.dc, 2, 0, RGB(200, 100, 50));
  Canvas target(5, 1);
  RECT all = {0, 0, 5, 1};
  TileBitmapOrFill(target.dc, &all, nullptr, RGB(7, 7, 7));
  DrawTransparentBitmap(target.dc, 1, 0, 3, 1, source.dc, 0, 0, key);
  EXPECT_EQ(RGB(7, 7, 7), GetPixel(target.dc, 0, 0));
  EXPECT_EQ(RGB(10, 20, 30), GetPixel(target.dc, 1, 0));
  EXPECT_EQ(RGB(7, 7, 7), GetPixel(target.dc, 2, 0));
  EXPECT_EQ(RGB(200, 100, 50), GetPixel(target.dc, 3, 0));
  EXPECT_EQ(RGB(7, 7, 7), GetPixel(target.dc, 4, 0));
}

}  // namespace
