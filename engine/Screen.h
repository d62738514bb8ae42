// The engine's software compositor: the view onto the scene, five layers of items, a 32-bit back
// buffer kept with a GDI memory device context, the background, and the dirty areas. Each frame
// redraws only what changed and copies only the dirty rectangles into the target device context.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/EntityData.h"
#include "engine/EntityPlacement.h"
#include "engine/ImageSource.h"
#include "engine/PixelSurface.h"
#include "engine/ScreenLayer.h"
#include "engine/StripPlayState.h"
#include "engine/ViewInfo.h"
#include "platform/gdi/Gdi.h"

// Background modes.
constexpr int32_t BG_MODE_WINDOW = 1;
constexpr int32_t BG_MODE_PICTURE = 2;
constexpr int32_t BG_MODE_COLOR = 4;
constexpr int32_t BG_MODE_TWO_PICTURES = 5;
// Background flag: the background is drawn once into its own buffer and copied every frame.
constexpr int32_t BG_FLAG_BUFFERED = 0x1;

constexpr int SCREEN_LAYER_COUNT = 5;
constexpr int BACKGROUND_SLOT_COUNT = 100;

struct BackgroundSlot {
  uint32_t resourceId;
  int32_t sourceX;
  int32_t sourceY;
  int32_t sourceWidth;
  int32_t sourceHeight;
};

class Screen {
 public:
  // Takes its pictures from the resource manager.
  Screen();
  // Takes its pictures from the given source (which must outlive the screen).
  explicit Screen(ImageSource* images);
  virtual ~Screen();
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  void Init(HDC target, int32_t width, int32_t height);
  void RecreateSurfaces(HDC target, int32_t width, int32_t height);
  void ReleaseSurfaces();

  // View.
  void GetViewInfo(ViewInfo* out) const;
  void SetScroll(int32_t x, int32_t y, int32_t redrawBackground);
  void ScrollBy(int32_t dx, int32_t dy);
  void SetSceneSize(int32_t width, int32_t height);
  void ScreenToLayer(POINT* out, int layer, int32_t x, int32_t y) const;
  void LayerToScreen(POINT* out, int layer, int32_t x, int32_t y) const;
  int ClipLayerRect(int layer, RECT* rect, int32_t ignored1, int32_t ignored2) const;

  // Background.
  int SetBackgroundMode(int32_t mode);
  int SetBackground(uint32_t resourceId, int32_t sourceX, int32_t sourceY, int32_t sourceWidth,
                    int32_t sourceHeight, int32_t flags);
  void RestoreBackground();
  void SetBackgroundColor(COLORREF color) { m_backgroundColor = color; }
  void SetFullInvalidate(int32_t flag);

  // Dirty areas and frames.
  void InvalidateRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  void InvalidateAll();
  void MarkItemForRedraw(int layer, int32_t handle);
  // -1 when nothing was dirty (nothing drawn), 0 after a drawn frame.
  int RenderFrame(uint32_t time, HDC target);
  // Reads and clears the flag that a frame was drawn or an area invalidated.
  int TakeDrewFlag();

  // Items; an index outside 0..4 is refused (handle 0, result 0, nothing done).
  int32_t AddItem(int layer, const char* name, uint32_t entityId, int32_t ignored,
                  EntityPlacement* placement, double alpha, int32_t visible, EntityData* data);
  void UpdateItem(int layer, int32_t handle, int32_t visibleMode, int32_t ignored, double alpha);
  void UpdateItemEx(int layer, int32_t handle, int32_t visibleMode, int32_t ignored, double alpha,
                    EntityPlacement* placement);
  void RemoveItem(int layer, int32_t handle);
  int SetItemState(int layer, int32_t handle, int32_t flag);
  uint32_t FindLayerItem(int layer, int32_t handle) const;

  // Focus stack of layer 4 and the hit test of layers 4 to 1.
  void PushFocus(int32_t handle);
  void RemoveFocus(int32_t handle);
  uint32_t GetFocus() const;
  uint32_t HitTest(int32_t x, int32_t y);

  // Item drawing.
  void DrawItem(const LayerItem& item);
  void DrawStrip(const PixelSurface& buffer, StripPlayState* strip, EntityPlacement& placement,
                 double alpha);
  void DrawGroup(const PixelSurface& buffer, EntityPlacement& placement, const DotSetState* dots,
                 double alpha);
  void DrawPlane(const PixelSurface& buffer, EntityPlacement& placement, const PlaneData* plane,
                 double alpha);
  void DrawParticleEmitter(const PixelSurface& buffer, EntityPlacement& placement,
                           const ParticleEmitterState* emitter);
  static void FillSolid(const PixelSurface& buffer, EntityPlacement& placement, COLORREF color);

  // Depth conversions of the frame copy and the window capture: a pixel to and from the RGB565
  // word of a 16-bit device (the capture's alpha is 0).
  static uint16_t PackRgb565(uint32_t pixel);
  static uint32_t UnpackRgb565(uint16_t word);

  // The picture of a resource id from the screen's picture source, or null.
  const ImageRecord* FindImage(uint32_t resourceId) const;
  ScreenLayer* GetLayer(int layer);
  const PixelSurface& GetBackBuffer() const { return m_backBuffer; }
  const std::vector<RECT>& GetDirtyRects() const { return m_dirtyRects; }
  uint32_t GetFrameTime() const { return m_frameTime; }

 private:
  void Resize(int32_t width, int32_t height);
  void ClampCentre();
  void SetupLayerViews();
  int HasDirty() const;
  void CollectDirtyRects();
  void DrawBackground(uint32_t* pixels);
  void DrawTiles(uint32_t* pixels);
  void PrepareBackBuffer();
  void CaptureWindow(HDC target);
  void DrawLayer(int layer);
  void WriteBitmapBits(HBITMAP bitmap);
  EntityPlacement ViewPlacement() const;
  bool ValidLayer(int layer) const { return layer >= 0 && layer < SCREEN_LAYER_COUNT; }

  uint8_t m_bitsPerPixel = 32;
  uint8_t m_bytesPerPixel = 4;
  int32_t m_drew = 0;
  int32_t m_fullRedraw = 0;
  // Full-redraw mode keeps the layers' dirty areas as one marker: once anything was marked,
  // every frame is drawn until the mode is switched back.
  bool m_fullRedrawDirty = false;
  int32_t m_captureFlag = 2;
  ImageSource* m_images;
  std::unique_ptr<ImageSource> m_ownImages;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_oldBitmap = nullptr;
  HDC m_memoryDc = nullptr;
  std::vector<uint32_t> m_backPixels;
  PixelSurface m_backBuffer;
  int32_t m_backgroundMode = BG_MODE_COLOR;
  std::vector<uint32_t> m_backgroundPixels;
  // Conversion buffers for 16- and 24-bit devices.
  std::vector<uint16_t> m_pixels16;
  std::vector<uint8_t> m_pixels24;
  std::array<BackgroundSlot, BACKGROUND_SLOT_COUNT> m_slots{};
  int32_t m_pictureCount = 0;
  int32_t m_tileWidth = 0;
  int32_t m_tileHeight = 0;
  int32_t m_tileColumns = 0;
  int32_t m_tileRows = 0;
  int32_t m_backgroundFlags = 0;
  COLORREF m_backgroundColor = 0;
  ViewInfo m_view{};
  std::array<ScreenLayer, SCREEN_LAYER_COUNT> m_layers;
  std::vector<RECT> m_dirtyRects;
  uint32_t m_frameTime = 0;
};
