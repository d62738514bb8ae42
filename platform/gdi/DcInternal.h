// The inside of the drawing layer, shared by its parts (drawing, blits, text, window painting):
// surfaces, regions, the GDI object table, and a device context's state. Code outside
// platform/ uses Gdi.h only.
//
// Coordinates. A DC draws into a Surface. Logical coordinates become device coordinates by
// device = logical - window origin + viewport origin (MM_TEXT only); device coordinates become
// surface coordinates by adding the DC's origin (a window DC's client offset in its top-level
// surface; 0 for a memory DC). Clip regions the program selects are in device coordinates, as in
// Win32; the DC keeps the effective clip (the program's clip meets the DC's visible region, both
// in surface coordinates) up to date, so drawing code clips against one region.
//
// Text output uses this header so: a font is a class derived from GdiObject with type OBJ_FONT,
// registered with AllocHandle, answering GetObject through GetInfo; SelectObject keeps it in
// DcState::font (SaveDC/RestoreDC and deferred deletion come with that). Stock fonts come from
// the maker given to SetStockFontMaker. To draw, look the DC up (LookupDc), turn the logical
// position into surface coordinates (ToSurface), paint an opaque cell with FillSurfaceRect in
// ColorToPixel(m_state.bkColour) when m_state.bkMode is OPAQUE, and lay glyph coverage with
// BlendCoverage in m_state.textColour; both clip to the DC. DrawState's text kinds call the
// hooks given to SetDrawStateTextHooks.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace gdi {

// ---- pixels: 32-bit B, G, R, A in memory, so 0xAARRGGBB as a little-endian word.
inline uint32_t ColorToPixel(COLORREF c) {
  return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
inline COLORREF PixelToColor(uint32_t p) {
  return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

// A pixel buffer of 1, 4, 8, 16, 24 or 32 bits per pixel, top-down or bottom-up, owned or a
// view over the caller's memory. Drawing works on rows converted to 32-bit pixels: LoadRow and
// StoreRow convert, and Row32 gives direct access when the format is already 32-bit.
class Surface {
 public:
  Surface() = default;
  // Allocates zeroed storage; stride = rows aligned to `alignBytes` (2 for device-dependent
  // bitmaps, 4 for DIBs). Returns false when the size is unreasonable or memory is short.
  bool Allocate(int width, int height, int bitsPerPixel, int alignBytes, bool bottomUp);
  // A view over memory the caller keeps alive.
  void Attach(uint8_t* bits, int width, int height, int bitsPerPixel, int stride, bool bottomUp);

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  int Bpp() const { return m_bpp; }
  int Stride() const { return m_stride; }
  bool BottomUp() const { return m_bottomUp; }
  uint8_t* Bits() const { return m_bits; }
  size_t ByteSize() const { return size_t(m_stride) * size_t(m_height); }
  bool Valid() const { return m_bits != nullptr && m_width > 0 && m_height > 0; }

  uint8_t* RowPtr(int y) const {
    return m_bits + size_t(m_bottomUp ? m_height - 1 - y : y) * size_t(m_stride);
  }
  uint32_t* Row32(int y) const { return reinterpret_cast<uint32_t*>(RowPtr(y)); }
  bool Is32() const { return m_bpp == 32; }

  // Colour table of indexed formats (1, 4, 8 bits) as 32-bit pixels; a monochrome bitmap has
  // black, white.
  std::vector<uint32_t> m_palette;

  void LoadRow(int y, int x, int count, uint32_t* out) const;
  void StoreRow(int y, int x, int count, const uint32_t* in);
  uint32_t GetPixel(int x, int y) const;
  void SetPixel(int x, int y, uint32_t p);
  // The palette index nearest a pixel (indexed formats).
  int NearestIndex(uint32_t p) const;

 private:
  std::vector<uint8_t> m_owned;
  uint8_t* m_bits = nullptr;
  int m_width = 0;
  int m_height = 0;
  int m_bpp = 32;
  int m_stride = 0;
  bool m_bottomUp = false;
};

// ---- regions: y-sorted bands of x-sorted, non-touching spans, half-open on both axes.
struct Span {
  int x0;
  int x1;
};
struct Band {
  int y0;
  int y1;
  std::vector<Span> spans;
};

class Region {
 public:
  Region() = default;
  explicit Region(const RECT& rc) { SetRect(rc); }
  void SetEmpty() { m_bands.clear(); }
  void SetRect(const RECT& rc);
  bool Empty() const { return m_bands.empty(); }
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int Kind() const;
  RECT Box() const;
  bool Contains(int x, int y) const;
  bool Intersects(const RECT& rc) const;
  void Offset(int dx, int dy);
  bool operator==(const Region& o) const;
  // dst = a op b for RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF.
  static Region Combine(const Region& a, const Region& b, int mode);
  Region Intersect(const RECT& rc) const { return Combine(*this, Region(rc), RGN_AND); }
  // Builds a region from per-row spans (rows y0 .. y0 + rows.size() - 1); spans in any order.
  static Region FromRows(int y0, const std::vector<std::vector<Span>>& rows);
  static Region Polygon(const POINT* pts, const int* counts, int polygons, int fillMode);
  static Region Ellipse(const RECT& rc);
  static Region RoundRect(const RECT& rc, int ew, int eh);
  const std::vector<Band>& Bands() const { return m_bands; }
  std::vector<Band>& MutableBands() { return m_bands; }
  void Normalize();

 private:
  std::vector<Band> m_bands;
};

// ---- the GDI object table. Every object (pen, brush, bitmap, region, font, DC, icon) is a
// GdiObject behind a handle; the text part adds its font class by deriving from GdiObject.
class GdiObject {
 public:
  explicit GdiObject(DWORD type) : m_type(type) {}
  virtual ~GdiObject() = default;
  DWORD Type() const { return m_type; }
  // GetObject's answer for this object; returns the bytes written, or the size needed when out
  // is null, or 0 on failure.
  virtual int GetInfo(int size, void* out) const { return 0; }

  bool m_stock = false;
  // How many DCs have the object selected, and whether DeleteObject came while it was.
  int m_selectCount = 0;
  bool m_deletePending = false;
  HGDIOBJ m_handle = nullptr;

 private:
  DWORD m_type;
};

// Icons share the table; their type is OBJ_ICON (not a GDI type: GetObjectType says 0).
constexpr DWORD OBJ_ICON_INTERNAL = 0x100;

HGDIOBJ AllocHandle(std::shared_ptr<GdiObject> obj);
std::shared_ptr<GdiObject> Lookup(HGDIOBJ h);
template <typename T>
std::shared_ptr<T> LookupAs(HGDIOBJ h, DWORD type) {
  auto o = Lookup(h);
  if (!o || o->Type() != type) return nullptr;
  return std::static_pointer_cast<T>(o);
}
// Removes the handle from the table (the object lives on while anything holds it).
void FreeHandle(HGDIOBJ h);
class BitmapObject;
std::shared_ptr<GdiObject> StockObject(int index);
std::shared_ptr<BitmapObject> StockBitmap();
// A DC stopped using the object; a deferred DeleteObject takes effect when no DC uses it.
void Deselected(GdiObject* obj);

class PenObject : public GdiObject {
 public:
  PenObject() : GdiObject(OBJ_PEN) {}
  int GetInfo(int size, void* out) const override;
  int m_style = PS_SOLID;
  int m_width = 1;
  COLORREF m_colour = 0;
};

class BitmapObject;

class BrushObject : public GdiObject {
 public:
  BrushObject() : GdiObject(OBJ_BRUSH) {}
  int GetInfo(int size, void* out) const override;
  UINT m_style = BS_SOLID;
  COLORREF m_colour = 0;
  int m_hatch = 0;
  // Pattern brushes keep a copy of the bitmap's pixels, as Win32 does, and whether the
  // pattern was monochrome (then it takes the DC's text and background colours).
  std::shared_ptr<Surface> m_pattern;
  bool m_monoPattern = false;
  HBITMAP m_patternHandle = nullptr;
};

class BitmapObject : public GdiObject {
 public:
  BitmapObject() : GdiObject(OBJ_BITMAP) {}
  int GetInfo(int size, void* out) const override;
  Surface m_surface;
  bool m_isDib = false;
  BITMAPINFOHEADER m_dibHeader{};
  // The DC the bitmap is selected into, if any: a bitmap lives in one DC at a time.
  HDC m_selectedIn = nullptr;
};

class RegionObject : public GdiObject {
 public:
  RegionObject() : GdiObject(OBJ_REGION) {}
  Region m_region;
};

// ---- device contexts
class DeviceContext;

// What SaveDC keeps and RestoreDC puts back.
struct DcState {
  std::shared_ptr<PenObject> pen;
  std::shared_ptr<BrushObject> brush;
  std::shared_ptr<BitmapObject> bitmap;  // memory DCs
  std::shared_ptr<GdiObject> font;       // owned by the text part
  COLORREF textColour = RGB(0, 0, 0);
  COLORREF bkColour = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int stretchMode = BLACKONWHITE;
  int polyFillMode = ALTERNATE;
  int graphicsMode = GM_COMPATIBLE;
  POINT windowOrg{0, 0};
  POINT viewportOrg{0, 0};
  POINT brushOrg{0, 0};
  POINT currentPos{0, 0};
  COLORREF dcBrushColour = RGB(255, 255, 255);
  COLORREF dcPenColour = RGB(0, 0, 0);
  // The program's clip region in device coordinates; absent means no clipping beyond the
  // visible region.
  std::shared_ptr<Region> clip;
  // Text state, kept here so that SaveDC/RestoreDC covers it; the text part gives it meaning.
  UINT textAlign = 0;
  int textCharExtra = 0;
};

class DeviceContext : public GdiObject {
 public:
  explicit DeviceContext(DWORD type) : GdiObject(type) {}

  // The surface the DC draws into: the selected bitmap's for a memory DC, the window
  // surface for others.
  Surface* GetSurface() const;
  // Recomputes the effective clip after the clip, the visible region, or the bitmap changed.
  void UpdateClip();
  const Region& EffectiveClip() const { return m_effectiveClip; }
  // Logical point to surface coordinates.
  POINT ToSurface(int x, int y) const {
    return POINT{x - m_state.windowOrg.x + m_state.viewportOrg.x + m_origin.x,
                 y - m_state.windowOrg.y + m_state.viewportOrg.y + m_origin.y};
  }
  // Offset from logical to surface coordinates.
  POINT LogicalOffset() const {
    return POINT{-m_state.windowOrg.x + m_state.viewportOrg.x + m_origin.x,
                 -m_state.windowOrg.y + m_state.viewportOrg.y + m_origin.y};
  }

  DcState m_state;
  std::vector<DcState> m_saved;
  // Non-memory DCs: the surface, the origin of device (0, 0) in it, and the visible region in
  // surface coordinates (null = the whole surface).
  std::shared_ptr<Surface> m_windowSurface;
  POINT m_origin{0, 0};
  std::shared_ptr<Region> m_visible;
  // The region drawing is limited to, in surface coordinates (see UpdateClip).
  Region m_effectiveClip;
  bool m_isMemory = true;
};

std::shared_ptr<DeviceContext> LookupDc(HDC dc);

// Creates a DC drawing into `surface` with device (0, 0) at `origin` in it, clipped to
// `visible` (surface coordinates; null = the whole surface). The window layer makes window,
// client and paint DCs with it; DeleteDC releases them.
HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, POINT origin,
                    std::shared_ptr<Region> visible);
// Changes a surface DC's visible region and origin (the window moved or was covered).
void SetSurfaceDCVisible(HDC dc, POINT origin, std::shared_ptr<Region> visible);

// The screen size the display reports (HORZRES, VERTRES, SM_CXSCREEN, SM_CYSCREEN); the
// display layer sets it at start-up.
void SetScreenSize(int width, int height);
SIZE GetScreenSize();

// A hook through which the text part makes the stock fonts (SYSTEM_FONT, DEFAULT_GUI_FONT ...)
// the first time GetStockObject asks for one. Without it those stock entries are null.
using StockFontMaker = std::shared_ptr<GdiObject> (*)(int stockIndex);
void SetStockFontMaker(StockFontMaker maker);

// Hooks through which the text part serves DrawState's DST_TEXT and DST_PREFIXTEXT kinds:
// `draw` writes the text with its top-left at logical (x, y) in the DC's text colour with a
// transparent background (flags: DrawState's DSS_HIDEPREFIX/DSS_PREFIXONLY and the kind), and
// `measure` gives the size the text takes. Without them DrawState fails for text.
struct DrawStateTextHooks {
  BOOL (*draw)(HDC dc, LPCSTR text, int length, int x, int y, UINT flags) = nullptr;
  SIZE (*measure)(HDC dc, LPCSTR text, int length) = nullptr;
};
void SetDrawStateTextHooks(const DrawStateTextHooks& hooks);

// ---- drawing services for the other parts of the layer. All take surface coordinates and
// clip to the DC's effective clip.

// Fills a rectangle with a colour (the opaque text background).
void FillSurfaceRect(DeviceContext& dc, const RECT& rc, uint32_t pixel);
// Blends `colour` over the surface through an 8-bit coverage map (glyph coverage): each pixel
// becomes dst + (colour - dst) * coverage / 255. The map's top-left lands on (x, y).
void BlendCoverage(DeviceContext& dc, int x, int y, int width, int height, const uint8_t* coverage,
                   int pitch, COLORREF colour);
// Fills a region (surface coordinates) with the DC's ROP2 and a brush.
void FillRegionWithBrush(DeviceContext& dc, const Region& rgn, const BrushObject& brush);

// Calls f(y, x0, x1) for every clip span row segment inside rc (surface coordinates).
template <typename F>
void ForEachSpan(const Region& clip, const RECT& rc, F&& f) {
  if (rc.left >= rc.right || rc.top >= rc.bottom) return;
  for (const Band& b : clip.Bands()) {
    if (b.y1 <= rc.top) continue;
    if (b.y0 >= rc.bottom) break;
    int y0 = b.y0 > rc.top ? b.y0 : rc.top;
    int y1 = b.y1 < rc.bottom ? b.y1 : rc.bottom;
    for (const Span& s : b.spans) {
      if (s.x1 <= rc.left) continue;
      if (s.x0 >= rc.right) break;
      int x0 = s.x0 > rc.left ? s.x0 : rc.left;
      int x1 = s.x1 < rc.right ? s.x1 : rc.right;
      for (int y = y0; y < y1; ++y) f(y, x0, x1);
    }
  }
}

// Calls f(x0, y0, x1, y1) for every rectangle of the clip region inside rc: each span of a band
// with the band's rows, so that whole rectangles can be handed to block operations.
template <typename F>
void ForEachClipRect(const Region& clip, const RECT& rc, F&& f) {
  if (rc.left >= rc.right || rc.top >= rc.bottom) return;
  for (const Band& b : clip.Bands()) {
    if (b.y1 <= rc.top) continue;
    if (b.y0 >= rc.bottom) break;
    int y0 = b.y0 > rc.top ? b.y0 : rc.top;
    int y1 = b.y1 < rc.bottom ? b.y1 : rc.bottom;
    for (const Span& s : b.spans) {
      if (s.x1 <= rc.left) continue;
      if (s.x0 >= rc.right) break;
      f(s.x0 > rc.left ? s.x0 : rc.left, y0, s.x1 < rc.right ? s.x1 : rc.right, y1);
    }
  }
}

// Calls fn(pixels, count) on a row segment of any surface format: in place for 32-bit surfaces,
// through a converted copy for the others.
template <typename F>
void WithRow(Surface& s, int y, int x0, int n, F&& fn) {
  if (s.Is32()) {
    fn(s.Row32(y) + x0, n);
    return;
  }
  thread_local std::vector<uint32_t> buf;
  if (buf.size() < size_t(n)) buf.resize(size_t(n));
  s.LoadRow(y, x0, n, buf.data());
  fn(buf.data(), n);
  s.StoreRow(y, x0, n, buf.data());
}

// The brush's pixels for a row segment at surface (x0 .. x0 + n, y). When `opaque` is given, it
// receives 0 for pixels a hatch brush leaves alone in TRANSPARENT mode, else 1.
void BrushRow(const DeviceContext& dc, const BrushObject& brush, int y, int x0, int n,
              uint32_t* out, uint8_t* opaque);
// A brush handle, or a system colour index + 1 in its place, as FillRect accepts.
std::shared_ptr<BrushObject> ResolveBrush(HBRUSH h);
// Fills a region (surface coordinates, already clipped or not) with a brush and a ternary
// code applied as pattern-with-destination (PATCOPY 0xF0, PATINVERT 0x5A, DSTINVERT 0x55 ...).
void FillRegionRop(DeviceContext& dc, const Region& rgn, const BrushObject* brush, uint8_t rop3);
// Fills a rectangle (surface coordinates) likewise.
void FillRectRop(DeviceContext& dc, const RECT& rc, const BrushObject* brush, uint8_t rop3);

// ---- raster operation evaluation
// The ternary ROP code (bits 16-23 of a raster operation) on 32-bit values.
inline uint32_t Rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
  uint32_t r = 0;
  if (code & 0x01) r |= ~p & ~s & ~d;
  if (code & 0x02) r |= ~p & ~s & d;
  if (code & 0x04) r |= ~p & s & ~d;
  if (code & 0x08) r |= ~p & s & d;
  if (code & 0x10) r |= p & ~s & ~d;
  if (code & 0x20) r |= p & ~s & d;
  if (code & 0x40) r |= p & s & ~d;
  if (code & 0x80) r |= p & s & d;
  return r;
}
// The binary mix of a pen or brush with the destination (R2_ codes 1-16).
inline uint32_t Rop2(int code, uint32_t p, uint32_t d) {
  unsigned t = unsigned(code - 1) & 15u;
  uint32_t r = 0;
  if (t & 1) r |= ~p & ~d;
  if (t & 2) r |= ~p & d;
  if (t & 4) r |= p & ~d;
  if (t & 8) r |= p & d;
  return r;
}

}  // namespace gdi
