// Small pieces for screen tests: pictures served by id, entities reduced to what the screen reads,
// and a 32-bit target device context.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "engine/EntityData.h"
#include "engine/EntityPlacement.h"
#include "engine/ImageSource.h"
#include "engine/Screen.h"
#include "platform/gdi/Gdi.h"

// A solid 32-bit picture (optionally with a transparent hole) kept by id.
class TestImages : public ImageSource {
 public:
  const ImageRecord* GetImage(uint32_t id) override {
    auto it = m_images.find(id);
    return it == m_images.end() ? nullptr : &it->second.record;
  }
  void AddSolid(uint32_t id, int w, int h, uint32_t pixel, int32_t flags = 0) {
    Entry& e = m_images[id];
    e.pixels.assign(static_cast<size_t>(w) * h, pixel);
    e.record = ImageRecord{};
    e.record.resourceId = id;
    e.record.width = static_cast<uint16_t>(w);
    e.record.height = static_cast<uint16_t>(h);
    e.record.frameCount = 1;
    e.record.pixels = reinterpret_cast<uint8_t*>(e.pixels.data());
    e.record.bufferSize = static_cast<uint32_t>(e.pixels.size() * 4);
    e.record.flags = flags;
  }
  std::vector<uint32_t>& Pixels(uint32_t id) { return m_images[id].pixels; }
  void Remove(uint32_t id) { m_images.erase(id); }

 private:
  struct Entry {
    std::vector<uint32_t> pixels;
    ImageRecord record;
  };
  std::map<uint32_t, Entry> m_images;
};

// What the screen needs of a picture entity; the address stays fixed while attached.
struct TestPicture {
  EntityPlacement placement{};
  EntityData data{};
  PictureState state{};
  int layer = 1;
  int32_t handle = 0;

  TestPicture(uint32_t resourceId, int x, int y, int w, int h, int level = 0) {
    placement.x = x;
    placement.y = y;
    placement.width = w;
    placement.height = h;
    placement.level = level;
    state.resourceId = static_cast<int32_t>(resourceId);
    state.width = w;
    state.height = h;
    state.backColor = DEFAULT_KEY_COLOR;
    data.kind = BIT_SINGLE;
    data.state = &state;
    data.width = w;
    data.height = h;
  }
  void Attach(Screen& screen, uint32_t entityId, int onLayer, int visible = 1) {
    layer = onLayer;
    handle = screen.AddItem(layer, "", entityId, 0, &placement, 1.0, visible, &data);
  }
  void MoveTo(Screen& screen, int x, int y) {
    placement.x = x;
    placement.y = y;
    screen.UpdateItemEx(layer, handle, 2, 0, 1.0, &placement);
  }
};

// A memory device context holding a 32-bit bitmap, standing for the engine's back buffer.
class TestTarget {
 public:
  TestTarget(int w, int h) : m_width(w), m_height(h) {
    m_dc = CreateCompatibleDC(nullptr);
    m_bitmap = CreateBitmap(w, h, 1, 32, nullptr);
    m_old = SelectObject(m_dc, m_bitmap);
  }
  ~TestTarget() {
    SelectObject(m_dc, m_old);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
  }
  HDC Dc() const { return m_dc; }
  std::vector<uint32_t> Pixels() const {
    std::vector<uint32_t> out(static_cast<size_t>(m_width) * m_height);
    GetBitmapBits(m_bitmap, static_cast<LONG>(out.size() * 4), out.data());
    return out;
  }
  void Fill(uint32_t pixel) {
    std::vector<uint32_t> p(static_cast<size_t>(m_width) * m_height, pixel);
    SetBitmapBits(m_bitmap, static_cast<DWORD>(p.size() * 4), p.data());
  }
  uint32_t At(int x, int y) const { return Pixels()[static_cast<size_t>(y) * m_width + x]; }

 private:
  int m_width;
  int m_height;
  HDC m_dc;
  HBITMAP m_bitmap;
  HGDIOBJ m_old;
};

inline uint64_t HashPixels(const std::vector<uint32_t>& pixels) {
  uint64_t h = 1469598103934665603ull;
  for (uint32_t p : pixels) {
    for (int k = 0; k < 4; ++k) {
      h ^= (p >> (8 * k)) & 0xff;
      h *= 1099511628211ull;
    }
  }
  return h;
}
