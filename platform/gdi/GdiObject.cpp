// The GDI object table, stock objects, pens, brushes and bitmaps, and the Win32 rules of
// SelectObject and DeleteObject.
#include <atomic>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/base/WinError.h"
#include "platform/gdi/DcInternal.h"

namespace gdi {

namespace {

std::mutex g_tableMutex;
std::unordered_map<uintptr_t, std::shared_ptr<GdiObject>> g_table;
// Counts the handles freed so far; changed under the table lock. While it stands still, every
// handle names the object it named when it was last looked at.
std::atomic<uint64_t> g_freedHandles{0};

// The last few handles this thread looked up (a blit looks up the same two DCs call after call),
// valid while no handle has been freed since. The entries do not keep the objects alive.
struct RecentLookup {
  uintptr_t handle = 0;
  uint64_t freed = 0;
  std::weak_ptr<GdiObject> object;
};
constexpr int RECENT_LOOKUPS = 4;
struct RecentLookups {
  RecentLookup entries[RECENT_LOOKUPS];
  unsigned next = 0;
};
// The list is reached through a plain pointer: drawing may still happen while the thread's
// objects are destroyed (a static object that frees its DCs at exit), after the list is gone.
thread_local RecentLookups* t_recent = nullptr;
thread_local bool t_recentGone = false;
struct RecentLookupsOwner {
  ~RecentLookupsOwner() {
    delete t_recent;
    t_recent = nullptr;
    t_recentGone = true;
  }
};
RecentLookups* ThreadRecentLookups() {
  if (!t_recent && !t_recentGone) {
    thread_local RecentLookupsOwner owner;
    t_recent = new RecentLookups;
  }
  return t_recent;
}
// Handle values step by 4 from here, so that they are never null, never look like small
// integers that the program passes as "no object", and wrap only after a very long run.
uintptr_t g_nextHandle = 0x10000;
StockFontMaker g_stockFontMaker = nullptr;

std::shared_ptr<GdiObject> g_stock[20];
std::shared_ptr<BitmapObject> g_stockBitmap;
std::once_flag g_stockOnce;

std::shared_ptr<PenObject> MakePen(int style, int width, COLORREF colour) {
  auto pen = std::make_shared<PenObject>();
  pen->m_style = style;
  pen->m_width = width;
  pen->m_colour = colour & 0x00FFFFFF;
  return pen;
}

std::shared_ptr<BrushObject> MakeSolidBrush(COLORREF colour) {
  auto brush = std::make_shared<BrushObject>();
  brush->m_style = BS_SOLID;
  brush->m_colour = colour & 0x00FFFFFF;
  return brush;
}

void MakeStock() {
  auto stock = [](int index, std::shared_ptr<GdiObject> obj) {
    obj->m_stock = true;
    AllocHandle(obj);
    g_stock[index] = obj;
  };
  stock(WHITE_BRUSH, MakeSolidBrush(RGB(255, 255, 255)));
  stock(LTGRAY_BRUSH, MakeSolidBrush(RGB(192, 192, 192)));
  stock(GRAY_BRUSH, MakeSolidBrush(RGB(128, 128, 128)));
  stock(DKGRAY_BRUSH, MakeSolidBrush(RGB(64, 64, 64)));
  stock(BLACK_BRUSH, MakeSolidBrush(RGB(0, 0, 0)));
  auto nullBrush = std::make_shared<BrushObject>();
  nullBrush->m_style = BS_NULL;
  stock(NULL_BRUSH, nullBrush);
  stock(WHITE_PEN, MakePen(PS_SOLID, 1, RGB(255, 255, 255)));
  stock(BLACK_PEN, MakePen(PS_SOLID, 1, RGB(0, 0, 0)));
  stock(NULL_PEN, MakePen(PS_NULL, 1, RGB(0, 0, 0)));
  // A memory DC starts with a 1 x 1 monochrome bitmap selected, shared by all of them.
  g_stockBitmap = std::make_shared<BitmapObject>();
  g_stockBitmap->m_surface.Allocate(1, 1, 1, 2, false);
  g_stockBitmap->m_stock = true;
  AllocHandle(g_stockBitmap);
}

void EnsureStock() { std::call_once(g_stockOnce, MakeStock); }

}  // namespace

HGDIOBJ AllocHandle(std::shared_ptr<GdiObject> obj) {
  std::lock_guard<std::mutex> lock(g_tableMutex);
  uintptr_t h;
  do {
    h = g_nextHandle;
    g_nextHandle += 4;
    if (g_nextHandle < 0x10000) g_nextHandle = 0x10000;
  } while (g_table.count(h));
  obj->m_handle = reinterpret_cast<HGDIOBJ>(h);
  g_table.emplace(h, std::move(obj));
  return reinterpret_cast<HGDIOBJ>(h);
}

std::shared_ptr<GdiObject> Lookup(HGDIOBJ h) {
  if (!h) return nullptr;
  const uintptr_t key = reinterpret_cast<uintptr_t>(h);
  const uint64_t freed = g_freedHandles.load(std::memory_order_acquire);
  RecentLookups* recent = ThreadRecentLookups();
  if (recent) {
    for (RecentLookup& r : recent->entries) {
      if (r.handle != key || r.freed != freed) continue;
      if (auto obj = r.object.lock()) return obj;
      break;
    }
  }
  std::shared_ptr<GdiObject> obj;
  uint64_t freedNow;
  {
    std::lock_guard<std::mutex> lock(g_tableMutex);
    auto it = g_table.find(key);
    if (it == g_table.end()) return nullptr;
    obj = it->second;
    freedNow = g_freedHandles.load(std::memory_order_relaxed);
  }
  if (!recent) return obj;
  RecentLookup& slot = recent->entries[recent->next++ % RECENT_LOOKUPS];
  slot.handle = key;
  slot.freed = freedNow;
  slot.object = obj;
  return obj;
}

void FreeHandle(HGDIOBJ h) {
  std::shared_ptr<GdiObject> keep;  // destroyed outside the lock
  std::lock_guard<std::mutex> lock(g_tableMutex);
  auto it = g_table.find(reinterpret_cast<uintptr_t>(h));
  if (it != g_table.end()) {
    keep = std::move(it->second);
    g_table.erase(it);
    g_freedHandles.fetch_add(1, std::memory_order_release);
  }
}

std::shared_ptr<GdiObject> StockObject(int index) {
  EnsureStock();
  if (index < 0 || index >= 20) return nullptr;
  // Recursive: a font maker may itself ask for a stock object.
  static std::recursive_mutex stockMutex;
  std::lock_guard<std::recursive_mutex> lock(stockMutex);
  if (!g_stock[index]) {
    StockFontMaker maker;
    {
      std::lock_guard<std::mutex> tableLock(g_tableMutex);
      maker = g_stockFontMaker;
    }
    bool isFont = index == SYSTEM_FONT || index == DEFAULT_GUI_FONT || index == ANSI_VAR_FONT ||
                  index == ANSI_FIXED_FONT || index == OEM_FIXED_FONT ||
                  index == SYSTEM_FIXED_FONT || index == DEVICE_DEFAULT_FONT;
    if (isFont && maker) {
      auto font = maker(index);
      if (font) {
        font->m_stock = true;
        AllocHandle(font);
        g_stock[index] = font;
      }
    }
  }
  return g_stock[index];
}

std::shared_ptr<BitmapObject> StockBitmap() {
  EnsureStock();
  return g_stockBitmap;
}

void SetStockFontMaker(StockFontMaker maker) {
  std::lock_guard<std::mutex> lock(g_tableMutex);
  g_stockFontMaker = maker;
}

// Called when a DC stops using an object: a deferred DeleteObject takes effect once no DC has
// the object selected any more.
void Deselected(GdiObject* obj) {
  // Stock objects are shared by every DC of every thread and never deleted: no counting.
  if (!obj || obj->m_stock) return;
  if (obj->m_selectCount > 0) --obj->m_selectCount;
  if (obj->m_selectCount == 0 && obj->m_deletePending) FreeHandle(obj->m_handle);
}

int PenObject::GetInfo(int size, void* out) const {
  if (!out) return int(sizeof(LOGPEN));
  if (size < int(sizeof(LOGPEN))) return 0;
  LOGPEN lp{UINT(m_style), POINT{m_width, 0}, m_colour};
  std::memcpy(out, &lp, sizeof lp);
  return int(sizeof lp);
}

int BrushObject::GetInfo(int size, void* out) const {
  if (!out) return int(sizeof(LOGBRUSH));
  if (size < int(sizeof(LOGBRUSH))) return 0;
  LOGBRUSH lb{m_style, m_colour, 0};
  if (m_style == BS_HATCHED) lb.lbHatch = ULONG_PTR(m_hatch);
  if (m_style == BS_PATTERN) lb.lbHatch = reinterpret_cast<ULONG_PTR>(m_patternHandle);
  std::memcpy(out, &lb, sizeof lb);
  return int(sizeof lb);
}

int BitmapObject::GetInfo(int size, void* out) const {
  BITMAP bm{};
  bm.bmType = 0;
  bm.bmWidth = m_surface.Width();
  bm.bmHeight = m_surface.Height();
  bm.bmWidthBytes = m_surface.Stride();
  bm.bmPlanes = 1;
  bm.bmBitsPixel = WORD(m_surface.Bpp());
  bm.bmBits = m_isDib ? m_surface.Bits() : nullptr;
  if (!out) return m_isDib ? int(sizeof(DIBSECTION)) : int(sizeof(BITMAP));
  if (m_isDib && size >= int(sizeof(DIBSECTION))) {
    DIBSECTION ds{};
    ds.dsBm = bm;
    ds.dsBmih = m_dibHeader;
    std::memcpy(out, &ds, sizeof ds);
    return int(sizeof ds);
  }
  if (size < int(sizeof(BITMAP))) return 0;
  std::memcpy(out, &bm, sizeof bm);
  return int(sizeof bm);
}

}  // namespace gdi

using namespace gdi;

HGDIOBJ GetStockObject(int index) {
  auto obj = StockObject(index);
  return obj ? obj->m_handle : nullptr;
}

DWORD GetObjectType(HGDIOBJ h) {
  auto obj = Lookup(h);
  if (!obj || obj->Type() == OBJ_ICON_INTERNAL) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return obj->Type();
}

int GetObjectA(HGDIOBJ h, int size, LPVOID out) {
  auto obj = Lookup(h);
  if (!obj) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (out && size <= 0) return 0;
  return obj->GetInfo(size, out);
}

HPEN CreatePen(int style, int width, COLORREF colour) {
  int kind = style & PS_STYLE_MASK;
  if (kind > PS_INSIDEFRAME) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // Win32 draws a styled (dashed) pen wider than one pixel as solid, and width 0 means 1.
  if (width < 1) width = 1;
  return static_cast<HPEN>(AllocHandle(MakePen(kind, width, colour)));
}

HPEN CreatePenIndirect(const LOGPEN* lp) {
  if (!lp) return nullptr;
  return CreatePen(int(lp->lopnStyle), lp->lopnWidth.x, lp->lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  return static_cast<HBRUSH>(AllocHandle(MakeSolidBrush(colour)));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF colour) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto brush = MakeSolidBrush(colour);
  brush->m_style = BS_HATCHED;
  brush->m_hatch = hatch;
  return static_cast<HBRUSH>(AllocHandle(brush));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  auto bmp = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP);
  if (!bmp || !bmp->m_surface.Valid()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  auto brush = std::make_shared<BrushObject>();
  brush->m_style = BS_PATTERN;
  brush->m_patternHandle = bitmap;
  const Surface& src = bmp->m_surface;
  brush->m_monoPattern = src.Bpp() == 1 && !bmp->m_isDib;
  // The brush keeps its own copy: the program may delete the bitmap right after.
  auto pattern = std::make_shared<Surface>();
  if (!pattern->Allocate(src.Width(), src.Height(), 32, 4, false)) return nullptr;
  for (int y = 0; y < src.Height(); ++y) src.LoadRow(y, 0, src.Width(), pattern->Row32(y));
  brush->m_pattern = pattern;
  return static_cast<HBRUSH>(AllocHandle(brush));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (!lb) return nullptr;
  switch (lb->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(lb->lbColor);
    case BS_NULL: return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    case BS_HATCHED: return CreateHatchBrush(int(lb->lbHatch), lb->lbColor);
    case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
  }
}

namespace {

HBITMAP NewBitmap(int width, int height, int bpp) {
  auto bmp = std::make_shared<BitmapObject>();
  if (!bmp->m_surface.Allocate(width, height, bpp, 2, false)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return static_cast<HBITMAP>(AllocHandle(bmp));
}

}  // namespace

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  auto ctx = LookupDc(dc);
  if (!ctx) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (width < 0 || height < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // Win32 answers a zero size with the stock 1 x 1 monochrome bitmap.
  if (width == 0 || height == 0) return static_cast<HBITMAP>(StockBitmap()->m_handle);
  // A memory DC with a monochrome bitmap selected makes monochrome bitmaps; every other DC
  // makes bitmaps of the 32-bit device format.
  int bpp = 32;
  if (ctx->m_isMemory) {
    Surface* s = ctx->GetSurface();
    if (s && s->Bpp() == 1) bpp = 1;
  }
  return NewBitmap(width, height, bpp);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (width < 0 || height < 0 || planes != 1 ||
      (bitsPerPixel != 1 && bitsPerPixel != 16 && bitsPerPixel != 24 && bitsPerPixel != 32)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (width == 0 || height == 0) return static_cast<HBITMAP>(StockBitmap()->m_handle);
  // 16- and 24-bit device bitmaps are kept in the 32-bit device format, as a 32-bit display
  // would.
  int storeBpp = bitsPerPixel == 1 ? 1 : 32;
  HBITMAP h = NewBitmap(width, height, storeBpp);
  if (!h || !bits) return h;
  auto bmp = LookupAs<BitmapObject>(h, OBJ_BITMAP);
  if (int(bitsPerPixel) == storeBpp) {
    std::memcpy(bmp->m_surface.Bits(), bits, bmp->m_surface.ByteSize());
  } else {
    Surface view;
    int stride = ((width * int(bitsPerPixel) + 15) / 16) * 2;
    view.Attach(static_cast<uint8_t*>(const_cast<void*>(bits)), width, height, int(bitsPerPixel),
                stride, false);
    for (int y = 0; y < height; ++y) view.LoadRow(y, 0, width, bmp->m_surface.Row32(y));
  }
  return h;
}

HBITMAP CreateBitmapIndirect(const BITMAP* bm) {
  if (!bm) return nullptr;
  return CreateBitmap(bm->bmWidth, bm->bmHeight, bm->bmPlanes, bm->bmBitsPixel, bm->bmBits);
}

LONG SetBitmapBits(HBITMAP bitmap, DWORD count, const void* bits) {
  auto bmp = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP);
  if (!bmp || !bits || bmp->m_stock) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t n = std::min<size_t>(count, bmp->m_surface.ByteSize());
  if (!bmp->m_surface.BottomUp()) {
    std::memcpy(bmp->m_surface.Bits(), bits, n);
  } else {
    // The bytes are rows from the top down, whatever the bitmap's memory order.
    const uint8_t* src = static_cast<const uint8_t*>(bits);
    size_t stride = size_t(bmp->m_surface.Stride());
    for (int y = 0; n > 0; ++y) {
      size_t take = std::min(n, stride);
      std::memcpy(bmp->m_surface.RowPtr(y), src, take);
      src += take;
      n -= take;
    }
  }
  return LONG(std::min<size_t>(count, bmp->m_surface.ByteSize()));
}

LONG GetBitmapBits(HBITMAP bitmap, LONG count, LPVOID bits) {
  auto bmp = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP);
  if (!bmp || count < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (!bits) return LONG(bmp->m_surface.ByteSize());
  size_t n = std::min<size_t>(size_t(count), bmp->m_surface.ByteSize());
  size_t stride = size_t(bmp->m_surface.Stride());
  uint8_t* out = static_cast<uint8_t*>(bits);
  for (int y = 0; n > 0; ++y) {
    size_t take = std::min(n, stride);
    std::memcpy(out, bmp->m_surface.RowPtr(y), take);
    out += take;
    n -= take;
  }
  return LONG(std::min<size_t>(size_t(count), bmp->m_surface.ByteSize()));
}

BOOL GetBitmapDimensionEx(HBITMAP bitmap, LPSIZE size) {
  auto bmp = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP);
  if (!bmp || !size) return FALSE;
  *size = SIZE{0, 0};
  return TRUE;
}

BOOL DeleteObject(HGDIOBJ h) {
  auto obj = Lookup(h);
  if (!obj) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (obj->m_stock) return TRUE;
  switch (obj->Type()) {
    case OBJ_DC:
    case OBJ_MEMDC:
    case OBJ_ICON_INTERNAL:
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    case OBJ_BITMAP:
      // A bitmap selected into a DC cannot be deleted; the call fails and the bitmap stays.
      if (static_cast<BitmapObject*>(obj.get())->m_selectedIn) return FALSE;
      break;
    default:
      // A pen, brush or font still selected is deleted when it is deselected.
      if (obj->m_selectCount > 0) {
        obj->m_deletePending = true;
        return TRUE;
      }
      break;
  }
  FreeHandle(h);
  return TRUE;
}
