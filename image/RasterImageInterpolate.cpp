// Pixel lookups of CRasterImage that accept any point: points outside the image follow an
// overflow method, points between pixel centres are interpolated with one of the kernels, and
// areas larger than a pixel are averaged. The drawing code uses them to smooth stretched images.
#include <algorithm>
#include <climits>
#include <cmath>

#include "image/RasterImage.h"

namespace {

const RGBQUAD DEFAULT_REPLACEMENT = {255, 255, 255, 0};

// Single-precision constants, so that every kernel gives the same floats on every build.
const float PI_F = 3.1415927f;
const float TWO_PI_F = 6.2831855f;

// A float sum as a colour byte: above 255 is 255, negative or undefined (NaN) is 0, the rest is
// truncated.
BYTE ClampByte(float v) {
  if (!(v > 0.0f)) return 0;
  if (v > 255.0f) return 255;
  return static_cast<BYTE>(v);
}

// Truncation toward zero, bounded so that the conversion of any float stays defined; points
// that far away are outside every image anyway.
long TruncToLong(float v) {
  if (!(v > -1.0e15f)) return -1000000000000000L;
  if (v > 1.0e15f) return 1000000000000000L;
  return static_cast<long>(v);
}

}  // namespace

// ---- kernels

float CRasterImage::KernelBSpline(float x) {
  if (x > 2.0f) return 0.0f;
  float xp2 = x + 2.0f, xp1 = x + 1.0f, xm1 = x - 1.0f;
  float a = xp2 <= 0.0f ? 0.0f : xp2 * xp2 * xp2;
  float b = xp1 <= 0.0f ? 0.0f : xp1 * xp1 * xp1;
  float c = x <= 0.0f ? 0.0f : x * x * x;
  float d = xm1 <= 0.0f ? 0.0f : xm1 * xm1 * xm1;
  return 0.16666667f * (a - 4.0f * b + 6.0f * c - 4.0f * d);
}

float CRasterImage::KernelCubic(float x) {
  float ax = std::fabs(x);
  if (ax < 1.0f) return 1.0f - 2.0f * x * x + ax * ax * ax;
  if (ax < 2.0f) return 4.0f - 8.0f * ax + 5.0f * x * x - ax * ax * ax;
  return 0.0f;
}

float CRasterImage::KernelGeneralizedCubic(float x, float a) {
  float ax = std::fabs(x);
  if (ax < 1.0f) return (a + 2.0f) * ax * ax * ax - (a + 3.0f) * x * x + 1.0f;
  if (ax < 2.0f) return a * ax * ax * ax - 5.0f * a * x * x + 8.0f * a * ax - 4.0f * a;
  return 0.0f;
}

float CRasterImage::KernelLanczosSinc(float x, float radius) {
  if (x == 0.0f) return 1.0f;
  if (std::fabs(x) > radius) return 0.0f;
  float px = PI_F * x;
  float pxr = px / radius;
  return std::sin(px) / px * std::sin(pxr) / pxr;
}

float CRasterImage::KernelBox(float x) { return (x >= -0.5f && x < 0.5f) ? 1.0f : 0.0f; }

float CRasterImage::KernelHermite(float x) {
  if (x < -1.0f || x >= 1.0f) return 0.0f;
  if (x < 0.0f) return (-2.0f * x - 3.0f) * x * x + 1.0f;
  return (2.0f * x - 3.0f) * x * x + 1.0f;
}

float CRasterImage::KernelHamming(float x) {
  if (x < -1.0f || x >= 1.0f) return 0.0f;
  return 0.92f * (2.0f * std::fabs(x) - 3.0f) * x * x + 1.0f;
}

float CRasterImage::KernelSinc(float x) {
  if (x == 0.0f) return 1.0f;
  float px = PI_F * x;
  return std::sin(px) / px;
}

float CRasterImage::KernelBlackman(float x) {
  return 0.42f + 0.5f * std::cos(PI_F * x) + 0.08f * std::cos(TWO_PI_F * x);
}

double CRasterImage::BesselJ1(double x) {
  if (!std::isfinite(x)) return 0.0;
  // The library's J1 is defined for x >= 0; J1 is odd.
  return x < 0.0 ? -std::cyl_bessel_j(1.0, -x) : std::cyl_bessel_j(1.0, x);
}

float CRasterImage::KernelBessel(float x) {
  if (x == 0.0f) return PI_F / 4.0f;
  return static_cast<float>(BesselJ1(static_cast<double>(PI_F * x)) / (2.0 * x));
}

float CRasterImage::KernelGaussian(float x) { return std::exp(-2.0f * x * x) * 0.7978846f; }

float CRasterImage::KernelQuadratic(float x) {
  if (x < -1.5f) return 0.0f;
  if (x < -0.5f) return 0.5f * (x + 1.5f) * (x + 1.5f);
  if (x < 0.5f) return 0.75f - x * x;
  if (x < 1.5f) return 0.5f * (x - 1.5f) * (x - 1.5f);
  return 0.0f;
}

float CRasterImage::KernelMitchell(float x) {
  float ax = std::fabs(x);
  if (ax < 1.0f) return 1.1666666f * ax * ax * ax - 2.0f * x * x + 0.8888889f;
  if (ax < 2.0f) return -0.3888889f * ax * ax * ax + 2.0f * x * x - 3.3333333f * ax + 1.7777778f;
  return 0.0f;
}

float CRasterImage::KernelCatmullRom(float x) {
  float ax = std::fabs(x);
  if (ax < 1.0f) return 0.5f * (3.0f * ax * ax * ax - 5.0f * x * x + 2.0f);
  if (ax < 2.0f) return 0.5f * (-ax * ax * ax + 5.0f * x * x - 8.0f * ax + 4.0f);
  return 0.0f;
}

float CRasterImage::KernelHann(float x) {
  if (std::fabs(x) > 1.0f) return 0.0f;
  return KernelSinc(x) * 0.5f * (1.0f + std::cos(PI_F * x));
}

float CRasterImage::KernelPower(float x) {
  float ax = std::fabs(x);
  if (ax > 1.0f) return 0.0f;
  return 1.0f - ax * ax;
}

namespace {

float KernelValue(int method, float x) {
  switch (method) {
    case CRasterImage::IM_BSPLINE: return CRasterImage::KernelBSpline(x);
    case CRasterImage::IM_CUBIC: return CRasterImage::KernelCubic(x);
    case CRasterImage::IM_GENERALIZED_CUBIC: return CRasterImage::KernelGeneralizedCubic(x);
    case CRasterImage::IM_LANCZOS: return CRasterImage::KernelLanczosSinc(x);
    case CRasterImage::IM_BOX: return CRasterImage::KernelBox(x);
    case CRasterImage::IM_HERMITE: return CRasterImage::KernelHermite(x);
    case CRasterImage::IM_HAMMING: return CRasterImage::KernelHamming(x);
    case CRasterImage::IM_SINC: return CRasterImage::KernelSinc(x);
    case CRasterImage::IM_BLACKMAN: return CRasterImage::KernelBlackman(x);
    case CRasterImage::IM_BESSEL: return CRasterImage::KernelBessel(x);
    case CRasterImage::IM_GAUSSIAN: return CRasterImage::KernelGaussian(x);
    case CRasterImage::IM_QUADRATIC: return CRasterImage::KernelQuadratic(x);
    case CRasterImage::IM_MITCHELL: return CRasterImage::KernelMitchell(x);
    case CRasterImage::IM_CATMULL_ROM: return CRasterImage::KernelCatmullRom(x);
    case CRasterImage::IM_HANN: return CRasterImage::KernelHann(x);
    case CRasterImage::IM_POWER: return CRasterImage::KernelPower(x);
    default: return 0.0f;
  }
}

}  // namespace

// ---- points outside the image

void CRasterImage::OverflowCoordinates(long& x, long& y, int overflow) const {
  const long width = m_header.biWidth, height = m_header.biHeight;
  if (!m_dib || width <= 0 || height <= 0 || IsInside(x, y)) return;
  switch (overflow) {
    case OM_WRAP:
      x %= width;
      y %= height;
      if (x < 0) x += width;
      if (y < 0) y += height;
      break;
    case OM_REPEAT:
      x = std::clamp(x, 0L, width - 1);
      y = std::clamp(y, 0L, height - 1);
      break;
    case OM_MIRROR:
      // The negation goes through unsigned arithmetic so that the most negative long mirrors too.
      if (x < 0) {
        x = static_cast<long>((0UL - static_cast<unsigned long>(x)) % static_cast<unsigned long>(width));
      } else if (x >= width) {
        x = width - (x % width) - 1;
      }
      if (y < 0) {
        y = static_cast<long>((0UL - static_cast<unsigned long>(y)) %
                              static_cast<unsigned long>(height));
      } else if (y >= height) {
        y = height - (y % height) - 1;
      }
      break;
    default:
      break;
  }
}

void CRasterImage::OverflowCoordinates(float& x, float& y, int overflow) const {
  const float width = static_cast<float>(m_header.biWidth);
  const float height = static_cast<float>(m_header.biHeight);
  if (!m_dib || width <= 0.0f || height <= 0.0f) return;
  if (x >= 0.0f && x < width && y >= 0.0f && y < height) return;
  if (overflow != OM_WRAP && overflow != OM_REPEAT && overflow != OM_MIRROR) return;
  // A coordinate that is no number at all has no place to move to; the border serves.
  if (!std::isfinite(x)) x = 0.0f;
  if (!std::isfinite(y)) y = 0.0f;
  switch (overflow) {
    case OM_WRAP:
      x = std::fmod(x, width);
      y = std::fmod(y, height);
      if (x < 0.0f) x += width;
      if (y < 0.0f) y += height;
      break;
    case OM_REPEAT:
      break;  // the clamp below is all of it
    case OM_MIRROR:
      if (x < 0.0f) {
        x = std::fmod(-x, width);
      } else if (x >= width) {
        x = width - (std::fmod(x, width) + 1.0f);
      }
      if (y < 0.0f) {
        y = std::fmod(-y, height);
      } else if (y >= height) {
        y = height - (std::fmod(y, height) + 1.0f);
      }
      break;
  }
  // Float rounding (a wrapped -0.0000001 becomes the width) must not leave the point outside.
  x = std::clamp(x, 0.0f, width - 1.0f);
  y = std::clamp(y, 0.0f, height - 1.0f);
}

RGBQUAD CRasterImage::GetPixelColorWithOverflow(long x, long y, int overflow,
                                                RGBQUAD* replacement) const {
  RGBQUAD rpl = replacement ? *replacement : DEFAULT_REPLACEMENT;
  if (!m_dib) return rpl;
  if (!IsInside(x, y)) {
    switch (overflow) {
      case OM_COLOR:
        return rpl;
      case OM_BACKGROUND:
        if (m_info.transIndex >= 0) {
          if (m_header.biBitCount == 24) return m_info.transColor;
          return GetPaletteColor(static_cast<BYTE>(m_info.transIndex));
        }
        return rpl;
      case OM_TRANSPARENT:
        if (m_alpha) {
          rpl.rgbReserved = 0;
          return rpl;
        }
        if (m_info.transIndex >= 0) return GetTransColor();
        return rpl;
      case OM_WRAP:
      case OM_REPEAT:
      case OM_MIRROR:
        OverflowCoordinates(x, y, overflow);
        break;
      default:
        return rpl;
    }
  }
  return GetPixelColorUnchecked(x, y, true);
}

// ---- interpolation

void CRasterImage::AddWeightedColor(RGBQUAD colour, float weight, float& red, float& green,
                                    float& blue, float& alpha) {
  red += colour.rgbRed * weight;
  green += colour.rgbGreen * weight;
  blue += colour.rgbBlue * weight;
  alpha += colour.rgbReserved * weight;
}

RGBQUAD CRasterImage::GetPixelColorInterpolated(float x, float y, int method, int overflow,
                                                RGBQUAD* replacement) const {
  if (!m_dib || !std::isfinite(x) || !std::isfinite(y)) {
    return GetPixelColorWithOverflow(-999, -999, overflow, replacement);
  }
  if (method == IM_NEAREST) {
    return GetPixelColorWithOverflow(TruncToLong(x + 0.5f), TruncToLong(y + 0.5f), overflow,
                                     replacement);
  }
  const bool bilinear = method < IM_NEAREST || method > IM_POWER || method == IM_BILINEAR;
  // The window of samples around floor(x): xi - before ... xi + after, the same along y.
  long before = 1, after = 2;
  if (bilinear) {
    before = 0;
    after = 1;
  } else if (method == IM_LANCZOS) {
    before = 5;
    after = 6;
  }
  const long width = m_header.biWidth, height = m_header.biHeight;
  auto whollyOutside = [&](float fxi, float fyi) {
    return fxi + static_cast<float>(after) < 0.0f || fxi - static_cast<float>(before) >= width ||
           fyi + static_cast<float>(after) < 0.0f || fyi - static_cast<float>(before) >= height;
  };
  float fxi = std::floor(x), fyi = std::floor(y);
  if (whollyOutside(fxi, fyi)) {
    if (overflow == OM_COLOR || overflow == OM_BACKGROUND || overflow == OM_TRANSPARENT) {
      return GetPixelColorWithOverflow(-999, -999, overflow, replacement);
    }
    OverflowCoordinates(x, y, overflow);
    fxi = std::floor(x);
    fyi = std::floor(y);
    // An unknown overflow method leaves the point where it was: every sample would be the
    // replacement colour. Points that far away are answered with it directly, which keeps the
    // integer conversions below defined.
    if (!(std::fabs(fxi) < 1.0e7f && std::fabs(fyi) < 1.0e7f)) {
      return GetPixelColorWithOverflow(-999, -999, overflow, replacement);
    }
  }
  const long xi = static_cast<long>(fxi), yi = static_cast<long>(fyi);
  RGBQUAD result = {0, 0, 0, 0};

  if (bilinear) {
    const float fx = x - fxi, fy = y - fyi;
    if (m_header.biClrUsed == 0 && xi >= 0 && yi >= 0 && xi + 1 < width && yi + 1 < height) {
      // All four pixels inside a 24-bit image: 8-bit fixed-point weights.
      const int ix = static_cast<int>(fx * 256.0f), iy = static_cast<int>(fy * 256.0f);
      const int w11 = (ix * iy) >> 8, w10 = ix - w11, w01 = iy - w11;
      const int w00 = 256 - ix - iy + w11;
      const BYTE* p00 = m_info.pixels + static_cast<size_t>(yi) * m_info.effWidth + xi * 3;
      const BYTE* p10 = p00 + 3;
      const BYTE* p01 = p00 + m_info.effWidth;
      const BYTE* p11 = p01 + 3;
      result.rgbBlue = static_cast<BYTE>((p00[0] * w00 + p10[0] * w10 + p01[0] * w01 + p11[0] * w11) >> 8);
      result.rgbGreen = static_cast<BYTE>((p00[1] * w00 + p10[1] * w10 + p01[1] * w01 + p11[1] * w11) >> 8);
      result.rgbRed = static_cast<BYTE>((p00[2] * w00 + p10[2] * w10 + p01[2] * w01 + p11[2] * w11) >> 8);
      if (m_alpha) {
        result.rgbReserved = static_cast<BYTE>(
            (AlphaGetUnchecked(xi, yi) * w00 + AlphaGetUnchecked(xi + 1, yi) * w10 +
             AlphaGetUnchecked(xi, yi + 1) * w01 + AlphaGetUnchecked(xi + 1, yi + 1) * w11) >> 8);
      }
      return result;
    }
    const RGBQUAD c00 = GetPixelColorWithOverflow(xi, yi, overflow, replacement);
    const RGBQUAD c10 = GetPixelColorWithOverflow(xi + 1, yi, overflow, replacement);
    const RGBQUAD c01 = GetPixelColorWithOverflow(xi, yi + 1, overflow, replacement);
    const RGBQUAD c11 = GetPixelColorWithOverflow(xi + 1, yi + 1, overflow, replacement);
    const float w00 = (1.0f - fx) * (1.0f - fy), w10 = fx * (1.0f - fy);
    const float w01 = (1.0f - fx) * fy, w11 = fx * fy;
    result.rgbBlue = ClampByte(c00.rgbBlue * w00 + c10.rgbBlue * w10 + c01.rgbBlue * w01 + c11.rgbBlue * w11);
    result.rgbGreen = ClampByte(c00.rgbGreen * w00 + c10.rgbGreen * w10 + c01.rgbGreen * w01 + c11.rgbGreen * w11);
    result.rgbRed = ClampByte(c00.rgbRed * w00 + c10.rgbRed * w10 + c01.rgbRed * w01 + c11.rgbRed * w11);
    if (m_alpha) {
      result.rgbReserved = ClampByte(c00.rgbReserved * w00 + c10.rgbReserved * w10 +
                                     c01.rgbReserved * w01 + c11.rgbReserved * w11);
    }
    return result;
  }

  // Kernel methods: the weighted sum over the window.
  const long x0 = xi - before, x1 = xi + after, y0 = yi - before, y1 = yi + after;
  const bool direct = m_header.biClrUsed == 0 && x0 >= 0 && y0 >= 0 && x1 < width && y1 < height;
  float red = 0.0f, green = 0.0f, blue = 0.0f, alpha = 0.0f;
  for (long j = y0; j <= y1; j++) {
    const float ky = KernelValue(method, static_cast<float>(j) - y);
    for (long i = x0; i <= x1; i++) {
      const float weight = KernelValue(method, static_cast<float>(i) - x) * ky;
      const RGBQUAD c = direct ? GetPixelColorUnchecked(i, j, true)
                               : GetPixelColorWithOverflow(i, j, overflow, replacement);
      AddWeightedColor(c, weight, red, green, blue, alpha);
    }
  }
  result.rgbRed = ClampByte(red);
  result.rgbGreen = ClampByte(green);
  result.rgbBlue = ClampByte(blue);
  result.rgbReserved = m_alpha ? ClampByte(alpha) : 0;
  return result;
}

RGBQUAD CRasterImage::GetAreaColorInterpolated(float xc, float yc, float w, float h, int method,
                                               int overflow, RGBQUAD* replacement) const {
  if (!(w > 1.0f) && !(h > 1.0f)) {
    return GetPixelColorInterpolated(xc, yc, method, overflow, replacement);
  }
  const CRasterRect2 area(xc - w / 2.0f, yc - h / 2.0f, xc + w / 2.0f, yc + h / 2.0f);
  if (!(std::isfinite(area.Surface()) && area.Surface() > 0.0f) ||
      !(std::fabs(area.topLeft.x) < 1.0e7f && std::fabs(area.botRight.x) < 1.0e7f &&
        std::fabs(area.topLeft.y) < 1.0e7f && std::fabs(area.botRight.y) < 1.0e7f)) {
    // No area to average (a zero or negative other side) or one far beyond any image: what a
    // point outside yields.
    return GetPixelColorWithOverflow(-999, -999, overflow, replacement);
  }
  const long x1 = static_cast<long>(area.topLeft.x + 0.5f);
  const long y1 = static_cast<long>(area.topLeft.y + 0.5f);
  const long x2 = static_cast<long>(area.botRight.x + 0.5f);
  const long y2 = static_cast<long>(area.botRight.y + 0.5f);
  auto square = [](long i, long j) {
    return CRasterRect2(static_cast<float>(i) - 0.5f, static_cast<float>(j) - 0.5f,
                        static_cast<float>(i) + 0.5f, static_cast<float>(j) + 0.5f);
  };
  float red = 0.0f, green = 0.0f, blue = 0.0f, alpha = 0.0f;
  if (w > 1.0f && h > 1.0f) {
    const CRasterRect2 a = area.CrossSection(square(x1, y1));
    const CRasterRect2 b = area.CrossSection(square(x2, y2));
    const float wa = a.Width(), ha = a.Height(), wb = b.Width(), hb = b.Height();
    auto add = [&](long i, long j, float weight) {
      AddWeightedColor(GetPixelColorWithOverflow(i, j, overflow, replacement), weight, red, green,
                       blue, alpha);
    };
    add(x1, y1, wa * ha);
    add(x2, y1, wb * ha);
    add(x1, y2, wa * hb);
    add(x2, y2, wb * hb);
    for (long i = x1 + 1; i < x2; i++) {
      add(i, y1, ha);
      add(i, y2, hb);
    }
    for (long j = y1 + 1; j < y2; j++) {
      add(x1, j, wa);
      add(x2, j, wb);
      for (long i = x1 + 1; i < x2; i++) add(i, j, 1.0f);
    }
  } else {
    for (long j = y1; j <= y2; j++) {
      for (long i = x1; i <= x2; i++) {
        const CRasterRect2 part = area.CrossSection(square(i, j));
        const float weight = part.Surface();
        if (weight <= 0.0f) continue;
        const CRasterPoint2 centre = part.Center();
        AddWeightedColor(
            GetPixelColorInterpolated(centre.x, centre.y, method, overflow, replacement), weight,
            red, green, blue, alpha);
      }
    }
  }
  const float surface = area.Surface();
  RGBQUAD result = {0, 0, 0, 0};
  result.rgbRed = ClampByte(red / surface);
  result.rgbGreen = ClampByte(green / surface);
  result.rgbBlue = ClampByte(blue / surface);
  // Without an alpha layer the fourth byte is 0, as every other lookup gives it.
  if (m_alpha) result.rgbReserved = ClampByte(alpha / surface);
  return result;
}
