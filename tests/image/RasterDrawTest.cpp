// CRasterImage::Draw on a 32-bit DIB-section DC: the direct, stretched and blended paths, checked
// pixel by pixel against values worked out by hand, plus rendering hashes of mixed scenes (PNG
// dumps in build/tests/gdi-renderings/ for a person to look at).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "image/RasterImage.h"
#include "platform/gdi/Gdi.h"
#include "tests/platform/GdiTestCanvas.h"

namespace {

using gditest::Canvas;

// An image whose palette-alpha flag the tests can set (decoders set it for PNG palettes).
class TestImage : public CRasterImage {
 public:
  TestImage(DWORD width, DWORD height, DWORD bpp) : CRasterImage(width, height, bpp, 0) {}
  void SetPaletteAlpha(bool on) { m_info.paletteAlpha = on; }
};

RGBQUAD Quad(COLORREF c, BYTE fourth = 0) {
  return RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), fourth};
}

// Pixels are addressed top-down here, as the screen shows them; the image stores bottom-up.
void SetTop(CRasterImage& img, long x, long yTop, COLORREF c) {
  img.SetPixelColor(x, static_cast<long>(img.GetHeight()) - 1 - yTop, Quad(c));
}
void SetTopIndex(CRasterImage& img, long x, long yTop, BYTE index) {
  img.SetPixelIndex(x, static_cast<long>(img.GetHeight()) - 1 - yTop, index);
}
void SetTopAlpha(CRasterImage& img, long x, long yTop, BYTE a) {
  img.AlphaSet(x, static_cast<long>(img.GetHeight()) - 1 - yTop, a);
}

std::unique_ptr<TestImage> Rgb(DWORD w, DWORD h, const std::function<COLORREF(int, int)>& f) {
  auto img = std::make_unique<TestImage>(w, h, 24);
  for (DWORD y = 0; y < h; y++) {
    for (DWORD x = 0; x < w; x++) SetTop(*img, x, y, f(int(x), int(y)));
  }
  return img;
}

// The first pixel of the canvas that differs from `expected`, or "" when all agree.
std::string Mismatch(const Canvas& cv, const std::function<COLORREF(int, int)>& expected) {
  for (int y = 0; y < cv.Height(); y++) {
    for (int x = 0; x < cv.Width(); x++) {
      COLORREF want = expected(x, y), got = cv.At(x, y);
      if (want != got) {
        char buf[128];
        snprintf(buf, sizeof buf, "(%d,%d): want %06lX got %06lX", x, y,
                 static_cast<unsigned long>(want), static_cast<unsigned long>(got));
        return buf;
      }
    }
  }
  return "";
}

bool InRect(int x, int y, int l, int t, int r, int b) { return x >= l && x < r && y >= t && y < b; }

const COLORREF BACK = RGB(90, 90, 90);

COLORREF Pattern(int x, int y) { return RGB(x * 7 % 256, y * 13 % 256, (x + y) * 5 % 256); }

TEST(RasterDraw, UnscaledOpaqueGoesStraightToTheDevice) {
  // 24-bit and palettised images at their own size (negative size = the image's own).
  auto rgb = Rgb(200, 100, Pattern);
  TestImage pal(37, 21, 8);
  for (int i = 0; i < 256; i++) pal.SetPaletteColor(BYTE(i), BYTE(i), BYTE(255 - i), BYTE(i / 2));
  for (int y = 0; y < 21; y++) {
    for (int x = 0; x < 37; x++) SetTopIndex(pal, x, y, BYTE((x + 3 * y) % 256));
  }
  {
    Canvas cv(230, 130, BACK);
    EXPECT_EQ(1, rgb->Draw(cv.Dc(), 10, 10, -1, -1, nullptr, false));
    EXPECT_EQ("", Mismatch(cv, [](int x, int y) {
                return InRect(x, y, 10, 10, 210, 110) ? Pattern(x - 10, y - 10) : BACK;
              }));
  }
  {
    Canvas cv(50, 30, BACK);
    RECT rc = {3, 4, 40, 25};
    EXPECT_EQ(1, pal.Draw(cv.Dc(), rc));
    EXPECT_EQ("", Mismatch(cv, [](int x, int y) {
                if (!InRect(x, y, 3, 4, 40, 25)) return BACK;
                int i = (x - 3 + 3 * (y - 4)) % 256;
                return RGB(i, 255 - i, i / 2);
              }));
  }
}

TEST(RasterDraw, NothingToDoGivesZero) {
  Canvas cv(8, 8, BACK);
  CRasterImage empty;
  auto img = Rgb(2, 2, Pattern);
  EXPECT_EQ(0, empty.Draw(cv.Dc(), 0, 0, -1, -1, nullptr, false));
  EXPECT_EQ(0, img->Draw(nullptr, 0, 0, -1, -1, nullptr, false));
  EXPECT_EQ(0, img->Draw(cv.Dc(), 0, 0, 0, 5, nullptr, false));
  EXPECT_EQ(0, img->Draw(cv.Dc(), 0, 0, 5, 0, nullptr, false));
  EXPECT_EQ("", Mismatch(cv, [](int, int) { return BACK; }));
}

TEST(RasterDraw, ColourKeyAndTransparentIndexLeaveTheDestination) {
  const COLORREF GREEN = RGB(0, 255, 0), BLUE = RGB(0, 0, 200), NEAR_GREEN = RGB(0, 255, 1);
  // 24-bit: the exact transparent colour is skipped, a colour one step away is not.
  auto rgb = Rgb(6, 4, [&](int x, int y) {
    return (x + y) % 3 == 0 ? GREEN : (x + y) % 3 == 1 ? BLUE : NEAR_GREEN;
  });
  rgb->SetTransIndex(0);
  rgb->SetTransColor(Quad(GREEN));
  Canvas cv(10, 8, BACK);
  EXPECT_EQ(1, rgb->Draw(cv.Dc(), 2, 1, -1, -1, nullptr, false));
  EXPECT_EQ("", Mismatch(cv, [&](int x, int y) {
              if (!InRect(x, y, 2, 1, 8, 5)) return BACK;
              int k = (x - 2 + y - 1) % 3;
              return k == 0 ? BACK : k == 1 ? BLUE : NEAR_GREEN;
            }));

  // Palettised: the index decides, not the colour (entry 3 has entry 2's colour).
  TestImage pal(4, 1, 8);
  pal.SetPaletteColor(1, 200, 0, 0);
  pal.SetPaletteColor(2, 0, 0, 200);
  pal.SetPaletteColor(3, 0, 0, 200);
  const BYTE indexes[4] = {1, 2, 3, 2};
  for (int x = 0; x < 4; x++) SetTopIndex(pal, x, 0, indexes[x]);
  pal.SetTransIndex(2);
  Canvas cv2(4, 1, BACK);
  EXPECT_EQ(1, pal.Draw(cv2.Dc(), 0, 0, -1, -1, nullptr, false));
  EXPECT_EQ(RGB(200, 0, 0), cv2.At(0, 0));
  EXPECT_EQ(BACK, cv2.At(1, 0));
  EXPECT_EQ(RGB(0, 0, 200), cv2.At(2, 0));
  EXPECT_EQ(BACK, cv2.At(3, 0));
}

TEST(RasterDraw, AlphaLayerAndPaletteAlphaBlend) {
  struct Case {
    const char* name;
    BYTE alpha;      // the alpha layer's value (255 without a layer)
    int paletteA;    // the palette entry's fourth byte with palette alpha, or -1
    BYTE dest;       // destination grey level
    BYTE expected;   // resulting grey level
  };
  const Case cases[] = {
      {"alpha 0 keeps the destination", 0, -1, 100, 100},
      {"alpha 255 replaces", 255, -1, 100, 255},
      {"alpha 128 over 0: (255*128)>>8", 128, -1, 0, 127},
      {"alpha 128 over 100: (255*128 + 100*127)>>8", 128, -1, 100, 177},
      {"alpha 1 over 200", 1, -1, 200, (255 * 1 + 200 * 254) >> 8},
      {"palette 127 gives a = 127", 255, 127, 0, (255 * 127) >> 8},
      {"palette 255 gives a = 255", 255, 255, 17, 255},
      {"palette 0 gives a = 0", 255, 0, 17, 17},
      {"layer 128 and palette 127: a = (128*128)>>8 = 64", 128, 127, 40, (255 * 64 + 40 * 191) >> 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<TestImage> img;
    if (c.paletteA >= 0) {
      img = std::make_unique<TestImage>(3, 2, 8);
      img->SetPaletteColor(1, 255, 255, 255, BYTE(c.paletteA));
      for (int y = 0; y < 2; y++) {
        for (int x = 0; x < 3; x++) SetTopIndex(*img, x, y, 1);
      }
      img->SetPaletteAlpha(true);
    } else {
      img = Rgb(3, 2, [](int, int) { return RGB(255, 255, 255); });
    }
    if (c.alpha != 255 || c.paletteA < 0) {
      ASSERT_TRUE(img->AlphaCreate());
      for (int y = 0; y < 2; y++) {
        for (int x = 0; x < 3; x++) SetTopAlpha(*img, x, y, c.alpha);
      }
    }
    const COLORREF dest = RGB(c.dest, c.dest, c.dest);
    Canvas cv(5, 4, dest);
    EXPECT_EQ(1, img->Draw(cv.Dc(), 1, 1, -1, -1, nullptr, false));
    const COLORREF want = RGB(c.expected, c.expected, c.expected);
    EXPECT_EQ("", Mismatch(cv, [&](int x, int y) { return InRect(x, y, 1, 1, 4, 3) ? want : dest; }));
  }
}

TEST(RasterDraw, StretchingWithoutSmoothingPicksSourcePixels) {
  auto two = Rgb(2, 2, [](int x, int y) { return RGB(x * 200, y * 200, 50); });
  auto four = Rgb(4, 4, [](int x, int y) { return RGB(x * 60, y * 60, 9); });
  struct Case {
    const char* name;
    CRasterImage* img;
    bool blended;
    int x, y, w, h;
    std::function<COLORREF(int, int)> expected;  // inside the target, relative to it
  };
  // 4 x 4 to 2 x 2: columns dx = 2j give 0 and 2; rows dy = 4 - (2 - k) * 2 give image rows 0
  // and 2 from the bottom, which are rows 3 and 1 from the top.
  auto shrunk = [](int x, int y) { return RGB((x * 2) * 60, (y == 0 ? 1 : 3) * 60, 9); };
  const Case cases[] = {
      {"2x2 to 4x4 repeats each pixel in a 2x2 block", two.get(), false, 1, 1, 4, 4,
       [](int x, int y) { return RGB((x / 2) * 200, (y / 2) * 200, 50); }},
      {"4x4 to 2x2", four.get(), false, 0, 0, 2, 2, shrunk},
      {"2x2 to 6x2", two.get(), false, 0, 1, 6, 2,
       [](int x, int y) { return RGB((x / 3) * 200, y * 200, 50); }},
      {"blended 2x2 to 4x4 (alpha 255)", two.get(), true, 1, 1, 4, 4,
       [](int x, int y) { return RGB((x / 2) * 200, (y / 2) * 200, 50); }},
      {"blended 4x4 to 2x2 (alpha 255)", four.get(), true, 0, 0, 2, 2, shrunk},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.blended) {
      c.img->AlphaCreate();  // all 255: the blended path with every pixel opaque
    } else {
      c.img->AlphaDelete();
    }
    Canvas cv(8, 8, BACK);
    EXPECT_EQ(1, c.img->Draw(cv.Dc(), c.x, c.y, c.w, c.h, nullptr, false));
    EXPECT_EQ("", Mismatch(cv, [&](int x, int y) {
                return InRect(x, y, c.x, c.y, c.x + c.w, c.y + c.h) ? c.expected(x - c.x, y - c.y)
                                                                    : BACK;
              }));
  }
}

TEST(RasterDraw, SmoothingInterpolatesAndAverages) {
  // Up: black and white to four columns. Source columns dx = 0, 0.5, 1, 1.5 are looked up at
  // dx - 0.5 with the border repeated: 0, 0, half-way (127), 255.
  auto pair = Rgb(2, 1, [](int x, int) { return x ? RGB(255, 255, 255) : RGB(0, 0, 0); });
  // Down: columns 0, 40, 80, 120 halved. The area around column 1.5 - 0.5 covers columns 0.5 to
  // 2.5: half of 40 and 80 weighted by their covered parts is 60; around -0.5 only column 0.
  auto ramp = Rgb(4, 4, [](int x, int) { return RGB(x * 40, x * 40, x * 40); });
  struct Case {
    const char* name;
    CRasterImage* img;
    int w, h;
    bool smooth;
    std::vector<int> greys;  // the first row's grey levels
  };
  const Case cases[] = {
      {"up, plain", pair.get(), 4, 1, false, {0, 0, 255, 255}},
      {"up, smooth", pair.get(), 4, 1, true, {0, 0, 127, 255}},
      {"down, plain", ramp.get(), 2, 2, false, {0, 80}},
      {"down, smooth (area)", ramp.get(), 2, 2, true, {0, 60}},
  };
  for (const Case& c : cases) {
    for (bool blended : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (blended ? ", blended" : ""));
      if (blended) {
        c.img->AlphaCreate();
      } else {
        c.img->AlphaDelete();
      }
      Canvas cv(6, 3, BACK);
      EXPECT_EQ(1, c.img->Draw(cv.Dc(), 0, 0, c.w, c.h, nullptr, c.smooth));
      for (size_t i = 0; i < c.greys.size(); i++) {
        int g = c.greys[i];
        EXPECT_EQ(RGB(g, g, g), cv.At(int(i), 0)) << "column " << i;
      }
      EXPECT_EQ(BACK, cv.At(c.w, 0));
    }
  }
}

TEST(RasterDraw, PaletteAlphaSurvivesSmoothStretching) {
  // The smoothed colour has no palette alpha in its fourth byte; the pixel's own entry gives it.
  TestImage pal(2, 1, 8);
  pal.SetPaletteColor(0, 0, 0, 0, 255);
  pal.SetPaletteColor(1, 255, 255, 255, 127);
  SetTopIndex(pal, 1, 0, 1);
  pal.SetPaletteAlpha(true);
  Canvas cv(4, 1, RGB(0, 0, 0));
  EXPECT_EQ(1, pal.Draw(cv.Dc(), 0, 0, 4, 1, nullptr, true));
  // Columns look up 0, 0, half-way (127) and 255 (see above); the first two entries are opaque
  // black, the last two are index 1 at a = (255 * 128) >> 8 = 127 over black.
  EXPECT_EQ(RGB(0, 0, 0), cv.At(0, 0));
  EXPECT_EQ(RGB(0, 0, 0), cv.At(1, 0));
  EXPECT_EQ(RGB(63, 63, 63), cv.At(2, 0));   // (127 * 127) >> 8
  EXPECT_EQ(RGB(126, 126, 126), cv.At(3, 0));  // (255 * 127) >> 8
}

TEST(RasterDraw, ClippingLimitsThePaintBoxAndIsUndone) {
  auto img = Rgb(4, 4, [](int x, int y) { return RGB(x * 60, y * 60, 7); });
  struct Case {
    const char* name;
    bool blended;
    int w, h;  // target size at (0, 0)
    RECT clip;
    RECT painted;  // what may change
  };
  const Case cases[] = {
      {"direct", false, -1, -1, {1, 1, 3, 3}, {1, 1, 3, 3}},
      {"stretched", false, 8, 8, {2, 3, 5, 7}, {2, 3, 5, 7}},
      {"blended", true, -1, -1, {0, 2, 9, 9}, {0, 2, 4, 4}},
      {"blended stretched", true, 8, 8, {3, 1, 6, 9}, {3, 1, 6, 8}},
      {"clip that misses the target", false, 8, 8, {20, 20, 30, 30}, {0, 0, 0, 0}},
      {"blended clip that misses", true, 8, 8, {-9, 0, -1, 5}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.blended) {
      img->AlphaCreate();
    } else {
      img->AlphaDelete();
    }
    Canvas full(10, 10, BACK);
    img->Draw(full.Dc(), 0, 0, c.w, c.h, nullptr, false);
    Canvas cv(10, 10, BACK);
    RECT clip = c.clip;
    EXPECT_EQ(1, img->Draw(cv.Dc(), 0, 0, c.w, c.h, &clip, false));
    EXPECT_EQ("", Mismatch(cv, [&](int x, int y) {
                return InRect(x, y, c.painted.left, c.painted.top, c.painted.right,
                              c.painted.bottom)
                           ? full.At(x, y)
                           : BACK;
              }));
    // The device context's clipping is as it was: none.
    RECT box;
    GetClipBox(cv.Dc(), &box);
    EXPECT_EQ(0, box.left);
    EXPECT_EQ(0, box.top);
    EXPECT_EQ(10, box.right);
    EXPECT_EQ(10, box.bottom);
    HRGN probe = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(0, GetClipRgn(cv.Dc(), probe));
    DeleteObject(probe);
  }
}

TEST(RasterDraw, DeviceClipAndOriginAreHonoured) {
  auto img = Rgb(4, 4, [](int x, int y) { return RGB(x * 60, y * 60, 7); });
  img->AlphaCreate();
  for (int y = 0; y < 4; y++) SetTopAlpha(*img, 0, y, 0);  // first column fully transparent
  // The DC already clips to (2, 0, 10, 10); the blended path copies the screen under the paint
  // box and must put back only what is inside.
  Canvas cv(10, 10, BACK);
  HRGN own = CreateRectRgn(2, 0, 10, 10);
  SelectClipRgn(cv.Dc(), own);
  RECT clip = {0, 1, 10, 3};
  EXPECT_EQ(1, img->Draw(cv.Dc(), 1, 0, 8, 8, &clip, false));
  EXPECT_EQ("", Mismatch(cv, [&](int x, int y) {
              if (!InRect(x, y, 2, 1, 9, 3)) return BACK;
              int sx = (x - 1) / 2, syTop = y / 2;
              return sx == 0 ? BACK : RGB(sx * 60, syTop * 60, 7);
            }));
  RECT box;
  GetClipBox(cv.Dc(), &box);
  EXPECT_EQ(2, box.left);
  EXPECT_EQ(10, box.right);
  HRGN probe = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(1, GetClipRgn(cv.Dc(), probe));
  EXPECT_TRUE(EqualRgn(probe, own));
  DeleteObject(probe);
  DeleteObject(own);

  // A window origin moves the drawing like any other GDI output.
  Canvas moved(10, 10, BACK);
  SetWindowOrgEx(moved.Dc(), -3, -2, nullptr);
  img->AlphaDelete();
  EXPECT_EQ(1, img->Draw(moved.Dc(), 0, 0, 4, 4, nullptr, false));
  EXPECT_EQ(1, img->Draw(moved.Dc(), 5, 5, 2, 2, nullptr, false));
  EXPECT_EQ(RGB(0, 0, 7), moved.At(3, 2));
  EXPECT_EQ(RGB(180, 180, 7), moved.At(6, 5));
  EXPECT_EQ(RGB(0, 60, 7), moved.At(8, 7));  // the 2x2 copy's top-left pixel: image (0, 1)
}

// Mixed scenes as a whole; the hashes catch any change in the rendering.
TEST(RasterDraw, RenderingHashes) {
  auto gradient = Rgb(37, 23, [](int x, int y) { return RGB(x * 255 / 36, y * 255 / 22, 128); });
  auto glass = Rgb(16, 16, [](int x, int y) { return RGB(255, (x * 16) & 255, (y * 16) & 255); });
  glass->AlphaCreate();
  for (int y = 0; y < 16; y++) {
    for (int x = 0; x < 16; x++) SetTopAlpha(*glass, x, y, BYTE((x + y) * 8));
  }
  TestImage pal(9, 9, 8);
  for (int i = 0; i < 16; i++) pal.SetPaletteColor(BYTE(i), BYTE(i * 16), 40, BYTE(255 - i * 16), BYTE(i * 17));
  for (int y = 0; y < 9; y++) {
    for (int x = 0; x < 9; x++) SetTopIndex(pal, x, y, BYTE((x * y) % 16));
  }
  pal.SetPaletteAlpha(true);
  pal.SetTransIndex(0);

  struct Scene {
    const char* name;
    bool smooth;
    const char* hash;
  };
  const Scene scenes[] = {{"image-draw-plain", false, "e54f4cbf180616d3"},
                            {"image-draw-smooth", true, "f6376c98cdf1f4a9"}};
  for (const Scene& s : scenes) {
    SCOPED_TRACE(s.name);
    Canvas cv(160, 100, RGB(30, 60, 90));
    gradient->Draw(cv.Dc(), 0, 0, 111, 69, nullptr, s.smooth);      // up by three
    gradient->Draw(cv.Dc(), 115, 5, 18, 11, nullptr, s.smooth);     // down by two
    glass->Draw(cv.Dc(), 60, 40, 64, 48, nullptr, s.smooth);        // alpha, up by four
    glass->Draw(cv.Dc(), 130, 60, 7, 7, nullptr, s.smooth);         // alpha, down
    RECT clip = {100, 10, 150, 50};
    pal.Draw(cv.Dc(), 95, 5, 45, 45, &clip, s.smooth);              // palette alpha, clipped
    EXPECT_TRUE(cv.Dump(s.name));
    EXPECT_EQ(s.hash, cv.Hash()) << "rendering changed; see the PNG dump";
  }
}

}  // namespace
