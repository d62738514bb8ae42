#include "tests/engine/BlitReference.h"

#include <algorithm>
#include <cmath>

#include "engine/BlitFamily.h"
#include "engine/ImageRecord.h"

namespace {

struct Rgba {
  int b, g, r, a;
};

uint8_t* DestPixel(const BlitCall& c, int x, int y) {
  return reinterpret_cast<uint8_t*>(c.dest) + (static_cast<long>(y) * c.destWidth + x) * 4;
}

// Source pixel (x, y) of the picture, in the member's format.
const uint8_t* SourcePixel(const BlitCall& c, int bytes, int x, int y) {
  return c.src + (static_cast<long>(y) * c.srcStride + x) * bytes;
}

Rgba PaletteColor(const BlitCall& c, int index, int alpha) {
  return Rgba{c.palette[3 * index + 2], c.palette[3 * index + 1], c.palette[3 * index], alpha};
}

int OpacityByte(double alpha) {
  const double v = alpha * 255.0;
  if (!(v > -2147483648.0 && v < 2147483648.0)) return 0;
  return static_cast<int32_t>(v) & 0xff;
}

bool HasBack(const BlitCall& c) { return c.backColor != DEFAULT_KEY_COLOR; }
Rgba BackRgba(const BlitCall& c) {
  return Rgba{static_cast<int>((c.backColor >> 16) & 0xff),
              static_cast<int>((c.backColor >> 8) & 0xff), static_cast<int>(c.backColor & 0xff),
              255};
}
int Threshold(const BlitCall& c) { return static_cast<int>(c.backColor >> 24); }

bool InClip(const BlitCall& c, int x, int y) {
  // The clip rectangle, cut to the destination buffer.
  return x >= c.clip.left && x < c.clip.right && y >= c.clip.top && y < c.clip.bottom &&
         x >= 0 && y >= 0 && x < c.destWidth && y < c.destHeight;
}

void OverBlend(uint8_t* d, const Rgba& s, int w) {
  d[0] = static_cast<uint8_t>((s.b * w + d[0] * (255 - w)) >> 8);
  d[1] = static_cast<uint8_t>((s.g * w + d[1] * (255 - w)) >> 8);
  d[2] = static_cast<uint8_t>((s.r * w + d[2] * (255 - w)) >> 8);
}

void BackBlend(uint8_t* d, const Rgba& s, const Rgba& k, int w) {
  d[0] = static_cast<uint8_t>((s.b * w + k.b * (255 - w)) >> 8);
  d[1] = static_cast<uint8_t>((s.g * w + k.g * (255 - w)) >> 8);
  d[2] = static_cast<uint8_t>((s.r * w + k.r * (255 - w)) >> 8);
  d[3] = 255;
}

void AccumulateRef(uint8_t* d, const Rgba& s, int w) {
  if (d[3] == 0) {
    d[0] = static_cast<uint8_t>(s.b);
    d[1] = static_cast<uint8_t>(s.g);
    d[2] = static_cast<uint8_t>(s.r);
    d[3] = static_cast<uint8_t>(w);
  } else {
    OverBlend(d, s, w);
    d[3] = static_cast<uint8_t>(std::max<int>(d[3], w));
  }
}

void BlendPixelRef(uint8_t* d, const Rgba& s, int opacity) {
  const int b = (opacity * s.a) >> 8;
  if (d[3] != 0) {
    d[0] = static_cast<uint8_t>((d[0] * (255 - b) + s.b * b) >> 8);
    d[1] = static_cast<uint8_t>((d[1] * (255 - b) + s.g * b) >> 8);
    d[2] = static_cast<uint8_t>((d[2] * (255 - b) + s.r * b) >> 8);
    d[3] = static_cast<uint8_t>(std::max(b, 255 - b));
  } else {
    d[0] = static_cast<uint8_t>(s.b);
    d[1] = static_cast<uint8_t>(s.g);
    d[2] = static_cast<uint8_t>(s.r);
    d[3] = static_cast<uint8_t>(b);
  }
}

// Reads one source pixel; false when the pixel is keyed (palettised index equal to the key).
bool ReadPixel(const BlitCall& c, int bytes, int x, int y, bool testKey, Rgba& out) {
  const uint8_t* p = SourcePixel(c, bytes, x, y);
  if (bytes == 4) {
    out = Rgba{p[0], p[1], p[2], p[3]};
    return true;
  }
  if (testKey && p[0] == c.keyIndex) return false;
  out = PaletteColor(c, p[0], bytes == 2 ? p[1] : 255);
  return true;
}

// Straight clipping, steps 1 to 4; calls draw(destination x, y, source x, y) per pixel.
template <class Draw>
void StraightWalk(const BlitCall& c, Draw draw) {
  int destX = c.destX, destY = c.destY, srcX = c.srcX, srcY = c.srcY, w = c.w, h = c.h;
  const int clipLeft = std::max<int>(c.clip.left, 0);
  const int clipTop = std::max<int>(c.clip.top, 0);
  const int clipRight = std::min<int>(c.clip.right, c.destWidth);
  const int clipBottom = std::min<int>(c.clip.bottom, c.destHeight);
  if (destX < clipLeft) {
    w -= clipLeft - destX;
    srcX += clipLeft - destX;
    destX = clipLeft;
  }
  if (destX + w >= clipRight) w = clipRight - destX;
  if (destY < clipTop) {
    h -= clipTop - destY;
    srcY += clipTop - destY;
    destY = clipTop;
  }
  if (destY + h >= clipBottom) h = clipBottom - destY;
  if (w <= 0 || h <= 0) return;
  for (int i = 0; i < h; ++i) {
    for (int j = 0; j < w; ++j) {
      draw(destX + j, destY + i, srcX + j, srcY + i);
    }
  }
}

int Radius(int w, int h) {
  if (w <= 0 || h <= 0) return 0;
  const int f = (w + 1) / 2, e = (h + 1) / 2;
  return static_cast<int>(std::trunc(std::sqrt(static_cast<double>(f * f + e * e)) + 0.5));
}

// Rotated nearest-pixel sampling, steps 1 to 5; draw(destination x, y, picture x, y).
template <class Draw>
void RotatedWalk(const BlitCall& c, Draw draw) {
  const double theta = c.angle * 3.14159 / 180;
  const int kc = static_cast<int>(std::trunc(std::cos(theta) * 1024));
  const int ks = static_cast<int>(std::trunc(std::sin(theta) * 1024));
  const int f = (c.w + 1) / 2, e = (c.h + 1) / 2;
  const int r = Radius(c.w, c.h);
  for (int i = 0; i < 2 * r; ++i) {
    for (int j = 0; j < 2 * r; ++j) {
      const int dx = j - r, dy = i - r;
      const int u = kc * dx - ks * dy;
      const int v = -(ks * dx + kc * dy);
      const int sx = f + (u >> 10);
      const int sy = e - (v >> 10);
      if (sx < 0 || sx >= c.w || sy < 0 || sy >= c.h) continue;
      if (!InClip(c, c.destX + j, c.destY + i)) continue;
      draw(c.destX + j, c.destY + i, c.srcX + sx, c.srcY + sy);
    }
  }
}

void StraightWithAlpha(const BlitCall& c, int bytes, bool onOpaque) {
  const int o = OpacityByte(c.alpha);
  if (!HasBack(c) && c.alpha == 0.0) return;
  StraightWalk(c, [&](int x, int y, int sx, int sy) {
    Rgba s;
    if (!ReadPixel(c, bytes, sx, sy, true, s)) return;
    const int a = s.a;
    const int w = (c.alpha <= 0 || c.alpha >= 1) ? a : (a * o) >> 8;
    uint8_t* d = DestPixel(c, x, y);
    if (HasBack(c)) {
      const bool passes = bytes == 2 ? a >= Threshold(c) : a > Threshold(c);
      if (!passes) return;
      if (onOpaque && d[3] != 255) return;
      BackBlend(d, s, BackRgba(c), w);
      return;
    }
    if (a == 0) return;
    if (onOpaque) {
      if (d[3] == 255) OverBlend(d, s, w);
    } else {
      AccumulateRef(d, s, w);
    }
  });
}

// Regime 3 for one pixel.
void OpaquePixel(const BlitCall& c, uint8_t* d, const Rgba& s) {
  const int o = OpacityByte(c.alpha);
  if (c.alpha >= 1) {
    d[0] = static_cast<uint8_t>(s.b);
    d[1] = static_cast<uint8_t>(s.g);
    d[2] = static_cast<uint8_t>(s.r);
    d[3] = static_cast<uint8_t>(s.a);
  } else if (c.alpha > 0) {
    if (HasBack(c)) {
      BackBlend(d, s, BackRgba(c), o);
    } else {
      OverBlend(d, s, o);
      d[3] = 255;
    }
  }
}

void StraightOpaque(const BlitCall& c, int bytes) {
  StraightWalk(c, [&](int x, int y, int sx, int sy) {
    Rgba s;
    if (!ReadPixel(c, bytes, sx, sy, true, s)) return;
    if (bytes == 4 && s.a == 0) return;
    OpaquePixel(c, DestPixel(c, x, y), s);
  });
}

void RotatedWithAlpha(const BlitCall& c, int bytes) {
  const int o = OpacityByte(c.alpha);
  RotatedWalk(c, [&](int x, int y, int sx, int sy) {
    Rgba s;
    if (!ReadPixel(c, bytes, sx, sy, true, s)) return;
    if (s.a == 0) return;
    const int w = (c.alpha < 0 || c.alpha >= 1) ? s.a : (s.a * o) >> 8;
    uint8_t* d = DestPixel(c, x, y);
    if (HasBack(c)) {
      BackBlend(d, s, BackRgba(c), w);
    } else {
      AccumulateRef(d, s, w);
    }
  });
}

void RotatedOpaque(const BlitCall& c, int bytes) {
  RotatedWalk(c, [&](int x, int y, int sx, int sy) {
    Rgba s;
    if (!ReadPixel(c, bytes, sx, sy, true, s)) return;
    if (bytes == 4 && s.a == 0) return;
    OpaquePixel(c, DestPixel(c, x, y), s);
  });
}

void Smooth(const BlitCall& c, int bytes) {
  const double theta = c.angle * 3.14159 / 180;
  const long long kc16 = static_cast<int>(std::trunc(std::cos(theta) * 65536));
  const long long ks16 = static_cast<int>(std::trunc(std::sin(theta) * 65536));
  const int r = Radius(c.w, c.h);
  const long long cx16 = (c.w + 1) * 32768LL, cy16 = (c.h + 1) * 32768LL;
  const int o = OpacityByte(c.alpha);
  for (int i = 0; i < 2 * r; ++i) {
    for (int j = 0; j < 2 * r; ++j) {
      const long long dx = j - r, dy = i - r;
      const long long X = kc16 * dx - ks16 * dy + cx16;
      const long long Y = ks16 * dx + kc16 * dy + cy16;
      if (X < 0 || Y < 0 || (X >> 16) >= c.w || (Y >> 16) >= c.h) continue;
      if (!InClip(c, c.destX + j, c.destY + i)) continue;
      const int px = static_cast<int>(X >> 16), py = static_cast<int>(Y >> 16);
      Rgba result;
      if (px == 0 || py == 0 || px == c.w - 1 || py == c.h - 1) {
        ReadPixel(c, bytes, c.srcX + px, c.srcY + py, false, result);
      } else {
        Rgba p00, p10, p01, p11;
        ReadPixel(c, bytes, c.srcX + px, c.srcY + py, false, p00);
        ReadPixel(c, bytes, c.srcX + px + 1, c.srcY + py, false, p10);
        ReadPixel(c, bytes, c.srcX + px, c.srcY + py + 1, false, p01);
        ReadPixel(c, bytes, c.srcX + px + 1, c.srcY + py + 1, false, p11);
        const int fx = static_cast<int>((X >> 8) & 255), fy = static_cast<int>((Y >> 8) & 255);
        const int w11 = (fx * fy) >> 8, w10 = fx - w11, w01 = fy - w11;
        const int w00 = 256 - fx - fy + w11;
        auto mix = [&](int a, int b, int cc, int d) {
          return (a * w00 + b * w10 + cc * w01 + d * w11) >> 8;
        };
        result = Rgba{mix(p00.b, p10.b, p01.b, p11.b), mix(p00.g, p10.g, p01.g, p11.g),
                      mix(p00.r, p10.r, p01.r, p11.r), mix(p00.a, p10.a, p01.a, p11.a)};
      }
      BlendPixelRef(DestPixel(c, c.destX + j, c.destY + i), result, o);
    }
  }
}

void Silhouette(const BlitCall& c, int bytes) {
  if (bytes == 4 && c.alpha == 0.0) return;
  RotatedWalk(c, [&](int x, int y, int sx, int sy) {
    const uint8_t* p = SourcePixel(c, bytes, sx, sy);
    bool drawable;
    if (bytes == 4) {
      drawable = p[3] != 0;
    } else if (bytes == 2) {
      drawable = p[0] != c.keyIndex && p[1] != 0;
    } else {
      drawable = p[0] != c.keyIndex;
    }
    if (!drawable) return;
    uint8_t* d = DestPixel(c, x, y);
    d[0] = static_cast<uint8_t>(255 - d[0]);
    d[1] = static_cast<uint8_t>(255 - d[1]);
    d[2] = static_cast<uint8_t>(255 - d[2]);
    d[3] = 255;
  });
}

}  // namespace

const char* BlitMemberName(BlitMember member) {
  static const char* const NAMES[] = {
      "PalAlpha",         "PalAlphaOnOpaque", "Pal",           "RgbaAlpha",
      "RgbaAlphaOnOpaque", "Rgba",            "RgbaCopy",      "RotatedPalAlpha",
      "RotatedPal",       "RotatedRgbaAlpha", "RotatedRgba",   "SmoothPalAlpha",
      "SmoothPal",        "SmoothRgba",       "SilhouettePal", "SilhouettePal8",
      "SilhouetteRgba"};
  return NAMES[static_cast<int>(member)];
}

int BlitMemberSourceBytes(BlitMember member) {
  switch (member) {
    case BlitMember::PalAlpha:
    case BlitMember::PalAlphaOnOpaque:
    case BlitMember::RotatedPalAlpha:
    case BlitMember::SmoothPalAlpha:
    case BlitMember::SilhouettePal:
      return 2;
    case BlitMember::Pal:
    case BlitMember::RotatedPal:
    case BlitMember::SmoothPal:
    case BlitMember::SilhouettePal8:
      return 1;
    default:
      return 4;
  }
}

bool BlitMemberRotates(BlitMember member) {
  return static_cast<int>(member) >= static_cast<int>(BlitMember::RotatedPalAlpha);
}

void RunReferenceBlit(BlitMember member, const BlitCall& c) {
  switch (member) {
    case BlitMember::PalAlpha: StraightWithAlpha(c, 2, false); break;
    case BlitMember::PalAlphaOnOpaque: StraightWithAlpha(c, 2, true); break;
    case BlitMember::Pal: StraightOpaque(c, 1); break;
    case BlitMember::RgbaAlpha: StraightWithAlpha(c, 4, false); break;
    case BlitMember::RgbaAlphaOnOpaque: StraightWithAlpha(c, 4, true); break;
    case BlitMember::Rgba: StraightOpaque(c, 4); break;
    case BlitMember::RgbaCopy:
      StraightWalk(c, [&](int x, int y, int sx, int sy) {
        const uint8_t* s = SourcePixel(c, 4, sx, sy);
        uint8_t* d = DestPixel(c, x, y);
        for (int k = 0; k < 4; ++k) d[k] = s[k];
      });
      break;
    case BlitMember::RotatedPalAlpha: RotatedWithAlpha(c, 2); break;
    case BlitMember::RotatedPal:
      if (c.alpha > 0) RotatedOpaque(c, 1);
      break;
    case BlitMember::RotatedRgbaAlpha: RotatedWithAlpha(c, 4); break;
    case BlitMember::RotatedRgba:
      if (c.alpha > 0) RotatedOpaque(c, 4);
      break;
    case BlitMember::SmoothPalAlpha: Smooth(c, 2); break;
    case BlitMember::SmoothPal: Smooth(c, 1); break;
    case BlitMember::SmoothRgba: Smooth(c, 4); break;
    case BlitMember::SilhouettePal: Silhouette(c, 2); break;
    case BlitMember::SilhouettePal8: Silhouette(c, 1); break;
    case BlitMember::SilhouetteRgba: Silhouette(c, 4); break;
    case BlitMember::Count: break;
  }
}

void RunFastBlit(BlitMember member, const BlitCall& c) {
  const uint32_t* src32 = reinterpret_cast<const uint32_t*>(c.src);
  switch (member) {
    case BlitMember::PalAlpha:
      BlitImagePalAlpha(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip, c.src,
                        c.srcX, c.srcY, c.srcStride, c.srcHeight, c.w, c.h, c.keyIndex,
                        c.palette, c.alpha, c.backColor);
      break;
    case BlitMember::PalAlphaOnOpaque:
      BlitImagePalAlphaOnOpaque(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip,
                                c.src, c.srcX, c.srcY, c.srcStride, c.srcHeight, c.w, c.h,
                                c.keyIndex, c.palette, c.alpha, c.backColor);
      break;
    case BlitMember::Pal:
      BlitImagePal(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip, c.src, c.srcX,
                   c.srcY, c.srcStride, c.srcHeight, c.w, c.h, c.keyIndex, c.palette, c.alpha,
                   c.backColor);
      break;
    case BlitMember::RgbaAlpha:
      BlitImageRgbaAlpha(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip, src32,
                         c.srcX, c.srcY, c.srcStride, c.srcHeight, c.w, c.h, c.alpha,
                         c.backColor);
      break;
    case BlitMember::RgbaAlphaOnOpaque:
      BlitImageRgbaAlphaOnOpaque(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip,
                                 src32, c.srcX, c.srcY, c.srcStride, c.srcHeight, c.w, c.h,
                                 c.alpha, c.backColor);
      break;
    case BlitMember::Rgba:
      BlitImageRgba(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip, src32, c.srcX,
                    c.srcY, c.srcStride, c.srcHeight, c.w, c.h, c.alpha, c.backColor);
      break;
    case BlitMember::RgbaCopy:
      BlitImageRgbaCopy(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip, src32,
                        c.srcX, c.srcY, c.srcStride, c.srcHeight, c.w, c.h, c.alpha,
                        c.backColor);
      break;
    case BlitMember::RotatedPalAlpha:
      BlitImageRotatedPalAlpha(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip,
                               c.src, c.srcX, c.srcY, c.srcStride, c.srcHeight, c.w, c.h,
                               c.keyIndex, c.palette, c.angle, c.alpha, c.backColor);
      break;
    case BlitMember::RotatedPal:
      BlitImageRotatedPal(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip, c.src,
                          c.srcX, c.srcY, c.srcStride, c.srcHeight, c.w, c.h, c.keyIndex,
                          c.palette, c.angle, c.alpha, c.backColor);
      break;
    case BlitMember::RotatedRgbaAlpha:
      BlitImageRotatedRgbaAlpha(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip,
                                src32, c.srcX, c.srcY, c.srcStride, c.srcHeight, c.w, c.h,
                                c.angle, c.alpha, c.backColor);
      break;
    case BlitMember::RotatedRgba:
      BlitImageRotatedRgba(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip, src32,
                           c.srcX, c.srcY, c.srcStride, c.srcHeight, c.w, c.h, c.angle, c.alpha,
                           c.backColor);
      break;
    case BlitMember::SmoothPalAlpha:
      BlitImageSmoothPalAlpha(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip,
                              c.src, c.srcX, c.srcY, c.srcStride, c.srcHeight, c.w, c.h,
                              c.palette, c.angle, c.alpha, c.backColor);
      break;
    case BlitMember::SmoothPal:
      BlitImageSmoothPal(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip, c.src,
                         c.srcX, c.srcY, c.srcStride, c.srcHeight, c.w, c.h, c.palette, c.angle,
                         c.alpha, c.backColor);
      break;
    case BlitMember::SmoothRgba:
      BlitImageSmoothRgba(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip, src32,
                          c.srcX, c.srcY, c.srcStride, c.srcHeight, c.w, c.h, c.angle, c.alpha,
                          c.backColor);
      break;
    case BlitMember::SilhouettePal:
      BlitImageSilhouettePal(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip, c.src,
                             c.srcX, c.srcY, c.srcStride, c.srcHeight, c.w, c.h, c.keyIndex,
                             c.palette, c.angle, c.alpha, c.backColor);
      break;
    case BlitMember::SilhouettePal8:
      BlitImageSilhouettePal8(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip,
                              c.src, c.srcX, c.srcY, c.srcStride, c.srcHeight, c.w, c.h,
                              c.keyIndex, c.palette, c.angle, c.alpha, c.backColor);
      break;
    case BlitMember::SilhouetteRgba:
      BlitImageSilhouetteRgba(c.dest, c.destX, c.destY, c.destWidth, c.destHeight, c.clip,
                              src32, c.srcX, c.srcY, c.srcStride, c.srcHeight, c.w, c.h, c.angle,
                              c.alpha, c.backColor);
      break;
    case BlitMember::Count: break;
  }
}
