// Icons and cursors as objects (a monochrome AND mask and a colour image), DrawIconEx with its
// mask and image passes, and DrawState's icon and bitmap kinds with the disabled and mono looks.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/base/WinError.h"
#include "platform/gdi/DcInternal.h"

namespace gdi {
namespace {

std::mutex g_textHookMutex;
DrawStateTextHooks g_textHooks;

DrawStateTextHooks TextHooks() {
  std::lock_guard<std::mutex> lock(g_textHookMutex);
  return g_textHooks;
}

class IconObject : public GdiObject {
 public:
  IconObject() : GdiObject(OBJ_ICON_INTERNAL) {}
  bool m_isIcon = true;
  POINT m_hotspot{0, 0};
  int m_width = 0;
  int m_height = 0;
  // The AND mask (1 = keep the destination), one bit per pixel, width x height; for an icon
  // without colour it is 2 x height: the AND half above the XOR half.
  Surface m_mask;
  // The colour image as 32-bit pixels, or invalid for a monochrome icon.
  Surface m_colour;
  bool m_hasAlpha = false;
};

std::shared_ptr<IconObject> LookupIcon(HICON h) {
  return LookupAs<IconObject>(h, OBJ_ICON_INTERNAL);
}

bool CopyToSurface(const Surface& src, Surface& dst, int bpp) {
  if (!dst.Allocate(src.Width(), src.Height(), bpp, bpp == 1 ? 2 : 4, false)) return false;
  std::vector<uint32_t> row(static_cast<size_t>(src.Width()));
  for (int y = 0; y < src.Height(); ++y) {
    src.LoadRow(y, 0, src.Width(), row.data());
    dst.StoreRow(y, 0, src.Width(), row.data());
  }
  return true;
}

HBITMAP SurfaceToBitmap(const Surface& s) {
  HBITMAP h = CreateBitmap(s.Width(), s.Height(), 1, UINT(s.Bpp()), nullptr);
  auto bmp = LookupAs<BitmapObject>(h, OBJ_BITMAP);
  if (!bmp) return nullptr;
  std::vector<uint32_t> row(static_cast<size_t>(s.Width()));
  for (int y = 0; y < s.Height(); ++y) {
    s.LoadRow(y, 0, s.Width(), row.data());
    bmp->m_surface.StoreRow(y, 0, s.Width(), row.data());
  }
  return h;
}

// Draws the icon scaled to w x h at surface (x, y) through the clip.
void PaintIcon(DeviceContext& dc, const IconObject& icon, int x, int y, int w, int h, UINT flags) {
  Surface* ds = dc.GetSurface();
  if (!ds || w <= 0 || h <= 0) return;
  bool mono = !icon.m_colour.Valid();
  int iw = icon.m_width, ih = icon.m_height;
  ForEachSpan(dc.EffectiveClip(), RECT{x, y, x + w, y + h}, [&](int yy, int x0, int x1) {
    int sy = int(int64_t(yy - y) * ih / h);
    WithRow(*ds, yy, x0, x1 - x0, [&](uint32_t* d, int n) {
      for (int i = 0; i < n; ++i) {
        int sx = int(int64_t(x0 + i - x) * iw / w);
        uint32_t andBit = icon.m_mask.GetPixel(sx, sy) & 0xFFFFFF ? 0xFFFFFFFFu : 0u;
        uint32_t image = mono ? (icon.m_mask.GetPixel(sx, sy + ih) & 0xFFFFFF ? 0x00FFFFFFu : 0u)
                              : icon.m_colour.GetPixel(sx, sy);
        if (icon.m_hasAlpha && (flags & DI_NORMAL) == DI_NORMAL) {
          // A colour image with alpha is blended (straight alpha) and the mask is not used.
          uint32_t a = image >> 24;
          if (a == 0) continue;
          uint32_t out = 0;
          for (int k = 0; k < 24; k += 8) {
            uint32_t sc = (image >> k) & 0xFF, dcn = (d[i] >> k) & 0xFF;
            out |= ((sc * a + dcn * (255 - a) + 127) / 255) << k;
          }
          d[i] = out | (d[i] & 0xFF000000u);
          continue;
        }
        if (flags & DI_MASK) d[i] &= andBit | 0xFF000000u;
        if (flags & DI_IMAGE) d[i] ^= image & 0x00FFFFFFu;
      }
    });
  });
}

}  // namespace

void SetDrawStateTextHooks(const DrawStateTextHooks& hooks) {
  std::lock_guard<std::mutex> lock(g_textHookMutex);
  g_textHooks = hooks;
}

}  // namespace gdi

using namespace gdi;

HICON CreateIconIndirect(PICONINFO info) {
  if (!info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto mask = LookupAs<BitmapObject>(info->hbmMask, OBJ_BITMAP);
  auto colour = info->hbmColor ? LookupAs<BitmapObject>(info->hbmColor, OBJ_BITMAP) : nullptr;
  if (!mask || (info->hbmColor && !colour)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto icon = std::make_shared<IconObject>();
  icon->m_isIcon = info->fIcon != FALSE;
  // The bitmaps are copied: the caller deletes its own right after, as with Win32.
  if (!CopyToSurface(mask->m_surface, icon->m_mask, 1)) return nullptr;
  if (colour) {
    if (!CopyToSurface(colour->m_surface, icon->m_colour, 32)) return nullptr;
    icon->m_width = colour->m_surface.Width();
    icon->m_height = colour->m_surface.Height();
    if (icon->m_mask.Height() < icon->m_height || icon->m_mask.Width() < icon->m_width) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    if (colour->m_surface.Bpp() == 32) {
      for (int y = 0; y < icon->m_height && !icon->m_hasAlpha; ++y) {
        const uint32_t* row = icon->m_colour.Row32(y);
        for (int x = 0; x < icon->m_width; ++x) {
          if (row[x] >> 24) {
            icon->m_hasAlpha = true;
            break;
          }
        }
      }
    }
  } else {
    icon->m_width = mask->m_surface.Width();
    icon->m_height = mask->m_surface.Height() / 2;
    if (icon->m_height == 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
  }
  // An icon's hot spot is its centre, whatever the record says.
  icon->m_hotspot = icon->m_isIcon ? POINT{icon->m_width / 2, icon->m_height / 2}
                                   : POINT{LONG(info->xHotspot), LONG(info->yHotspot)};
  return static_cast<HICON>(AllocHandle(icon));
}

HICON CopyIcon(HICON h) {
  auto icon = LookupIcon(h);
  if (!icon) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto copy = std::make_shared<IconObject>();
  copy->m_isIcon = icon->m_isIcon;
  copy->m_hotspot = icon->m_hotspot;
  copy->m_width = icon->m_width;
  copy->m_height = icon->m_height;
  copy->m_hasAlpha = icon->m_hasAlpha;
  if (!CopyToSurface(icon->m_mask, copy->m_mask, 1)) return nullptr;
  if (icon->m_colour.Valid() && !CopyToSurface(icon->m_colour, copy->m_colour, 32)) return nullptr;
  return static_cast<HICON>(AllocHandle(copy));
}

BOOL DestroyIcon(HICON h) {
  auto icon = LookupIcon(h);
  if (!icon || icon->m_stock) {
    if (!icon) SetLastError(ERROR_INVALID_HANDLE);
    return icon ? TRUE : FALSE;
  }
  FreeHandle(h);
  return TRUE;
}

BOOL DestroyCursor(HCURSOR h) { return DestroyIcon(h); }

BOOL GetIconInfo(HICON h, PICONINFO info) {
  auto icon = LookupIcon(h);
  if (!icon || !info) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  info->fIcon = icon->m_isIcon;
  info->xHotspot = DWORD(icon->m_hotspot.x);
  info->yHotspot = DWORD(icon->m_hotspot.y);
  // New bitmaps that the caller owns and deletes.
  info->hbmMask = SurfaceToBitmap(icon->m_mask);
  info->hbmColor = icon->m_colour.Valid() ? SurfaceToBitmap(icon->m_colour) : nullptr;
  return TRUE;
}

BOOL DrawIconEx(HDC h, int x, int y, HICON iconHandle, int w, int hgt, UINT step,
                HBRUSH flickerFree, UINT flags) {
  auto dc = LookupDc(h);
  auto icon = LookupIcon(iconHandle);
  if (!dc || !icon) return FALSE;
  if (w == 0) w = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : icon->m_width;
  if (hgt == 0) hgt = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CYICON) : icon->m_height;
  if (w < 0 || hgt < 0) return FALSE;
  if ((flags & DI_NORMAL) == 0) flags |= DI_NORMAL;
  POINT p = dc->ToSurface(x, y);
  if (flickerFree) {
    // The background brush is laid down first; the icon is then drawn over it.
    auto brush = ResolveBrush(flickerFree);
    if (brush) FillRectRop(*dc, RECT{p.x, p.y, p.x + w, p.y + hgt}, brush.get(), 0xF0);
  }
  PaintIcon(*dc, *icon, p.x, p.y, w, hgt, flags);
  return TRUE;
}

BOOL DrawIcon(HDC h, int x, int y, HICON icon) {
  return DrawIconEx(h, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}

namespace {

// Renders the image kind of DrawState onto a white w x h surface and reports which pixels
// are ink (not the white background).
bool RenderInk(HDC target, UINT kind, UINT flags, LPARAM data, WPARAM wData, DRAWSTATEPROC proc,
               int w, int h, std::vector<uint8_t>& ink, Surface& image) {
  HDC mem = CreateCompatibleDC(target);
  HBITMAP bmp = CreateCompatibleBitmap(target, w, h);
  if (!mem || !bmp) {
    if (mem) DeleteDC(mem);
    if (bmp) DeleteObject(bmp);
    return false;
  }
  HGDIOBJ old = SelectObject(mem, bmp);
  PatBlt(mem, 0, 0, w, h, WHITENESS);
  bool ok = true;
  switch (kind) {
    case DST_ICON:
      ok = DrawIconEx(mem, 0, 0, reinterpret_cast<HICON>(data), w, h, 0, nullptr, DI_NORMAL);
      break;
    case DST_BITMAP: {
      HDC src = CreateCompatibleDC(target);
      HGDIOBJ oldSrc = SelectObject(src, reinterpret_cast<HBITMAP>(data));
      ok = oldSrc && BitBlt(mem, 0, 0, w, h, src, 0, 0, SRCCOPY);
      if (oldSrc) SelectObject(src, oldSrc);
      DeleteDC(src);
      break;
    }
    case DST_COMPLEX:
      ok = proc && proc(mem, data, wData, w, h);
      break;
    case DST_TEXT:
    case DST_PREFIXTEXT: {
      DrawStateTextHooks hooks = TextHooks();
      SetTextColor(mem, RGB(0, 0, 0));
      SetBkMode(mem, TRANSPARENT);
      HGDIOBJ font = GetCurrentObject(target, OBJ_FONT);
      if (font) SelectObject(mem, font);
      ok = hooks.draw && hooks.draw(mem, reinterpret_cast<LPCSTR>(data), int(wData), 0, 0, flags);
      break;
    }
    default:
      ok = false;
  }
  auto bitmap = LookupAs<BitmapObject>(bmp, OBJ_BITMAP);
  if (ok && bitmap) {
    CopyToSurface(bitmap->m_surface, image, 32);
    ink.assign(size_t(w) * size_t(h), 0);
    for (int yy = 0; yy < h; ++yy) {
      for (int xx = 0; xx < w; ++xx) {
        ink[size_t(yy) * size_t(w) + size_t(xx)] = (image.Row32(yy)[xx] & 0xFFFFFF) != 0xFFFFFF;
      }
    }
  }
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  return ok;
}

void PaintInk(DeviceContext& dc, const std::vector<uint8_t>& ink, int w, int h, int x, int y,
              COLORREF colour) {
  std::vector<std::vector<Span>> rows(static_cast<size_t>(h));
  for (int yy = 0; yy < h; ++yy) {
    for (int xx = 0; xx < w; ++xx) {
      if (ink[size_t(yy) * size_t(w) + size_t(xx)]) rows[size_t(yy)].push_back(Span{x + xx, x + xx + 1});
    }
  }
  BrushObject brush;
  brush.m_colour = colour;
  FillRegionRop(dc, Region::FromRows(y, rows), &brush, 0xF0);
}

}  // namespace

BOOL DrawStateA(HDC h, HBRUSH brushHandle, DRAWSTATEPROC proc, LPARAM data, WPARAM wData, int x,
                int y, int cx, int cy, UINT flags) {
  auto dc = LookupDc(h);
  if (!dc) return FALSE;
  UINT kind = flags & 0x000F;
  bool text = kind == DST_TEXT || kind == DST_PREFIXTEXT;
  DrawStateTextHooks hooks = TextHooks();
  // Text is drawn through the text part's hooks; without them there is no text to draw.
  if (text && (!hooks.draw || !hooks.measure)) return FALSE;
  // A text length of 0 means the text is null-terminated.
  if (text && wData == 0 && data) wData = WPARAM(std::strlen(reinterpret_cast<LPCSTR>(data)));
  if (cx == 0 || cy == 0) {
    if (kind == DST_ICON) {
      auto icon = LookupIcon(reinterpret_cast<HICON>(data));
      if (!icon) return FALSE;
      if (cx == 0) cx = icon->m_width;
      if (cy == 0) cy = icon->m_height;
    } else if (kind == DST_BITMAP) {
      BITMAP bm{};
      if (!GetObject(reinterpret_cast<HBITMAP>(data), sizeof bm, &bm)) return FALSE;
      if (cx == 0) cx = bm.bmWidth;
      if (cy == 0) cy = bm.bmHeight;
    } else if (text) {
      SIZE size = hooks.measure(h, reinterpret_cast<LPCSTR>(data), int(wData));
      if (cx == 0) cx = size.cx;
      if (cy == 0) cy = size.cy;
    } else {
      return FALSE;
    }
  }
  if (cx < 0 || cy < 0) return FALSE;
  if (cx == 0 || cy == 0) return TRUE;
  UINT state = flags & 0x0FF0 & ~UINT(DSS_HIDEPREFIX | DSS_PREFIXONLY);
  if (state == DSS_NORMAL || state == DSS_UNION) {
    switch (kind) {
      case DST_ICON:
        return DrawIconEx(h, x, y, reinterpret_cast<HICON>(data), cx, cy, 0, nullptr, DI_NORMAL);
      case DST_BITMAP: {
        HDC src = CreateCompatibleDC(h);
        HGDIOBJ old = SelectObject(src, reinterpret_cast<HBITMAP>(data));
        BOOL ok = old && BitBlt(h, x, y, cx, cy, src, 0, 0, SRCCOPY);
        if (old) SelectObject(src, old);
        DeleteDC(src);
        return ok;
      }
      case DST_TEXT:
      case DST_PREFIXTEXT:
        return hooks.draw(h, reinterpret_cast<LPCSTR>(data), int(wData), x, y, flags);
      case DST_COMPLEX: {
        // The callback draws straight into the DC with the origin moved to (x, y).
        POINT oldOrg;
        OffsetViewportOrgEx(h, x, y, &oldOrg);
        BOOL ok = proc && proc(h, data, wData, cx, cy);
        SetViewportOrgEx(h, oldOrg.x, oldOrg.y, nullptr);
        return ok;
      }
      default:
        return FALSE;
    }
  }
  std::vector<uint8_t> ink;
  Surface image;
  if (!RenderInk(h, kind, flags, data, wData, proc, cx, cy, ink, image)) return FALSE;
  POINT p = dc->ToSurface(x, y);
  if (state & DSS_DISABLED) {
    // Embossed: the ink in the highlight colour one pixel down and right, then in the shadow
    // colour in place.
    PaintInk(*dc, ink, cx, cy, p.x + 1, p.y + 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    PaintInk(*dc, ink, cx, cy, p.x, p.y, GetSysColor(COLOR_BTNSHADOW));
    return TRUE;
  }
  if (state & DSS_MONO) {
    auto brush = ResolveBrush(brushHandle);
    COLORREF c = brush ? brush->m_colour : dc->m_state.textColour;
    PaintInk(*dc, ink, cx, cy, p.x, p.y, c);
    return TRUE;
  }
  return FALSE;
}
