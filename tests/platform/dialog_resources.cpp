// Resources by id (found, missing, wrong type), string tables, bitmaps, icons and cursors from
// resources, the system icons, and LoadImage from .bmp and .ico files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/WinError.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Input.h"
#include "platform/user/Resources.h"

namespace {

using Bytes = std::vector<BYTE>;
const HINSTANCE PROGRAM = reinterpret_cast<HINSTANCE>(1);

void Put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<BYTE>(v));
  b.push_back(static_cast<BYTE>(v >> 8));
}
void Put32(Bytes& b, unsigned v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

// A packed DIB: 24 bits, bottom-up, pixels given top row first as 0xRRGGBB.
Bytes Dib24(int w, int h, const std::vector<unsigned>& rgbTopDown) {
  Bytes b;
  Put32(b, 40);
  Put32(b, static_cast<unsigned>(w));
  Put32(b, static_cast<unsigned>(h));
  Put16(b, 1);
  Put16(b, 24);
  for (int i = 0; i < 6; ++i) Put32(b, 0);
  int stride = (w * 3 + 3) & ~3;
  for (int y = h - 1; y >= 0; --y) {
    int start = static_cast<int>(b.size());
    for (int x = 0; x < w; ++x) {
      unsigned c = rgbTopDown[static_cast<size_t>(y * w + x)];
      b.push_back(static_cast<BYTE>(c));
      b.push_back(static_cast<BYTE>(c >> 8));
      b.push_back(static_cast<BYTE>(c >> 16));
    }
    while (static_cast<int>(b.size()) - start < stride) b.push_back(0);
  }
  return b;
}

Bytes BmpFile(const Bytes& dib) {
  Bytes f = {'B', 'M'};
  Put32(f, static_cast<unsigned>(14 + dib.size()));
  Put32(f, 0);
  Put32(f, 54);
  f.insert(f.end(), dib.begin(), dib.end());
  return f;
}

// An .ico (or .cur with a hot spot) with square 32-bit entries of one colour each; the top-left
// quarter of every entry is transparent through the mask.
Bytes IconFile(const std::vector<std::pair<int, unsigned>>& entries, bool cursor = false, POINT hot = {}) {
  Bytes f;
  Put16(f, 0);
  Put16(f, cursor ? 2 : 1);
  Put16(f, static_cast<unsigned>(entries.size()));
  std::vector<Bytes> images;
  for (const auto& [size, colour] : entries) {
    Bytes img;
    Put32(img, 40);
    Put32(img, static_cast<unsigned>(size));
    Put32(img, static_cast<unsigned>(size * 2));
    Put16(img, 1);
    Put16(img, 32);
    for (int i = 0; i < 6; ++i) Put32(img, 0);
    for (int y = size - 1; y >= 0; --y) {
      for (int x = 0; x < size; ++x) {
        bool clear = x < size / 2 && y < size / 2;
        Put32(img, clear ? 0u : (0xFF000000u | colour));
      }
    }
    int maskStride = ((size + 31) / 32) * 4;
    for (int y = size - 1; y >= 0; --y) {
      Bytes row(static_cast<size_t>(maskStride), 0);
      for (int x = 0; x < size; ++x) {
        if (x < size / 2 && y < size / 2) row[static_cast<size_t>(x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
      }
      img.insert(img.end(), row.begin(), row.end());
    }
    images.push_back(img);
  }
  unsigned offset = static_cast<unsigned>(6 + 16 * entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    int size = entries[i].first;
    f.push_back(static_cast<BYTE>(size));
    f.push_back(static_cast<BYTE>(size));
    f.push_back(0);
    f.push_back(0);
    Put16(f, cursor ? static_cast<unsigned>(hot.x) : 1);
    Put16(f, cursor ? static_cast<unsigned>(hot.y) : 32);
    Put32(f, static_cast<unsigned>(images[i].size()));
    Put32(f, offset);
    offset += static_cast<unsigned>(images[i].size());
  }
  for (const Bytes& img : images) f.insert(f.end(), img.begin(), img.end());
  return f;
}

std::string WriteTemp(const std::string& name, const Bytes& bytes) {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "pxqd-dialog-resources";
  std::filesystem::create_directories(dir);
  std::string path = (dir / name).string();
  FILE* f = fopen(path.c_str(), "wb");
  if (f) {
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
  }
  return path;
}

COLORREF BitmapPixel(HBITMAP bmp, int x, int y) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  COLORREF c = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteDC(dc);
  return c;
}

SIZE BitmapSize(HBITMAP bmp) {
  BITMAP bm{};
  GetObjectA(bmp, sizeof bm, &bm);
  return SIZE{bm.bmWidth, bm.bmHeight};
}

// What an icon draws over white: the colour at (x, y).
COLORREF IconPixel(HICON icon, int size, int x, int y) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = size;
  info.bmiHeader.biHeight = -size;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP target = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, target);
  RECT rc{0, 0, size, size};
  FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  COLORREF c = GetPixel(dc, x, y);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(target);
  return c;
}

TEST(Resources, FoundMissingAndWrongType) {
  ASSERT_TRUE(platform::AddResource("SOUND", MAKEINTRESOURCEA(29014), Bytes{'R', 'I', 'F', 'F'}));
  ASSERT_TRUE(platform::AddResource(RT_RCDATA, "Named", Bytes{1, 2, 3}));
  struct Case {
    LPCSTR name;
    LPCSTR type;
    DWORD size;   // 0: not found
    DWORD error;  // the error when not found
  } cases[] = {
      {MAKEINTRESOURCEA(29014), "SOUND", 4, 0},
      {MAKEINTRESOURCEA(29014), "sound", 4, 0},  // string types ignore case
      {"#29014", "SOUND", 4, 0},                  // "#n" is the number n
      {"named", RT_RCDATA, 3, 0},
      {MAKEINTRESOURCEA(29015), "SOUND", 0, ERROR_RESOURCE_NAME_NOT_FOUND},
      {MAKEINTRESOURCEA(29014), RT_RCDATA, 0, ERROR_RESOURCE_NAME_NOT_FOUND},  // the wrong type
      {MAKEINTRESOURCEA(29014), "NOSUCHTYPE", 0, ERROR_RESOURCE_TYPE_NOT_FOUND},
      {nullptr, "SOUND", 0, 0},
      {"", "SOUND", 0, 0},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    HRSRC res = FindResourceA(nullptr, c.name, c.type);
    if (c.size) {
      ASSERT_NE(nullptr, res);
      EXPECT_EQ(c.size, SizeofResource(nullptr, res));
      auto* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
      ASSERT_NE(nullptr, data);
    } else {
      EXPECT_EQ(nullptr, res);
      if (c.error) {
        EXPECT_EQ(c.error, GetLastError());
      }
    }
  }
  // A replaced resource keeps the old data alive for whoever still holds it.
  HRSRC old = FindResourceA(nullptr, "named", RT_RCDATA);
  auto* oldData = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, old)));
  ASSERT_TRUE(platform::AddResource(RT_RCDATA, "NAMED", Bytes{9}));
  EXPECT_EQ(3, oldData[2]);
  EXPECT_EQ(1u, SizeofResource(nullptr, FindResourceA(nullptr, "named", RT_RCDATA)));
  EXPECT_TRUE(platform::RemoveResource(RT_RCDATA, "named"));
  EXPECT_FALSE(platform::RemoveResource(RT_RCDATA, "named"));
  EXPECT_EQ(nullptr, FindResourceA(nullptr, "named", RT_RCDATA));
  EXPECT_EQ(nullptr, LoadResource(nullptr, nullptr));
  EXPECT_EQ(0u, SizeofResource(nullptr, nullptr));
}

TEST(Resources, StringTable) {
  ASSERT_TRUE(platform::AddStringResource(100, "更多皮肤..."));
  ASSERT_TRUE(platform::AddStringResource(101, "x"));
  char buf[32];
  EXPECT_EQ(11, LoadStringA(nullptr, 100, buf, sizeof buf));
  EXPECT_STREQ("更多皮肤...", buf);
  // A short buffer cuts without splitting a double-byte character.
  EXPECT_EQ(4, LoadStringA(nullptr, 100, buf, 6));
  EXPECT_STREQ("更多", buf);
  EXPECT_EQ(0, LoadStringA(nullptr, 102, buf, sizeof buf));
  EXPECT_STREQ("", buf);
  const char* view = nullptr;
  EXPECT_EQ(1, LoadStringA(nullptr, 101, reinterpret_cast<LPSTR>(&view), 0));
  EXPECT_EQ('x', view[0]);
  // The string block of ids 96 to 111 is an RT_STRING resource of counted UTF-16 strings.
  HRSRC block = FindResourceA(nullptr, MAKEINTRESOURCEA(7), RT_STRING);
  ASSERT_NE(nullptr, block);
  auto* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, block)));
  DWORD size = SizeofResource(nullptr, block);
  // Ids 96-99 are empty; 100 has 7 characters.
  ASSERT_GE(size, 8u + 2u + 14u);
  EXPECT_EQ(0, data[0] | data[1] << 8);
  EXPECT_EQ(7, data[8] | data[9] << 8);
  EXPECT_EQ(0x66F4, data[10] | data[11] << 8);  // 更
}

TEST(Resources, BitmapsFromResourcesAndFiles) {
  std::vector<unsigned> px = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0x808080};
  ASSERT_TRUE(platform::AddResource(RT_BITMAP, MAKEINTRESOURCEA(229), Dib24(3, 2, px)));
  HBITMAP bmp = LoadBitmapA(PROGRAM, MAKEINTRESOURCEA(229));
  ASSERT_NE(nullptr, bmp);
  EXPECT_EQ(3, BitmapSize(bmp).cx);
  EXPECT_EQ(2, BitmapSize(bmp).cy);
  EXPECT_EQ(RGB(255, 0, 0), BitmapPixel(bmp, 0, 0));
  EXPECT_EQ(RGB(0, 0, 255), BitmapPixel(bmp, 2, 0));
  EXPECT_EQ(RGB(128, 128, 128), BitmapPixel(bmp, 2, 1));
  DeleteObject(bmp);
  EXPECT_EQ(nullptr, LoadBitmapA(PROGRAM, MAKEINTRESOURCEA(230)));

  std::string path = WriteTemp("three.bmp", BmpFile(Dib24(3, 2, px)));
  HBITMAP fromFile = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  ASSERT_NE(nullptr, fromFile);
  EXPECT_EQ(RGB(0, 255, 0), BitmapPixel(fromFile, 1, 0));
  EXPECT_EQ(RGB(0, 0, 0), BitmapPixel(fromFile, 1, 1));
  DeleteObject(fromFile);
  // Asked for a size, the bitmap is stretched to it.
  HBITMAP stretched = static_cast<HBITMAP>(LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 6, 4, LR_LOADFROMFILE));
  ASSERT_NE(nullptr, stretched);
  EXPECT_EQ(6, BitmapSize(stretched).cx);
  EXPECT_EQ(RGB(0, 0, 255), BitmapPixel(stretched, 5, 1));
  DeleteObject(stretched);

  SetLastError(0);
  EXPECT_EQ(nullptr, LoadImageA(nullptr, "/no/such/file.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  std::string junk = WriteTemp("junk.bmp", Bytes{'B', 'M', 1, 2, 3});
  EXPECT_EQ(nullptr, LoadImageA(nullptr, junk.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  std::string cutIcon = WriteTemp("cut.ico", Bytes{0, 0, 1, 0, 5, 0, 32, 32});
  EXPECT_EQ(nullptr, LoadImageA(nullptr, cutIcon.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
  EXPECT_EQ(nullptr, LoadImageA(nullptr, path.c_str(), 7, 0, 0, LR_LOADFROMFILE));
}

TEST(Resources, IconsPickTheEntryNearestTheSize) {
  Bytes ico = IconFile({{16, 0x0000FF}, {32, 0xFF0000}});
  std::string path = WriteTemp("two.ico", ico);
  struct Case {
    int cx;
    UINT flags;
    int size;
    COLORREF colour;
  } cases[] = {
      {0, LR_LOADFROMFILE, 16, RGB(0, 0, 255)},  // no size asked: the first entry's own size
      {16, LR_LOADFROMFILE, 16, RGB(0, 0, 255)},
      {32, LR_LOADFROMFILE, 32, RGB(255, 0, 0)},
      {0, LR_LOADFROMFILE | LR_DEFAULTSIZE, 32, RGB(255, 0, 0)},
      {24, LR_LOADFROMFILE, 24, RGB(255, 0, 0)},  // a tie goes to the larger entry, scaled down
  };
  for (const Case& c : cases) {
    HICON icon = static_cast<HICON>(LoadImageA(nullptr, path.c_str(), IMAGE_ICON, c.cx, c.cx, c.flags));
    ASSERT_NE(nullptr, icon) << c.cx;
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    EXPECT_EQ(c.size, BitmapSize(info.hbmColor).cx) << c.cx;
    // The lower right is opaque in the entry's colour, the upper left shows the white below.
    EXPECT_EQ(c.colour, IconPixel(icon, c.size, c.size - 1, c.size - 1)) << c.cx;
    EXPECT_EQ(RGB(255, 255, 255), IconPixel(icon, c.size, 0, 0)) << c.cx;
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
  // From the resources: LoadIcon gives the system size and the same handle every time.
  ASSERT_TRUE(platform::AddResource(RT_GROUP_ICON, MAKEINTRESOURCEA(151), ico));
  HICON a = LoadIconA(PROGRAM, MAKEINTRESOURCEA(151));
  ASSERT_NE(nullptr, a);
  EXPECT_EQ(a, LoadIconA(PROGRAM, MAKEINTRESOURCEA(151)));
  EXPECT_EQ(RGB(255, 0, 0), IconPixel(a, 32, 31, 31));
  HICON small = static_cast<HICON>(LoadImageA(PROGRAM, MAKEINTRESOURCEA(151), IMAGE_ICON, 16, 16, 0));
  EXPECT_EQ(RGB(0, 0, 255), IconPixel(small, 16, 15, 15));
  DestroyIcon(small);
  EXPECT_EQ(nullptr, LoadIconA(PROGRAM, MAKEINTRESOURCEA(152)));
}

TEST(Resources, CursorsFromResourcesKeepTheirHotSpot) {
  ASSERT_TRUE(platform::AddResource(RT_GROUP_CURSOR, MAKEINTRESOURCEA(106), IconFile({{32, 0x00FF00}}, true, {5, 9})));
  HCURSOR cursor = LoadCursorA(PROGRAM, MAKEINTRESOURCEA(106));
  ASSERT_NE(nullptr, cursor);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(cursor, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(5u, info.xHotspot);
  EXPECT_EQ(9u, info.yHotspot);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  EXPECT_EQ(cursor, LoadCursorA(PROGRAM, MAKEINTRESOURCEA(106)));
  // The system cursors are still there for every instance.
  EXPECT_NE(nullptr, LoadCursorA(nullptr, IDC_ARROW));
  EXPECT_NE(nullptr, LoadCursorA(PROGRAM, IDC_HAND));
  EXPECT_EQ(nullptr, LoadCursorA(PROGRAM, MAKEINTRESOURCEA(107)));
}

TEST(Resources, SystemIcons) {
  struct Case {
    LPCSTR id;
    POINT probe;
    COLORREF colour;
  } cases[] = {
      {IDI_HAND, {16, 8}, RGB(255, 0, 0)},           // the red disc
      {IDI_EXCLAMATION, {10, 26}, RGB(255, 255, 0)},  // the yellow triangle
      {IDI_ASTERISK, {16, 16}, RGB(0, 0, 255)},      // the blue "i"
      {IDI_QUESTION, {16, 24}, RGB(0, 0, 255)},      // the dot of the "?"
      {IDI_APPLICATION, {16, 20}, RGB(255, 255, 255)},
  };
  for (const Case& c : cases) {
    HICON icon = LoadIconA(nullptr, c.id);
    ASSERT_NE(nullptr, icon);
    EXPECT_EQ(icon, LoadIconA(nullptr, c.id));
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    EXPECT_EQ(32, BitmapSize(info.hbmColor).cx);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(c.colour, IconPixel(icon, 32, c.probe.x, c.probe.y));
    // The corners are transparent.
    EXPECT_EQ(RGB(255, 255, 255), IconPixel(icon, 32, 0, 0));
  }
  EXPECT_EQ(LoadIconA(nullptr, IDI_ERROR), LoadIconA(nullptr, IDI_HAND));
  EXPECT_EQ(LoadIconA(nullptr, IDI_INFORMATION), LoadIconA(nullptr, IDI_ASTERISK));
  EXPECT_EQ(LoadIconA(nullptr, IDI_WARNING), LoadIconA(nullptr, IDI_EXCLAMATION));
  EXPECT_EQ(nullptr, LoadIconA(nullptr, MAKEINTRESOURCEA(12345)));
  EXPECT_EQ(LoadIconA(nullptr, IDI_HAND), LoadImageA(nullptr, IDI_HAND, IMAGE_ICON, 0, 0, LR_SHARED));
}

}  // namespace
