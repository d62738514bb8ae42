// The float geometry classes, the overflow methods, the interpolation kernels and the
// interpolated and area lookups, against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "image/RasterImage.h"
#include "image/RasterRect2.h"

namespace {

std::string Text(RGBQUAD c) {
  return "(" + std::to_string(c.rgbRed) + "," + std::to_string(c.rgbGreen) + "," +
         std::to_string(c.rgbBlue) + "," + std::to_string(c.rgbReserved) + ")";
}
#define EXPECT_QUAD(want, got) EXPECT_EQ(Text(want), Text(got))

// A distinct colour per pixel: red = 10 x + 1, green = 10 y + 2, blue = 77.
RGBQUAD At(long x, long y) { return RGBQUAD{77, BYTE(10 * y + 2), BYTE(10 * x + 1), 0}; }

std::unique_ptr<CRasterImage> Numbered(long w, long h) {
  auto img = std::make_unique<CRasterImage>(w, h, 24, 0);
  for (long y = 0; y < h; y++) {
    for (long x = 0; x < w; x++) img->SetPixelColor(x, y, At(x, y));
  }
  return img;
}

TEST(RasterRect2, MeasuresAndCrossSections) {
  CRasterRect2 r(1.0f, 2.0f, 4.0f, 7.0f);
  EXPECT_FLOAT_EQ(3.0f, r.Width());
  EXPECT_FLOAT_EQ(5.0f, r.Height());
  EXPECT_FLOAT_EQ(15.0f, r.Surface());
  EXPECT_FLOAT_EQ(2.5f, r.Center().x);
  EXPECT_FLOAT_EQ(4.5f, r.Center().y);
  CRasterRect2 zero;
  EXPECT_FLOAT_EQ(0.0f, zero.Surface());
  CRasterPoint2 p(1.5f, -2.0f), q(p);
  EXPECT_FLOAT_EQ(1.5f, q.x);
  EXPECT_FLOAT_EQ(-2.0f, q.y);

  struct Case {
    CRasterRect2 a, b;
    float l, t, r, bottom;
  };
  const Case cases[] = {
      {{0, 0, 1, 1}, {2, 2, 3, 3}, 0, 0, 0, 0},              // apart: the zero rectangle
      {{0, 0, 2, 2}, {1, 1, 3, 3}, 1, 1, 2, 2},              // overlap
      {{0, 0, 1, 1}, {1, 0, 2, 1}, 1, 0, 1, 1},              // touching: zero width, kept
      {{0, 0, 4, 4}, {1, 1, 2, 2}, 1, 1, 2, 2},              // inside
      {{5, 5, 6, 6}, {0, 5.5f, 10, 5.75f}, 5, 5.5f, 6, 5.75f},
      {{0, 0, 1, 1}, {0, 2, 1, 3}, 0, 0, 0, 0},              // apart vertically
  };
  for (const Case& c : cases) {
    CRasterRect2 x = c.a.CrossSection(c.b);
    EXPECT_FLOAT_EQ(c.l, x.topLeft.x);
    EXPECT_FLOAT_EQ(c.t, x.topLeft.y);
    EXPECT_FLOAT_EQ(c.r, x.botRight.x);
    EXPECT_FLOAT_EQ(c.bottom, x.botRight.y);
  }
}

TEST(RasterInterpolate, KernelsAgainstHandValues) {
  struct Case {
    const char* name;
    float (*kernel)(float);
    float x;
    float expected;
  };
  auto generalized = [](float x) { return CRasterImage::KernelGeneralizedCubic(x); };
  auto lanczos = [](float x) { return CRasterImage::KernelLanczosSinc(x); };
  const Case cases[] = {
      {"bspline 0", CRasterImage::KernelBSpline, 0.0f, 2.0f / 3.0f},
      {"bspline 0.5", CRasterImage::KernelBSpline, 0.5f, 2.875f / 6.0f},
      {"bspline 1", CRasterImage::KernelBSpline, 1.0f, 1.0f / 6.0f},
      {"bspline -1", CRasterImage::KernelBSpline, -1.0f, 1.0f / 6.0f},
      {"bspline 2", CRasterImage::KernelBSpline, 2.0f, 0.0f},
      {"bspline 2.5", CRasterImage::KernelBSpline, 2.5f, 0.0f},
      {"cubic 0", CRasterImage::KernelCubic, 0.0f, 1.0f},
      {"cubic 0.5", CRasterImage::KernelCubic, 0.5f, 0.625f},
      {"cubic -1.5", CRasterImage::KernelCubic, -1.5f, -0.125f},
      {"cubic 2", CRasterImage::KernelCubic, 2.0f, 0.0f},
      {"generalised cubic 0.5", generalized, 0.5f, 0.5625f},
      {"generalised cubic 1.5", generalized, 1.5f, -0.0625f},
      {"generalised cubic 1", generalized, 1.0f, 0.0f},
      {"lanczos 0", lanczos, 0.0f, 1.0f},
      {"lanczos 0.5", lanczos, 0.5f, 0.6366198f * 0.9886159f},
      {"lanczos 1", lanczos, 1.0f, 0.0f},
      {"lanczos 6.5", lanczos, 6.5f, 0.0f},
      {"box -0.5", CRasterImage::KernelBox, -0.5f, 1.0f},
      {"box 0.49", CRasterImage::KernelBox, 0.49f, 1.0f},
      {"box 0.5", CRasterImage::KernelBox, 0.5f, 0.0f},
      {"hermite 0.5", CRasterImage::KernelHermite, 0.5f, 0.5f},
      {"hermite -0.5", CRasterImage::KernelHermite, -0.5f, 0.5f},
      {"hermite -1", CRasterImage::KernelHermite, -1.0f, 0.0f},
      {"hermite 1", CRasterImage::KernelHermite, 1.0f, 0.0f},
      {"hamming 0", CRasterImage::KernelHamming, 0.0f, 1.0f},
      {"hamming 0.5", CRasterImage::KernelHamming, 0.5f, 0.54f},
      {"hamming -1", CRasterImage::KernelHamming, -1.0f, 0.08f},
      {"hamming 1", CRasterImage::KernelHamming, 1.0f, 0.0f},
      {"sinc 0", CRasterImage::KernelSinc, 0.0f, 1.0f},
      {"sinc 0.5", CRasterImage::KernelSinc, 0.5f, 0.6366198f},
      {"sinc 1", CRasterImage::KernelSinc, 1.0f, 0.0f},
      {"blackman 0", CRasterImage::KernelBlackman, 0.0f, 1.0f},
      {"blackman 0.5", CRasterImage::KernelBlackman, 0.5f, 0.34f},
      {"blackman 1", CRasterImage::KernelBlackman, 1.0f, 0.0f},
      {"bessel 0", CRasterImage::KernelBessel, 0.0f, 0.7853982f},
      {"bessel 0.5 (J1(pi/2) by its series)", CRasterImage::KernelBessel, 0.5f, 0.566824f},
      {"bessel -0.5", CRasterImage::KernelBessel, -0.5f, 0.566824f},
      {"gaussian 0", CRasterImage::KernelGaussian, 0.0f, 0.7978846f},
      {"gaussian 1", CRasterImage::KernelGaussian, 1.0f, 0.1079819f},
      {"quadratic 0", CRasterImage::KernelQuadratic, 0.0f, 0.75f},
      {"quadratic -0.5", CRasterImage::KernelQuadratic, -0.5f, 0.5f},
      {"quadratic 0.5", CRasterImage::KernelQuadratic, 0.5f, 0.5f},
      {"quadratic 1", CRasterImage::KernelQuadratic, 1.0f, 0.125f},
      {"quadratic -1", CRasterImage::KernelQuadratic, -1.0f, 0.125f},
      {"quadratic 1.5", CRasterImage::KernelQuadratic, 1.5f, 0.0f},
      {"mitchell 0", CRasterImage::KernelMitchell, 0.0f, 8.0f / 9.0f},
      {"mitchell 0.5", CRasterImage::KernelMitchell, 0.5f, 0.5347222f},
      {"mitchell 1", CRasterImage::KernelMitchell, 1.0f, 1.0f / 18.0f},
      {"mitchell 2", CRasterImage::KernelMitchell, 2.0f, 0.0f},
      {"catmull-rom 0", CRasterImage::KernelCatmullRom, 0.0f, 1.0f},
      {"catmull-rom 0.5", CRasterImage::KernelCatmullRom, 0.5f, 0.5625f},
      {"catmull-rom 1", CRasterImage::KernelCatmullRom, 1.0f, 0.0f},
      {"catmull-rom -1.5", CRasterImage::KernelCatmullRom, -1.5f, -0.0625f},
      {"hann 0", CRasterImage::KernelHann, 0.0f, 1.0f},
      {"hann 0.5", CRasterImage::KernelHann, 0.5f, 0.3183099f},
      {"hann 1", CRasterImage::KernelHann, 1.0f, 0.0f},
      {"hann 1.5", CRasterImage::KernelHann, 1.5f, 0.0f},
      {"power 0.5", CRasterImage::KernelPower, 0.5f, 0.75f},
      {"power -1", CRasterImage::KernelPower, -1.0f, 0.0f},
      {"power 1.5", CRasterImage::KernelPower, 1.5f, 0.0f},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(c.expected, c.kernel(c.x), 2e-6) << c.name;
  }
  // J1 itself, beyond the range the kernel window reaches (J1(10) = 0.04347275).
  EXPECT_NEAR(0.04347275, CRasterImage::BesselJ1(10.0), 1e-7);
  EXPECT_NEAR(-0.04347275, CRasterImage::BesselJ1(-10.0), 1e-7);
}

TEST(RasterInterpolate, OverflowMethodsForIntegerPoints) {
  auto img = Numbered(4, 3);
  struct Case {
    long x, y;
    int method;
    long mx, my;  // the pixel the point maps to
  };
  const Case moved[] = {
      {-1, 0, CRasterImage::OM_WRAP, 3, 0},    {4, 1, CRasterImage::OM_WRAP, 0, 1},
      {-5, -1, CRasterImage::OM_WRAP, 3, 2},   {9, 7, CRasterImage::OM_WRAP, 1, 1},
      {-1, 0, CRasterImage::OM_REPEAT, 0, 0},  {4, 1, CRasterImage::OM_REPEAT, 3, 1},
      {-5, -1, CRasterImage::OM_REPEAT, 0, 0}, {100, 100, CRasterImage::OM_REPEAT, 3, 2},
      {-1, 0, CRasterImage::OM_MIRROR, 1, 0},  {4, 1, CRasterImage::OM_MIRROR, 3, 1},
      {-5, -1, CRasterImage::OM_MIRROR, 1, 1}, {9, 5, CRasterImage::OM_MIRROR, 2, 0},
      {-4, -3, CRasterImage::OM_MIRROR, 0, 0}, {LONG_MIN, 1, CRasterImage::OM_MIRROR, 0, 1},
      {2, 1, CRasterImage::OM_WRAP, 2, 1},  // inside: unchanged
  };
  for (const Case& c : moved) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y) + " method " +
                 std::to_string(c.method));
    long x = c.x, y = c.y;
    img->OverflowCoordinates(x, y, c.method);
    EXPECT_EQ(c.mx, x);
    EXPECT_EQ(c.my, y);
    EXPECT_QUAD(At(c.mx, c.my), img->GetPixelColorWithOverflow(c.x, c.y, c.method, nullptr));
  }
  // Other methods leave the point alone.
  long x = -3, y = 9;
  img->OverflowCoordinates(x, y, CRasterImage::OM_COLOR);
  EXPECT_EQ(-3, x);
  EXPECT_EQ(9, y);
}

TEST(RasterInterpolate, OverflowMethodsThatGiveAColour) {
  const RGBQUAD WHITE0 = {255, 255, 255, 0};
  RGBQUAD rpl = {1, 2, 3, 4};
  auto plain = Numbered(4, 3);
  auto keyed = Numbered(4, 3);
  keyed->SetTransIndex(0);
  keyed->SetTransColor(RGBQUAD{0, 250, 0, 0});
  auto alpha = Numbered(4, 3);
  alpha->AlphaCreate();
  alpha->AlphaSet(1, 1, 99);
  CRasterImage pal(4, 3, 8, 0);
  pal.SetPaletteColor(5, 9, 8, 7, 6);
  pal.SetTransIndex(5);

  struct Case {
    const char* name;
    const CRasterImage* img;
    int method;
    RGBQUAD* replacement;
    RGBQUAD expected;
  };
  const Case cases[] = {
      {"colour, default", plain.get(), CRasterImage::OM_COLOR, nullptr, WHITE0},
      {"colour", plain.get(), CRasterImage::OM_COLOR, &rpl, rpl},
      {"background without transparency", plain.get(), CRasterImage::OM_BACKGROUND, &rpl, rpl},
      {"background, 24-bit key", keyed.get(), CRasterImage::OM_BACKGROUND, &rpl, {0, 250, 0, 0}},
      {"background, palette entry", &pal, CRasterImage::OM_BACKGROUND, &rpl, {7, 8, 9, 6}},
      {"transparent with alpha layer", alpha.get(), CRasterImage::OM_TRANSPARENT, &rpl, {1, 2, 3, 0}},
      {"transparent, 24-bit key", keyed.get(), CRasterImage::OM_TRANSPARENT, &rpl, {0, 250, 0, 0}},
      {"transparent, palette", &pal, CRasterImage::OM_TRANSPARENT, nullptr, {7, 8, 9, 6}},
      {"transparent without either", plain.get(), CRasterImage::OM_TRANSPARENT, nullptr, WHITE0},
      {"unknown method", plain.get(), 7, &rpl, rpl},
      {"unknown method 0", alpha.get(), 0, nullptr, WHITE0},
  };
  for (const Case& c : cases) {
    EXPECT_QUAD(c.expected, c.img->GetPixelColorWithOverflow(-1, 1, c.method, c.replacement))
        << c.name;
  }
  // Inside, every method reads the pixel with its alpha.
  RGBQUAD inside = At(1, 1);
  inside.rgbReserved = 99;
  for (int method = 0; method <= 7; method++) {
    EXPECT_QUAD(inside, alpha->GetPixelColorWithOverflow(1, 1, method, &rpl));
  }
  // An image without pixels has only the replacement colour.
  CRasterImage empty;
  EXPECT_QUAD(rpl, empty.GetPixelColorWithOverflow(0, 0, CRasterImage::OM_WRAP, &rpl));
}

TEST(RasterInterpolate, FloatOverflowCoordinates) {
  auto img = Numbered(4, 3);
  struct Case {
    float x, y;
    int method;
    float mx, my;
  };
  const Case cases[] = {
      {5.25f, 1.0f, CRasterImage::OM_WRAP, 1.25f, 1.0f},
      {-1.5f, -0.5f, CRasterImage::OM_WRAP, 2.5f, 2.0f},   // 2.5 in y is clamped to height - 1
      {-1e-8f, 1.0f, CRasterImage::OM_WRAP, 3.0f, 1.0f},   // -1e-8 + 4 is 4 in floats: clamped
      {-2.0f, 9.0f, CRasterImage::OM_REPEAT, 0.0f, 2.0f},
      {3.5f, 3.0f, CRasterImage::OM_REPEAT, 3.0f, 2.0f},
      {-1.5f, 1.0f, CRasterImage::OM_MIRROR, 1.5f, 1.0f},
      {4.5f, 3.25f, CRasterImage::OM_MIRROR, 2.5f, 1.75f},
      {-7.0f, 1.0f, CRasterImage::OM_COLOR, -7.0f, 1.0f},  // other methods: unchanged
      {2.5f, 1.5f, CRasterImage::OM_WRAP, 2.5f, 1.5f},     // inside: unchanged
  };
  for (const Case& c : cases) {
    float x = c.x, y = c.y;
    img->OverflowCoordinates(x, y, c.method);
    EXPECT_FLOAT_EQ(c.mx, x) << c.x << "," << c.y << " method " << c.method;
    EXPECT_FLOAT_EQ(c.my, y) << c.x << "," << c.y << " method " << c.method;
  }
}

TEST(RasterInterpolate, BilinearFixedAndFloatPaths) {
  // Grey levels 0, 100 (bottom row) and 200, 255 (top row).
  CRasterImage rgb(2, 2, 24, 0);
  CRasterImage pal(2, 2, 8, 0);
  const BYTE levels[4] = {0, 100, 200, 255};
  for (int i = 0; i < 4; i++) {
    rgb.SetPixelColor(i % 2, i / 2, RGBQUAD{levels[i], levels[i], levels[i], 0});
    pal.SetPaletteColor(BYTE(i), levels[i], levels[i], levels[i]);
    pal.SetPixelIndex(i % 2, i / 2, BYTE(i));
  }
  struct Case {
    float x, y;
    BYTE fixed;  // 8-bit weights inside a 24-bit image
    BYTE exact;  // float weights (the palettised image)
  };
  const Case cases[] = {
      // (0.5, 0.5): all weights 64/256: (0 + 100 + 200 + 255) * 64 >> 8 = 138; float 138.75.
      {0.5f, 0.5f, 138, 138},
      // (0.25, 0): ix = 64: (100 * 64) >> 8 = 25.
      {0.25f, 0.0f, 25, 25},
      // (0.3, 0.7): ix = 76, iy = 179, w11 = 53, w10 = 23, w01 = 126, w00 = 54:
      // (100*23 + 200*126 + 255*53) >> 8 = 160; floats: 0.09*100 + 0.49*200 + 0.21*255 = 160.55.
      {0.3f, 0.7f, 160, 160},
  };
  for (const Case& c : cases) {
    RGBQUAD f = rgb.GetPixelColorInterpolated(c.x, c.y, CRasterImage::IM_BILINEAR,
                                              CRasterImage::OM_REPEAT, nullptr);
    RGBQUAD e = pal.GetPixelColorInterpolated(c.x, c.y, CRasterImage::IM_BILINEAR,
                                              CRasterImage::OM_REPEAT, nullptr);
    EXPECT_EQ(c.fixed, f.rgbRed) << c.x << "," << c.y;
    EXPECT_EQ(c.fixed, f.rgbBlue) << c.x << "," << c.y;
    EXPECT_EQ(0, f.rgbReserved);
    EXPECT_EQ(c.exact, e.rgbGreen) << c.x << "," << c.y;
    EXPECT_EQ(0, e.rgbReserved);
  }
  // Method numbers outside 1 ... 18 are bilinear too.
  EXPECT_QUAD(rgb.GetPixelColorInterpolated(0.5f, 0.5f, 2, 5, nullptr),
              rgb.GetPixelColorInterpolated(0.5f, 0.5f, 42, 5, nullptr));
  // With an alpha layer the fourth byte is interpolated the same way.
  rgb.AlphaCreate();
  rgb.AlphaSet(0, 0, 0);
  rgb.AlphaSet(1, 0, 100);
  rgb.AlphaSet(0, 1, 200);
  rgb.AlphaSet(1, 1, 255);
  EXPECT_EQ(138, rgb.GetPixelColorInterpolated(0.5f, 0.5f, 2, 5, nullptr).rgbReserved);
  // Outside with repeat (float path): the point (1.5, 0.5) mixes column 1 with itself.
  EXPECT_EQ(177, rgb.GetPixelColorInterpolated(1.5f, 0.5f, 2, 5, nullptr).rgbRed);
}

TEST(RasterInterpolate, FarOutsidePoints) {
  auto img = Numbered(5, 4);
  const RGBQUAD WHITE0 = {255, 255, 255, 0};
  for (int method = 1; method <= 18; method++) {
    SCOPED_TRACE(method);
    EXPECT_QUAD(WHITE0, img->GetPixelColorInterpolated(-10, -10, method, 1, nullptr));
  }
  // Repeat moves the point to the corner pixel; bilinear and nearest then give that pixel.
  EXPECT_QUAD(At(0, 0), img->GetPixelColorInterpolated(-10, -10, 2, 5, nullptr));
  EXPECT_QUAD(At(0, 0), img->GetPixelColorInterpolated(-10, -10, 1, 5, nullptr));
  EXPECT_QUAD(At(4, 3), img->GetPixelColorInterpolated(1e30f, 1e30f, 2, 5, nullptr));
  // Wrap: (-10, -10) becomes (0, 2) with floats.
  EXPECT_QUAD(At(0, 2), img->GetPixelColorInterpolated(-10, -10, 2, 4, nullptr));
  // Neither infinite nor undefined coordinates read outside the pixels.
  RGBQUAD rpl = {5, 6, 7, 8};
  EXPECT_QUAD(rpl, img->GetPixelColorInterpolated(NAN, 1.0f, 2, 1, &rpl));
  EXPECT_QUAD(rpl, img->GetPixelColorInterpolated(INFINITY, 1.0f, 6, 3, &rpl));
  EXPECT_QUAD(rpl, img->GetPixelColorInterpolated(-1e30f, 1.0f, 3, 9, &rpl));
  EXPECT_QUAD(rpl, img->GetPixelColorInterpolated(1e30f, 1e30f, 1, 1, &rpl));
}

TEST(RasterInterpolate, InterpolatingKernelsReturnThePixelAtWholePositions) {
  // Kernels that are 1 at 0 and 0 at every other whole number reproduce the image when the
  // point lies on a pixel centre, inside (direct reads) and at the border (overflow reads).
  auto img = Numbered(7, 5);
  img->AlphaCreate();
  img->AlphaSet(0, 0, 17);
  img->AlphaSet(3, 2, 200);
  const int methods[] = {1, 2, 4, 5, 6, 7, 8, 10, 16, 17, 18};
  for (int method : methods) {
    for (long y = 0; y < 5; y++) {
      for (long x = 0; x < 7; x++) {
        RGBQUAD want = img->GetPixelColorUnchecked(x, y, true);
        RGBQUAD got = img->GetPixelColorInterpolated(float(x), float(y), method,
                                                     CRasterImage::OM_REPEAT, nullptr);
        // sin(pi * n) is not exactly 0 in floats: allow one level for the sinc family.
        EXPECT_NEAR(want.rgbRed, got.rgbRed, 1) << method << " at " << x << "," << y;
        EXPECT_NEAR(want.rgbGreen, got.rgbGreen, 1) << method << " at " << x << "," << y;
        EXPECT_NEAR(want.rgbReserved, got.rgbReserved, 1) << method << " at " << x << "," << y;
      }
    }
  }
  // Hann exactly: the samples at distance one weigh sinc(1) * 0 = 0.
  EXPECT_QUAD(img->GetPixelColorUnchecked(3, 2, true),
              img->GetPixelColorInterpolated(3.0f, 2.0f, 17, 5, nullptr));
}

TEST(RasterInterpolate, KernelSumsAreClampedAndPaletteSamplesGoThroughOverflow) {
  // A lone white pixel in black: cubic convolution at 0.5 from it gives a negative lobe on the
  // far side (clamped to 0) and B-spline smooths it.
  CRasterImage img(8, 8, 24, 0);
  img.SetPixelColor(4, 4, RGBQUAD{255, 255, 255, 0});
  EXPECT_EQ(0, img.GetPixelColorInterpolated(5.5f, 4.0f, 4, 5, nullptr).rgbRed);
  // B-spline at the pixel: 255 * (2/3)^2 = 113.33.
  EXPECT_EQ(113, img.GetPixelColorInterpolated(4.0f, 4.0f, 3, 5, nullptr).rgbRed);
  // A flat image stays flat under B-spline, whose weights sum to 1 (within rounding).
  CRasterImage flat(6, 6, 8, 0);
  flat.SetPaletteColor(0, 40, 80, 120);
  RGBQUAD c = flat.GetPixelColorInterpolated(2.3f, 2.6f, 3, 5, nullptr);
  EXPECT_NEAR(40, c.rgbRed, 1);
  EXPECT_NEAR(120, c.rgbBlue, 1);
  // Sums above 255: cubic convolution overshoots next to an edge and is clamped.
  CRasterImage edge(8, 1, 24, 0);
  for (long x = 4; x < 8; x++) edge.SetPixelColor(x, 0, RGBQUAD{250, 250, 250, 0});
  EXPECT_EQ(255, edge.GetPixelColorInterpolated(4.25f, 0.0f, 4, 5, nullptr).rgbRed);
}

TEST(RasterInterpolate, AreaAverages) {
  // Columns 0, 40, 80, 120; one row.
  CRasterImage row(4, 1, 24, 0);
  for (long x = 0; x < 4; x++) {
    row.SetPixelColor(x, 0, RGBQUAD{BYTE(40 * x), BYTE(40 * x), BYTE(40 * x), 0});
  }
  // Only the width exceeds 1: the parts of pixels 1 and 2 inside 0.5 ... 2.5, one each: 60.
  EXPECT_EQ(60, row.GetAreaColorInterpolated(1.5f, 0.0f, 2.0f, 1.0f, 2, 5, nullptr).rgbRed);
  // Width 3 around 1.5: 0 ... 3: halves of pixels 0 and 3 at their centres (bilinear at 0.25 and
  // 2.75 give 10 and 110), whole 1 and 2: (10 * 0.5 + 40 + 80 + 110 * 0.5) / 3 = 60.
  EXPECT_EQ(60, row.GetAreaColorInterpolated(1.5f, 0.0f, 3.0f, 1.0f, 2, 5, nullptr).rgbRed);
  // Width 2 around 1.0: 0 ... 2: halves of 0 and 2 at their centres (bilinear at 0.25 and 1.75
  // give 10 and 70), whole 1: (10 * 0.5 + 40 + 70 * 0.5) / 2 = 40.
  EXPECT_EQ(40, row.GetAreaColorInterpolated(1.0f, 0.0f, 2.0f, 1.0f, 2, 5, nullptr).rgbRed);
  // Neither side above 1: the point lookup.
  EXPECT_QUAD(row.GetPixelColorInterpolated(1.25f, 0.0f, 2, 5, nullptr),
              row.GetAreaColorInterpolated(1.25f, 0.0f, 1.0f, 0.5f, 2, 5, nullptr));

  // Both sides above 1 on a 4 x 4 image of distinct levels 10 * x + 50 * y.
  CRasterImage sq(4, 4, 24, 0);
  for (long y = 0; y < 4; y++) {
    for (long x = 0; x < 4; x++) {
      BYTE v = BYTE(10 * x + 50 * y);
      sq.SetPixelColor(x, y, RGBQUAD{v, v, v, 0});
    }
  }
  // Around (1.5, 1.5), 2 x 2: pixels 1 and 2 in both directions, weight 1 each (the corner
  // squares 0.5 ... 1.5 lie wholly inside, the far corners 2.5 ... 3.5 not at all):
  // (60 + 70 + 110 + 120) / 4 = 90.
  EXPECT_EQ(90, sq.GetAreaColorInterpolated(1.5f, 1.5f, 2.0f, 2.0f, 2, 5, nullptr).rgbRed);
  // Around (1.25, 1.0), 2.5 x 2: x 0 ... 2.5 (x1 = 0 with width 0.5, x2 = 3 with 0), y 0 ... 2
  // (y1 = 0 with height 0.5, y2 = 2 with 0.5). Weights: column 0: 0.25, 0.5, 0.25; columns 1 and
  // 2: 0.5, 1, 0.5; column 3: 0; sum 5 = the surface. Column sums 50, 120, 140: 310 / 5 = 62.
  EXPECT_EQ(62, sq.GetAreaColorInterpolated(1.25f, 1.0f, 2.5f, 2.0f, 2, 5, nullptr).rgbRed);
  // Without an alpha layer the fourth byte is 0; with one it is averaged.
  EXPECT_EQ(0, sq.GetAreaColorInterpolated(1.5f, 1.5f, 2.0f, 2.0f, 2, 5, nullptr).rgbReserved);
  sq.AlphaCreate();
  sq.AlphaSet(1, 1, 0);
  EXPECT_EQ(191, sq.GetAreaColorInterpolated(1.5f, 1.5f, 2.0f, 2.0f, 2, 5, nullptr).rgbReserved);
  // No area (a zero height) is a point outside.
  RGBQUAD rpl = {1, 2, 3, 4};
  EXPECT_QUAD(rpl, sq.GetAreaColorInterpolated(1.5f, 1.5f, 2.0f, 0.0f, 2, 1, &rpl));
}

}  // namespace
