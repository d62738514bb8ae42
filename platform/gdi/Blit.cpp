// The blits: PatBlt, BitBlt and StretchBlt with any ternary raster operation, the monochrome
// conversions, the stretch modes, PlgBlt, AlphaBlend, TransparentBlt, GradientFill, and the DIB
// transfers (DIB sections, SetDIBitsToDevice, StretchDIBits, GetDIBits, SetDIBits).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include <pixman.h>

#include "platform/base/WinError.h"
#include "platform/gdi/DcInternal.h"

namespace gdi {

namespace {

// Scaled blits build per-column and per-row tables: extents are limited to what a surface
// can hold, so that a wild size is refused instead of exhausting memory.
bool ExtentOk(int64_t v) { return v >= -65535 && v <= 65535; }

// Coordinates are limited to 27 bits, as in Win32; beyond that the arithmetic of a blit could
// overflow, so such calls draw nothing.
bool CoordsOk(std::initializer_list<int64_t> values) {
  for (int64_t v : values) {
    if (v < -(int64_t(1) << 27) || v > (int64_t(1) << 27)) return false;
  }
  return true;
}

bool RopUsesSource(uint8_t rop) { return (((rop >> 2) ^ rop) & 0x33) != 0; }
bool RopUsesPattern(uint8_t rop) { return (((rop >> 4) ^ rop) & 0x0F) != 0; }

// Where a blit's source pixels come from and how they become destination pixels.
struct BlitSource {
  const Surface* surface = nullptr;
  RECT rect{};  // source rectangle in the surface, top-down rows
  enum Conversion { DIRECT, MONO_TO_COLOUR, COLOUR_TO_MONO } conversion = DIRECT;
  uint32_t fg = 0;   // mono to colour: the colour of 0 bits (destination text colour)
  uint32_t bg = 0;   // mono to colour: the colour of 1 bits (destination background colour)
  uint32_t key = 0;  // colour to mono: the source background colour, which becomes 1
};

void Convert(const BlitSource& src, uint32_t* px, int n) {
  switch (src.conversion) {
    case BlitSource::MONO_TO_COLOUR:
      for (int i = 0; i < n; ++i) px[i] = (px[i] & 0xFFFFFF) ? src.bg : src.fg;
      break;
    case BlitSource::COLOUR_TO_MONO:
      for (int i = 0; i < n; ++i) px[i] = (px[i] & 0xFFFFFF) == src.key ? 0xFFFFFFu : 0u;
      break;
    default:
      break;
  }
}

// The conversions Win32 applies between a source DC and a destination DC: a monochrome device
// bitmap takes the destination's text (0) and background (1) colours; a colour source blitted
// into a monochrome bitmap gives 1 where it equals the source DC's background colour.
void SetConversion(BlitSource& src, const DeviceContext& dst, const DeviceContext* srcDc,
                   bool srcIsMonoDdb) {
  Surface* ds = dst.GetSurface();
  bool dstMono = ds && ds->Bpp() == 1;
  bool srcMono = src.surface->Bpp() == 1;
  if (srcMono && srcIsMonoDdb && !dstMono) {
    src.conversion = BlitSource::MONO_TO_COLOUR;
    src.fg = ColorToPixel(dst.m_state.textColour);
    src.bg = ColorToPixel(dst.m_state.bkColour);
  } else if (!srcMono && dstMono) {
    src.conversion = BlitSource::COLOUR_TO_MONO;
    src.key = ColorToPixel(srcDc ? srcDc->m_state.bkColour : RGB(255, 255, 255)) & 0xFFFFFF;
  }
}

// dst = rop(pattern, source, dst) over n pixels; valid (optional) marks pixels to touch.
void ApplyRop(uint8_t rop, uint32_t* d, const uint32_t* s, const uint32_t* p, int n,
              const uint8_t* valid) {
  if (valid) {
    for (int i = 0; i < n; ++i) {
      if (valid[i]) d[i] = Rop3(rop, p ? p[i] : 0, s ? s[i] : 0, d[i]);
    }
    return;
  }
  switch (rop) {
    case 0xCC: std::memmove(d, s, size_t(n) * 4); return;
    case 0x88: for (int i = 0; i < n; ++i) d[i] &= s[i]; return;
    case 0xEE: for (int i = 0; i < n; ++i) d[i] |= s[i]; return;
    case 0x66: for (int i = 0; i < n; ++i) d[i] ^= s[i]; return;
    case 0x44: for (int i = 0; i < n; ++i) d[i] = s[i] & ~d[i]; return;
    case 0x33: for (int i = 0; i < n; ++i) d[i] = ~s[i]; return;
    case 0xC0: for (int i = 0; i < n; ++i) d[i] = s[i] & p[i]; return;
    case 0xF0: std::memcpy(d, p, size_t(n) * 4); return;
    case 0x5A: for (int i = 0; i < n; ++i) d[i] ^= p[i]; return;
    case 0x55: for (int i = 0; i < n; ++i) d[i] = ~d[i]; return;
    case 0x00: std::fill(d, d + n, 0u); return;
    case 0xFF: std::fill(d, d + n, 0xFFFFFFFFu); return;
    default:
      for (int i = 0; i < n; ++i) d[i] = Rop3(rop, p ? p[i] : 0, s ? s[i] : 0, d[i]);
  }
}

struct RowBuffers {
  std::vector<uint32_t> src, pat;
  std::vector<uint8_t> opaque;
};

// Applies the operation to one destination row segment given its source pixels (or none).
void CompositeRow(DeviceContext& dc, Surface& ds, int y, int x0, int n, const uint32_t* srcPx,
                  uint8_t rop, const uint8_t* valid, RowBuffers& buf) {
  const uint32_t* pat = nullptr;
  if (RopUsesPattern(rop)) {
    buf.pat.resize(size_t(n));
    const BrushObject* brush = dc.m_state.brush.get();
    if (brush && brush->m_style != BS_NULL) {
      BrushRow(dc, *brush, y, x0, n, buf.pat.data(), nullptr);
    } else {
      // A null brush gives a black pattern in Win32's blits.
      std::fill(buf.pat.begin(), buf.pat.end(), 0u);
    }
    pat = buf.pat.data();
  }
  WithRow(ds, y, x0, n, [&](uint32_t* d, int) { ApplyRop(rop, d, srcPx, pat, n, valid); });
}

// Copies a row segment between two surfaces (never overlapping) in blocks of 16 bytes, inline:
// for the short rows of small blits a call per row costs as much as the copy.
__attribute__((optimize("no-tree-loop-distribute-patterns"))) inline void CopyPixels(uint32_t* d, const uint32_t* s,
                                                                                    size_t bytes) {
  typedef uint8_t Block __attribute__((vector_size(16)));
  auto* dp = reinterpret_cast<uint8_t*>(d);
  auto* sp = reinterpret_cast<const uint8_t*>(s);
  size_t i = 0;
  for (; i + 64 <= bytes; i += 64) {
    Block a, b, c, e;
    std::memcpy(&a, sp + i, 16);
    std::memcpy(&b, sp + i + 16, 16);
    std::memcpy(&c, sp + i + 32, 16);
    std::memcpy(&e, sp + i + 48, 16);
    std::memcpy(dp + i, &a, 16);
    std::memcpy(dp + i + 16, &b, 16);
    std::memcpy(dp + i + 32, &c, 16);
    std::memcpy(dp + i + 48, &e, 16);
  }
  for (; i + 16 <= bytes; i += 16) {
    Block a;
    std::memcpy(&a, sp + i, 16);
    std::memcpy(dp + i, &a, 16);
  }
  for (; i < bytes; i += 4) {
    uint32_t a;
    std::memcpy(&a, sp + i, 4);
    std::memcpy(dp + i, &a, 4);
  }
}

// Blits the source rectangle, unscaled, to the destination at (dx, dy) (surface coordinates).
void BlitCore(DeviceContext& dc, int dx, int dy, int w, int h, const BlitSource* src, uint8_t rop) {
  Surface* ds = dc.GetSurface();
  if (!ds || w <= 0 || h <= 0) return;
  RECT target{dx, dy, dx + w, dy + h};
  Surface tempSurface;
  BlitSource local;
  if (src) {
    local = *src;
    // Clip to the source surface: destination pixels whose source lies outside stay as they
    // are.
    int sx = local.rect.left, sy = local.rect.top;
    target.left = std::max<LONG>(target.left, dx + (0 - sx));
    target.top = std::max<LONG>(target.top, dy + (0 - sy));
    target.right = std::min<LONG>(target.right, dx + (local.surface->Width() - sx));
    target.bottom = std::min<LONG>(target.bottom, dy + (local.surface->Height() - sy));
    if (target.left >= target.right || target.top >= target.bottom) return;
    // A blit within one surface whose rectangles overlap reads from a copy of the source.
    if (local.surface == ds) {
      RECT s{sx + (target.left - dx), sy + (target.top - dy), sx + (target.right - dx),
             sy + (target.bottom - dy)};
      bool overlap = s.left < target.right && target.left < s.right && s.top < target.bottom &&
                     target.top < s.bottom;
      if (overlap) {
        int cw = s.right - s.left, ch = s.bottom - s.top;
        if (!tempSurface.Allocate(cw, ch, 32, 4, false)) return;
        for (int y = 0; y < ch; ++y) ds->LoadRow(s.top + y, s.left, cw, tempSurface.Row32(y));
        tempSurface.m_palette = ds->m_palette;
        local.surface = &tempSurface;
        local.rect = RECT{0 - (target.left - dx), 0 - (target.top - dy), 0, 0};
        sx = local.rect.left;
        sy = local.rect.top;
      }
    }
    local.rect.left = sx;
    local.rect.top = sy;
  }
  RowBuffers buf;
  bool fastCopy = src && rop == 0xCC && local.conversion == BlitSource::DIRECT &&
                  local.surface->Is32() && ds->Is32();
  if (fastCopy) {
    // A plain copy between 32-bit surfaces, row by row for each clip rectangle. Rows of two
    // surfaces never overlap (an overlapping copy within one surface reads from a copy made
    // above); within one surface they may, and are moved.
    const Surface& ss = *local.surface;
    const bool distinct = &ss != ds;
    ForEachClipRect(dc.EffectiveClip(), target, [&](int x0, int y0, int x1, int y1) {
      const int sx = local.rect.left + (x0 - dx), sy = local.rect.top + (y0 - dy);
      const size_t bytes = size_t(x1 - x0) * 4;
      // Whole rows of two top-down surfaces of that row length are one block of memory.
      if (distinct && !ss.BottomUp() && !ds->BottomUp() && bytes == size_t(ss.Stride()) &&
          bytes == size_t(ds->Stride())) {
        std::memcpy(ds->Row32(y0), ss.Row32(sy), bytes * size_t(y1 - y0));
        return;
      }
      for (int y = y0; y < y1; ++y) {
        uint32_t* d = ds->Row32(y) + x0;
        const uint32_t* s = ss.Row32(sy + (y - y0)) + sx;
        if (distinct) CopyPixels(d, s, bytes);
        else std::memmove(d, s, bytes);
      }
    });
    return;
  }
  ForEachSpan(dc.EffectiveClip(), target, [&](int y, int x0, int x1) {
    int n = x1 - x0;
    const uint32_t* srcPx = nullptr;
    if (src) {
      int sy = local.rect.top + (y - dy), sx = local.rect.left + (x0 - dx);
      buf.src.resize(size_t(n));
      local.surface->LoadRow(sy, sx, n, buf.src.data());
      Convert(local, buf.src.data(), n);
      srcPx = buf.src.data();
    }
    CompositeRow(dc, *ds, y, x0, n, srcPx, rop, nullptr, buf);
  });
}

// Source sample positions per destination column (or row): index into the source, or -1.
std::vector<int> NearestMap(int dstLen, int srcStart, int srcLen, bool flip, int srcLimit) {
  std::vector<int> map(static_cast<size_t>(dstLen), 0);
  for (int i = 0; i < dstLen; ++i) {
    int j = int((int64_t(2 * i + 1) * srcLen) / (2 * int64_t(dstLen)));
    if (flip) j = srcLen - 1 - j;
    int s = srcStart + j;
    map[size_t(i)] = s >= 0 && s < srcLimit ? s : -1;
  }
  return map;
}

// Box-filter taps: for each destination index, the source indices it covers and 14-bit weights.
struct Taps {
  std::vector<int> start;   // first tap per destination index
  std::vector<int> index;   // source index per tap
  std::vector<int> weight;  // weights, summing to 16384 per destination index
};

Taps BoxTaps(int dstLen, int srcStart, int srcLen, bool flip, int srcLimit) {
  Taps t;
  t.start.reserve(size_t(dstLen) + 1);
  double scale = double(srcLen) / dstLen;
  for (int i = 0; i < dstLen; ++i) {
    t.start.push_back(int(t.index.size()));
    double a = i * scale, b = (i + 1) * scale;
    int k0 = int(std::floor(a)), k1 = int(std::ceil(b));
    size_t first = t.index.size();
    int sum = 0;
    for (int k = k0; k < k1 && k < srcLen; ++k) {
      double cover = std::min(b, double(k + 1)) - std::max(a, double(k));
      if (cover <= 0) continue;
      int s = srcStart + (flip ? srcLen - 1 - k : k);
      s = std::clamp(s, 0, srcLimit - 1);
      int wgt = int(std::lround(cover / (b - a) * 16384));
      t.index.push_back(s);
      t.weight.push_back(wgt);
      sum += wgt;
    }
    if (t.index.size() == first) {
      t.index.push_back(std::clamp(srcStart + (flip ? srcLen - 1 : 0), 0, srcLimit - 1));
      t.weight.push_back(16384);
    } else {
      // Put the rounding remainder on the biggest tap so every pixel's weights sum exactly.
      size_t big = first;
      for (size_t k = first; k < t.index.size(); ++k) {
        if (t.weight[k] > t.weight[big]) big = k;
      }
      t.weight[big] += 16384 - sum;
    }
  }
  t.start.push_back(int(t.index.size()));
  return t;
}

// Scales the source rectangle onto the destination rectangle (surface coordinates, width and
// height may be negative to mirror) with the stretch mode and the raster operation.
void StretchCore(DeviceContext& dc, int dx, int dy, int dw, int dh, const BlitSource& src,
                 uint8_t rop, int mode) {
  Surface* ds = dc.GetSurface();
  if (!ds || dw == 0 || dh == 0) return;
  if (!ExtentOk(dw) || !ExtentOk(dh) || !ExtentOk(int64_t(src.rect.right) - src.rect.left) ||
      !ExtentOk(int64_t(src.rect.bottom) - src.rect.top)) {
    return;
  }
  int sx = src.rect.left, sy = src.rect.top;
  int sw = src.rect.right - src.rect.left, sh = src.rect.bottom - src.rect.top;
  if (sw == 0 || sh == 0) return;
  bool flipX = false, flipY = false;
  // A negative extent mirrors; the rectangle then runs from origin + extent + 1 to the origin,
  // so that (w - 1, -w) mirrors the pixels 0 .. w - 1 in place.
  if (dw < 0) {
    dx += dw + 1;
    dw = -dw;
    flipX = !flipX;
  }
  if (dh < 0) {
    dy += dh + 1;
    dh = -dh;
    flipY = !flipY;
  }
  if (sw < 0) {
    sx += sw + 1;
    sw = -sw;
    flipX = !flipX;
  }
  if (sh < 0) {
    sy += sh + 1;
    sh = -sh;
    flipY = !flipY;
  }
  const Surface& ss = *src.surface;
  RECT target{dx, dy, dx + dw, dy + dh};
  RowBuffers buf;
  std::vector<uint32_t> line(static_cast<size_t>(ss.Width()));
  bool shrinking = sw > dw || sh > dh;
  if (mode == HALFTONE) {
    // A separable box filter: each source row is filtered across once per destination span
    // (8.8 fixed point per channel) and kept while the next destination rows reuse it.
    Taps tx = BoxTaps(dw, sx, sw, flipX, ss.Width());
    Taps ty = BoxTaps(dh, sy, sh, flipY, ss.Height());
    // Four channels of one pixel side by side, so that a tap weighs all of them in one step.
    typedef uint32_t Lanes __attribute__((vector_size(16)));
    typedef uint8_t Bytes __attribute__((vector_size(4)));
    static_assert(sizeof(Lanes) == 4 * sizeof(uint32_t));
    struct Filtered {
      int srow = -1, x0 = 0, n = 0;
      std::vector<Lanes> v;  // one per destination column, each channel 8.8 fixed point
    };
    Filtered cache[4];
    int nextSlot = 0;
    auto across = [&](int srow, int x0, int n) -> const Lanes* {
      for (Filtered& f : cache) {
        if (f.srow == srow && f.x0 == x0 && f.n == n) return f.v.data();
      }
      Filtered& f = cache[nextSlot];
      nextSlot = (nextSlot + 1) & 3;
      f.srow = srow;
      f.x0 = x0;
      f.n = n;
      f.v.resize(size_t(n));
      const uint32_t* row;
      if (ss.Is32() && src.conversion == BlitSource::DIRECT) {
        row = ss.Row32(srow);
      } else {
        ss.LoadRow(srow, 0, ss.Width(), line.data());
        Convert(src, line.data(), ss.Width());
        row = line.data();
      }
      const int* starts = tx.start.data() + (x0 - dx);
      const int* index = tx.index.data();
      const int* weight = tx.weight.data();
      Lanes* out = f.v.data();
      for (int i = 0; i < n; ++i) {
        // A column that one source pixel covers whole (two of three when enlarging by half)
        // needs no multiplication: its weight is 1 << 14.
        if (starts[i + 1] - starts[i] == 1 && weight[starts[i]] == 16384) {
          Bytes b;
          std::memcpy(&b, &row[index[starts[i]]], 4);
          out[i] = __builtin_convertvector(b, Lanes) << 8;
          continue;
        }
        Lanes sum = {0, 0, 0, 0};
        for (int k = starts[i]; k < starts[i + 1]; ++k) {
          Bytes b;
          std::memcpy(&b, &row[index[k]], 4);
          sum += __builtin_convertvector(b, Lanes) * uint32_t(weight[k]);
        }
        out[i] = sum >> 6;
      }
      return out;
    };
    std::vector<Lanes> acc;
    ForEachSpan(dc.EffectiveClip(), target, [&](int y, int x0, int x1) {
      int n = x1 - x0;
      acc.resize(size_t(n));
      Lanes* a = acc.data();
      int r = y - dy;
      for (int t = ty.start[size_t(r)]; t < ty.start[size_t(r) + 1]; ++t) {
        const Lanes* h = across(ty.index[size_t(t)], x0, n);
        uint32_t wy = uint32_t(ty.weight[size_t(t)]);
        // 8.8 times the 14-bit row weight fits 32 bits; the sum is 8.14 after the shift.
        if (t == ty.start[size_t(r)] && wy == 16384) {
          // A whole row of weight 1 << 14: the product fits 32 bits, so this is the same shift.
          for (int i = 0; i < n; ++i) a[i] = h[i] << 6;
        } else if (t == ty.start[size_t(r)]) {
          for (int i = 0; i < n; ++i) a[i] = h[i] * wy >> 8;
        } else {
          for (int i = 0; i < n; ++i) a[i] += h[i] * wy >> 8;
        }
      }
      // Rounded back to eight bits per channel; the channels lie in memory in pixel order.
      buf.src.resize(size_t(n));
      const uint32_t* sums = reinterpret_cast<const uint32_t*>(a);
      uint8_t* bytes = reinterpret_cast<uint8_t*>(buf.src.data());
      for (size_t k = 0; k < size_t(n) * 4; ++k) {
        uint32_t c = (sums[k] + 8192) >> 14;
        bytes[k] = uint8_t(c < 255 ? c : 255);
      }
      CompositeRow(dc, *ds, y, x0, n, buf.src.data(), rop, nullptr, buf);
    });
    return;
  }
  std::vector<int> mapX = NearestMap(dw, sx, sw, flipX, ss.Width());
  std::vector<int> mapY = NearestMap(dh, sy, sh, flipY, ss.Height());
  // BLACKONWHITE and WHITEONBLACK keep dark (light) detail when shrinking by combining the
  // source pixels that fall on one destination pixel with AND (OR), as Win32 does.
  bool combine = shrinking && (mode == BLACKONWHITE || mode == WHITEONBLACK);
  Taps tx, ty;
  if (combine) {
    tx = BoxTaps(dw, sx, sw, flipX, ss.Width());
    ty = BoxTaps(dh, sy, sh, flipY, ss.Height());
  }
  // A plain copy between two 32-bit surfaces gathers straight from the source row into the
  // destination row, and a destination row whose source row is the one just drawn above it is
  // copied from there.
  if (!combine && rop == 0xCC && src.conversion == BlitSource::DIRECT && ss.Is32() && ds->Is32() && &ss != ds) {
    ForEachClipRect(dc.EffectiveClip(), target, [&](int x0, int y0, int x1, int y1) {
      const int n = x1 - x0;
      const int* cols = mapX.data() + (x0 - dx);
      const bool allColumns = std::none_of(cols, cols + n, [](int c) { return c < 0; });
      int drawnRow = -1;  // the source row of the destination row above, when it was drawn
      for (int y = y0; y < y1; ++y) {
        const int srow = mapY[size_t(y - dy)];
        if (srow < 0) {
          drawnRow = -1;
          continue;
        }
        uint32_t* d = ds->Row32(y) + x0;
        if (srow == drawnRow && allColumns) {
          std::memcpy(d, ds->Row32(y - 1) + x0, size_t(n) * 4);
          continue;
        }
        const uint32_t* row = ss.Row32(srow);
        for (int i = 0; i < n; ++i) {
          if (cols[i] >= 0) d[i] = row[cols[i]];
        }
        drawnRow = srow;
      }
    });
    return;
  }
  std::vector<uint8_t> valid;
  ForEachSpan(dc.EffectiveClip(), target, [&](int y, int x0, int x1) {
    int n = x1 - x0;
    int srow = mapY[size_t(y - dy)];
    if (srow < 0) return;
    buf.src.resize(size_t(n));
    valid.assign(size_t(n), 1);
    bool anyInvalid = false;
    if (combine) {
      bool isAnd = mode == BLACKONWHITE;
      std::fill(buf.src.begin(), buf.src.end(), isAnd ? 0xFFFFFFFFu : 0u);
      int r = y - dy;
      for (int t = ty.start[size_t(r)]; t < ty.start[size_t(r) + 1]; ++t) {
        ss.LoadRow(ty.index[size_t(t)], 0, ss.Width(), line.data());
        Convert(src, line.data(), ss.Width());
        for (int i = 0; i < n; ++i) {
          int c = x0 - dx + i;
          for (int k = tx.start[size_t(c)]; k < tx.start[size_t(c) + 1]; ++k) {
            uint32_t p = line[size_t(tx.index[size_t(k)])];
            buf.src[size_t(i)] = isAnd ? (buf.src[size_t(i)] & p) : (buf.src[size_t(i)] | p);
          }
        }
      }
    } else {
      ss.LoadRow(srow, 0, ss.Width(), line.data());
      for (int i = 0; i < n; ++i) {
        int c = mapX[size_t(x0 - dx + i)];
        if (c < 0) {
          valid[size_t(i)] = 0;
          anyInvalid = true;
          buf.src[size_t(i)] = 0;
        } else {
          buf.src[size_t(i)] = line[size_t(c)];
        }
      }
      Convert(src, buf.src.data(), n);
    }
    CompositeRow(dc, *ds, y, x0, n, buf.src.data(), rop, anyInvalid ? valid.data() : nullptr, buf);
  });
}

// The source side of a DC-to-DC blit; false when the source DC has no bitmap.
bool SourceFromDc(const DeviceContext& dst, const DeviceContext& srcDc, int x, int y, int w, int h,
                  BlitSource& out) {
  Surface* ss = srcDc.GetSurface();
  if (!ss || !ss->Valid()) return false;
  out.surface = ss;
  POINT p = srcDc.ToSurface(x, y);
  out.rect = RECT{p.x, p.y, p.x + w, p.y + h};
  bool monoDdb = srcDc.m_isMemory && srcDc.m_state.bitmap && !srcDc.m_state.bitmap->m_isDib;
  SetConversion(out, dst, &srcDc, monoDdb);
  return true;
}

// ---- DIB descriptions
struct DibView {
  Surface surface;  // a view over the caller's bits
  int fullHeight = 0;
  bool bottomUp = true;
  int firstRow = 0;  // top-down index of the view's first row in the whole image
};

// Checks a BITMAPINFO and returns the row stride; 0 when the description is not usable.
int DibStride(const BITMAPINFOHEADER& h) {
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biWidth > 65535 ||
      h.biHeight == 0 || h.biHeight > 65535 || h.biHeight < -65535 || h.biPlanes != 1) {
    return 0;
  }
  switch (h.biBitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return 0;
  }
  if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && h.biBitCount == 32)) {
    return 0;
  }
  return int(((int64_t(h.biWidth) * h.biBitCount + 31) / 32) * 4);
}

bool MakePalette(const BITMAPINFO* info, UINT usage, std::vector<uint32_t>& pal) {
  const BITMAPINFOHEADER& h = info->bmiHeader;
  pal.clear();
  if (h.biBitCount > 8) return true;
  if (usage != DIB_RGB_COLORS) return false;
  UINT count = h.biClrUsed ? std::min<UINT>(h.biClrUsed, 1u << h.biBitCount) : 1u << h.biBitCount;
  const RGBQUAD* colours =
      reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const uint8_t*>(info) + h.biSize);
  for (UINT i = 0; i < count; ++i) {
    pal.push_back(uint32_t(colours[i].rgbBlue) | (uint32_t(colours[i].rgbGreen) << 8) |
                  (uint32_t(colours[i].rgbRed) << 16));
  }
  return true;
}

// A view of `lines` scan lines starting at scan `startScan` (counted from the bottom for a
// bottom-up DIB, as Win32 counts them).
bool MakeDibView(const BITMAPINFO* info, UINT usage, const void* bits, UINT startScan, UINT lines,
                 DibView& view) {
  if (!info || !bits) return false;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  int stride = DibStride(h);
  if (!stride) return false;
  int height = std::abs(h.biHeight);
  if (startScan >= UINT(height)) return false;
  lines = std::min<UINT>(lines, UINT(height) - startScan);
  if (lines == 0) return false;
  view.fullHeight = height;
  view.bottomUp = h.biHeight > 0;
  view.surface.Attach(static_cast<uint8_t*>(const_cast<void*>(bits)), h.biWidth, int(lines),
                      h.biBitCount, stride, view.bottomUp);
  if (!MakePalette(info, usage, view.surface.m_palette)) return false;
  view.firstRow = view.bottomUp ? height - int(startScan) - int(lines) : int(startScan);
  return true;
}

// x / 255 rounded to nearest for x = a * b with a, b <= 255, on two 8-bit lanes at once
// (bits 0-7 and 16-23): the same result as (a * b + 127) / 255 per lane.
inline uint32_t MulDiv255Lanes(uint32_t lanes, uint32_t k) {
  uint32_t x = (lanes & 0x00FF00FFu) * k + 0x00800080u;
  return ((x + ((x >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
}

// Win32's blend: dst = src * SCA / 255 + dst * (1 - srcAlpha / 255), where srcAlpha is the
// source pixel's (premultiplied) alpha times SCA / 255 with AC_SRC_ALPHA, and SCA itself
// without; every channel, alpha included, follows the same rule, and a channel whose sum passes
// 255 (a source that is not properly premultiplied) saturates. There are no branches, so the
// compiler can run it on several pixels at once.
template <bool PER_PIXEL, bool FULL>
inline void BlendOne(uint32_t* __restrict d, const uint32_t* __restrict s, int i, uint32_t sca) {
  {
    uint32_t sp = s[i];
    // With SCA 255 the scaling is exact: the scaled lanes are the source lanes.
    uint32_t srcRb = FULL ? sp & 0x00FF00FFu : MulDiv255Lanes(sp, sca);
    uint32_t srcAg = FULL ? (sp >> 8) & 0x00FF00FFu : MulDiv255Lanes(sp >> 8, sca);
    uint32_t inv = 255 - (PER_PIXEL ? (srcAg >> 16) : sca);
    uint32_t rb = MulDiv255Lanes(d[i], inv) + srcRb;
    uint32_t ag = MulDiv255Lanes(d[i] >> 8, inv) + srcAg;
    rb = (rb | (((rb >> 8) & 0x00010001u) * 0xFFu)) & 0x00FF00FFu;
    ag = (ag | (((ag >> 8) & 0x00010001u) * 0xFFu)) & 0x00FF00FFu;
    d[i] = rb | (ag << 8);
  }
}

// pixman images over 32-bit surfaces, kept per thread for the next blit. An image holds only the
// address, size and row length of the pixels it was made for and nothing of its own that a blit
// changes, so an image with the same four values is the same view even when the memory has been
// freed and handed out again in between; a view whose memory is gone is never used.
class PixmanViews {
 public:
  ~PixmanViews() {
    for (Entry& e : m_entries) {
      if (e.image) pixman_image_unref(e.image);
    }
    for (pixman_image_t* m : m_masks) {
      if (m) pixman_image_unref(m);
    }
  }
  // `inUse` (a view this blit already holds) is never the one given up for a new view.
  pixman_image_t* View(const Surface& s, const pixman_image_t* inUse) {
    for (Entry& e : m_entries) {
      if (e.image && e.bits == s.Bits() && e.width == s.Width() && e.height == s.Height() && e.stride == s.Stride()) {
        return e.image;
      }
    }
    pixman_image_t* image = pixman_image_create_bits(PIXMAN_a8r8g8b8, s.Width(), s.Height(),
                                                     reinterpret_cast<uint32_t*>(s.Bits()), s.Stride());
    if (!image) return nullptr;
    if (m_entries[m_next % VIEWS].image == inUse && inUse) ++m_next;
    Entry& e = m_entries[m_next++ % VIEWS];
    if (e.image) pixman_image_unref(e.image);
    e = Entry{s.Bits(), s.Width(), s.Height(), s.Stride(), image};
    return image;
  }
  // A solid mask of the constant alpha, made once per alpha value.
  pixman_image_t* Mask(uint32_t alpha) {
    pixman_image_t*& m = m_masks[alpha & 0xFF];
    if (!m) {
      const pixman_color_t constant{0, 0, 0, static_cast<uint16_t>((alpha & 0xFF) * 0x101)};
      m = pixman_image_create_solid_fill(&constant);
    }
    return m;
  }

 private:
  static constexpr int VIEWS = 8;
  struct Entry {
    const uint8_t* bits = nullptr;
    int width = 0, height = 0, stride = 0;
    pixman_image_t* image = nullptr;
  };
  Entry m_entries[VIEWS];
  unsigned m_next = 0;
  pixman_image_t* m_masks[256] = {};
};

// Reached through a plain pointer: a blit may still run while the thread's objects are destroyed
// (a static object that draws at exit), after the views are gone; it then makes its own.
thread_local PixmanViews* t_views = nullptr;
thread_local bool t_viewsGone = false;
struct PixmanViewsOwner {
  ~PixmanViewsOwner() {
    delete t_views;
    t_views = nullptr;
    t_viewsGone = true;
  }
};
PixmanViews* ThreadPixmanViews() {
  if (!t_views && !t_viewsGone) {
    thread_local PixmanViewsOwner owner;
    t_views = new PixmanViews;
  }
  return t_views;
}
pixman_image_t* PixmanView(const Surface& s, const pixman_image_t* inUse) {
  PixmanViews* views = ThreadPixmanViews();
  return views ? views->View(s, inUse) : nullptr;
}
pixman_image_t* ConstantAlphaMask(uint32_t alpha) {
  PixmanViews* views = ThreadPixmanViews();
  return views ? views->Mask(alpha) : nullptr;
}

// Blocks of eight pixels with a fixed trip count, which the compiler turns into vector code at
// -O2; the rest one by one.
template <bool PER_PIXEL, bool FULL>
void BlendRowT(uint32_t* __restrict d, const uint32_t* __restrict s, int n, uint32_t sca) {
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    for (int k = 0; k < 8; ++k) BlendOne<PER_PIXEL, FULL>(d + i, s + i, k, sca);
  }
  for (; i < n; ++i) BlendOne<PER_PIXEL, FULL>(d, s, i, sca);
}

void BlendRow(uint32_t* d, const uint32_t* s, int n, uint32_t sca, bool perPixel) {
  if (perPixel) {
    if (sca == 255) {
      BlendRowT<true, true>(d, s, n, sca);
    } else {
      BlendRowT<true, false>(d, s, n, sca);
    }
  } else {
    BlendRowT<false, false>(d, s, n, sca);
  }
}

// Per-pixel alpha at full constant alpha, the most common blend, over one row. Processors with
// AVX2 run a clone that blends eight pixels per step: the two channels of each half of a pixel
// sit in 16-bit lanes, as in the row path above, and every lane computes the same products with
// the same rounding and saturation (and pixman's OVER):
// d = min(255, s + (t + (t >> 8)) >> 8) with t = d * (255 - sa) + 128, per channel.
typedef uint32_t Pixels8 __attribute__((vector_size(32)));
typedef uint16_t Lanes16 __attribute__((vector_size(32)));
// Blends the whole steps of eight pixels and returns how many pixels it blended. It ends with a
// plain return, never a jump into other code, so that the wide clone clears the upper vector
// halves on the way out and leaves no penalty to code that uses the narrow ones.
#if defined(__clang__)
// (clang refuses noinline beside target_clones; its clones are only reached through the
// dispatcher, so they are never inlined either.)
#define PXQD_WIDE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define PXQD_WIDE_CLONES __attribute__((target_clones("avx2", "default"), noinline))
#endif
PXQD_WIDE_CLONES int BlendRowFullSteps(uint32_t* __restrict d,
                                                                                   const uint32_t* __restrict s,
                                                                                   int n) {
  int i = 0;
  for (; i + 8 <= n; i += 8) {
    Pixels8 sp, dp;
    std::memcpy(&sp, s + i, 32);
    std::memcpy(&dp, d + i, 32);
    const Pixels8 alpha = sp >> 24;
    const Lanes16 inv = 255 - reinterpret_cast<Lanes16>(alpha | (alpha << 16));
    const Lanes16 dRb = reinterpret_cast<Lanes16>(dp & 0x00FF00FFu);
    const Lanes16 dAg = reinterpret_cast<Lanes16>(dp) >> 8;
    const Lanes16 tRb = dRb * inv + 128;
    const Lanes16 tAg = dAg * inv + 128;
    Lanes16 rb = ((tRb + (tRb >> 8)) >> 8) + reinterpret_cast<Lanes16>(sp & 0x00FF00FFu);
    Lanes16 ag = ((tAg + (tAg >> 8)) >> 8) + (reinterpret_cast<Lanes16>(sp) >> 8);
    rb = rb > 255 ? 255 : rb;
    ag = ag > 255 ? 255 : ag;
    const Pixels8 out = reinterpret_cast<Pixels8>(rb) | (reinterpret_cast<Pixels8>(ag) << 8);
    std::memcpy(d + i, &out, 32);
  }
  return i;
}

void BlendRowFull(uint32_t* d, const uint32_t* s, int n) {
  const int i = BlendRowFullSteps(d, s, n);
  BlendRowT<true, true>(d + i, s + i, n - i, 255);
}

// Whether this processor runs the wide clone of BlendRowFull.
bool WideBlendRows() {
  static const bool wide = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return wide;
}

}  // namespace

}  // namespace gdi

using namespace gdi;

BOOL PatBlt(HDC h, int x, int y, int w, int hgt, DWORD rop) {
  auto dc = LookupDc(h);
  if (!dc) return FALSE;
  if (!CoordsOk({x, y})) return TRUE;
  uint8_t code = uint8_t(rop >> 16);
  if (RopUsesSource(code)) return FALSE;
  if (!ExtentOk(w) || !ExtentOk(hgt)) {
    // Wider than any surface: the part beyond the surfaces' limits can never be drawn.
    w = std::clamp(w, -65535, 65535);
    hgt = std::clamp(hgt, -65535, 65535);
  }
  if (w < 0) {
    x += w;
    w = -w;
  }
  if (hgt < 0) {
    y += hgt;
    hgt = -hgt;
  }
  POINT p = dc->ToSurface(x, y);
  BlitCore(*dc, p.x, p.y, w, hgt, nullptr, code);
  return TRUE;
}

BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
  auto dc = LookupDc(dst);
  if (!dc) return FALSE;
  if (!CoordsOk({x, y, sx, sy})) return TRUE;
  uint8_t code = uint8_t(rop >> 16);
  if (!RopUsesSource(code)) return PatBlt(dst, x, y, w, h, rop);
  auto sdc = LookupDc(src);
  if (!sdc) return FALSE;
  if (w <= 0 || h <= 0) return TRUE;
  w = std::min(w, 65535);
  h = std::min(h, 65535);
  BlitSource bs;
  if (!SourceFromDc(*dc, *sdc, sx, sy, w, h, bs)) return FALSE;
  POINT p = dc->ToSurface(x, y);
  BlitCore(*dc, p.x, p.y, w, h, &bs, code);
  return TRUE;
}

BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                DWORD rop) {
  if (w == sw && h == sh && w > 0 && h > 0) return BitBlt(dst, x, y, w, h, src, sx, sy, rop);
  auto dc = LookupDc(dst);
  if (!dc) return FALSE;
  uint8_t code = uint8_t(rop >> 16);
  if (!RopUsesSource(code)) return PatBlt(dst, x, y, w, h, rop);
  auto sdc = LookupDc(src);
  if (!sdc || !ExtentOk(w) || !ExtentOk(h) || !ExtentOk(sw) || !ExtentOk(sh)) return FALSE;
  if (!CoordsOk({x, y, sx, sy})) return TRUE;
  BlitSource bs;
  if (!SourceFromDc(*dc, *sdc, sx, sy, sw, sh, bs)) return FALSE;
  POINT p = dc->ToSurface(x, y);
  StretchCore(*dc, p.x, p.y, w, h, bs, code, dc->m_state.stretchMode);
  return TRUE;
}

BOOL PlgBlt(HDC dst, const POINT* pts, HDC src, int sx, int sy, int w, int h, HBITMAP mask, int mx,
            int my) {
  auto dc = LookupDc(dst);
  auto sdc = LookupDc(src);
  if (!dc || !sdc || !pts || w <= 0 || h <= 0 || !ExtentOk(w) || !ExtentOk(h) ||
      !CoordsOk({sx, sy, pts[0].x, pts[0].y, pts[1].x, pts[1].y, pts[2].x, pts[2].y})) {
    return FALSE;
  }
  Surface* ds = dc->GetSurface();
  BlitSource bs;
  if (!ds || !SourceFromDc(*dc, *sdc, sx, sy, w, h, bs)) return FALSE;
  std::shared_ptr<BitmapObject> maskBmp;
  if (mask) {
    maskBmp = LookupAs<BitmapObject>(mask, OBJ_BITMAP);
    if (!maskBmp || maskBmp->m_surface.Bpp() != 1) return FALSE;
  }
  POINT off = dc->LogicalOffset();
  // Corners in surface coordinates: p0 takes the source's top-left, p1 its top-right, p2 its
  // bottom-left.
  double p0x = pts[0].x + off.x, p0y = pts[0].y + off.y;
  double ux = pts[1].x - pts[0].x, uy = pts[1].y - pts[0].y;
  double vx = pts[2].x - pts[0].x, vy = pts[2].y - pts[0].y;
  double det = ux * vy - uy * vx;
  if (det == 0) return FALSE;
  double minX = std::min({p0x, p0x + ux, p0x + vx, p0x + ux + vx});
  double maxX = std::max({p0x, p0x + ux, p0x + vx, p0x + ux + vx});
  double minY = std::min({p0y, p0y + uy, p0y + vy, p0y + uy + vy});
  double maxY = std::max({p0y, p0y + uy, p0y + vy, p0y + uy + vy});
  RECT box{LONG(std::floor(minX)), LONG(std::floor(minY)), LONG(std::ceil(maxX)),
           LONG(std::ceil(maxY))};
  const Surface& ss = *bs.surface;
  ForEachSpan(dc->EffectiveClip(), box, [&](int y, int x0, int x1) {
    WithRow(*ds, y, x0, x1 - x0, [&](uint32_t* d, int n) {
      for (int i = 0; i < n; ++i) {
        // Each destination pixel centre maps back to (u, v) in the unit square of the source.
        double px = x0 + i + 0.5 - p0x, py = y + 0.5 - p0y;
        double u = (px * vy - py * vx) / det;
        double v = (ux * py - uy * px) / det;
        if (u < 0 || u >= 1 || v < 0 || v >= 1) continue;
        int cx = std::min(w - 1, int(u * w)), cy = std::min(h - 1, int(v * h));
        int srcX = bs.rect.left + cx, srcY = bs.rect.top + cy;
        if (srcX < 0 || srcY < 0 || srcX >= ss.Width() || srcY >= ss.Height()) continue;
        if (maskBmp) {
          int mX = mx + cx, mY = my + cy;
          const Surface& ms = maskBmp->m_surface;
          if (mX < 0 || mY < 0 || mX >= ms.Width() || mY >= ms.Height()) continue;
          if ((ms.GetPixel(mX, mY) & 0xFFFFFF) == 0) continue;
        }
        uint32_t p = ss.GetPixel(srcX, srcY);
        Convert(bs, &p, 1);
        d[i] = p;
      }
    });
  });
  return TRUE;
}

BOOL AlphaBlend(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                BLENDFUNCTION blend) {
  auto dc = LookupDc(dst);
  auto sdc = LookupDc(src);
  if (!dc || !sdc || blend.BlendOp != AC_SRC_OVER || w < 0 || h < 0 || sw < 0 || sh < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Surface* ds = dc->GetSurface();
  Surface* ss = sdc->GetSurface();
  if (!ds || !ss) return FALSE;
  POINT sp = sdc->ToSurface(sx, sy);
  // The source rectangle must lie inside the source bitmap, as Win32 requires.
  if (sp.x < 0 || sp.y < 0 || sp.x + sw > ss->Width() || sp.y + sh > ss->Height()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!ExtentOk(w) || !ExtentOk(h) || !CoordsOk({x, y})) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  bool perPixel = (blend.AlphaFormat & AC_SRC_ALPHA) != 0;
  if (perPixel && ss->Bpp() != 32) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (w == 0 || h == 0 || sw == 0 || sh == 0) return TRUE;
  uint32_t sca = blend.SourceConstantAlpha;
  POINT dp = dc->ToSurface(x, y);
  // At full constant alpha, between two distinct top-down 32-bit surfaces and unscaled, a
  // processor with wide vectors blends the rows itself, ahead of pixman's narrower ones.
  if (perPixel && sca == 255 && w == sw && h == sh && ss != ds && ss->Is32() && ds->Is32() && !ss->BottomUp() &&
      !ds->BottomUp() && WideBlendRows()) {
    ForEachClipRect(dc->EffectiveClip(), RECT{dp.x, dp.y, dp.x + w, dp.y + h}, [&](int x0, int y0, int x1, int y1) {
      const int sx0 = sp.x + (x0 - dp.x), sy0 = sp.y + (y0 - dp.y);
      for (int y = y0; y < y1; ++y) BlendRowFull(ds->Row32(y) + x0, ss->Row32(sy0 + (y - y0)) + sx0, x1 - x0);
    });
    return TRUE;
  }
  // Per-pixel alpha between two 32-bit surfaces, unscaled, is exactly pixman's OVER of the
  // source through a solid mask of the constant alpha: the same products rounded the same way and
  // the same saturation. pixman does it block by block for every clip rectangle.
  if (perPixel && w == sw && h == sh && ss != ds && ss->Is32() && ds->Is32() && !ss->BottomUp() &&
      !ds->BottomUp() && ss->Stride() % 4 == 0 && ds->Stride() % 4 == 0) {
    pixman_image_t* si = PixmanView(*ss, nullptr);
    pixman_image_t* di = PixmanView(*ds, si);
    pixman_image_t* mask = sca == 255 ? nullptr : ConstantAlphaMask(sca);
    if (si && di && (sca == 255 || mask)) {
      ForEachClipRect(dc->EffectiveClip(), RECT{dp.x, dp.y, dp.x + w, dp.y + h}, [&](int x0, int y0, int x1, int y1) {
        pixman_image_composite32(PIXMAN_OP_OVER, si, mask, di, sp.x + (x0 - dp.x), sp.y + (y0 - dp.y), 0, 0, x0, y0,
                                 x1 - x0, y1 - y0);
      });
      return TRUE;
    }
  }
  std::vector<int> mapX = NearestMap(w, sp.x, sw, false, ss->Width());
  std::vector<int> mapY = NearestMap(h, sp.y, sh, false, ss->Height());
  std::vector<uint32_t> line(static_cast<size_t>(ss->Width()));
  bool scaled = w != sw || h != sh;
  std::vector<uint32_t> gathered;
  ForEachSpan(dc->EffectiveClip(), RECT{dp.x, dp.y, dp.x + w, dp.y + h}, [&](int yy, int x0, int x1) {
    int srow = mapY[size_t(yy - dp.y)];
    const uint32_t* srcRow;
    if (ss->Is32()) {
      srcRow = ss->Row32(srow);
    } else {
      ss->LoadRow(srow, 0, ss->Width(), line.data());
      srcRow = line.data();
    }
    const uint32_t* srcPx = srcRow + sp.x + (x0 - dp.x);
    // A scaled source is gathered into a row first, and so is a source on the destination's
    // own surface, which the blend must not read while writing.
    if (scaled || ss == ds) {
      gathered.resize(size_t(x1 - x0));
      for (int i = 0; i < x1 - x0; ++i) {
        gathered[size_t(i)] = srcRow[scaled ? mapX[size_t(x0 - dp.x + i)] : sp.x + (x0 - dp.x) + i];
      }
      srcPx = gathered.data();
    }
    WithRow(*ds, yy, x0, x1 - x0, [&](uint32_t* d, int n) { BlendRow(d, srcPx, n, sca, perPixel); });
  });
  return TRUE;
}

BOOL TransparentBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, int sw, int sh,
                    UINT transparent) {
  auto dc = LookupDc(dst);
  auto sdc = LookupDc(src);
  if (!dc || !sdc || w <= 0 || h <= 0 || sw <= 0 || sh <= 0 || !ExtentOk(w) || !ExtentOk(h) ||
      !ExtentOk(sw) || !ExtentOk(sh) || !CoordsOk({x, y, sx, sy})) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Surface* ds = dc->GetSurface();
  BlitSource bs;
  if (!ds || !SourceFromDc(*dc, *sdc, sx, sy, sw, sh, bs)) return FALSE;
  const Surface& ss = *bs.surface;
  uint32_t key = ColorToPixel(transparent) & 0xFFFFFF;
  POINT dp = dc->ToSurface(x, y);
  std::vector<int> mapX = NearestMap(w, bs.rect.left, sw, false, ss.Width());
  std::vector<int> mapY = NearestMap(h, bs.rect.top, sh, false, ss.Height());
  std::vector<uint32_t> line(static_cast<size_t>(ss.Width()));
  ForEachSpan(dc->EffectiveClip(), RECT{dp.x, dp.y, dp.x + w, dp.y + h}, [&](int yy, int x0, int x1) {
    int srow = mapY[size_t(yy - dp.y)];
    if (srow < 0) return;
    ss.LoadRow(srow, 0, ss.Width(), line.data());
    // The key is compared with the source's own colours, before any mono conversion.
    WithRow(*ds, yy, x0, x1 - x0, [&](uint32_t* d, int n) {
      for (int i = 0; i < n; ++i) {
        int c = mapX[size_t(x0 - dp.x + i)];
        if (c < 0) continue;
        uint32_t p = line[size_t(c)];
        if ((p & 0xFFFFFF) == key) continue;
        Convert(bs, &p, 1);
        d[i] = p;
      }
    });
  });
  return TRUE;
}

namespace {
uint32_t VertexPixel(const TRIVERTEX& v) {
  return uint32_t(v.Blue >> 8) | (uint32_t(v.Green >> 8) << 8) | (uint32_t(v.Red >> 8) << 16) |
         (uint32_t(v.Alpha >> 8) << 24);
}
uint32_t Lerp(uint32_t a, uint32_t b, int64_t num, int64_t den) {
  uint32_t out = 0;
  for (int k = 0; k < 32; k += 8) {
    int64_t ca = (a >> k) & 0xFF, cb = (b >> k) & 0xFF;
    out |= uint32_t(ca + (cb - ca) * num / den) << k;
  }
  return out;
}
}  // namespace

BOOL GradientFill(HDC h, TRIVERTEX* verts, ULONG count, PVOID mesh, ULONG meshCount, ULONG mode) {
  auto dc = LookupDc(h);
  if (!dc || !verts || !mesh || count == 0) return FALSE;
  Surface* s = dc->GetSurface();
  if (!s) return FALSE;
  POINT off = dc->LogicalOffset();
  if (mode == GRADIENT_FILL_RECT_H || mode == GRADIENT_FILL_RECT_V) {
    const GRADIENT_RECT* rects = static_cast<const GRADIENT_RECT*>(mesh);
    for (ULONG m = 0; m < meshCount; ++m) {
      if (rects[m].UpperLeft >= count || rects[m].LowerRight >= count) return FALSE;
      TRIVERTEX a = verts[rects[m].UpperLeft], b = verts[rects[m].LowerRight];
      bool horizontal = mode == GRADIENT_FILL_RECT_H;
      // The rectangle is ordered; the colours stay with their vertices' sides.
      if ((horizontal ? a.x > b.x : a.y > b.y)) std::swap(a, b);
      RECT rc{std::min(a.x, b.x) + off.x, std::min(a.y, b.y) + off.y, std::max(a.x, b.x) + off.x,
              std::max(a.y, b.y) + off.y};
      uint32_t ca = VertexPixel(a), cb = VertexPixel(b);
      int64_t span = horizontal ? rc.right - rc.left : rc.bottom - rc.top;
      if (span <= 0) continue;
      ForEachSpan(dc->EffectiveClip(), rc, [&](int y, int x0, int x1) {
        WithRow(*s, y, x0, x1 - x0, [&](uint32_t* d, int n) {
          for (int i = 0; i < n; ++i) {
            int64_t pos = horizontal ? x0 + i - rc.left : y - rc.top;
            d[i] = Lerp(ca, cb, pos, span);
          }
        });
      });
    }
    return TRUE;
  }
  if (mode == GRADIENT_FILL_TRIANGLE) {
    const GRADIENT_TRIANGLE* tris = static_cast<const GRADIENT_TRIANGLE*>(mesh);
    for (ULONG m = 0; m < meshCount; ++m) {
      if (tris[m].Vertex1 >= count || tris[m].Vertex2 >= count || tris[m].Vertex3 >= count) {
        return FALSE;
      }
      const TRIVERTEX* v[3] = {&verts[tris[m].Vertex1], &verts[tris[m].Vertex2],
                               &verts[tris[m].Vertex3]};
      POINT p[3];
      for (int k = 0; k < 3; ++k) p[k] = POINT{v[k]->x + off.x, v[k]->y + off.y};
      int three = 3;
      Region tri = Region::Combine(Region::Polygon(p, &three, 1, ALTERNATE), dc->EffectiveClip(), RGN_AND);
      double det = double(p[1].x - p[0].x) * (p[2].y - p[0].y) - double(p[2].x - p[0].x) * (p[1].y - p[0].y);
      if (det == 0) continue;
      for (const Band& b : tri.Bands()) {
        for (int y = b.y0; y < b.y1; ++y) {
          for (const Span& sp : b.spans) {
            WithRow(*s, y, sp.x0, sp.x1 - sp.x0, [&](uint32_t* d, int n) {
              for (int i = 0; i < n; ++i) {
                double px = sp.x0 + i + 0.5 - p[0].x, py = y + 0.5 - p[0].y;
                double w1 = (px * (p[2].y - p[0].y) - py * (p[2].x - p[0].x)) / det;
                double w2 = ((p[1].x - p[0].x) * py - (p[1].y - p[0].y) * px) / det;
                double w0 = 1 - w1 - w2;
                auto ch = [&](COLOR16 TRIVERTEX::*f) {
                  double c = w0 * (v[0]->*f) + w1 * (v[1]->*f) + w2 * (v[2]->*f);
                  return uint32_t(std::clamp(c / 256.0, 0.0, 255.0));
                };
                d[i] = ch(&TRIVERTEX::Blue) | (ch(&TRIVERTEX::Green) << 8) |
                       (ch(&TRIVERTEX::Red) << 16) | (ch(&TRIVERTEX::Alpha) << 24);
              }
            });
          }
        }
      }
    }
    return TRUE;
  }
  return FALSE;
}

// ---- DIBs
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset) {
  if (bits) *bits = nullptr;
  if (!info || section) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (!DibStride(h)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto bmp = std::make_shared<BitmapObject>();
  if (!MakePalette(info, usage, bmp->m_surface.m_palette)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (!bmp->m_surface.Allocate(h.biWidth, std::abs(h.biHeight), h.biBitCount, 4, h.biHeight > 0)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  bmp->m_isDib = true;
  bmp->m_dibHeader = h;
  bmp->m_dibHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmp->m_dibHeader.biSizeImage = DWORD(bmp->m_surface.ByteSize());
  if (bits) *bits = bmp->m_surface.Bits();
  return static_cast<HBITMAP>(AllocHandle(bmp));
}

int SetDIBitsToDevice(HDC h, int x, int y, DWORD w, DWORD hgt, int sx, int sy, UINT startScan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
  auto dc = LookupDc(h);
  DibView view;
  if (!dc || !MakeDibView(info, usage, bits, startScan, lines, view)) return 0;
  Surface* ds = dc->GetSurface();
  if (!ds || w > 65535 || hgt > 65535 || !CoordsOk({x, y, sx, sy})) return 0;
  int width = int(w), height = int(hgt);
  // The source rectangle's origin is its lower-left corner for a bottom-up DIB, as in Win32.
  int srcTop = view.bottomUp ? view.fullHeight - (sy + height) : sy;
  BlitSource bs;
  bs.surface = &view.surface;
  bs.rect = RECT{sx, srcTop - view.firstRow, sx + width, srcTop - view.firstRow + height};
  POINT p = dc->ToSurface(x, y);
  BlitCore(*dc, p.x, p.y, width, height, &bs, 0xCC);
  return int(view.surface.Height());
}

int StretchDIBits(HDC h, int x, int y, int w, int hgt, int sx, int sy, int sw, int sh,
                  const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
  auto dc = LookupDc(h);
  DibView view;
  if (!dc || !info) return 0;
  int height = std::abs(info->bmiHeader.biHeight);
  if (!MakeDibView(info, usage, bits, 0, UINT(height), view)) return 0;
  if (!ExtentOk(w) || !ExtentOk(hgt) || !ExtentOk(sw) || !ExtentOk(sh)) return 0;
  if (!CoordsOk({x, y, sx, sy})) return 0;
  uint8_t code = uint8_t(rop >> 16);
  int srcTop = view.bottomUp ? view.fullHeight - (sy + sh) : sy;
  BlitSource bs;
  bs.surface = &view.surface;
  bs.rect = RECT{sx, srcTop, sx + sw, srcTop + sh};
  POINT p = dc->ToSurface(x, y);
  if (w == sw && hgt == sh && w > 0 && hgt > 0) {
    BlitCore(*dc, p.x, p.y, w, hgt, &bs, code);
  } else {
    StretchCore(*dc, p.x, p.y, w, hgt, bs, code, dc->m_state.stretchMode);
  }
  return height;
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
              UINT usage) {
  auto bmp = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP);
  if (!LookupDc(dc) || !bmp || !info || usage != DIB_RGB_COLORS ||
      info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const Surface& s = bmp->m_surface;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biBitCount == 0) {
    // Asked for the format: describe the bitmap as a bottom-up DIB.
    h.biWidth = s.Width();
    h.biHeight = s.Height();
    h.biPlanes = 1;
    h.biBitCount = WORD(s.Bpp());
    h.biCompression = BI_RGB;
    h.biSizeImage = DWORD(((s.Width() * s.Bpp() + 31) / 32) * 4 * s.Height());
    h.biClrUsed = 0;
    return bits ? 0 : 1;
  }
  if (h.biBitCount != 1 && h.biBitCount != 16 && h.biBitCount != 24 && h.biBitCount != 32) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (h.biCompression != BI_RGB) return 0;
  h.biWidth = h.biWidth > 0 ? h.biWidth : s.Width();
  if (h.biWidth != s.Width()) h.biWidth = s.Width();
  int stride = ((s.Width() * h.biBitCount + 31) / 32) * 4;
  int height = s.Height();
  bool bottomUp = h.biHeight >= 0;
  h.biHeight = bottomUp ? height : -height;
  h.biPlanes = 1;
  h.biSizeImage = DWORD(stride) * DWORD(height);
  if (h.biBitCount == 1) {
    RGBQUAD* colours = reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(info) + h.biSize);
    colours[0] = RGBQUAD{0, 0, 0, 0};
    colours[1] = RGBQUAD{255, 255, 255, 0};
    h.biClrUsed = 0;
  }
  if (!bits) return 1;
  if (start >= UINT(height)) return 0;
  lines = std::min<UINT>(lines, UINT(height) - start);
  Surface out;
  out.Attach(static_cast<uint8_t*>(bits), s.Width(), int(lines), h.biBitCount, stride, bottomUp);
  if (h.biBitCount == 1) out.m_palette = {0x000000u, 0xFFFFFFu};
  int firstRow = bottomUp ? height - int(start) - int(lines) : int(start);
  std::vector<uint32_t> row(static_cast<size_t>(s.Width()));
  for (int y = 0; y < int(lines); ++y) {
    s.LoadRow(firstRow + y, 0, s.Width(), row.data());
    out.StoreRow(y, 0, s.Width(), row.data());
  }
  return int(lines);
}

int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
              const BITMAPINFO* info, UINT usage) {
  auto bmp = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP);
  DibView view;
  if (!bmp || bmp->m_stock || !MakeDibView(info, usage, bits, start, lines, view)) return 0;
  Surface& s = bmp->m_surface;
  int w = std::min(s.Width(), view.surface.Width());
  std::vector<uint32_t> row(static_cast<size_t>(view.surface.Width()));
  int copied = 0;
  for (int y = 0; y < view.surface.Height(); ++y) {
    int target = view.firstRow + y;
    if (target < 0 || target >= s.Height()) continue;
    view.surface.LoadRow(y, 0, w, row.data());
    s.StoreRow(target, 0, w, row.data());
    ++copied;
  }
  return copied;
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
  if (!header || header->biWidth <= 0 || header->biHeight == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HBITMAP h = CreateCompatibleBitmap(dc, header->biWidth, std::abs(header->biHeight));
  if (!h || !(init & CBM_INIT)) return h;
  if (!info || !bits) return h;
  SetDIBits(dc, h, 0, UINT(std::abs(info->bmiHeader.biHeight)), bits, info, usage);
  return h;
}
