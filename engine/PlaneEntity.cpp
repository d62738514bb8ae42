#include "engine/PlaneEntity.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "engine/DrawDispatcher.h"
#include "engine/ResourceManager.h"
#include "engine/World.h"

namespace {

// The largest side a plane may have: the renderer draws planes as pictures, whose sides are
// 16-bit.
constexpr int32_t MAX_PLANE_SIDE = 0xffff;

}  // namespace

PlaneKindState* PlaneEntity::GetState(Entity* e) {
  if (e == nullptr || e->GetKind() != ENTITY_KIND_PLANE) return nullptr;
  return dynamic_cast<PlaneKindState*>(e->GetKindState());
}

PlaneData* PlaneEntity::GetData(Entity* e) {
  PlaneKindState* s = GetState(e);
  return s ? &s->data : nullptr;
}

uint32_t* PlaneEntity::GetPixels(Entity* e) {
  PlaneData* d = GetData(e);
  return d ? d->pixels : nullptr;
}

void PlaneEntity::CreatePixels(Entity* e, int32_t width, int32_t height, int32_t,
                               uint32_t fillColor) {
  if (e == nullptr || e->GetKind() != ENTITY_KIND_PLANE) return;
  if (width <= 0 || height <= 0 || width > MAX_PLANE_SIDE || height > MAX_PLANE_SIDE) return;
  if (e->IsDataReady()) e->ReleaseKindState();
  auto state = std::make_unique<PlaneKindState>();
  state->pixels.assign(static_cast<size_t>(width) * height, 0);
  PlaneData& d = state->data;
  d.width = width;
  d.height = height;
  d.pixels = state->pixels.data();
  d.bufferSize = static_cast<uint32_t>(state->pixels.size() * 4);
  d.fillColor = fillColor;
  d.keyColor = DEFAULT_KEY_COLOR;
  d.backColor = DEFAULT_KEY_COLOR;
  TextFontInfo& info = state->fontInfo;
  std::snprintf(info.face, sizeof info.face, "%s", "宋体");
  info.colour = 0;
  info.height = height / 2;
  info.weight = 400;
  info.wrap = 1;
  EntityData data{ENTITY_KIND_PLANE, 0, sizeof(PlaneData), width, height, &state->data, 0};
  e->SetKindState(std::move(state), data);
  e->SetSize(width, height);
  Clear(e);
}

uint32_t PlaneEntity::PackColor(uint32_t color, uint32_t key) {
  const uint32_t rgb = ((color & 0xff) << 16) | (color & 0xff00) | ((color >> 16) & 0xff);
  return (color & 0xffffff) == (key & 0xffffff) ? rgb : (rgb | 0xff000000u);
}

void PlaneEntity::Clear(Entity* e) {
  PlaneKindState* s = GetState(e);
  if (s == nullptr) return;
  const PlaneData& d = s->data;
  const uint32_t value =
      (d.fillColor & 0xffffff) == (d.keyColor & 0xffffff) ? 0 : PackColor(d.fillColor, d.keyColor);
  std::fill(s->pixels.begin(), s->pixels.end(), value);
}

void PlaneEntity::SetFillColor(Entity* e, uint32_t color) {
  PlaneData* d = GetData(e);
  if (d == nullptr) return;
  d->fillColor = color;
  Clear(e);
}

void PlaneEntity::SetBackColor(Entity* e, uint32_t color) {
  if (PlaneData* d = GetData(e)) d->backColor = color;
}

uint32_t PlaneEntity::ReplaceColor(Entity* e, uint32_t from, uint32_t to) {
  PlaneKindState* s = GetState(e);
  if (s == nullptr) return 0;
  const uint32_t a = PackColor(from, s->data.keyColor);
  const uint32_t b = PackColor(to, s->data.keyColor);
  uint32_t count = 0;
  for (uint32_t& p : s->pixels) {
    if (p == a) {
      p = b;
      ++count;
    }
  }
  return count;
}

void PlaneEntity::SetPixel(Entity* e, int32_t x, int32_t y, uint32_t color) {
  PlaneKindState* s = GetState(e);
  if (s == nullptr) return;
  const PlaneData& d = s->data;
  if (x < 0 || y < 0 || x >= d.width || y >= d.height) return;
  s->pixels[static_cast<size_t>(y) * d.width + x] = PackColor(color, d.keyColor);
}

void PlaneEntity::DrawBorder(Entity* e, uint32_t color) {
  PlaneData* d = GetData(e);
  if (d == nullptr) return;
  for (int32_t x = 0; x < d->width; ++x) SetPixel(e, x, 0, color);
  for (int32_t y = 0; y < d->height; ++y) SetPixel(e, 0, y, color);
  for (int32_t y = 0; y < d->height; ++y) SetPixel(e, d->width - 1, y, color);
  for (int32_t x = 0; x < d->width; ++x) SetPixel(e, x, d->height - 1, color);
}

void PlaneEntity::MakeKeyTransparent(Entity* e) {
  PlaneKindState* s = GetState(e);
  if (s == nullptr || !e->IsDataReady()) return;
  const uint32_t key = PackColor(s->data.keyColor, 0xffffffffu) & 0xffffff;
  for (uint32_t& p : s->pixels) {
    if ((p & 0xffffff) == key) p &= 0xffffff;
  }
  e->Refresh();
}

void PlaneEntity::Resize(Entity* e, int32_t width, int32_t height) {
  PlaneKindState* s = GetState(e);
  if (s == nullptr || width <= 0 || height <= 0 || width > MAX_PLANE_SIDE ||
      height > MAX_PLANE_SIDE) {
    return;
  }
  PlaneData& d = s->data;
  if (width == d.width && height == d.height) return;
  std::unique_ptr<uint32_t[]> scaled =
      ScalePixels32(s->pixels.data(), d.width, d.height, 0, 0, d.width, d.height, width, height);
  if (!scaled) return;
  s->pixels.assign(scaled.get(), scaled.get() + static_cast<size_t>(width) * height);
  d.pixels = s->pixels.data();
  d.width = width;
  d.height = height;
  d.bufferSize = static_cast<uint32_t>(s->pixels.size() * 4);
  EntityData* data = e->GetData();
  data->width = width;
  data->height = height;
}

void PlaneEntity::DrawImage(Entity* e, int32_t x, int32_t y, const ResourceFrame& frame,
                            int32_t width, int32_t height, double angle, double opacity,
                            uint32_t colour) {
  PlaneKindState* s = GetState(e);
  if (s == nullptr || frame.resourceId == 0) return;
  const ImageRecord* image = LookupImage(e, frame.resourceId);
  if (image == nullptr) return;
  const PlaneData& d = s->data;
  if (width == 0) width = d.width;
  if (height == 0) height = d.height;
  EntityPlacement placement{};
  placement.x = placement.viewX = x + (width + 1) / 2;
  placement.y = placement.viewY = y + (height + 1) / 2;
  placement.width = width;
  placement.height = height;
  placement.angle = angle;
  placement.radius = BoundingRadius(width, height);
  RECT bounds;
  if (angle != 0.0) {
    bounds = RECT{placement.x - placement.radius, placement.y - placement.radius,
                  placement.x + placement.radius, placement.y + placement.radius};
  } else {
    bounds = RECT{x, y, x + width, y + height};
  }
  if (bounds.right < 0 || bounds.left >= d.width || bounds.top >= d.height || bounds.bottom < 0) {
    return;
  }
  PixelSurface surface;
  surface.pixels = s->pixels.data();
  surface.width = d.width;
  surface.height = d.height;
  DrawEntityToBuffer(surface, placement, *image, frame.sourceX, frame.sourceY, frame.width,
                     frame.height, opacity, colour);
  MakeKeyTransparent(e);
}

void PlaneEntity::SetTextFont(Entity* e, TextFont* font, int copy) {
  PlaneKindState* s = GetState(e);
  if (s == nullptr) return;
  s->font = font;
  if (copy && font) font->GetFontInfo(&s->fontInfo);
}

void PlaneEntity::SetTextColor(Entity* e, uint32_t colour) {
  if (PlaneKindState* s = GetState(e)) s->fontInfo.colour = colour;
}

void PlaneEntity::SetFont(Entity* e, int32_t height, int32_t weight, const char* face) {
  PlaneKindState* s = GetState(e);
  if (s == nullptr) return;
  s->fontInfo.height = height;
  s->fontInfo.weight = weight;
  const char* f = face ? face : "";
  size_t n = 0;
  const size_t limit = sizeof s->fontInfo.face - 1;
  while (f[n] != 0) {
    const size_t step = static_cast<unsigned char>(f[n]) >= 0x80 && f[n + 1] != 0 ? 2 : 1;
    if (n + step > limit) break;
    n += step;
  }
  std::memcpy(s->fontInfo.face, f, n);
  s->fontInfo.face[n] = 0;
}

TextFontInfo* PlaneEntity::GetFontInfo(Entity* e) {
  PlaneKindState* s = GetState(e);
  return s ? &s->fontInfo : nullptr;
}

void PlaneEntity::DrawText(Entity* e, int32_t x, int32_t y, const char* text) {
  PlaneKindState* s = GetState(e);
  if (s == nullptr || text == nullptr) return;
  BYTE* pixels = reinterpret_cast<BYTE*>(s->pixels.data());
  if (s->font != nullptr) {
    TextFontInfo saved;
    s->font->GetFontInfo(&saved);
    s->font->SelectFont(s->fontInfo);
    s->font->DrawText(pixels, s->data.width, s->data.height, x, y, text);
    s->font->SelectFont(saved);
  } else {
    TextFont font;
    font.Init();
    font.SelectFont(s->fontInfo);
    font.DrawText(pixels, s->data.width, s->data.height, x, y, text);
    font.ReleaseDC();
  }
  MakeKeyTransparent(e);
}

void PlaneEntity::FitToText(Entity* e, const char* text) {
  PlaneKindState* s = GetState(e);
  if (s == nullptr || text == nullptr) return;
  int w = 0;
  int h = 0;
  if (s->font != nullptr) {
    TextFontInfo saved;
    s->font->GetFontInfo(&saved);
    s->font->SelectFont(s->fontInfo);
    s->font->MeasureText(0, 0, text, &w, &h);
    s->font->SelectFont(saved);
  } else {
    TextFont font;
    font.SelectFont(s->fontInfo);
    font.MeasureText(0, 0, text, &w, &h);
  }
  Resize(e, w, h);
  MakeKeyTransparent(e);
}

Entity* PlaneEntity::CreateOnLayer(World& world, int layer, int32_t x, int32_t y, int32_t width,
                                   int32_t height, uint32_t fillColor, const char* name) {
  Entity* e = world.CreateEntity(ENTITY_KIND_PLANE, name, x, y, width, height, 0.0, 1, 0, 1.0);
  if (e == nullptr) return nullptr;
  CreatePixels(e, width, height, 0, fillColor);
  e->AttachToLayer(world.GetScreen(), layer);
  SetTextFont(e, ResourceManager::Instance()->GetTextFont(), 0);
  return e;
}
