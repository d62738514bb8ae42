#include "engine/BlitFamily.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "engine/ImageRecord.h"

// Pixels are handled as 32-bit words A << 24 | R << 16 | G << 8 | B, which is the byte order
// B, G, R, A on a little-endian machine.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr double BLIT_PI = 3.14159;
constexpr uint32_t ALPHA_MASK = 0xff000000u;
constexpr uint32_t COLOR_MASK = 0x00ffffffu;

// The constants of the back colour, read once per call.
struct BackColor {
  bool present;
  uint32_t color;      // as a pixel word without alpha
  uint32_t threshold;  // the alpha threshold in the top byte
};

BackColor ReadBackColor(uint32_t back) {
  BackColor result{};
  result.present = back != DEFAULT_KEY_COLOR;
  result.color = ((back >> 16) & 0xff) | (back & 0xff00) | ((back & 0xff) << 16);
  result.threshold = back >> 24;
  return result;
}

// (s * w + d * (255 - w)) >> 8 for B, G and R at once. Each product sum stays below 65536, so
// the two channels that share a word never carry into each other. The alpha byte of the result
// is 0.
inline uint32_t MixColor(uint32_t s, uint32_t d, uint32_t w) {
  const uint32_t iw = 255 - w;
  const uint32_t rb = (((s & 0x00ff00ffu) * w + (d & 0x00ff00ffu) * iw) >> 8) & 0x00ff00ffu;
  const uint32_t g = (((s & 0x0000ff00u) * w + (d & 0x0000ff00u) * iw) >> 8) & 0x0000ff00u;
  return rb | g;
}

// Accumulate: an empty destination takes the colour with alpha w; any other is over-blended and
// keeps the larger alpha.
inline void Accumulate(uint32_t* d, uint32_t color, uint32_t w) {
  const uint32_t old = *d;
  const uint32_t da = old >> 24;
  if (da == 0) {
    *d = (color & COLOR_MASK) | (w << 24);
  } else {
    *d = MixColor(color, old, w) | (std::max(da, w) << 24);
  }
}

struct PaletteTable {
  uint32_t colors[256];
};

void BuildPaletteTable(PaletteTable& table, const uint8_t* palette) {
  for (int i = 0; i < 256; ++i) {
    table.colors[i] = static_cast<uint32_t>(palette[3 * i + 2]) |
                      (static_cast<uint32_t>(palette[3 * i + 1]) << 8) |
                      (static_cast<uint32_t>(palette[3 * i]) << 16);
  }
}

// The clip rectangle cut to the destination buffer.
RECT EffectiveClip(const RECT& clip, int destWidth, int destHeight) {
  RECT c;
  c.left = std::max<LONG>(clip.left, 0);
  c.top = std::max<LONG>(clip.top, 0);
  c.right = std::min<LONG>(clip.right, destWidth);
  c.bottom = std::min<LONG>(clip.bottom, destHeight);
  return c;
}

// The clipped rectangle of a straight member.
struct StraightArea {
  int destX, destY, srcX, srcY, w, h;
};

bool ClipStraight(StraightArea& a, const RECT& clipIn, int destWidth, int destHeight) {
  const RECT clip = EffectiveClip(clipIn, destWidth, destHeight);
  if (a.destX < clip.left) {
    const int d = clip.left - a.destX;
    a.w -= d;
    a.srcX += d;
    a.destX = clip.left;
  }
  if (a.destX + a.w >= clip.right) {
    a.w = clip.right - a.destX;
  }
  if (a.destY < clip.top) {
    const int d = clip.top - a.destY;
    a.h -= d;
    a.srcY += d;
    a.destY = clip.top;
  }
  if (a.destY + a.h >= clip.bottom) {
    a.h = clip.bottom - a.destY;
  }
  return a.w > 0 && a.h > 0;
}

// Walks the clipped rectangle row by row; op(destination pixel, source pixel bytes).
template <int BPP, class Op>
void StraightLoop(uint32_t* dest, int destWidth, const StraightArea& a, const uint8_t* src,
                  int srcStride, Op op) {
  uint32_t* dRow = dest + static_cast<ptrdiff_t>(a.destY) * destWidth + a.destX;
  const uint8_t* sRow =
      src + (static_cast<ptrdiff_t>(a.srcY) * srcStride + a.srcX) * BPP;
  const ptrdiff_t sSkip = static_cast<ptrdiff_t>(srcStride) * BPP;
  for (int i = 0; i < a.h; ++i) {
    uint32_t* d = dRow;
    const uint8_t* s = sRow;
    for (int j = 0; j < a.w; ++j) {
      op(d, s);
      ++d;
      s += BPP;
    }
    dRow += destWidth;
    sRow += sSkip;
  }
}

inline uint32_t LoadRgba(const uint8_t* s) {
  uint32_t v;
  std::memcpy(&v, s, 4);
  return v;
}

// Row kernels on eight pixels at a time through the compiler's portable vector types, each
// followed by the scalar form for the rest of the row; lane by lane they compute exactly what the
// scalar forms compute. Each kernel is built twice, for AVX2 and for plain x86-64 (SSE2), and
// the processor's own kind is chosen when the program loads. No vector crosses a call: pixels
// are moved in and out with memcpy and lanes chosen with masks inside the kernels.
#pragma GCC diagnostic ignored "-Wpsabi"
typedef uint32_t U32x8 __attribute__((vector_size(32)));

// Accumulate() with w = (source alpha * factor) >> 8 over a row; sources of alpha 0 leave the
// destination as it is.
__attribute__((target_clones("avx2", "default"))) void AccumulateRow(uint32_t* d, const uint8_t* s, int n,
                                                                      uint32_t factor) {
  int j = 0;
  for (; j + 8 <= n; j += 8) {
    U32x8 src, dst;
    std::memcpy(&src, s + 4 * j, sizeof src);
    std::memcpy(&dst, d + j, sizeof dst);
    const U32x8 sa = src >> 24;
    const U32x8 wt = (sa * factor) >> 8;
    const U32x8 iw = 255 - wt;
    const U32x8 rb = (((src & 0x00ff00ffu) * wt + (dst & 0x00ff00ffu) * iw) >> 8) & 0x00ff00ffu;
    const U32x8 g = (((src & 0x0000ff00u) * wt + (dst & 0x0000ff00u) * iw) >> 8) & 0x0000ff00u;
    const U32x8 da = dst >> 24;
    const U32x8 daLarger = reinterpret_cast<U32x8>(da > wt);
    const U32x8 larger = (da & daLarger) | (wt & ~daLarger);
    const U32x8 mixed = rb | g | (larger << 24);
    const U32x8 empty = (src & COLOR_MASK) | (wt << 24);
    const U32x8 isEmpty = reinterpret_cast<U32x8>(da == 0);
    const U32x8 blended = (empty & isEmpty) | (mixed & ~isEmpty);
    const U32x8 clear = reinterpret_cast<U32x8>(sa == 0);
    const U32x8 result = (dst & clear) | (blended & ~clear);
    std::memcpy(d + j, &result, sizeof result);
  }
  for (; j < n; ++j) {
    const uint32_t color = LoadRgba(s + 4 * j);
    const uint32_t sa = color >> 24;
    if (sa == 0) continue;
    Accumulate(d + j, color, (sa * factor) >> 8);
  }
}

// Copies the pixels of a row whose alpha is not 0, eight at a time by a select.
__attribute__((target_clones("avx2", "default"))) void CopyDrawnRow(uint32_t* d, const uint8_t* s, int n) {
  int j = 0;
  for (; j + 8 <= n; j += 8) {
    U32x8 src, dst;
    std::memcpy(&src, s + 4 * j, sizeof src);
    std::memcpy(&dst, d + j, sizeof dst);
    const U32x8 drawn = reinterpret_cast<U32x8>((src >> 24) != 0);
    const U32x8 result = (src & drawn) | (dst & ~drawn);
    std::memcpy(d + j, &result, sizeof result);
  }
  for (; j < n; ++j) {
    const uint32_t color = LoadRgba(s + 4 * j);
    if ((color >> 24) != 0) d[j] = color;
  }
}
// The note on the vector ABI stays off to the end of the file: the compiler emits the kernels'
// clones there.

// Runs a row kernel over the clipped rectangle.
template <class Row>
void StraightRows(uint32_t* dest, int destWidth, const StraightArea& a, const uint8_t* src, int srcStride,
                  Row row) {
  uint32_t* d = dest + static_cast<ptrdiff_t>(a.destY) * destWidth + a.destX;
  const uint8_t* s = src + (static_cast<ptrdiff_t>(a.srcY) * srcStride + a.srcX) * 4;
  for (int i = 0; i < a.h; ++i) {
    row(d, s, a.w);
    d += destWidth;
    s += static_cast<ptrdiff_t>(srcStride) * 4;
  }
}

// Regime 1 for the straight members with an alpha channel.
template <bool PALETTISED, bool ON_OPAQUE>
void StraightAlpha(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                   const RECT& clip, const uint8_t* src, int srcX, int srcY, int srcStride,
                   int w, int h, uint32_t keyIndex, const uint8_t* palette, double alpha,
                   uint32_t backColor) {
  const BackColor back = ReadBackColor(backColor);
  if (!back.present && alpha == 0.0) {
    return;
  }
  StraightArea a{destX, destY, srcX, srcY, w, h};
  if (!ClipStraight(a, clip, destWidth, destHeight)) {
    return;
  }
  // w = a when the opacity is not a fraction, else (a * O) >> 8; a factor of 256 gives a.
  const uint32_t factor = (alpha <= 0.0 || alpha >= 1.0) ? 256u : BlitOpacityByte(alpha);
  PaletteTable table;
  if constexpr (PALETTISED) {
    BuildPaletteTable(table, palette);
  }
  constexpr int BPP = PALETTISED ? 2 : 4;
  if (back.present) {
    StraightLoop<BPP>(dest, destWidth, a, src, srcStride, [&](uint32_t* d, const uint8_t* s) {
      uint32_t color;
      uint32_t sa;
      if constexpr (PALETTISED) {
        if (s[0] == keyIndex) return;
        color = table.colors[s[0]];
        sa = s[1];
        if (sa < back.threshold) return;
      } else {
        color = LoadRgba(s);
        sa = color >> 24;
        if (sa <= back.threshold) return;
      }
      if (ON_OPAQUE && (*d >> 24) != 255) return;
      const uint32_t wt = (sa * factor) >> 8;
      *d = MixColor(color, back.color, wt) | ALPHA_MASK;
    });
  } else if (!PALETTISED && !ON_OPAQUE) {
    StraightRows(dest, destWidth, a, src, srcStride,
                 [&](uint32_t* d, const uint8_t* s, int n) { AccumulateRow(d, s, n, factor); });
  } else {
    StraightLoop<BPP>(dest, destWidth, a, src, srcStride, [&](uint32_t* d, const uint8_t* s) {
      uint32_t color;
      uint32_t sa;
      if constexpr (PALETTISED) {
        if (s[0] == keyIndex) return;
        color = table.colors[s[0]];
        sa = s[1];
      } else {
        color = LoadRgba(s);
        sa = color >> 24;
      }
      if (sa == 0) return;
      const uint32_t wt = (sa * factor) >> 8;
      if constexpr (ON_OPAQUE) {
        const uint32_t old = *d;
        if ((old >> 24) != 255) return;
        *d = MixColor(color, old, wt) | (old & ALPHA_MASK);
      } else {
        Accumulate(d, color, wt);
      }
    });
  }
}

// Regime 3 for the straight members without an alpha channel.
template <bool PALETTISED>
void StraightOpaque(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                    const RECT& clip, const uint8_t* src, int srcX, int srcY, int srcStride,
                    int w, int h, uint32_t keyIndex, const uint8_t* palette, double alpha,
                    uint32_t backColor) {
  if (alpha <= 0.0) {
    return;
  }
  StraightArea a{destX, destY, srcX, srcY, w, h};
  if (!ClipStraight(a, clip, destWidth, destHeight)) {
    return;
  }
  PaletteTable table;
  if constexpr (PALETTISED) {
    BuildPaletteTable(table, palette);
  }
  constexpr int BPP = PALETTISED ? 1 : 4;
  const BackColor back = ReadBackColor(backColor);
  const uint32_t o = BlitOpacityByte(alpha);
  auto fetch = [&](const uint8_t* s, uint32_t& color) -> bool {
    if constexpr (PALETTISED) {
      if (s[0] == keyIndex) return false;
      color = table.colors[s[0]] | ALPHA_MASK;
    } else {
      color = LoadRgba(s);
      if ((color >> 24) == 0) return false;
    }
    return true;
  };
  if (alpha >= 1.0 && !PALETTISED) {
    StraightRows(dest, destWidth, a, src, srcStride, CopyDrawnRow);
  } else if (alpha >= 1.0) {
    StraightLoop<BPP>(dest, destWidth, a, src, srcStride, [&](uint32_t* d, const uint8_t* s) {
      uint32_t color;
      if (fetch(s, color)) *d = color;
    });
  } else if (back.present) {
    StraightLoop<BPP>(dest, destWidth, a, src, srcStride, [&](uint32_t* d, const uint8_t* s) {
      uint32_t color;
      if (fetch(s, color)) *d = MixColor(color, back.color, o) | ALPHA_MASK;
    });
  } else {
    StraightLoop<BPP>(dest, destWidth, a, src, srcStride, [&](uint32_t* d, const uint8_t* s) {
      uint32_t color;
      if (fetch(s, color)) *d = MixColor(color, *d, o) | ALPHA_MASK;
    });
  }
}

// The square of a rotated member and its walk: op(destination pixel, source column, source row)
// for every square pixel inside the clip whose sample lies inside the source rectangle.
struct RotationSetup {
  int r;
  int rowFirst, rowEnd, colFirst, colEnd;
};

bool SetupRotation(RotationSetup& s, int destX, int destY, int destWidth, int destHeight,
                   const RECT& clipIn, int w, int h) {
  if (w <= 0 || h <= 0) {
    return false;
  }
  s.r = BlitRadius(w, h);
  const RECT clip = EffectiveClip(clipIn, destWidth, destHeight);
  s.rowFirst = std::max(0, static_cast<int>(clip.top) - destY);
  s.rowEnd = std::min(2 * s.r, static_cast<int>(clip.bottom) - destY);
  s.colFirst = std::max(0, static_cast<int>(clip.left) - destX);
  s.colEnd = std::min(2 * s.r, static_cast<int>(clip.right) - destX);
  return s.rowFirst < s.rowEnd && s.colFirst < s.colEnd;
}

template <class Op>
void RotatedLoop(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                 const RECT& clip, int w, int h, double angle, Op op) {
  RotationSetup rs;
  if (!SetupRotation(rs, destX, destY, destWidth, destHeight, clip, w, h)) {
    return;
  }
  const double theta = angle * BLIT_PI / 180.0;
  const int32_t kc = static_cast<int32_t>(std::cos(theta) * 1024.0);
  const int32_t ks = static_cast<int32_t>(std::sin(theta) * 1024.0);
  const int f = (w + 1) / 2;
  const int e = (h + 1) / 2;
  for (int i = rs.rowFirst; i < rs.rowEnd; ++i) {
    const int32_t dy = i - rs.r;
    int32_t dx = rs.colFirst - rs.r;
    // u and v move by kc and -ks per column, so the row is walked without products.
    int32_t u = kc * dx - ks * dy;
    int32_t v = -(ks * dx + kc * dy);
    uint32_t* d = dest + static_cast<ptrdiff_t>(destY + i) * destWidth + destX + rs.colFirst;
    for (int j = rs.colFirst; j < rs.colEnd; ++j) {
      const int sx = f + (u >> 10);
      const int sy = e - (v >> 10);
      if (static_cast<unsigned>(sx) < static_cast<unsigned>(w) &&
          static_cast<unsigned>(sy) < static_cast<unsigned>(h)) {
        op(d, sx, sy);
      }
      u += kc;
      v -= ks;
      ++d;
    }
  }
}

// Regime 2 (with an alpha channel) and regime 3 (without) for the rotated nearest members.
template <int FORMAT>  // 2: palettised with alpha, 1: palettised, 4: 32-bit
void RotatedMember(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                   const RECT& clip, const uint8_t* src, int srcX, int srcY, int srcStride,
                   int w, int h, uint32_t keyIndex, const uint8_t* palette, double angle,
                   double alpha, uint32_t backColor, bool hasAlphaChannel) {
  const BackColor back = ReadBackColor(backColor);
  const uint32_t o = BlitOpacityByte(alpha);
  PaletteTable table;
  if constexpr (FORMAT != 4) {
    BuildPaletteTable(table, palette);
  }
  const uint8_t* base = src + (static_cast<ptrdiff_t>(srcY) * srcStride + srcX) * FORMAT;
  const ptrdiff_t stride = static_cast<ptrdiff_t>(srcStride) * FORMAT;
  // Fetches the colour (without alpha) and the alpha of a sample; false for a keyed pixel.
  auto fetch = [&](int sx, int sy, uint32_t& color, uint32_t& sa) -> bool {
    const uint8_t* s = base + sy * stride + sx * FORMAT;
    if constexpr (FORMAT == 4) {
      const uint32_t p = LoadRgba(s);
      color = p & COLOR_MASK;
      sa = p >> 24;
      return true;
    } else {
      if (s[0] == keyIndex) return false;
      color = table.colors[s[0]];
      sa = FORMAT == 2 ? s[1] : 255;
      return true;
    }
  };
  if (hasAlphaChannel) {
    const uint32_t factor = (alpha < 0.0 || alpha >= 1.0) ? 256u : o;
    RotatedLoop(dest, destX, destY, destWidth, destHeight, clip, w, h, angle,
                [&](uint32_t* d, int sx, int sy) {
                  uint32_t color, sa;
                  if (!fetch(sx, sy, color, sa) || sa == 0) return;
                  const uint32_t wt = (sa * factor) >> 8;
                  if (back.present) {
                    *d = MixColor(color, back.color, wt) | ALPHA_MASK;
                  } else {
                    Accumulate(d, color, wt);
                  }
                });
    return;
  }
  if (alpha <= 0.0) {
    return;
  }
  const bool full = alpha >= 1.0;
  RotatedLoop(dest, destX, destY, destWidth, destHeight, clip, w, h, angle,
              [&](uint32_t* d, int sx, int sy) {
                uint32_t color, sa;
                if (!fetch(sx, sy, color, sa)) return;
                if constexpr (FORMAT == 4) {
                  if (sa == 0) return;
                }
                if (full) {
                  *d = color | (sa << 24);
                } else if (back.present) {
                  *d = MixColor(color, back.color, o) | ALPHA_MASK;
                } else {
                  *d = MixColor(color, *d, o) | ALPHA_MASK;
                }
              });
}

// The three smooth members: bilinear sampling in 16-bit fixed point, then BlendPixel.
template <int FORMAT>
void SmoothMember(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                  const RECT& clip, const uint8_t* src, int srcX, int srcY, int srcStride,
                  int w, int h, const uint8_t* palette, double angle, double alpha) {
  RotationSetup rs;
  if (!SetupRotation(rs, destX, destY, destWidth, destHeight, clip, w, h)) {
    return;
  }
  const uint8_t opacity = BlitOpacityByte(alpha);
  PaletteTable table;
  if constexpr (FORMAT != 4) {
    BuildPaletteTable(table, palette);
  }
  const uint8_t* base = src + (static_cast<ptrdiff_t>(srcY) * srcStride + srcX) * FORMAT;
  const ptrdiff_t stride = static_cast<ptrdiff_t>(srcStride) * FORMAT;
  auto sample = [&](int px, int py) -> uint32_t {
    const uint8_t* s = base + py * stride + px * FORMAT;
    if constexpr (FORMAT == 4) {
      return LoadRgba(s);
    } else {
      const uint32_t a = FORMAT == 2 ? s[1] : 255;
      return table.colors[s[0]] | (a << 24);
    }
  };
  const double theta = angle * BLIT_PI / 180.0;
  const int64_t kc = static_cast<int32_t>(std::cos(theta) * 65536.0);
  const int64_t ks = static_cast<int32_t>(std::sin(theta) * 65536.0);
  const int64_t cx = static_cast<int64_t>(w + 1) * 32768;
  const int64_t cy = static_cast<int64_t>(h + 1) * 32768;
  for (int i = rs.rowFirst; i < rs.rowEnd; ++i) {
    const int64_t dy = i - rs.r;
    const int64_t dx = rs.colFirst - rs.r;
    int64_t x = kc * dx - ks * dy + cx;
    int64_t y = ks * dx + kc * dy + cy;
    uint8_t* d = reinterpret_cast<uint8_t*>(
        dest + static_cast<ptrdiff_t>(destY + i) * destWidth + destX + rs.colFirst);
    for (int j = rs.colFirst; j < rs.colEnd; ++j, x += kc, y += ks, d += 4) {
      if (x < 0 || y < 0) continue;
      const int64_t px = x >> 16;
      const int64_t py = y >> 16;
      if (px >= w || py >= h) continue;
      uint32_t p;
      if (px == 0 || py == 0 || px == w - 1 || py == h - 1) {
        p = sample(static_cast<int>(px), static_cast<int>(py));
      } else {
        const uint32_t fx = static_cast<uint32_t>(x >> 8) & 255;
        const uint32_t fy = static_cast<uint32_t>(y >> 8) & 255;
        const uint32_t w11 = (fx * fy) >> 8;
        const uint32_t w10 = fx - w11;
        const uint32_t w01 = fy - w11;
        const uint32_t w00 = 256 - fx - fy + w11;
        const uint32_t c00 = sample(static_cast<int>(px), static_cast<int>(py));
        const uint32_t c10 = sample(static_cast<int>(px) + 1, static_cast<int>(py));
        const uint32_t c01 = sample(static_cast<int>(px), static_cast<int>(py) + 1);
        const uint32_t c11 = sample(static_cast<int>(px) + 1, static_cast<int>(py) + 1);
        // The weights add up to 256, so each channel sum stays below 65536 and the two
        // channels of a word do not meet.
        const uint32_t lo = (((c00 & 0x00ff00ffu) * w00 + (c10 & 0x00ff00ffu) * w10 +
                              (c01 & 0x00ff00ffu) * w01 + (c11 & 0x00ff00ffu) * w11) >> 8) &
                            0x00ff00ffu;
        const uint32_t hi = ((((c00 >> 8) & 0x00ff00ffu) * w00 + ((c10 >> 8) & 0x00ff00ffu) * w10 +
                              ((c01 >> 8) & 0x00ff00ffu) * w01 + ((c11 >> 8) & 0x00ff00ffu) * w11)) &
                            0xff00ff00u;
        p = lo | hi;
      }
      BlendPixel(d, static_cast<uint8_t>(p), static_cast<uint8_t>(p >> 8),
                 static_cast<uint8_t>(p >> 16), static_cast<uint8_t>(p >> 24), opacity);
    }
  }
}

}  // namespace

uint8_t BlitOpacityByte(double alpha) {
  const double v = alpha * 255.0;
  if (!(v > -2147483648.0 && v < 2147483648.0)) {
    return 0;
  }
  return static_cast<uint8_t>(static_cast<uint32_t>(static_cast<int32_t>(v)));
}

int BlitRadius(int w, int h) {
  if (w <= 0 || h <= 0) {
    return 0;
  }
  const double f = (w + 1) / 2;
  const double e = (h + 1) / 2;
  return static_cast<int>(std::sqrt(f * f + e * e) + 0.5);
}

void BlendPixel(uint8_t* dest, uint8_t b, uint8_t g, uint8_t r, uint8_t a, uint8_t opacity) {
  const uint32_t weight = (static_cast<uint32_t>(opacity) * a) >> 8;
  if (dest[3] != 0) {
    const uint32_t inverse = 255 - weight;
    dest[0] = static_cast<uint8_t>((dest[0] * inverse + b * weight) >> 8);
    dest[1] = static_cast<uint8_t>((dest[1] * inverse + g * weight) >> 8);
    dest[2] = static_cast<uint8_t>((dest[2] * inverse + r * weight) >> 8);
    dest[3] = static_cast<uint8_t>(std::max(weight, inverse));
  } else {
    dest[0] = b;
    dest[1] = g;
    dest[2] = r;
    dest[3] = static_cast<uint8_t>(weight);
  }
}

uint8_t* PixelAddress(const PixelView& view, int x, int y) {
  return view.pixels +
         (static_cast<ptrdiff_t>(y) * view.width + x) * view.bytesPerPixel;
}

void BlitImagePalAlpha(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                       const RECT& clip, const uint8_t* src, int srcX, int srcY, int srcStride,
                       int srcHeight, int w, int h, uint32_t keyIndex, const uint8_t* palette,
                       double alpha, uint32_t backColor) {
  StraightAlpha<true, false>(dest, destX, destY, destWidth, destHeight, clip, src, srcX, srcY,
                             srcStride, w, h, keyIndex, palette, alpha, backColor);
}

void BlitImagePalAlphaOnOpaque(uint32_t* dest, int destX, int destY, int destWidth,
                               int destHeight, const RECT& clip, const uint8_t* src, int srcX,
                               int srcY, int srcStride, int srcHeight, int w, int h,
                               uint32_t keyIndex, const uint8_t* palette, double alpha,
                               uint32_t backColor) {
  StraightAlpha<true, true>(dest, destX, destY, destWidth, destHeight, clip, src, srcX, srcY,
                            srcStride, w, h, keyIndex, palette, alpha, backColor);
}

void BlitImagePal(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                  const RECT& clip, const uint8_t* src, int srcX, int srcY, int srcStride,
                  int srcHeight, int w, int h, uint32_t keyIndex, const uint8_t* palette,
                  double alpha, uint32_t backColor) {
  StraightOpaque<true>(dest, destX, destY, destWidth, destHeight, clip, src, srcX, srcY,
                       srcStride, w, h, keyIndex, palette, alpha, backColor);
}

void BlitImageRgbaAlpha(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                        const RECT& clip, const uint32_t* src, int srcX, int srcY, int srcStride,
                        int srcHeight, int w, int h, double alpha, uint32_t backColor) {
  StraightAlpha<false, false>(dest, destX, destY, destWidth, destHeight, clip,
                              reinterpret_cast<const uint8_t*>(src), srcX, srcY, srcStride, w, h,
                              0, nullptr, alpha, backColor);
}

void BlitImageRgbaAlphaOnOpaque(uint32_t* dest, int destX, int destY, int destWidth,
                                int destHeight, const RECT& clip, const uint32_t* src, int srcX,
                                int srcY, int srcStride, int srcHeight, int w, int h,
                                double alpha, uint32_t backColor) {
  StraightAlpha<false, true>(dest, destX, destY, destWidth, destHeight, clip,
                             reinterpret_cast<const uint8_t*>(src), srcX, srcY, srcStride, w, h,
                             0, nullptr, alpha, backColor);
}

void BlitImageRgba(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                   const RECT& clip, const uint32_t* src, int srcX, int srcY, int srcStride,
                   int srcHeight, int w, int h, double alpha, uint32_t backColor) {
  StraightOpaque<false>(dest, destX, destY, destWidth, destHeight, clip,
                        reinterpret_cast<const uint8_t*>(src), srcX, srcY, srcStride, w, h, 0,
                        nullptr, alpha, backColor);
}

void BlitImageRgbaCopy(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                       const RECT& clip, const uint32_t* src, int srcX, int srcY, int srcStride,
                       int srcHeight, int w, int h, double alpha, uint32_t backColor) {
  StraightArea a{destX, destY, srcX, srcY, w, h};
  if (!ClipStraight(a, clip, destWidth, destHeight)) {
    return;
  }
  uint32_t* d = dest + static_cast<ptrdiff_t>(a.destY) * destWidth + a.destX;
  const uint32_t* s = src + static_cast<ptrdiff_t>(a.srcY) * srcStride + a.srcX;
  const size_t rowBytes = static_cast<size_t>(a.w) * 4;
  for (int i = 0; i < a.h; ++i) {
    std::memcpy(d, s, rowBytes);
    d += destWidth;
    s += srcStride;
  }
}

void BlitImageRotatedPalAlpha(uint32_t* dest, int destX, int destY, int destWidth,
                              int destHeight, const RECT& clip, const uint8_t* src, int srcX,
                              int srcY, int srcStride, int srcHeight, int w, int h,
                              uint32_t keyIndex, const uint8_t* palette, double angle,
                              double alpha, uint32_t backColor) {
  RotatedMember<2>(dest, destX, destY, destWidth, destHeight, clip, src, srcX, srcY, srcStride,
                   w, h, keyIndex, palette, angle, alpha, backColor, true);
}

void BlitImageRotatedPal(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                         const RECT& clip, const uint8_t* src, int srcX, int srcY, int srcStride,
                         int srcHeight, int w, int h, uint32_t keyIndex, const uint8_t* palette,
                         double angle, double alpha, uint32_t backColor) {
  RotatedMember<1>(dest, destX, destY, destWidth, destHeight, clip, src, srcX, srcY, srcStride,
                   w, h, keyIndex, palette, angle, alpha, backColor, false);
}

void BlitImageRotatedRgbaAlpha(uint32_t* dest, int destX, int destY, int destWidth,
                               int destHeight, const RECT& clip, const uint32_t* src, int srcX,
                               int srcY, int srcStride, int srcHeight, int w, int h,
                               double angle, double alpha, uint32_t backColor) {
  RotatedMember<4>(dest, destX, destY, destWidth, destHeight, clip,
                   reinterpret_cast<const uint8_t*>(src), srcX, srcY, srcStride, w, h, 0,
                   nullptr, angle, alpha, backColor, true);
}

void BlitImageRotatedRgba(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                          const RECT& clip, const uint32_t* src, int srcX, int srcY,
                          int srcStride, int srcHeight, int w, int h, double angle, double alpha,
                          uint32_t backColor) {
  RotatedMember<4>(dest, destX, destY, destWidth, destHeight, clip,
                   reinterpret_cast<const uint8_t*>(src), srcX, srcY, srcStride, w, h, 0,
                   nullptr, angle, alpha, backColor, false);
}

void BlitImageSmoothPalAlpha(uint32_t* dest, int destX, int destY, int destWidth,
                             int destHeight, const RECT& clip, const uint8_t* src, int srcX,
                             int srcY, int srcStride, int srcHeight, int w, int h,
                             const uint8_t* palette, double angle, double alpha,
                             uint32_t backColor) {
  SmoothMember<2>(dest, destX, destY, destWidth, destHeight, clip, src, srcX, srcY, srcStride,
                  w, h, palette, angle, alpha);
}

void BlitImageSmoothPal(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                        const RECT& clip, const uint8_t* src, int srcX, int srcY, int srcStride,
                        int srcHeight, int w, int h, const uint8_t* palette, double angle,
                        double alpha, uint32_t backColor) {
  SmoothMember<1>(dest, destX, destY, destWidth, destHeight, clip, src, srcX, srcY, srcStride,
                  w, h, palette, angle, alpha);
}

void BlitImageSmoothRgba(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                         const RECT& clip, const uint32_t* src, int srcX, int srcY,
                         int srcStride, int srcHeight, int w, int h, double angle, double alpha,
                         uint32_t backColor) {
  SmoothMember<4>(dest, destX, destY, destWidth, destHeight, clip,
                  reinterpret_cast<const uint8_t*>(src), srcX, srcY, srcStride, w, h, nullptr,
                  angle, alpha);
}

namespace {

template <int FORMAT>
void SilhouetteMember(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                      const RECT& clip, const uint8_t* src, int srcX, int srcY, int srcStride,
                      int w, int h, uint32_t keyIndex, double angle) {
  const uint8_t* base = src + (static_cast<ptrdiff_t>(srcY) * srcStride + srcX) * FORMAT;
  const ptrdiff_t stride = static_cast<ptrdiff_t>(srcStride) * FORMAT;
  RotatedLoop(dest, destX, destY, destWidth, destHeight, clip, w, h, angle,
              [&](uint32_t* d, int sx, int sy) {
                const uint8_t* s = base + sy * stride + sx * FORMAT;
                if constexpr (FORMAT == 4) {
                  if (s[3] == 0) return;
                } else {
                  if (s[0] == keyIndex) return;
                  if (FORMAT == 2 && s[1] == 0) return;
                }
                *d = (~*d & COLOR_MASK) | ALPHA_MASK;
              });
}

}  // namespace

void BlitImageSilhouettePal(uint32_t* dest, int destX, int destY, int destWidth, int destHeight,
                            const RECT& clip, const uint8_t* src, int srcX, int srcY,
                            int srcStride, int srcHeight, int w, int h, uint32_t keyIndex,
                            const uint8_t* palette, double angle, double alpha,
                            uint32_t backColor) {
  SilhouetteMember<2>(dest, destX, destY, destWidth, destHeight, clip, src, srcX, srcY,
                      srcStride, w, h, keyIndex, angle);
}

void BlitImageSilhouettePal8(uint32_t* dest, int destX, int destY, int destWidth,
                             int destHeight, const RECT& clip, const uint8_t* src, int srcX,
                             int srcY, int srcStride, int srcHeight, int w, int h,
                             uint32_t keyIndex, const uint8_t* palette, double angle,
                             double alpha, uint32_t backColor) {
  SilhouetteMember<1>(dest, destX, destY, destWidth, destHeight, clip, src, srcX, srcY,
                      srcStride, w, h, keyIndex, angle);
}

void BlitImageSilhouetteRgba(uint32_t* dest, int destX, int destY, int destWidth,
                             int destHeight, const RECT& clip, const uint32_t* src, int srcX,
                             int srcY, int srcStride, int srcHeight, int w, int h, double angle,
                             double alpha, uint32_t backColor) {
  if (alpha == 0.0) {
    return;
  }
  SilhouetteMember<4>(dest, destX, destY, destWidth, destHeight, clip,
                      reinterpret_cast<const uint8_t*>(src), srcX, srcY, srcStride, w, h, 0,
                      angle);
}
