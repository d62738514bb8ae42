// Lines, shapes, pixels, rectangle and region fills, with Win32's rules: LineTo leaves out its
// end point, a rectangle holds its left and top edges and not its right and bottom ones, pens
// mix with the destination through the DC's ROP2, and FillRect ignores the ROP2.
#include <algorithm>
#include <cmath>

#include "platform/base/WinError.h"
#include "platform/gdi/DcInternal.h"

DWORD GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);

namespace gdi {

namespace {

// 8 x 8 hatch masks, one byte per row, most significant bit leftmost.
const uint8_t HATCH[6][8] = {
    {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00},  // HS_HORIZONTAL
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // HS_FDIAGONAL
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // HS_BDIAGONAL
    {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08},  // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // HS_DIAGCROSS
};

inline int Mod(int a, int m) {
  int r = a % m;
  return r < 0 ? r + m : r;
}

// Pen style patterns for one-pixel pens: lengths of alternating on and off runs.
const int DASH[] = {18, 6};
const int DOT[] = {3, 3};
const int DASHDOT[] = {9, 6, 3, 6};
const int DASHDOTDOT[] = {9, 3, 3, 3, 3, 3};

struct Stipple {
  const int* runs = nullptr;
  int count = 0;
  int total = 0;
  // Whether step k of a line is drawn with the pen (true) or is a gap.
  bool On(int k) const {
    if (!runs) return true;
    int pos = k % total;
    for (int i = 0; i < count; ++i) {
      if (pos < runs[i]) return (i & 1) == 0;
      pos -= runs[i];
    }
    return true;
  }
};

Stipple StippleFor(int style) {
  Stipple s;
  switch (style) {
    case PS_DASH: s.runs = DASH; s.count = 2; break;
    case PS_DOT: s.runs = DOT; s.count = 2; break;
    case PS_DASHDOT: s.runs = DASHDOT; s.count = 4; break;
    case PS_DASHDOTDOT: s.runs = DASHDOTDOT; s.count = 6; break;
    default: return s;
  }
  for (int i = 0; i < s.count; ++i) s.total += s.runs[i];
  return s;
}

// Pixel plotting with the clip: a rectangle clip is tested against its box.
class Plotter {
 public:
  explicit Plotter(DeviceContext& dc) : m_dc(dc), m_surface(dc.GetSurface()) {
    const Region& clip = dc.EffectiveClip();
    m_simple = clip.Kind() == SIMPLEREGION;
    m_box = clip.Box();
  }
  bool Ok() const { return m_surface && !m_dc.EffectiveClip().Empty(); }
  void Plot(int x, int y, uint32_t pen, int rop2) {
    if (m_simple) {
      if (x < m_box.left || x >= m_box.right || y < m_box.top || y >= m_box.bottom) return;
    } else if (!m_dc.EffectiveClip().Contains(x, y)) {
      return;
    }
    if (m_surface->Is32()) {
      uint32_t& d = m_surface->Row32(y)[x];
      d = rop2 == R2_COPYPEN ? pen : Rop2(rop2, pen, d);
    } else {
      uint32_t d = m_surface->GetPixel(x, y);
      m_surface->SetPixel(x, y, Rop2(rop2, pen, d));
    }
  }

 private:
  DeviceContext& m_dc;
  Surface* m_surface;
  bool m_simple = false;
  RECT m_box{};
};

void FillRegionSolid(DeviceContext& dc, const Region& shape, uint32_t pixel, int rop2) {
  Surface* s = dc.GetSurface();
  if (!s) return;
  Region r = Region::Combine(shape, dc.EffectiveClip(), RGN_AND);
  for (const Band& b : r.Bands()) {
    for (int y = b.y0; y < b.y1; ++y) {
      for (const Span& sp : b.spans) {
        WithRow(*s, y, sp.x0, sp.x1 - sp.x0, [&](uint32_t* px, int n) {
          if (rop2 == R2_COPYPEN) {
            std::fill(px, px + n, pixel);
          } else {
            for (int i = 0; i < n; ++i) px[i] = Rop2(rop2, pixel, px[i]);
          }
        });
      }
    }
  }
}

// Fills a region with a brush, mixing through the ROP2 (shape interiors).
void FillRegionBrush2(DeviceContext& dc, const Region& shape, const BrushObject& brush, int rop2) {
  if (brush.m_style == BS_NULL) return;
  if (brush.m_style == BS_SOLID) {
    FillRegionSolid(dc, shape, ColorToPixel(brush.m_colour), rop2);
    return;
  }
  Surface* s = dc.GetSurface();
  if (!s) return;
  Region r = Region::Combine(shape, dc.EffectiveClip(), RGN_AND);
  std::vector<uint32_t> pat;
  std::vector<uint8_t> opaque;
  for (const Band& b : r.Bands()) {
    for (int y = b.y0; y < b.y1; ++y) {
      for (const Span& sp : b.spans) {
        int n = sp.x1 - sp.x0;
        pat.resize(size_t(n));
        opaque.resize(size_t(n));
        BrushRow(dc, brush, y, sp.x0, n, pat.data(), opaque.data());
        WithRow(*s, y, sp.x0, n, [&](uint32_t* px, int) {
          for (int i = 0; i < n; ++i) {
            if (opaque[size_t(i)]) px[i] = Rop2(rop2, pat[size_t(i)], px[i]);
          }
        });
      }
    }
  }
}

// Draws a one-pixel line from a to b without b, in surface coordinates.
void Line1(DeviceContext& dc, Plotter& plot, POINT a, POINT b, const PenObject& pen,
           int& styleStep) {
  uint32_t pixel = ColorToPixel(pen.m_colour);
  uint32_t bkPixel = ColorToPixel(dc.m_state.bkColour);
  bool opaqueGaps = dc.m_state.bkMode == OPAQUE;
  Stipple st = StippleFor(pen.m_style);
  int rop2 = dc.m_state.rop2;
  int dx = std::abs(b.x - a.x), dy = std::abs(b.y - a.y);
  int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  int x = a.x, y = a.y;
  int steps = std::max(dx, dy);
  // Bresenham along the major axis, from the start point, stopping before the end point.
  if (dx >= dy) {
    int err = 2 * dy - dx;
    for (int i = 0; i < steps; ++i) {
      if (st.On(styleStep)) {
        plot.Plot(x, y, pixel, rop2);
      } else if (opaqueGaps) {
        plot.Plot(x, y, bkPixel, rop2);
      }
      ++styleStep;
      if (err > 0) {
        y += sy;
        err -= 2 * dx;
      }
      err += 2 * dy;
      x += sx;
    }
  } else {
    int err = 2 * dx - dy;
    for (int i = 0; i < steps; ++i) {
      if (st.On(styleStep)) {
        plot.Plot(x, y, pixel, rop2);
      } else if (opaqueGaps) {
        plot.Plot(x, y, bkPixel, rop2);
      }
      ++styleStep;
      if (err > 0) {
        x += sx;
        err -= 2 * dy;
      }
      err += 2 * dx;
      y += sy;
    }
  }
}

// A wide pen's stroke from a to b: the segment swept by a disc of the pen's width.
Region WideStroke(POINT a, POINT b, int width) {
  double hw = width / 2.0;
  double dx = b.x - a.x, dy = b.y - a.y;
  double len = std::sqrt(dx * dx + dy * dy);
  Region r;
  auto disc = [&](POINT c) {
    int lo = width / 2;
    return Region::Ellipse(RECT{c.x - lo, c.y - lo, c.x - lo + width, c.y - lo + width});
  };
  if (len > 0) {
    double nx = -dy / len * hw, ny = dx / len * hw;
    // Pixel centres sit at +0.5; the stroke is centred on the pixels of the thin line.
    POINT q[4] = {
        {LONG(std::lround(a.x + 0.5 + nx - 0.5)), LONG(std::lround(a.y + 0.5 + ny - 0.5))},
        {LONG(std::lround(b.x + 0.5 + nx - 0.5)), LONG(std::lround(b.y + 0.5 + ny - 0.5))},
        {LONG(std::lround(b.x + 0.5 - nx - 0.5)), LONG(std::lround(b.y + 0.5 - ny - 0.5))},
        {LONG(std::lround(a.x + 0.5 - nx - 0.5)), LONG(std::lround(a.y + 0.5 - ny - 0.5))},
    };
    int four = 4;
    r = Region::Polygon(q, &four, 1, WINDING);
  }
  r = Region::Combine(r, disc(a), RGN_OR);
  r = Region::Combine(r, disc(b), RGN_OR);
  return r;
}

bool PenDraws(const PenObject* pen) { return pen && pen->m_style != PS_NULL; }

// Draws the polyline through pts (surface coordinates) with the DC's pen.
void StrokePolyline(DeviceContext& dc, const POINT* pts, int count, bool closed) {
  const PenObject* pen = dc.m_state.pen.get();
  if (!PenDraws(pen) || count < 2) return;
  if (pen->m_width <= 1) {
    Plotter plot(dc);
    if (!plot.Ok()) return;
    int step = 0;
    for (int i = 0; i + 1 < count; ++i) Line1(dc, plot, pts[i], pts[i + 1], *pen, step);
    if (closed) Line1(dc, plot, pts[count - 1], pts[0], *pen, step);
    return;
  }
  Region stroke;
  for (int i = 0; i + 1 < count; ++i) {
    stroke = Region::Combine(stroke, WideStroke(pts[i], pts[i + 1], pen->m_width), RGN_OR);
  }
  if (closed) {
    stroke = Region::Combine(stroke, WideStroke(pts[count - 1], pts[0], pen->m_width), RGN_OR);
  }
  FillRegionSolid(dc, stroke, ColorToPixel(pen->m_colour), dc.m_state.rop2);
}

RECT NormalRect(int l, int t, int r, int b) {
  return RECT{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}

}  // namespace

void BrushRow(const DeviceContext& dc, const BrushObject& brush, int y, int x0, int n,
              uint32_t* out, uint8_t* opaque) {
  const DcState& st = dc.m_state;
  int ox = dc.m_origin.x + st.brushOrg.x, oy = dc.m_origin.y + st.brushOrg.y;
  switch (brush.m_style) {
    case BS_HATCHED: {
      uint32_t fg = ColorToPixel(brush.m_colour), bg = ColorToPixel(st.bkColour);
      bool transparent = st.bkMode == TRANSPARENT;
      uint8_t bits = HATCH[brush.m_hatch][Mod(y - oy, 8)];
      for (int i = 0; i < n; ++i) {
        bool ink = (bits >> (7 - Mod(x0 + i - ox, 8))) & 1;
        out[i] = ink ? fg : bg;
        if (opaque) opaque[i] = ink || !transparent;
      }
      return;
    }
    case BS_PATTERN: {
      const Surface& pat = *brush.m_pattern;
      const uint32_t* row = pat.Row32(Mod(y - oy, pat.Height()));
      int w = pat.Width();
      if (brush.m_monoPattern) {
        // A monochrome pattern takes the DC's colours: 0 bits the text colour, 1 bits the
        // background colour.
        uint32_t fg = ColorToPixel(st.textColour), bg = ColorToPixel(st.bkColour);
        for (int i = 0; i < n; ++i) out[i] = (row[Mod(x0 + i - ox, w)] & 0xFFFFFF) ? bg : fg;
      } else {
        for (int i = 0; i < n; ++i) out[i] = row[Mod(x0 + i - ox, w)];
      }
      if (opaque) std::fill(opaque, opaque + n, uint8_t(1));
      return;
    }
    default: {
      std::fill(out, out + n, ColorToPixel(brush.m_colour));
      if (opaque) std::fill(opaque, opaque + n, uint8_t(brush.m_style != BS_NULL));
      return;
    }
  }
}

std::shared_ptr<BrushObject> ResolveBrush(HBRUSH h) {
  uintptr_t v = reinterpret_cast<uintptr_t>(h);
  if (v > 0 && v <= 31) h = GetSysColorBrush(int(v - 1));
  return LookupAs<BrushObject>(h, OBJ_BRUSH);
}

void FillRectRop(DeviceContext& dc, const RECT& rc, const BrushObject* brush, uint8_t rop3) {
  Surface* s = dc.GetSurface();
  if (!s) return;
  bool usesPattern = ((rop3 >> 4) & 0x0F) != (rop3 & 0x0F);
  if (usesPattern && brush && brush->m_style == BS_NULL) {
    // A null brush paints nothing where the operation needs a pattern.
    return;
  }
  bool solid = !brush || brush->m_style == BS_SOLID || brush->m_style == BS_NULL;
  uint32_t solidPixel = brush && brush->m_style == BS_SOLID ? ColorToPixel(brush->m_colour) : 0;
  std::vector<uint32_t> pat;
  std::vector<uint8_t> opaque;
  ForEachSpan(dc.EffectiveClip(), rc, [&](int y, int x0, int x1) {
    int n = x1 - x0;
    if (!solid) {
      pat.resize(size_t(n));
      opaque.resize(size_t(n));
      BrushRow(dc, *brush, y, x0, n, pat.data(), opaque.data());
    }
    WithRow(*s, y, x0, n, [&](uint32_t* px, int) {
      if (solid) {
        switch (rop3) {
          case 0xF0: std::fill(px, px + n, solidPixel); return;
          case 0x00: std::fill(px, px + n, 0u); return;
          case 0xFF: std::fill(px, px + n, 0xFFFFFFFFu); return;
          case 0x55: for (int i = 0; i < n; ++i) px[i] = ~px[i]; return;
          case 0x5A: for (int i = 0; i < n; ++i) px[i] ^= solidPixel; return;
          default: for (int i = 0; i < n; ++i) px[i] = Rop3(rop3, solidPixel, 0, px[i]); return;
        }
      }
      for (int i = 0; i < n; ++i) {
        if (opaque[size_t(i)]) px[i] = Rop3(rop3, pat[size_t(i)], 0, px[i]);
      }
    });
  });
}

void FillRegionRop(DeviceContext& dc, const Region& rgn, const BrushObject* brush, uint8_t rop3) {
  Region r = Region::Combine(rgn, dc.EffectiveClip(), RGN_AND);
  for (const Band& b : r.Bands()) {
    for (const Span& sp : b.spans) {
      // Each part is already inside the clip; FillRectRop clips again, which is cheap.
      FillRectRop(dc, RECT{sp.x0, b.y0, sp.x1, b.y1}, brush, rop3);
    }
  }
}

void FillRegionWithBrush(DeviceContext& dc, const Region& rgn, const BrushObject& brush) {
  FillRegionBrush2(dc, rgn, brush, dc.m_state.rop2);
}

void FillSurfaceRect(DeviceContext& dc, const RECT& rc, uint32_t pixel) {
  Surface* s = dc.GetSurface();
  if (!s) return;
  ForEachSpan(dc.EffectiveClip(), rc, [&](int y, int x0, int x1) {
    WithRow(*s, y, x0, x1 - x0, [&](uint32_t* px, int n) { std::fill(px, px + n, pixel); });
  });
}

void BlendCoverage(DeviceContext& dc, int x, int y, int width, int height, const uint8_t* coverage,
                   int pitch, COLORREF colour) {
  Surface* s = dc.GetSurface();
  if (!s || !coverage || width <= 0 || height <= 0) return;
  uint32_t c = ColorToPixel(colour);
  int cr = (c >> 16) & 0xFF, cg = (c >> 8) & 0xFF, cb = c & 0xFF;
  ForEachSpan(dc.EffectiveClip(), RECT{x, y, x + width, y + height}, [&](int yy, int x0, int x1) {
    const uint8_t* cov = coverage + size_t(yy - y) * size_t(pitch) + (x0 - x);
    WithRow(*s, yy, x0, x1 - x0, [&](uint32_t* px, int n) {
      for (int i = 0; i < n; ++i) {
        int a = cov[i];
        if (a == 0) continue;
        if (a == 255) {
          px[i] = c;
          continue;
        }
        uint32_t d = px[i];
        int dr = (d >> 16) & 0xFF, dg = (d >> 8) & 0xFF, db = d & 0xFF;
        dr += ((cr - dr) * a + 127) / 255;
        dg += ((cg - dg) * a + 127) / 255;
        db += ((cb - db) * a + 127) / 255;
        px[i] = (d & 0xFF000000u) | uint32_t(dr << 16) | uint32_t(dg << 8) | uint32_t(db);
      }
    });
  });
}

}  // namespace gdi

using namespace gdi;

BOOL MoveToEx(HDC h, int x, int y, LPPOINT old) {
  auto dc = LookupDc(h);
  if (!dc) return FALSE;
  if (old) *old = dc->m_state.currentPos;
  dc->m_state.currentPos = POINT{x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC h, LPPOINT pos) {
  auto dc = LookupDc(h);
  if (!dc || !pos) return FALSE;
  *pos = dc->m_state.currentPos;
  return TRUE;
}

BOOL LineTo(HDC h, int x, int y) {
  auto dc = LookupDc(h);
  if (!dc) return FALSE;
  POINT pts[2] = {dc->ToSurface(dc->m_state.currentPos.x, dc->m_state.currentPos.y),
                  dc->ToSurface(x, y)};
  StrokePolyline(*dc, pts, 2, false);
  dc->m_state.currentPos = POINT{x, y};
  return TRUE;
}

BOOL Polyline(HDC h, const POINT* points, int count) {
  auto dc = LookupDc(h);
  if (!dc || !points || count < 2) return FALSE;
  std::vector<POINT> pts(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) pts[size_t(i)] = dc->ToSurface(points[i].x, points[i].y);
  StrokePolyline(*dc, pts.data(), count, false);
  return TRUE;
}

BOOL PolylineTo(HDC h, const POINT* points, DWORD count) {
  auto dc = LookupDc(h);
  if (!dc || !points || count == 0 || count > 0x7FFFFFF) return FALSE;
  std::vector<POINT> pts;
  pts.reserve(count + 1);
  pts.push_back(dc->ToSurface(dc->m_state.currentPos.x, dc->m_state.currentPos.y));
  for (DWORD i = 0; i < count; ++i) pts.push_back(dc->ToSurface(points[i].x, points[i].y));
  StrokePolyline(*dc, pts.data(), int(pts.size()), false);
  dc->m_state.currentPos = points[count - 1];
  return TRUE;
}

BOOL PolyPolygon(HDC h, const POINT* points, const INT* counts, int polygons) {
  auto dc = LookupDc(h);
  if (!dc || !points || !counts || polygons <= 0) return FALSE;
  size_t total = 0;
  for (int k = 0; k < polygons; ++k) {
    if (counts[k] < 2) return FALSE;
    total += size_t(counts[k]);
  }
  std::vector<POINT> pts(total);
  POINT off = dc->LogicalOffset();
  for (size_t i = 0; i < total; ++i) pts[i] = POINT{points[i].x + off.x, points[i].y + off.y};
  Region fill = Region::Polygon(pts.data(), counts, polygons, dc->m_state.polyFillMode);
  if (dc->m_state.brush) FillRegionBrush2(*dc, fill, *dc->m_state.brush, dc->m_state.rop2);
  size_t at = 0;
  for (int k = 0; k < polygons; ++k) {
    StrokePolyline(*dc, pts.data() + at, counts[k], true);
    at += size_t(counts[k]);
  }
  return TRUE;
}

BOOL Polygon(HDC h, const POINT* points, int count) {
  if (count < 2) return FALSE;
  return PolyPolygon(h, points, &count, 1);
}

namespace {

// The outline and interior of a closed shape drawn with the DC's pen and brush. `outer` is the
// shape for the given rectangle; `shrink` makes the shape for a rectangle moved in.
template <typename MakeShape>
BOOL DrawShape(HDC h, int l, int t, int r, int b, MakeShape make) {
  auto dc = LookupDc(h);
  if (!dc) return FALSE;
  POINT off = dc->LogicalOffset();
  RECT rc = NormalRect(l + off.x, t + off.y, r + off.x, b + off.y);
  const PenObject* pen = dc->m_state.pen.get();
  const BrushObject* brush = dc->m_state.brush.get();
  if (!PenDraws(pen)) {
    // Without a pen the shape is one pixel smaller on the right and bottom, as in Win32.
    if (brush) FillRegionBrush2(*dc, make(RECT{rc.left, rc.top, rc.right - 1, rc.bottom - 1}), *brush,
                                dc->m_state.rop2);
    return TRUE;
  }
  int w = pen->m_width;
  RECT outer, inner;
  if (pen->m_style == PS_INSIDEFRAME || w == 1) {
    outer = rc;
  } else {
    // A wide pen is centred on the outline of the one-pixel shape.
    int lo = w / 2;
    outer = RECT{rc.left - lo, rc.top - lo, rc.right - 1 - lo + w, rc.bottom - 1 - lo + w};
  }
  inner = RECT{outer.left + w, outer.top + w, outer.right - w, outer.bottom - w};
  Region outerShape = make(outer);
  Region innerShape = inner.left < inner.right && inner.top < inner.bottom ? make(inner) : Region();
  if (brush) FillRegionBrush2(*dc, innerShape, *brush, dc->m_state.rop2);
  Region ring = Region::Combine(outerShape, innerShape, RGN_DIFF);
  if (pen->m_style == PS_SOLID || pen->m_style == PS_INSIDEFRAME || w > 1) {
    FillRegionSolid(*dc, ring, ColorToPixel(pen->m_colour), dc->m_state.rop2);
  } else {
    // A styled one-pixel pen on a rectangle-like outline: walk it as a polyline.
    POINT pts[4] = {{rc.left, rc.top}, {rc.right - 1, rc.top}, {rc.right - 1, rc.bottom - 1},
                    {rc.left, rc.bottom - 1}};
    StrokePolyline(*dc, pts, 4, true);
  }
  return TRUE;
}

}  // namespace

BOOL Rectangle(HDC h, int l, int t, int r, int b) {
  return DrawShape(h, l, t, r, b, [](const RECT& rc) { return Region(rc); });
}

BOOL Ellipse(HDC h, int l, int t, int r, int b) {
  return DrawShape(h, l, t, r, b, [](const RECT& rc) { return Region::Ellipse(rc); });
}

BOOL RoundRect(HDC h, int l, int t, int r, int b, int ew, int eh) {
  return DrawShape(h, l, t, r, b, [ew, eh](const RECT& rc) { return Region::RoundRect(rc, ew, eh); });
}

int FillRect(HDC h, const RECT* rc, HBRUSH brushHandle) {
  auto dc = LookupDc(h);
  auto brush = ResolveBrush(brushHandle);
  if (!dc || !rc || !brush) return FALSE;
  POINT off = dc->LogicalOffset();
  // FillRect does not order the rectangle: a reversed one fills nothing.
  RECT r{rc->left + off.x, rc->top + off.y, rc->right + off.x, rc->bottom + off.y};
  FillRectRop(*dc, r, brush.get(), 0xF0);
  return TRUE;
}

int FrameRect(HDC h, const RECT* rc, HBRUSH brushHandle) {
  auto dc = LookupDc(h);
  auto brush = ResolveBrush(brushHandle);
  if (!dc || !rc || !brush) return FALSE;
  if (rc->right <= rc->left || rc->bottom <= rc->top) return TRUE;
  POINT off = dc->LogicalOffset();
  RECT r{rc->left + off.x, rc->top + off.y, rc->right + off.x, rc->bottom + off.y};
  Region ring = Region::Combine(Region(r), Region(RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}),
                                RGN_DIFF);
  FillRegionRop(*dc, ring, brush.get(), 0xF0);
  return TRUE;
}

BOOL InvertRect(HDC h, const RECT* rc) {
  auto dc = LookupDc(h);
  if (!dc || !rc) return FALSE;
  POINT off = dc->LogicalOffset();
  RECT r{rc->left + off.x, rc->top + off.y, rc->right + off.x, rc->bottom + off.y};
  FillRectRop(*dc, r, nullptr, 0x55);
  return TRUE;
}

BOOL DrawFocusRect(HDC h, const RECT* rc) {
  auto dc = LookupDc(h);
  if (!dc || !rc) return FALSE;
  POINT off = dc->LogicalOffset();
  RECT r{rc->left + off.x, rc->top + off.y, rc->right + off.x, rc->bottom + off.y};
  if (r.right <= r.left || r.bottom <= r.top) return TRUE;
  // Every other pixel of the one-pixel frame is inverted, so a second call removes it.
  Region dots;
  std::vector<std::vector<Span>> rows(static_cast<size_t>(r.bottom - r.top));
  for (int y = r.top; y < r.bottom; ++y) {
    auto& row = rows[size_t(y - r.top)];
    bool edge = y == r.top || y == r.bottom - 1;
    for (int x = r.left; x < r.right; ++x) {
      bool onFrame = edge || x == r.left || x == r.right - 1;
      if (onFrame && ((x + y) & 1) == 0) row.push_back(Span{x, x + 1});
    }
  }
  dots = Region::FromRows(r.top, rows);
  FillRegionRop(*dc, dots, nullptr, 0x55);
  return TRUE;
}

COLORREF SetPixel(HDC h, int x, int y, COLORREF colour) {
  auto dc = LookupDc(h);
  if (!dc) return CLR_INVALID;
  Surface* s = dc->GetSurface();
  POINT p = dc->ToSurface(x, y);
  if (!s || !dc->EffectiveClip().Contains(p.x, p.y)) return CLR_INVALID;
  s->SetPixel(p.x, p.y, ColorToPixel(colour));
  return PixelToColor(s->GetPixel(p.x, p.y)) & 0x00FFFFFF;
}

BOOL SetPixelV(HDC h, int x, int y, COLORREF colour) {
  return SetPixel(h, x, y, colour) != CLR_INVALID;
}

COLORREF GetPixel(HDC h, int x, int y) {
  auto dc = LookupDc(h);
  if (!dc) return CLR_INVALID;
  Surface* s = dc->GetSurface();
  POINT p = dc->ToSurface(x, y);
  if (!s || !dc->EffectiveClip().Contains(p.x, p.y)) return CLR_INVALID;
  return PixelToColor(s->GetPixel(p.x, p.y)) & 0x00FFFFFF;
}

namespace {
bool RegionToSurface(DeviceContext& dc, HRGN h, Region& out) {
  auto rgn = LookupAs<RegionObject>(h, OBJ_REGION);
  if (!rgn) return false;
  out = rgn->m_region;
  POINT off = dc.LogicalOffset();
  out.Offset(off.x, off.y);
  return true;
}
}  // namespace

BOOL FillRgn(HDC h, HRGN rgnHandle, HBRUSH brushHandle) {
  auto dc = LookupDc(h);
  auto brush = ResolveBrush(brushHandle);
  Region r;
  if (!dc || !brush || !RegionToSurface(*dc, rgnHandle, r)) return FALSE;
  FillRegionRop(*dc, r, brush.get(), 0xF0);
  return TRUE;
}

BOOL PaintRgn(HDC h, HRGN rgnHandle) {
  auto dc = LookupDc(h);
  Region r;
  if (!dc || !RegionToSurface(*dc, rgnHandle, r)) return FALSE;
  if (dc->m_state.brush) FillRegionBrush2(*dc, r, *dc->m_state.brush, dc->m_state.rop2);
  return TRUE;
}

BOOL InvertRgn(HDC h, HRGN rgnHandle) {
  auto dc = LookupDc(h);
  Region r;
  if (!dc || !RegionToSurface(*dc, rgnHandle, r)) return FALSE;
  FillRegionRop(*dc, r, nullptr, 0x55);
  return TRUE;
}

BOOL FrameRgn(HDC h, HRGN rgnHandle, HBRUSH brushHandle, int width, int height) {
  auto dc = LookupDc(h);
  auto brush = ResolveBrush(brushHandle);
  Region r;
  if (!dc || !brush || width < 0 || height < 0 || !RegionToSurface(*dc, rgnHandle, r)) return FALSE;
  // The frame is the part of the region closer than width (height) to its outside: the region
  // minus the region eroded by moving it left, right, up and down.
  Region inner = r;
  for (int d : {width, -width}) {
    Region m = r;
    m.Offset(d, 0);
    inner = Region::Combine(inner, m, RGN_AND);
  }
  for (int d : {height, -height}) {
    Region m = r;
    m.Offset(0, d);
    inner = Region::Combine(inner, m, RGN_AND);
  }
  FillRegionRop(*dc, Region::Combine(r, inner, RGN_DIFF), brush.get(), 0xF0);
  return TRUE;
}
