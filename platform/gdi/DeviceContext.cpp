// Device contexts: creation over bitmaps and surfaces, their state (colours, modes, origins),
// SelectObject, SaveDC/RestoreDC, clipping, the region handles, and the device capabilities.
#include <algorithm>
#include <mutex>

#include "platform/base/WinError.h"
#include "platform/gdi/DcInternal.h"

namespace gdi {

namespace {
std::mutex g_screenMutex;
SIZE g_screen{1024, 768};

void Select(GdiObject* oldObj, GdiObject* newObj) {
  if (oldObj == newObj) return;
  if (newObj && !newObj->m_stock) ++newObj->m_selectCount;
  Deselected(oldObj);
}

DcState DefaultState() {
  DcState s;
  s.pen = std::static_pointer_cast<PenObject>(StockObject(BLACK_PEN));
  s.brush = std::static_pointer_cast<BrushObject>(StockObject(WHITE_BRUSH));
  s.font = StockObject(SYSTEM_FONT);
  return s;
}

void TakeState(DeviceContext& dc, DcState&& next) {
  DcState& cur = dc.m_state;
  Select(cur.pen.get(), next.pen.get());
  Select(cur.brush.get(), next.brush.get());
  Select(cur.font.get(), next.font.get());
  if (cur.bitmap != next.bitmap) {
    if (cur.bitmap && !cur.bitmap->m_stock) cur.bitmap->m_selectedIn = nullptr;
    if (next.bitmap && !next.bitmap->m_stock) next.bitmap->m_selectedIn = static_cast<HDC>(dc.m_handle);
  }
  cur = std::move(next);
}

HDC NewDc(std::shared_ptr<DeviceContext> dc) {
  DcState s = DefaultState();
  if (dc->m_isMemory) s.bitmap = StockBitmap();
  dc->m_state = std::move(s);
  HDC h = static_cast<HDC>(AllocHandle(dc));
  dc->UpdateClip();
  return h;
}

}  // namespace

void SetScreenSize(int width, int height) {
  std::lock_guard<std::mutex> lock(g_screenMutex);
  if (width > 0 && height > 0) g_screen = SIZE{width, height};
}

SIZE GetScreenSize() {
  std::lock_guard<std::mutex> lock(g_screenMutex);
  return g_screen;
}

std::shared_ptr<DeviceContext> LookupDc(HDC h) {
  auto obj = Lookup(h);
  if (!obj || (obj->Type() != OBJ_DC && obj->Type() != OBJ_MEMDC)) return nullptr;
  // The reference found is handed on, not copied: every blit looks up two DCs.
  return std::static_pointer_cast<DeviceContext>(std::move(obj));
}

Surface* DeviceContext::GetSurface() const {
  if (m_isMemory) return m_state.bitmap ? &m_state.bitmap->m_surface : nullptr;
  return m_windowSurface.get();
}

void DeviceContext::UpdateClip() {
  Surface* s = GetSurface();
  if (!s || !s->Valid()) {
    m_effectiveClip.SetEmpty();
    return;
  }
  Region base(RECT{0, 0, s->Width(), s->Height()});
  if (m_visible) base = Region::Combine(base, *m_visible, RGN_AND);
  if (m_state.clip) {
    Region c = *m_state.clip;
    c.Offset(m_origin.x, m_origin.y);
    base = Region::Combine(base, c, RGN_AND);
  }
  m_effectiveClip = std::move(base);
}

HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, POINT origin,
                    std::shared_ptr<Region> visible) {
  auto dc = std::make_shared<DeviceContext>(OBJ_DC);
  dc->m_isMemory = false;
  dc->m_windowSurface = std::move(surface);
  dc->m_origin = origin;
  dc->m_visible = std::move(visible);
  return NewDc(dc);
}

void SetSurfaceDCVisible(HDC h, POINT origin, std::shared_ptr<Region> visible) {
  auto dc = LookupDc(h);
  if (!dc || dc->m_isMemory) return;
  dc->m_origin = origin;
  dc->m_visible = std::move(visible);
  dc->UpdateClip();
}

}  // namespace gdi

using namespace gdi;

HDC CreateCompatibleDC(HDC h) {
  if (h && !LookupDc(h)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto dc = std::make_shared<DeviceContext>(OBJ_MEMDC);
  dc->m_isMemory = true;
  return NewDc(dc);
}

BOOL DeleteDC(HDC h) {
  auto dc = LookupDc(h);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  DcState empty;
  TakeState(*dc, std::move(empty));
  dc->m_saved.clear();
  FreeHandle(h);
  return TRUE;
}

int SaveDC(HDC h) {
  auto dc = LookupDc(h);
  if (!dc) return 0;
  DcState copy = dc->m_state;
  if (copy.clip) copy.clip = std::make_shared<Region>(*copy.clip);
  dc->m_saved.push_back(std::move(copy));
  return int(dc->m_saved.size());
}

BOOL RestoreDC(HDC h, int saved) {
  auto dc = LookupDc(h);
  if (!dc) return FALSE;
  int depth = int(dc->m_saved.size());
  // A negative value counts back from the most recent save; a positive one names a level.
  int level = saved < 0 ? depth + 1 + saved : saved;
  if (level < 1 || level > depth) return FALSE;
  DcState state = std::move(dc->m_saved[size_t(level - 1)]);
  dc->m_saved.resize(size_t(level - 1));
  TakeState(*dc, std::move(state));
  dc->UpdateClip();
  return TRUE;
}

HGDIOBJ SelectObject(HDC h, HGDIOBJ objHandle) {
  auto dc = LookupDc(h);
  auto obj = Lookup(objHandle);
  if (!dc || !obj) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  DcState& s = dc->m_state;
  switch (obj->Type()) {
    case OBJ_PEN: {
      auto old = s.pen;
      Select(old.get(), obj.get());
      s.pen = std::static_pointer_cast<PenObject>(obj);
      return old ? old->m_handle : nullptr;
    }
    case OBJ_BRUSH: {
      auto old = s.brush;
      Select(old.get(), obj.get());
      s.brush = std::static_pointer_cast<BrushObject>(obj);
      return old ? old->m_handle : nullptr;
    }
    case OBJ_FONT: {
      auto old = s.font;
      Select(old.get(), obj.get());
      s.font = obj;
      return old ? old->m_handle : nullptr;
    }
    case OBJ_BITMAP: {
      auto bmp = std::static_pointer_cast<BitmapObject>(obj);
      // Bitmaps go into memory DCs only, and into one DC at a time.
      if (!dc->m_isMemory) return nullptr;
      if (bmp == s.bitmap) return bmp->m_handle;
      if (!bmp->m_stock && bmp->m_selectedIn) return nullptr;
      auto old = s.bitmap;
      if (old && !old->m_stock) old->m_selectedIn = nullptr;
      if (!bmp->m_stock) bmp->m_selectedIn = h;
      s.bitmap = bmp;
      dc->UpdateClip();
      return old ? old->m_handle : nullptr;
    }
    case OBJ_REGION:
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(SelectClipRgn(h, static_cast<HRGN>(objHandle))));
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC h, UINT type) {
  auto dc = LookupDc(h);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN: return dc->m_state.pen ? dc->m_state.pen->m_handle : nullptr;
    case OBJ_BRUSH: return dc->m_state.brush ? dc->m_state.brush->m_handle : nullptr;
    case OBJ_FONT: return dc->m_state.font ? dc->m_state.font->m_handle : nullptr;
    case OBJ_BITMAP: return dc->m_state.bitmap ? dc->m_state.bitmap->m_handle : nullptr;
    default: return nullptr;
  }
}

// ---- colours and modes
COLORREF SetBkColor(HDC h, COLORREF c) {
  auto dc = LookupDc(h);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->m_state.bkColour;
  dc->m_state.bkColour = c & 0x00FFFFFF;
  return old;
}
COLORREF GetBkColor(HDC h) {
  auto dc = LookupDc(h);
  return dc ? dc->m_state.bkColour : CLR_INVALID;
}
COLORREF SetTextColor(HDC h, COLORREF c) {
  auto dc = LookupDc(h);
  if (!dc) return CLR_INVALID;
  COLORREF old = dc->m_state.textColour;
  dc->m_state.textColour = c & 0x00FFFFFF;
  return old;
}
COLORREF GetTextColor(HDC h) {
  auto dc = LookupDc(h);
  return dc ? dc->m_state.textColour : CLR_INVALID;
}

namespace {
// Sets one of the DC's mode fields when the new value is valid; the old value, or 0 for a bad
// DC or value, as the Set...Mode calls answer.
int SwapMode(HDC h, int DcState::*field, int mode, bool valid) {
  auto dc = LookupDc(h);
  if (!dc || !valid) return 0;
  int old = dc->m_state.*field;
  dc->m_state.*field = mode;
  return old;
}
int ReadMode(HDC h, int DcState::*field) {
  auto dc = LookupDc(h);
  return dc ? dc->m_state.*field : 0;
}
}  // namespace

int SetBkMode(HDC h, int mode) {
  return SwapMode(h, &DcState::bkMode, mode, mode == TRANSPARENT || mode == OPAQUE);
}
int GetBkMode(HDC h) { return ReadMode(h, &DcState::bkMode); }
int SetROP2(HDC h, int rop) { return SwapMode(h, &DcState::rop2, rop, rop >= R2_BLACK && rop <= R2_WHITE); }
int GetROP2(HDC h) { return ReadMode(h, &DcState::rop2); }
int SetStretchBltMode(HDC h, int mode) {
  return SwapMode(h, &DcState::stretchMode, mode, mode >= BLACKONWHITE && mode <= HALFTONE);
}
int GetStretchBltMode(HDC h) { return ReadMode(h, &DcState::stretchMode); }
int SetPolyFillMode(HDC h, int mode) {
  return SwapMode(h, &DcState::polyFillMode, mode, mode == ALTERNATE || mode == WINDING);
}
int GetPolyFillMode(HDC h) { return ReadMode(h, &DcState::polyFillMode); }
// The advanced graphics mode is accepted and kept; no world transform is offered, so both modes
// draw alike.
int SetGraphicsMode(HDC h, int mode) {
  return SwapMode(h, &DcState::graphicsMode, mode, mode == GM_COMPATIBLE || mode == GM_ADVANCED);
}
int GetGraphicsMode(HDC h) { return ReadMode(h, &DcState::graphicsMode); }
// Only MM_TEXT exists here: one logical unit is one pixel.
int SetMapMode(HDC h, int mode) {
  auto dc = LookupDc(h);
  if (!dc || mode != MM_TEXT) return 0;
  return MM_TEXT;
}
int GetMapMode(HDC h) { return LookupDc(h) ? MM_TEXT : 0; }

BOOL SetBrushOrgEx(HDC h, int x, int y, LPPOINT old) {
  auto dc = LookupDc(h);
  if (!dc) return FALSE;
  if (old) *old = dc->m_state.brushOrg;
  dc->m_state.brushOrg = POINT{x, y};
  return TRUE;
}
BOOL GetBrushOrgEx(HDC h, LPPOINT org) {
  auto dc = LookupDc(h);
  if (!dc || !org) return FALSE;
  *org = dc->m_state.brushOrg;
  return TRUE;
}

// ---- origins
namespace {
BOOL SetPoint(HDC h, POINT DcState::*field, int x, int y, LPPOINT old, bool relative) {
  auto dc = LookupDc(h);
  if (!dc) return FALSE;
  POINT& p = dc->m_state.*field;
  if (old) *old = p;
  if (relative) {
    p.x += x;
    p.y += y;
  } else {
    p = POINT{x, y};
  }
  return TRUE;
}
BOOL GetPoint(HDC h, POINT DcState::*field, LPPOINT out) {
  auto dc = LookupDc(h);
  if (!dc || !out) return FALSE;
  *out = dc->m_state.*field;
  return TRUE;
}
}  // namespace

BOOL SetWindowOrgEx(HDC h, int x, int y, LPPOINT old) {
  return SetPoint(h, &DcState::windowOrg, x, y, old, false);
}
BOOL GetWindowOrgEx(HDC h, LPPOINT org) { return GetPoint(h, &DcState::windowOrg, org); }
BOOL OffsetWindowOrgEx(HDC h, int dx, int dy, LPPOINT old) {
  return SetPoint(h, &DcState::windowOrg, dx, dy, old, true);
}
BOOL SetViewportOrgEx(HDC h, int x, int y, LPPOINT old) {
  return SetPoint(h, &DcState::viewportOrg, x, y, old, false);
}
BOOL GetViewportOrgEx(HDC h, LPPOINT org) { return GetPoint(h, &DcState::viewportOrg, org); }
BOOL OffsetViewportOrgEx(HDC h, int dx, int dy, LPPOINT old) {
  return SetPoint(h, &DcState::viewportOrg, dx, dy, old, true);
}

BOOL LPtoDP(HDC h, LPPOINT pts, int count) {
  auto dc = LookupDc(h);
  if (!dc || (!pts && count > 0) || count < 0) return FALSE;
  int dx = dc->m_state.viewportOrg.x - dc->m_state.windowOrg.x;
  int dy = dc->m_state.viewportOrg.y - dc->m_state.windowOrg.y;
  for (int i = 0; i < count; ++i) {
    pts[i].x += dx;
    pts[i].y += dy;
  }
  return TRUE;
}

BOOL DPtoLP(HDC h, LPPOINT pts, int count) {
  auto dc = LookupDc(h);
  if (!dc || (!pts && count > 0) || count < 0) return FALSE;
  int dx = dc->m_state.viewportOrg.x - dc->m_state.windowOrg.x;
  int dy = dc->m_state.viewportOrg.y - dc->m_state.windowOrg.y;
  for (int i = 0; i < count; ++i) {
    pts[i].x -= dx;
    pts[i].y -= dy;
  }
  return TRUE;
}

// ---- region handles
namespace {
HRGN NewRegion(Region r) {
  auto obj = std::make_shared<RegionObject>();
  obj->m_region = std::move(r);
  return static_cast<HRGN>(AllocHandle(obj));
}
std::shared_ptr<RegionObject> LookupRgn(HRGN h) {
  return LookupAs<RegionObject>(h, OBJ_REGION);
}
RECT Ordered(int l, int t, int r, int b) {
  return RECT{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}
}  // namespace

HRGN CreateRectRgn(int l, int t, int r, int b) { return NewRegion(Region(Ordered(l, t, r, b))); }
HRGN CreateRectRgnIndirect(const RECT* rc) {
  if (!rc) return nullptr;
  return CreateRectRgn(rc->left, rc->top, rc->right, rc->bottom);
}
HRGN CreateEllipticRgn(int l, int t, int r, int b) {
  return NewRegion(Region::Ellipse(RECT{l, t, r, b}));
}
HRGN CreateEllipticRgnIndirect(const RECT* rc) {
  if (!rc) return nullptr;
  return CreateEllipticRgn(rc->left, rc->top, rc->right, rc->bottom);
}
HRGN CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) {
  return NewRegion(Region::RoundRect(RECT{l, t, r, b}, w, h));
}
HRGN CreatePolygonRgn(const POINT* pts, int count, int mode) {
  if (!pts || count < 2 || (mode != ALTERNATE && mode != WINDING)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return NewRegion(Region::Polygon(pts, &count, 1, mode));
}

int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode) {
  auto d = LookupRgn(dst);
  auto a = LookupRgn(src1);
  if (!d || !a || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (mode == RGN_COPY) {
    d->m_region = a->m_region;
    return d->m_region.Kind();
  }
  auto b = LookupRgn(src2);
  if (!b) return ERROR;
  d->m_region = Region::Combine(a->m_region, b->m_region, mode);
  return d->m_region.Kind();
}

BOOL SetRectRgn(HRGN h, int l, int t, int r, int b) {
  auto rgn = LookupRgn(h);
  if (!rgn) return FALSE;
  rgn->m_region.SetRect(Ordered(l, t, r, b));
  return TRUE;
}

BOOL PtInRegion(HRGN h, int x, int y) {
  auto rgn = LookupRgn(h);
  return rgn && rgn->m_region.Contains(x, y);
}

BOOL RectInRegion(HRGN h, const RECT* rc) {
  auto rgn = LookupRgn(h);
  if (!rgn || !rc) return FALSE;
  return rgn->m_region.Intersects(Ordered(rc->left, rc->top, rc->right, rc->bottom));
}

int OffsetRgn(HRGN h, int dx, int dy) {
  auto rgn = LookupRgn(h);
  if (!rgn) return ERROR;
  rgn->m_region.Offset(dx, dy);
  return rgn->m_region.Kind();
}

int GetRgnBox(HRGN h, LPRECT rc) {
  auto rgn = LookupRgn(h);
  if (!rgn || !rc) return ERROR;
  *rc = rgn->m_region.Box();
  return rgn->m_region.Kind();
}

BOOL EqualRgn(HRGN a, HRGN b) {
  auto ra = LookupRgn(a);
  auto rb = LookupRgn(b);
  if (!ra || !rb) return ERROR;
  return ra->m_region == rb->m_region;
}

// ---- clipping
namespace {

// The whole drawing area in device coordinates: what "no clip region" stands for.
Region WholeDevice(const DeviceContext& dc) {
  Surface* s = dc.GetSurface();
  if (!s) return Region();
  Region r(RECT{0, 0, s->Width(), s->Height()});
  if (dc.m_visible) r = Region::Combine(r, *dc.m_visible, RGN_AND);
  r.Offset(-dc.m_origin.x, -dc.m_origin.y);
  return r;
}

int Finish(DeviceContext& dc) {
  dc.UpdateClip();
  return dc.EffectiveClip().Kind();
}

}  // namespace

int ExtSelectClipRgn(HDC h, HRGN rgnHandle, int mode) {
  auto dc = LookupDc(h);
  if (!dc || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  auto rgn = LookupRgn(rgnHandle);
  if (!rgn) {
    // Only RGN_COPY accepts no region: it removes the clip region.
    if (rgnHandle || mode != RGN_COPY) return ERROR;
    dc->m_state.clip.reset();
    return Finish(*dc);
  }
  if (mode == RGN_COPY) {
    dc->m_state.clip = std::make_shared<Region>(rgn->m_region);
  } else {
    Region current = dc->m_state.clip ? *dc->m_state.clip : WholeDevice(*dc);
    dc->m_state.clip = std::make_shared<Region>(Region::Combine(current, rgn->m_region, mode));
  }
  return Finish(*dc);
}

int SelectClipRgn(HDC h, HRGN rgn) { return ExtSelectClipRgn(h, rgn, RGN_COPY); }

int IntersectClipRect(HDC h, int l, int t, int r, int b) {
  auto dc = LookupDc(h);
  if (!dc) return ERROR;
  int dx = dc->m_state.viewportOrg.x - dc->m_state.windowOrg.x;
  int dy = dc->m_state.viewportOrg.y - dc->m_state.windowOrg.y;
  Region rect(Ordered(l + dx, t + dy, r + dx, b + dy));
  Region current = dc->m_state.clip ? *dc->m_state.clip : WholeDevice(*dc);
  dc->m_state.clip = std::make_shared<Region>(Region::Combine(current, rect, RGN_AND));
  return Finish(*dc);
}

int ExcludeClipRect(HDC h, int l, int t, int r, int b) {
  auto dc = LookupDc(h);
  if (!dc) return ERROR;
  int dx = dc->m_state.viewportOrg.x - dc->m_state.windowOrg.x;
  int dy = dc->m_state.viewportOrg.y - dc->m_state.windowOrg.y;
  Region rect(Ordered(l + dx, t + dy, r + dx, b + dy));
  Region current = dc->m_state.clip ? *dc->m_state.clip : WholeDevice(*dc);
  dc->m_state.clip = std::make_shared<Region>(Region::Combine(current, rect, RGN_DIFF));
  return Finish(*dc);
}

int OffsetClipRgn(HDC h, int dx, int dy) {
  auto dc = LookupDc(h);
  if (!dc) return ERROR;
  if (dc->m_state.clip) {
    auto moved = std::make_shared<Region>(*dc->m_state.clip);
    moved->Offset(dx, dy);
    dc->m_state.clip = moved;
  }
  return Finish(*dc);
}

int GetClipBox(HDC h, LPRECT rc) {
  auto dc = LookupDc(h);
  if (!dc || !rc) return ERROR;
  const Region& clip = dc->EffectiveClip();
  if (clip.Empty()) {
    *rc = RECT{0, 0, 0, 0};
    return NULLREGION;
  }
  RECT box = clip.Box();
  POINT off = dc->LogicalOffset();
  *rc = RECT{box.left - off.x, box.top - off.y, box.right - off.x, box.bottom - off.y};
  return clip.Kind();
}

int GetClipRgn(HDC h, HRGN rgnHandle) {
  auto dc = LookupDc(h);
  auto rgn = LookupRgn(rgnHandle);
  if (!dc || !rgn) return -1;
  if (!dc->m_state.clip) return 0;
  rgn->m_region = *dc->m_state.clip;
  return 1;
}

BOOL PtVisible(HDC h, int x, int y) {
  auto dc = LookupDc(h);
  if (!dc) return FALSE;
  POINT p = dc->ToSurface(x, y);
  return dc->EffectiveClip().Contains(p.x, p.y);
}

BOOL RectVisible(HDC h, const RECT* rc) {
  auto dc = LookupDc(h);
  if (!dc || !rc) return FALSE;
  POINT off = dc->LogicalOffset();
  RECT r = Ordered(rc->left + off.x, rc->top + off.y, rc->right + off.x, rc->bottom + off.y);
  return dc->EffectiveClip().Intersects(r);
}

// ---- device capabilities: a 32-bit, palette-free raster display at 96 DPI.
int GetDeviceCaps(HDC h, int index) {
  auto dc = LookupDc(h);
  if (!dc) return 0;
  SIZE screen = GetScreenSize();
  switch (index) {
    case DRIVERVERSION: return 0x4000;
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZRES:
    case DESKTOPHORZRES: return screen.cx;
    case VERTRES:
    case DESKTOPVERTRES: return screen.cy;
    case HORZSIZE: return screen.cx * 254 / 960;
    case VERTSIZE: return screen.cy * 254 / 960;
    case BITSPIXEL:
      // Memory DCs report the device's depth whatever bitmap they hold, as Win32's do.
      return 32;
    case PLANES: return 1;
    case NUMBRUSHES:
    case NUMPENS:
    case NUMCOLORS: return -1;
    case NUMFONTS: return 0;
    case RASTERCAPS:
      return RC_BITBLT | RC_BITMAP64 | RC_GDI20_OUTPUT | RC_DI_BITMAP | RC_DIBTODEV | RC_BIGFONT |
             RC_STRETCHBLT | RC_FLOODFILL | RC_STRETCHDIB;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case SIZEPALETTE:
    case NUMRESERVED: return 0;
    case COLORRES: return 24;
    case BLTALIGNMENT: return 0;
    default: return 0;
  }
}
