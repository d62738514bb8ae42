#include "engine/PictureEntity.h"

#include <memory>

#include "engine/ResourceManager.h"
#include "engine/Screen.h"
#include "engine/World.h"

const ImageRecord* LookupImage(const Entity* e, uint32_t resourceId) {
  if (resourceId == 0) return nullptr;
  if (e != nullptr && e->GetScreen() != nullptr) return e->GetScreen()->FindImage(resourceId);
  return ResourceManager::Instance()->GetImage(resourceId);
}

namespace {

PictureState* StateOf(Entity* e) {
  if (e == nullptr || e->GetKind() != BIT_SINGLE) return nullptr;
  auto* holder = dynamic_cast<PictureKindState*>(e->GetKindState());
  return holder ? &holder->state : nullptr;
}

// Frames count as one while an image has none to offer.
uint32_t FrameCountOf(const ImageRecord* image) {
  return image && image->frameCount > 0 ? image->frameCount : 1;
}

uint32_t DurationOf(const ImageRecord* image, uint32_t frame) {
  if (image == nullptr || !(image->flags & IMGFLAG_ANIMATED) || image->durations == nullptr) {
    return 0;
  }
  return static_cast<uint32_t>(image->durations[frame % FrameCountOf(image)]);
}

void ShowFrame(PictureState* s, const ImageRecord* image, uint32_t frame) {
  s->currentFrame = static_cast<uint16_t>(frame);
  s->sourceX = 0;
  s->sourceY = static_cast<int32_t>(frame * image->height);
}

}  // namespace

void PictureEntity::SetPicture(Entity* e, uint32_t resourceId, int32_t sourceX, int32_t sourceY,
                               int32_t width, int32_t height, uint32_t backColor) {
  if (e == nullptr || e->GetKind() != BIT_SINGLE) return;
  auto* holder = dynamic_cast<PictureKindState*>(e->GetKindState());
  std::unique_ptr<PictureKindState> fresh;
  if (holder == nullptr) {
    fresh = std::make_unique<PictureKindState>();
    holder = fresh.get();
  }
  PictureState& s = holder->state;
  s.resourceId = static_cast<int32_t>(resourceId);
  s.sourceX = sourceX;
  s.sourceY = sourceY;
  s.width = width;
  s.height = height;
  s.backColor = backColor;
  s.currentFrame = 0;
  EntityData data{BIT_SINGLE, static_cast<int32_t>(resourceId), sizeof(PictureState), width, height,
                  &s, static_cast<int32_t>(backColor)};
  if (fresh) {
    e->SetKindState(std::move(fresh), data);
  } else {
    *e->GetData() = data;
  }
}

void PictureEntity::SetPictureFromFrame(Entity* e, const ResourceFrame& frame,
                                        uint32_t backColor) {
  SetPicture(e, frame.resourceId, frame.sourceX, frame.sourceY, frame.width, frame.height,
             backColor);
}

void PictureEntity::SetBackColor(Entity* e, uint32_t color) {
  if (PictureState* s = StateOf(e)) {
    s->backColor = color;
    e->GetData()->extra = static_cast<int32_t>(color);
  }
}

uint32_t PictureEntity::GetBackColor(Entity* e) {
  PictureState* s = StateOf(e);
  return s ? s->backColor : 0;
}

PictureState* PictureEntity::GetState(Entity* e) { return StateOf(e); }

const ImageRecord* PictureEntity::GetImage(Entity* e) {
  PictureState* s = StateOf(e);
  return s ? LookupImage(e, static_cast<uint32_t>(s->resourceId)) : nullptr;
}

uint32_t PictureEntity::GetCurrentFrame(Entity* e) {
  PictureState* s = StateOf(e);
  return s ? s->currentFrame : 0;
}

uint32_t PictureEntity::GetFrameCount(Entity* e) {
  const ImageRecord* image = GetImage(e);
  return image ? FrameCountOf(image) : 0;
}

uint32_t PictureEntity::SetFrame(Entity* e, uint32_t frame) {
  PictureState* s = StateOf(e);
  const ImageRecord* image = GetImage(e);
  if (s == nullptr || image == nullptr) return 0;
  const uint32_t f = (frame & 0xffff) % FrameCountOf(image);
  ShowFrame(s, image, f);
  e->Refresh();
  return DurationOf(image, f);
}

uint32_t PictureEntity::NextFrame(Entity* e) {
  PictureState* s = StateOf(e);
  const ImageRecord* image = GetImage(e);
  if (s == nullptr || image == nullptr) return 0;
  const uint32_t f = (static_cast<uint32_t>(s->currentFrame) + 1) % FrameCountOf(image);
  ShowFrame(s, image, f);
  if (e->IsInView() && e->IsVisible()) e->Refresh();
  return DurationOf(image, f);
}

uint32_t PictureEntity::GetFrameDuration(Entity* e, uint32_t frame) {
  const ImageRecord* image = GetImage(e);
  if (image == nullptr) return 0;
  if (!(image->flags & IMGFLAG_ANIMATED) || image->durations == nullptr) return 100;
  return DurationOf(image, frame);
}

uint32_t PictureEntity::GetTotalDuration(Entity* e) {
  const ImageRecord* image = GetImage(e);
  if (image == nullptr || FrameCountOf(image) <= 1) return 0;
  uint32_t total = 0;
  for (uint32_t i = 0; i < FrameCountOf(image); ++i) total += GetFrameDuration(e, i);
  return total;
}

uint32_t PictureEntity::GetDurationRange(Entity* e, uint32_t first, uint32_t end) {
  const ImageRecord* image = GetImage(e);
  if (image == nullptr || FrameCountOf(image) <= 1 || end >= FrameCountOf(image)) return 0;
  uint32_t total = 0;
  for (uint32_t i = first; i < end; ++i) total += GetFrameDuration(e, i);
  return total;
}

uint32_t PictureEntity::SetRandomFrame(Entity* e, uint32_t r) {
  PictureState* s = StateOf(e);
  const ImageRecord* image = GetImage(e);
  if (r == 0 || s == nullptr || image == nullptr || FrameCountOf(image) <= 1) return 0;
  uint32_t total = 0;
  for (uint32_t i = 0; i < FrameCountOf(image); ++i) total += GetFrameDuration(e, i);
  if (total == 0) return 0;
  r %= total;
  uint32_t sum = 0;
  uint32_t chosen = 0;
  for (uint32_t i = 0; i < FrameCountOf(image); ++i) {
    sum += GetFrameDuration(e, i);
    if (sum > r) {
      chosen = i;
      break;
    }
  }
  if (chosen == s->currentFrame) return 0;
  return SetFrame(e, chosen);
}

Entity* PictureEntity::CreateOnLayer(World& world, int layer, int32_t x, int32_t y,
                                     uint32_t resourceId, int32_t sourceX, int32_t sourceY,
                                     int32_t width, int32_t height, const char* name,
                                     uint32_t backColor) {
  if (resourceId != 0 && (width <= 0 || height <= 0)) {
    const ImageRecord* image = world.GetScreen() ? world.GetScreen()->FindImage(resourceId) : nullptr;
    if (image != nullptr) {
      if (width <= 0) width = image->width;
      if (height <= 0) height = image->height;
    }
  }
  Entity* e = world.CreateEntity(BIT_SINGLE, name, x, y, width, height, 0.0, 1, 0, 1.0);
  if (e == nullptr) return nullptr;
  SetPicture(e, resourceId, sourceX, sourceY, width, height, backColor);
  e->AttachToLayer(world.GetScreen(), layer);
  return e;
}
