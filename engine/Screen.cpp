#include "engine/Screen.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/BlitFamily.h"
#include "engine/DrawDispatcher.h"
#include "engine/EngineUtil.h"
#include "engine/ResourceManager.h"
#include "platform/base/RectUtil.h"

namespace {

// Pictures from the process-wide resource manager, looked up at every use.
class ResourceManagerImages : public ImageSource {
 public:
  const ImageRecord* GetImage(uint32_t resourceId) override {
    ResourceManager* manager = ResourceManager::Instance();
    return manager != nullptr ? manager->GetImage(resourceId) : nullptr;
  }
};

PixelSurface SurfaceOf(uint32_t* pixels, int32_t width, int32_t height) {
  PixelSurface s;
  s.pixels = pixels;
  s.width = width;
  s.height = height;
  return s;
}

}  // namespace

Screen::Screen() : m_ownImages(std::make_unique<ResourceManagerImages>()) {
  m_images = m_ownImages.get();
}

Screen::Screen(ImageSource* images) : m_images(images) {}

Screen::~Screen() { ReleaseSurfaces(); }

const ImageRecord* Screen::FindImage(uint32_t resourceId) const {
  if (resourceId == 0 || m_images == nullptr) {
    return nullptr;
  }
  return m_images->GetImage(resourceId);
}

ScreenLayer* Screen::GetLayer(int layer) { return ValidLayer(layer) ? &m_layers[layer] : nullptr; }

void Screen::Init(HDC target, int32_t width, int32_t height) {
  const int bits = GetDeviceCaps(target, BITSPIXEL);
  m_bitsPerPixel = static_cast<uint8_t>(bits > 0 ? bits : 32);
  m_bytesPerPixel = static_cast<uint8_t>(m_bitsPerPixel / 8);
  m_slots = {};
  m_pictureCount = 0;
  m_tileWidth = m_tileHeight = m_tileColumns = m_tileRows = 0;
  m_backgroundFlags = 0;
  SetSceneSize(width, height);
  RecreateSurfaces(target, width, height);
  SetScroll(width / 2 + 1, height / 2 + 1, 1);
}

void Screen::RecreateSurfaces(HDC target, int32_t width, int32_t height) {
  if (m_memoryDc != nullptr) {
    SelectObject(m_memoryDc, m_oldBitmap);
    DeleteDC(m_memoryDc);
    m_memoryDc = nullptr;
  }
  if (m_bitmap != nullptr) {
    DeleteObject(m_bitmap);
    m_bitmap = nullptr;
  }
  m_memoryDc = CreateCompatibleDC(target);
  if (m_memoryDc != nullptr) {
    SetGraphicsMode(m_memoryDc, GM_ADVANCED);
    m_bitmap = CreateCompatibleBitmap(target, width, height);
    m_oldBitmap = SelectObject(m_memoryDc, m_bitmap);
    SetBkMode(m_memoryDc, TRANSPARENT);
  }
  Resize(width, height);
}

void Screen::ReleaseSurfaces() {
  if (m_memoryDc != nullptr) {
    SelectObject(m_memoryDc, m_oldBitmap);
    DeleteDC(m_memoryDc);
    m_memoryDc = nullptr;
  }
  if (m_bitmap != nullptr) {
    DeleteObject(m_bitmap);
    m_bitmap = nullptr;
  }
  m_backPixels.clear();
  m_backPixels.shrink_to_fit();
  m_backgroundPixels.clear();
  m_backgroundPixels.shrink_to_fit();
  m_pixels16.clear();
  m_pixels16.shrink_to_fit();
  m_pixels24.clear();
  m_pixels24.shrink_to_fit();
  m_backBuffer.pixels = nullptr;
  m_backBuffer.width = 0;
  m_backBuffer.height = 0;
}

void Screen::Resize(int32_t width, int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  m_view.width = width;
  m_view.height = height;
  m_view.halfWidth = width / 2;
  m_view.halfHeight = height / 2;
  ClampCentre();
  SetupLayerViews();
  const size_t count = static_cast<size_t>(width) * height;
  m_backPixels.assign(count, 0);
  m_backBuffer.pixels = m_backPixels.data();
  m_backBuffer.width = width;
  m_backBuffer.height = height;
  m_backgroundPixels.assign(count, 0);
  if (m_bytesPerPixel == 2) {
    m_pixels16.assign(count, 0);
  } else if (m_bytesPerPixel == 3) {
    m_pixels24.assign(count * 3, 0);
  }
  if ((m_backgroundFlags & BG_FLAG_BUFFERED) != 0) {
    DrawBackground(m_backgroundPixels.data());
  }
}

void Screen::SetupLayerViews() {
  for (int i = 0; i < SCREEN_LAYER_COUNT; ++i) {
    if (i >= 3) {
      ViewInfo fixed = m_view;
      fixed.centreX = m_view.halfWidth;
      fixed.centreY = m_view.halfHeight;
      m_layers[i].SetView(fixed);
      m_layers[i].SetBounds(0, 0, m_view.width, m_view.height);
    } else {
      m_layers[i].SetView(m_view);
    }
  }
}

void Screen::ClampCentre() {
  if (m_view.sceneWidth < m_view.centreX + m_view.halfWidth) {
    m_view.centreX = m_view.sceneWidth - m_view.halfWidth;
  }
  if (m_view.centreX - m_view.halfWidth < 0) {
    m_view.centreX = m_view.halfWidth;
  }
  if (m_view.sceneHeight < m_view.centreY + m_view.halfHeight) {
    m_view.centreY = m_view.sceneHeight - m_view.halfHeight;
  }
  if (m_view.centreY - m_view.halfHeight < 0) {
    m_view.centreY = m_view.halfHeight;
  }
}

void Screen::GetViewInfo(ViewInfo* out) const { *out = m_view; }

void Screen::SetSceneSize(int32_t width, int32_t height) {
  m_view.sceneWidth = width;
  m_view.sceneHeight = height;
  ClampCentre();
  for (int i = 0; i < 3; ++i) {
    m_layers[i].SetBounds(0, 0, width, height);
  }
}

void Screen::SetScroll(int32_t x, int32_t y, int32_t redraw) {
  m_view.centreX = x;
  m_view.centreY = y;
  ClampCentre();
  if ((m_backgroundFlags & BG_FLAG_BUFFERED) != 0 && redraw != 0 && !m_backgroundPixels.empty()) {
    DrawBackground(m_backgroundPixels.data());
  }
  for (int i = 0; i < 3; ++i) {
    m_layers[i].SetViewCentre(m_view);
  }
}

void Screen::ScrollBy(int32_t dx, int32_t dy) {
  m_view.centreX += dx;
  m_view.centreY += dy;
  ClampCentre();
  if ((m_backgroundFlags & BG_FLAG_BUFFERED) != 0 && !m_backgroundPixels.empty()) {
    DrawBackground(m_backgroundPixels.data());
  }
  for (int i = 0; i < 3; ++i) {
    m_layers[i].SetViewCentre(m_view);
  }
}

void Screen::ScreenToLayer(POINT* out, int layer, int32_t x, int32_t y) const {
  if (!ValidLayer(layer)) {
    *out = POINT{x, y};
    return;
  }
  m_layers[layer].ScreenToLayer(out, x, y);
}

void Screen::LayerToScreen(POINT* out, int layer, int32_t x, int32_t y) const {
  if (!ValidLayer(layer)) {
    *out = POINT{x, y};
    return;
  }
  m_layers[layer].LayerToScreen(out, x, y);
}

int Screen::ClipLayerRect(int layer, RECT* rect, int32_t, int32_t) const {
  return ValidLayer(layer) ? m_layers[layer].LayerRectToScreen(rect) : 0;
}

int Screen::SetBackgroundMode(int32_t mode) {
  m_backgroundMode = mode;
  m_captureFlag = 2;
  return ENGINE_OK;
}

int Screen::SetBackground(uint32_t resourceId, int32_t x, int32_t y, int32_t w, int32_t h,
                          int32_t flags) {
  const ImageRecord* image = FindImage(resourceId);
  if (image == nullptr) {
    return 0;
  }
  const int32_t pictureWidth = image->width;
  const int32_t pictureHeight = image->height;
  // The rectangle is cut to the picture on all four sides.
  if (x < 0) {
    w += x;
    x = 0;
  }
  if (y < 0) {
    h += y;
    y = 0;
  }
  if (pictureHeight - y < h) h = pictureHeight - y;
  if (pictureWidth - x < w) w = pictureWidth - x;
  if (h < 0 || w < 0) {
    return 0;
  }
  m_view.centreX = m_view.halfWidth;
  m_view.centreY = m_view.halfHeight;
  SetSceneSize(m_view.width, m_view.height);
  m_backgroundMode = BG_MODE_PICTURE;
  m_pictureCount = 1;
  m_slots[0] = BackgroundSlot{resourceId, x, y, w, h};
  m_tileColumns = 1;
  m_tileRows = 1;
  m_tileWidth = pictureWidth - x;
  m_tileHeight = pictureHeight - y;
  m_backgroundFlags = flags;
  if ((m_backgroundFlags & BG_FLAG_BUFFERED) != 0 && !m_backgroundPixels.empty()) {
    DrawBackground(m_backgroundPixels.data());
  }
  InvalidateRect(0, 0, m_view.width, m_view.height);
  return ENGINE_OK;
}

void Screen::RestoreBackground() {
  if ((m_backgroundFlags & BG_FLAG_BUFFERED) != 0 && !m_backgroundPixels.empty()) {
    DrawBackground(m_backgroundPixels.data());
  }
}

void Screen::SetFullInvalidate(int32_t flag) {
  const int32_t newFlag = flag != 0 ? 1 : 0;
  if (m_fullRedraw == 1 && newFlag == 0 && m_fullRedrawDirty) {
    // The areas that full-redraw mode kept as one marker are merged in the next frame.
    m_fullRedrawDirty = false;
    m_fullRedraw = 0;
    InvalidateAll();
    return;
  }
  m_fullRedraw = newFlag;
}

EntityPlacement Screen::ViewPlacement() const {
  EntityPlacement p{};
  p.width = m_view.width;
  p.height = m_view.height;
  p.viewX = (m_view.width + 1) / 2;
  p.viewY = (m_view.height + 1) / 2;
  return p;
}

void Screen::InvalidateRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  EntityPlacement p{};
  p.width = right - left;
  p.height = bottom - top;
  p.viewX = left + (p.width + 1) / 2;
  p.viewY = top + (p.height + 1) / 2;
  p.x = p.viewX;
  p.y = p.viewY;
  m_layers[0].AddDirtyPlacement(p);
  m_drew = 1;
}

void Screen::InvalidateAll() { InvalidateRect(0, 0, m_backBuffer.width, m_backBuffer.height); }

void Screen::MarkItemForRedraw(int layer, int32_t handle) {
  if (ValidLayer(layer)) m_layers[layer].MarkForRedraw(handle);
}

int Screen::TakeDrewFlag() {
  const int drew = m_drew;
  m_drew = 0;
  return drew;
}

int Screen::HasDirty() const {
  for (const ScreenLayer& layer : m_layers) {
    if (layer.HasDirty()) return 1;
  }
  return (m_fullRedraw && m_fullRedrawDirty) ? 1 : 0;
}

void Screen::CollectDirtyRects() {
  m_dirtyRects.clear();
  if (m_fullRedraw) {
    m_dirtyRects.push_back(RECT{0, 0, m_view.width, m_view.height});
    // The layers' areas are not needed while every frame is drawn whole; one marker stands for
    // them so that the lists do not grow frame after frame.
    for (ScreenLayer& layer : m_layers) {
      if (layer.HasDirty()) {
        std::vector<RECT> dropped;
        layer.MergeDirtyRects(dropped);
        m_fullRedrawDirty = true;
      }
    }
    return;
  }
  for (ScreenLayer& layer : m_layers) {
    layer.MergeDirtyRects(m_dirtyRects);
  }
}

void Screen::FillSolid(const PixelSurface& buffer, EntityPlacement& p, COLORREF color) {
  RECT r;
  if (p.angle == 0.0) {
    r.left = p.viewX - (p.width + 1) / 2;
    r.top = p.viewY - (p.height + 1) / 2;
    r.right = r.left + p.width;
    r.bottom = r.top + p.height;
  } else {
    if (p.radius < 1) {
      p.radius = BoundingRadius(p.width, p.height);
    }
    r = RECT{p.viewX - p.radius, p.viewY - p.radius, p.viewX + p.radius, p.viewY + p.radius};
  }
  r.left = std::max<LONG>(r.left, 0);
  r.top = std::max<LONG>(r.top, 0);
  r.right = std::min<LONG>(r.right, buffer.width);
  r.bottom = std::min<LONG>(r.bottom, buffer.height);
  if (buffer.pixels == nullptr || r.left >= r.right || r.top >= r.bottom) {
    return;
  }
  const uint32_t pixel = 0xff000000u | ((color & 0xff) << 16) | (color & 0xff00) |
                         ((color >> 16) & 0xff);
  for (LONG y = r.top; y < r.bottom; ++y) {
    uint32_t* row = buffer.pixels + static_cast<ptrdiff_t>(y) * buffer.width;
    std::fill(row + r.left, row + r.right, pixel);
  }
}

void Screen::DrawBackground(uint32_t* pixels) {
  const size_t count = static_cast<size_t>(m_view.width) * m_view.height;
  const PixelSurface surface = SurfaceOf(pixels, m_view.width, m_view.height);
  auto clear = [&] { std::memset(pixels, 0, count * 4); };
  auto drawSlot = [&](const BackgroundSlot& slot, EntityPlacement placement) {
    const ImageRecord* image = FindImage(slot.resourceId);
    if (image == nullptr) {
      return;
    }
    DrawEntityToBuffer(surface, placement, *image, slot.sourceX, slot.sourceY, slot.sourceWidth,
                       slot.sourceHeight, 1.0, DEFAULT_KEY_COLOR);
  };
  switch (m_backgroundMode) {
    case BG_MODE_PICTURE: {
      clear();
      if (m_pictureCount != 0) {
        drawSlot(m_slots[0], ViewPlacement());
      }
      break;
    }
    case BG_MODE_COLOR: {
      EntityPlacement p = ViewPlacement();
      FillSolid(surface, p, m_backgroundColor);
      break;
    }
    case BG_MODE_TWO_PICTURES: {
      clear();
      if (m_pictureCount == 2) {
        drawSlot(m_slots[0], ViewPlacement());
        EntityPlacement tile = ViewPlacement();
        tile.width = m_tileWidth;
        tile.height = m_tileHeight;
        drawSlot(m_slots[1], tile);
      }
      break;
    }
    default:
      clear();
      if (m_pictureCount != 0) {
        DrawTiles(pixels);
      }
      break;
  }
}

void Screen::DrawTiles(uint32_t* pixels) {
  // A tile grid without size would divide by zero; it shows nothing.
  if (m_tileWidth <= 0 || m_tileHeight <= 0) {
    return;
  }
  const RECT v{m_view.centreX - m_view.halfWidth, m_view.centreY - m_view.halfHeight,
               m_view.centreX + m_view.halfWidth, m_view.centreY + m_view.halfHeight};
  for (int32_t i = v.left / m_tileWidth; i <= v.right / m_tileWidth; ++i) {
    for (int32_t j = v.top / m_tileHeight; j <= v.bottom / m_tileHeight; ++j) {
      const int64_t index = static_cast<int64_t>(m_tileColumns) * j + i;
      // Only filled slots are read; the rest of the grid stays clear.
      if (index < 0 || index >= BACKGROUND_SLOT_COUNT || index >= m_pictureCount) {
        continue;
      }
      const BackgroundSlot& slot = m_slots[static_cast<size_t>(index)];
      const ImageRecord* image = FindImage(slot.resourceId);
      if (image == nullptr || image->pixels == nullptr || IsPalettised(*image) ||
          slot.sourceWidth <= 0) {
        continue;
      }
      const RECT t{i * m_tileWidth, j * m_tileHeight, i * m_tileWidth + m_tileWidth,
                   j * m_tileHeight + m_tileHeight};
      RECT cut;
      if (!IntersectRect(&cut, &t, &v)) {
        continue;
      }
      const uint64_t available = image->bufferSize / 4;
      const auto* src = reinterpret_cast<const uint32_t*>(image->pixels);
      for (LONG y = cut.top; y < cut.bottom; ++y) {
        const int64_t destY = y - v.top;
        if (destY < 0 || destY >= m_view.height) continue;
        const uint64_t from =
            static_cast<uint64_t>(y - t.top) * slot.sourceWidth + (cut.left - t.left);
        int64_t n = std::min<int64_t>(cut.right - cut.left, m_view.width - (cut.left - v.left));
        // Rows are read only from inside the picture's pixel block.
        if (from >= available) continue;
        n = std::min<int64_t>(n, static_cast<int64_t>(available - from));
        if (n <= 0 || cut.left - v.left < 0) continue;
        std::memcpy(pixels + destY * m_view.width + (cut.left - v.left), src + from,
                    static_cast<size_t>(n) * 4);
      }
    }
  }
}

void Screen::PrepareBackBuffer() {
  if (m_backPixels.empty()) {
    return;
  }
  if ((m_backgroundFlags & BG_FLAG_BUFFERED) != 0 &&
      m_backgroundPixels.size() == m_backPixels.size()) {
    std::memcpy(m_backPixels.data(), m_backgroundPixels.data(), m_backPixels.size() * 4);
  } else {
    DrawBackground(m_backPixels.data());
  }
}

uint16_t Screen::PackRgb565(uint32_t p) {
  return static_cast<uint16_t>(((p & 0xf8) >> 3) | (((p >> 8) & 0xfc) << 3) |
                               (((p >> 16) & 0xf8) << 8));
}

uint32_t Screen::UnpackRgb565(uint16_t v) {
  return (((v & 0xf800u) >> 8) << 16) | (((v & 0x7e0u) >> 3) << 8) | ((v & 0x1fu) << 3);
}

void Screen::CaptureWindow(HDC target) {
  m_backBuffer.bytesPerPixel = m_bytesPerPixel;
  BitBlt(m_memoryDc, 0, 0, m_view.width, m_view.height, target, 0, 0, SRCCOPY);
  if (m_captureFlag == 2 && m_bitmap != nullptr && !m_backPixels.empty()) {
    const size_t count = m_backPixels.size();
    if (m_bytesPerPixel == 2) {
      std::vector<uint16_t> words(count);
      GetBitmapBits(m_bitmap, static_cast<LONG>(count * 2), words.data());
      for (size_t i = 0; i < count; ++i) m_backPixels[i] = UnpackRgb565(words[i]);
    } else if (m_bytesPerPixel == 3) {
      // Packed B, G, R triples; the captured pixels get alpha 0 as the 16-bit ones do.
      std::vector<uint8_t> bytes(count * 3);
      GetBitmapBits(m_bitmap, static_cast<LONG>(count * 3), bytes.data());
      for (size_t i = 0; i < count; ++i) {
        m_backPixels[i] = bytes[3 * i] | (bytes[3 * i + 1] << 8) | (bytes[3 * i + 2] << 16);
      }
    } else {
      GetBitmapBits(m_bitmap, static_cast<LONG>(count * 4), m_backPixels.data());
    }
  }
  m_backBuffer.bytesPerPixel = 4;
}

void Screen::DrawLayer(int layer) {
  ScreenLayer& l = m_layers[layer];
  if (m_fullRedraw) {
    l.CollectAllItems();
  } else {
    l.CollectDirtyItems(m_dirtyRects);
  }
  // The frame list is copied first: drawing an item never changes the layer, but the copy keeps
  // the walk independent of it.
  const std::vector<LayerItem> items = l.GetFrameList();
  for (const LayerItem& item : items) {
    DrawItem(item);
  }
  l.ClearFrameList();
}

void Screen::WriteBitmapBits(HBITMAP bitmap) {
  if (bitmap == nullptr || m_backPixels.empty()) {
    return;
  }
  const size_t count = m_backPixels.size();
  if (m_bytesPerPixel == 2 && m_pixels16.size() == count) {
    for (size_t i = 0; i < count; ++i) m_pixels16[i] = PackRgb565(m_backPixels[i]);
    SetBitmapBits(bitmap, static_cast<DWORD>(count * 2), m_pixels16.data());
  } else if (m_bytesPerPixel == 3 && m_pixels24.size() == count * 3) {
    for (size_t i = 0; i < count; ++i) {
      const uint32_t p = m_backPixels[i];
      m_pixels24[3 * i] = static_cast<uint8_t>(p);
      m_pixels24[3 * i + 1] = static_cast<uint8_t>(p >> 8);
      m_pixels24[3 * i + 2] = static_cast<uint8_t>(p >> 16);
    }
    SetBitmapBits(bitmap, static_cast<DWORD>(count * 3), m_pixels24.data());
  } else {
    SetBitmapBits(bitmap, static_cast<DWORD>(count * 4), m_backPixels.data());
  }
}

int Screen::RenderFrame(uint32_t time, HDC target) {
  m_frameTime = time;
  if (!HasDirty()) {
    return -1;
  }
  CollectDirtyRects();
  HBITMAP targetBitmap = static_cast<HBITMAP>(GetCurrentObject(target, OBJ_BITMAP));
  BITMAP info{};
  if (targetBitmap != nullptr && GetObject(targetBitmap, sizeof(info), &info) != 0 &&
      (info.bmWidth != m_view.width || info.bmHeight != m_view.height)) {
    RecreateSurfaces(target, info.bmWidth, info.bmHeight);
  }
  if (m_backgroundMode == BG_MODE_WINDOW) {
    CaptureWindow(target);
  } else {
    PrepareBackBuffer();
  }
  for (int layer = 1; layer < SCREEN_LAYER_COUNT; ++layer) {
    DrawLayer(layer);
  }
  if (m_fullRedraw == 0) {
    WriteBitmapBits(m_bitmap);
    for (const RECT& r : m_dirtyRects) {
      BitBlt(target, r.left, r.top, r.right - r.left, r.bottom - r.top, m_memoryDc, r.left, r.top,
             SRCCOPY);
    }
  } else {
    WriteBitmapBits(targetBitmap);
  }
  m_drew = 1;
  return 0;
}

int32_t Screen::AddItem(int layer, const char* name, uint32_t entityId, int32_t ignored,
                        EntityPlacement* placement, double alpha, int32_t visible,
                        EntityData* data) {
  if (!ValidLayer(layer) || placement == nullptr) {
    return 0;
  }
  return m_layers[layer].AddItem(name, entityId, ignored, placement, alpha, visible, data);
}

void Screen::UpdateItem(int layer, int32_t handle, int32_t visibleMode, int32_t ignored,
                        double alpha) {
  if (ValidLayer(layer)) m_layers[layer].UpdateItem(handle, ignored, visibleMode, alpha);
}

void Screen::UpdateItemEx(int layer, int32_t handle, int32_t visibleMode, int32_t ignored,
                          double alpha, EntityPlacement* placement) {
  if (ValidLayer(layer) && placement != nullptr) {
    m_layers[layer].UpdateItemEx(handle, ignored, visibleMode, alpha, placement);
  }
}

void Screen::RemoveItem(int layer, int32_t handle) {
  if (ValidLayer(layer)) m_layers[layer].RemoveItem(handle);
}

int Screen::SetItemState(int layer, int32_t handle, int32_t flag) {
  return ValidLayer(layer) ? m_layers[layer].SetItemState(handle, flag) : 0;
}

uint32_t Screen::FindLayerItem(int layer, int32_t handle) const {
  return ValidLayer(layer) ? m_layers[layer].FindItem(handle) : 0;
}

void Screen::PushFocus(int32_t handle) { m_layers[4].PushFocus(handle); }
void Screen::RemoveFocus(int32_t handle) { m_layers[4].RemoveFocus(handle); }
uint32_t Screen::GetFocus() const { return m_layers[4].GetFocus(); }

uint32_t Screen::HitTest(int32_t x, int32_t y) {
  for (int layer = 4; layer >= 1; --layer) {
    const uint32_t id = m_layers[layer].HitTest(x, y, m_images);
    if (id != 0) return id;
  }
  return 0;
}

void Screen::DrawItem(const LayerItem& item) {
  if (item.data == nullptr) {
    return;
  }
  const EntityData& data = *item.data;
  EntityPlacement& placement = *item.placement;
  switch (data.kind) {
    case BIT_SINGLE: {
      const auto* state = static_cast<const PictureState*>(data.state);
      if (state == nullptr || state->resourceId == 0) return;
      // The picture is found by id at every draw; one that was unloaded draws nothing.
      const ImageRecord* image = FindImage(static_cast<uint32_t>(state->resourceId));
      if (image == nullptr) return;
      DrawEntityToBuffer(m_backBuffer, placement, *image, state->sourceX, state->sourceY,
                         state->width, state->height, item.alpha, state->backColor);
      break;
    }
    case ENTITY_KIND_STRIP:
      DrawStrip(m_backBuffer, static_cast<StripPlayState*>(data.state), placement, item.alpha);
      break;
    case ENTITY_KIND_GROUP:
      DrawGroup(m_backBuffer, placement, static_cast<const DotSetState*>(data.state), item.alpha);
      break;
    case ENTITY_KIND_BOUNDPICTURE: {
      const auto* mirror = static_cast<const BoundPictureState*>(data.state);
      if (mirror == nullptr || !ValidLayer(mirror->targetLayer)) return;
      const LayerItem* target = m_layers[mirror->targetLayer].GetItem(mirror->targetHandle);
      // A mirror shows one level: a target that is itself a mirror draws nothing.
      if (target == nullptr || target->data == nullptr ||
          target->data->kind == ENTITY_KIND_BOUNDPICTURE) {
        return;
      }
      LayerItem shown = item;
      shown.data = target->data;
      DrawItem(shown);
      break;
    }
    case ENTITY_KIND_PLANE:
      DrawPlane(m_backBuffer, placement, static_cast<const PlaneData*>(data.state), item.alpha);
      break;
    case ENTITY_KIND_PARTICLE:
      DrawParticleEmitter(m_backBuffer, placement,
                          static_cast<const ParticleEmitterState*>(data.state));
      break;
    default:
      break;
  }
}

void Screen::DrawStrip(const PixelSurface& buffer, StripPlayState* strip,
                       EntityPlacement& placement, double alpha) {
  if (strip == nullptr) return;
  if ((strip->flags & STRIP_FLAG_SCREEN_ADVANCES) != 0) {
    strip->Advance(m_frameTime);
  }
  if (strip->resourceId == 0) return;
  const ImageRecord* image = FindImage(static_cast<uint32_t>(strip->resourceId));
  if (image == nullptr) return;
  DrawEntityToBuffer(buffer, placement, *image, strip->sourceX, strip->sourceY, strip->frameWidth,
                     strip->frameHeight, alpha, DEFAULT_KEY_COLOR);
}

void Screen::DrawGroup(const PixelSurface& buffer, EntityPlacement& placement,
                       const DotSetState* dots, double alpha) {
  RECT v;
  v.left = m_view.centreX - m_view.halfWidth;
  v.top = m_view.centreY - m_view.halfHeight;
  v.right = v.left + buffer.width;
  v.bottom = v.top + buffer.height;
  if ((placement.flags & PLACEMENT_FLAG_CLIP) != 0) {
    RECT k;
    if (!IntersectRect(&k, &v, &placement.clip)) return;
    DrawPointList(buffer, v.left, v.top, k.left, k.top, k.right, k.bottom, dots, alpha);
    return;
  }
  DrawPointList(buffer, v.left, v.top, v.left, v.top, v.right, v.bottom, dots, alpha);
}

void Screen::DrawPlane(const PixelSurface& buffer, EntityPlacement& placement,
                       const PlaneData* plane, double alpha) {
  if (plane == nullptr || plane->pixels == nullptr || plane->width <= 0 || plane->height <= 0 ||
      plane->width > 0xffff || plane->height > 0xffff) {
    return;
  }
  // The plane's pixels described as a 32-bit picture with an alpha channel.
  ImageRecord scratch{};
  scratch.width = static_cast<uint16_t>(plane->width);
  scratch.height = static_cast<uint16_t>(plane->height);
  scratch.pixels = reinterpret_cast<uint8_t*>(plane->pixels);
  scratch.bufferSize = static_cast<uint32_t>(plane->width) * plane->height * 4;
  scratch.frameCount = 1;
  scratch.flags = IMGFLAG_ALPHA;
  DrawEntityToBuffer(buffer, placement, scratch, 0, 0, plane->width, plane->height, alpha,
                     plane->backColor);
}

void Screen::DrawParticleEmitter(const PixelSurface& buffer, EntityPlacement& placement,
                                 const ParticleEmitterState* emitter) {
  if (emitter == nullptr || emitter->pixels == nullptr || !ValidLayer(emitter->layer)) return;
  const RECT clip{0, 0, buffer.width, buffer.height};
  const int32_t w = emitter->width;
  const int32_t h = emitter->height;
  const bool byAlpha = (emitter->imageFlags & IMGFLAG_ALPHA) != 0;
  for (const Particle* p = emitter->first; p != nullptr; p = p->next) {
    POINT at;
    LayerToScreen(&at, emitter->layer, p->originX + p->offsetX - (w + 1) / 2,
                  p->originY + p->offsetY - (h + 1) / 2);
    const bool turned = std::trunc(p->angle) != 0.0;
    if (byAlpha) {
      if (!turned) {
        BlitImageRgbaAlpha(buffer.pixels, at.x, at.y, buffer.width, buffer.height, clip,
                           emitter->pixels, 0, 0, w, h, w, h, p->alpha, DEFAULT_KEY_COLOR);
      } else {
        BlitImageRotatedRgbaAlpha(buffer.pixels, at.x, at.y, buffer.width, buffer.height, clip,
                                  emitter->pixels, 0, 0, w, h, w, h, p->angle, p->alpha,
                                  DEFAULT_KEY_COLOR);
      }
    } else if (!turned) {
      BlitImageRgba(buffer.pixels, at.x, at.y, buffer.width, buffer.height, clip, emitter->pixels,
                    0, 0, w, h, w, h, p->alpha, DEFAULT_KEY_COLOR);
    } else {
      BlitImageRotatedRgba(buffer.pixels, at.x, at.y, buffer.width, buffer.height, clip,
                           emitter->pixels, 0, 0, w, h, w, h, p->angle, p->alpha,
                           DEFAULT_KEY_COLOR);
    }
  }
}
