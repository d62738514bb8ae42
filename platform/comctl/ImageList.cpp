// Image lists: each image is kept as 32-bit pixels (B, G, R in the low three bytes) and a
// transparency flag per pixel. Drawing composites into a copy of the destination area and
// copies it back, so clipping and raster state of the target DC are respected.
#include <algorithm>
#include <cstdint>
#include <mutex>
#include <set>
#include <vector>

#include "platform/comctl/CommCtrl.h"

struct ImageListData {
  int cx = 0;
  int cy = 0;
  UINT flags = 0;
  int grow = 1;
  COLORREF bk = CLR_NONE;
  struct Image {
    std::vector<uint32_t> px;
    std::vector<uint8_t> transparent;
  };
  std::vector<Image> images;
};

namespace {

// Every live list, so that a stale or foreign handle is refused instead of followed.
std::mutex g_listsLock;
std::set<HIMAGELIST> g_lists;

bool Valid(HIMAGELIST list) {
  std::lock_guard<std::mutex> g(g_listsLock);
  return list && g_lists.count(list) != 0;
}

bool ReadBitmap(HBITMAP bmp, int& w, int& h, std::vector<uint32_t>& px) {
  BITMAP bm{};
  if (!bmp || !GetObjectA(bmp, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return false;
  w = bm.bmWidth;
  h = bm.bmHeight;
  px.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  HDC dc = CreateCompatibleDC(nullptr);
  int lines = GetDIBits(dc, bmp, 0, static_cast<UINT>(h), px.data(), &bi, DIB_RGB_COLORS);
  DeleteDC(dc);
  return lines > 0;
}

uint32_t Swap(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

// Cuts a bitmap of any width into images of the list's size; `isTransparent` decides per pixel.
template <typename Pred>
int AddStrip(HIMAGELIST list, const std::vector<uint32_t>& px, int w, int h, Pred isTransparent) {
  int count = w / list->cx;
  if (count <= 0) return -1;
  int first = static_cast<int>(list->images.size());
  for (int n = 0; n < count; ++n) {
    ImageListData::Image img;
    size_t size = static_cast<size_t>(list->cx) * static_cast<size_t>(list->cy);
    img.px.assign(size, 0);
    img.transparent.assign(size, 0);
    for (int y = 0; y < list->cy && y < h; ++y) {
      for (int x = 0; x < list->cx; ++x) {
        int sx = n * list->cx + x;
        size_t s = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(sx);
        size_t d = static_cast<size_t>(y) * static_cast<size_t>(list->cx) + static_cast<size_t>(x);
        img.px[d] = px[s] & 0xFFFFFF;
        img.transparent[d] = (list->flags & ILC_MASK) && isTransparent(sx, y) ? 1 : 0;
      }
    }
    list->images.push_back(std::move(img));
  }
  return first;
}

uint32_t Blend(uint32_t a, uint32_t b, int weightB) {
  uint32_t out = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    int ca = static_cast<int>((a >> shift) & 0xFF), cb = static_cast<int>((b >> shift) & 0xFF);
    out |= static_cast<uint32_t>((ca * (100 - weightB) + cb * weightB) / 100) << shift;
  }
  return out;
}

}  // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow) {
  if (cx <= 0 || cy <= 0 || cx > 4096 || cy > 4096) return nullptr;
  auto* list = new ImageListData;
  list->cx = cx;
  list->cy = cy;
  list->flags = flags;
  list->grow = std::max(grow, 1);
  list->images.reserve(static_cast<size_t>(std::clamp(initial, 0, 1024)));
  std::lock_guard<std::mutex> g(g_listsLock);
  g_lists.insert(list);
  return list;
}

BOOL ImageList_Destroy(HIMAGELIST list) {
  {
    std::lock_guard<std::mutex> g(g_listsLock);
    if (!list || !g_lists.erase(list)) return FALSE;
  }
  delete list;
  return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST list) { return Valid(list) ? static_cast<int>(list->images.size()) : 0; }

BOOL ImageList_SetImageCount(HIMAGELIST list, UINT count) {
  if (!Valid(list) || count > 65536) return FALSE;
  size_t size = static_cast<size_t>(list->cx) * static_cast<size_t>(list->cy);
  list->images.resize(count, ImageListData::Image{std::vector<uint32_t>(size, 0), std::vector<uint8_t>(size, 0)});
  return TRUE;
}

int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask) {
  int w, h, mw = 0, mh = 0;
  std::vector<uint32_t> px, mpx;
  if (!Valid(list) || !ReadBitmap(image, w, h, px)) return -1;
  bool haveMask = mask && ReadBitmap(mask, mw, mh, mpx);
  return AddStrip(list, px, w, h, [&](int x, int y) {
    if (!haveMask || x >= mw || y >= mh) return false;
    return (mpx[static_cast<size_t>(y) * static_cast<size_t>(mw) + static_cast<size_t>(x)] & 0xFFFFFF) != 0;
  });
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF maskColour) {
  int w, h;
  std::vector<uint32_t> px;
  if (!Valid(list) || !ReadBitmap(image, w, h, px)) return -1;
  uint32_t key = Swap(maskColour);
  return AddStrip(list, px, w, h, [&](int x, int y) {
    return (px[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] & 0xFFFFFF) == key;
  });
}

BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask) {
  if (!Valid(list) || index < 0 || index >= static_cast<int>(list->images.size())) return FALSE;
  size_t before = list->images.size();
  if (ImageList_Add(list, image, mask) < 0) return FALSE;
  list->images[static_cast<size_t>(index)] = std::move(list->images[before]);
  list->images.resize(before);
  return TRUE;
}

int ImageList_ReplaceIcon(HIMAGELIST list, int index, HICON icon) {
  if (!Valid(list) || index < -1 || index >= static_cast<int>(list->images.size())) return -1;
  ICONINFO ii{};
  if (!icon || !GetIconInfo(icon, &ii)) return -1;
  int w = 0, h = 0, mw = 0, mh = 0;
  std::vector<uint32_t> px, mpx;
  bool ok = ii.hbmColor && ReadBitmap(ii.hbmColor, w, h, px);
  bool haveMask = ii.hbmMask && ReadBitmap(ii.hbmMask, mw, mh, mpx);
  if (ii.hbmColor) DeleteObject(ii.hbmColor);
  if (ii.hbmMask) DeleteObject(ii.hbmMask);
  if (!ok) return -1;
  bool alpha = std::any_of(px.begin(), px.end(), [](uint32_t p) { return (p >> 24) != 0; });
  // The icon is scaled to the list's size by picking the nearest pixel.
  std::vector<uint32_t> scaled(static_cast<size_t>(list->cx) * static_cast<size_t>(list->cy));
  std::vector<uint8_t> clear(scaled.size());
  for (int y = 0; y < list->cy; ++y) {
    for (int x = 0; x < list->cx; ++x) {
      int sx = x * w / list->cx, sy = y * h / list->cy;
      uint32_t p = px[static_cast<size_t>(sy) * static_cast<size_t>(w) + static_cast<size_t>(sx)];
      bool t = alpha ? (p >> 24) < 128
                     : haveMask && sx < mw && sy < mh &&
                           (mpx[static_cast<size_t>(sy) * static_cast<size_t>(mw) + static_cast<size_t>(sx)] & 0xFFFFFF) != 0;
      size_t d = static_cast<size_t>(y) * static_cast<size_t>(list->cx) + static_cast<size_t>(x);
      scaled[d] = p & 0xFFFFFF;
      clear[d] = (list->flags & ILC_MASK) && t ? 1 : 0;
    }
  }
  ImageListData::Image img{std::move(scaled), std::move(clear)};
  if (index == -1) {
    list->images.push_back(std::move(img));
    return static_cast<int>(list->images.size()) - 1;
  }
  list->images[static_cast<size_t>(index)] = std::move(img);
  return index;
}

BOOL ImageList_Remove(HIMAGELIST list, int index) {
  if (!Valid(list)) return FALSE;
  if (index == -1) {
    list->images.clear();
    return TRUE;
  }
  if (index < 0 || index >= static_cast<int>(list->images.size())) return FALSE;
  list->images.erase(list->images.begin() + index);
  return TRUE;
}

HICON ImageList_GetIcon(HIMAGELIST list, int index, UINT) {
  if (!Valid(list) || index < 0 || index >= static_cast<int>(list->images.size())) return nullptr;
  const ImageListData::Image& img = list->images[static_cast<size_t>(index)];
  int w = list->cx, h = list->cy;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP colour = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  // The AND mask: rows padded to 16 bits, a set bit keeps the background.
  int stride = ((w + 15) / 16) * 2;
  std::vector<BYTE> maskBits(static_cast<size_t>(stride) * static_cast<size_t>(h), 0);
  if (colour && bits) {
    auto* out = static_cast<uint32_t*>(bits);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        size_t i = static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x);
        bool t = img.transparent[i] != 0;
        out[i] = t ? 0 : img.px[i];
        if (t) maskBits[static_cast<size_t>(y) * static_cast<size_t>(stride) + static_cast<size_t>(x / 8)] |= static_cast<BYTE>(0x80 >> (x % 8));
      }
    }
  }
  HBITMAP mask = CreateBitmap(w, h, 1, 1, maskBits.data());
  ICONINFO ii{TRUE, 0, 0, mask, colour};
  HICON icon = colour && mask ? CreateIconIndirect(&ii) : nullptr;
  if (colour) DeleteObject(colour);
  if (mask) DeleteObject(mask);
  return icon;
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
  if (!Valid(list) || !cx || !cy) return FALSE;
  *cx = list->cx;
  *cy = list->cy;
  return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF colour) {
  if (!Valid(list)) return CLR_NONE;
  COLORREF old = list->bk;
  list->bk = colour;
  return old;
}

COLORREF ImageList_GetBkColor(HIMAGELIST list) { return Valid(list) ? list->bk : CLR_NONE; }

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style) {
  return ImageList_DrawEx(list, index, dc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy, COLORREF bk, COLORREF fg,
                      UINT style) {
  if (!Valid(list) || !dc || index < 0 || index >= static_cast<int>(list->images.size())) return FALSE;
  const ImageListData::Image& img = list->images[static_cast<size_t>(index)];
  int w = dx > 0 ? std::min(dx, list->cx) : list->cx;
  int h = dy > 0 ? std::min(dy, list->cy) : list->cy;
  if (bk == CLR_DEFAULT) bk = list->bk;
  if (style & ILD_TRANSPARENT) bk = CLR_NONE;
  int blend = (style & ILD_BLEND50) ? 50 : (style & ILD_BLEND25) ? 25 : 0;
  uint32_t blendColour = Swap(fg == CLR_DEFAULT || fg == CLR_NONE ? GetSysColor(COLOR_HIGHLIGHT) : fg);

  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP work = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!work || !bits) return FALSE;
  HDC mem = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(mem, work);
  BitBlt(mem, 0, 0, w, h, dc, x, y, SRCCOPY);
  auto* out = static_cast<uint32_t*>(bits);
  for (int yy = 0; yy < h; ++yy) {
    for (int xx = 0; xx < w; ++xx) {
      size_t s = static_cast<size_t>(yy) * static_cast<size_t>(list->cx) + static_cast<size_t>(xx);
      size_t d = static_cast<size_t>(yy) * static_cast<size_t>(w) + static_cast<size_t>(xx);
      if (style & ILD_MASK) {
        out[d] = img.transparent[s] ? 0xFFFFFF : 0;
        continue;
      }
      if (img.transparent[s]) {
        if (bk != CLR_NONE) out[d] = Swap(bk);
        continue;
      }
      uint32_t p = img.px[s];
      out[d] = blend ? Blend(p, blendColour, blend) : p;
    }
  }
  BitBlt(dc, x, y, w, h, mem, 0, 0, SRCCOPY);
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(work);
  return TRUE;
}
