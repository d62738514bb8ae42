// The facade the scenes call: entities, controls, the view and resources.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/ButtonFrame.h"
#include "engine/ColorPalette.h"
#include "engine/DrawDispatcher.h"
#include "engine/EngineUtil.h"
#include "engine/GameBase.h"
#include "engine/InputDispatcher.h"
#include "engine/ParticleEntity.h"
#include "engine/PlaneEntity.h"
#include "engine/ResourceManager.h"
#include "engine/Screen.h"
#include "engine/StripEntity.h"

namespace {

constexpr double ENGINE_PI = 3.14159;

// The strip flags the facade starts strips with: the strip owns its table, 0x4 kept as given.
constexpr uint32_t FACADE_STRIP_FLAGS = 20;

}  // namespace

int GameBase::IsMouseOverEntity(Entity* entity) {
  if (entity == nullptr || m_input == nullptr) return 0;
  const InputState* state = m_input->GetInputState();
  const EntityPlacement& p = entity->Placement();
  int32_t x = state->x;
  int32_t y = state->y;
  if (p.angle != 0.0) {
    const double dx = static_cast<double>(x - p.x);
    const double dy = static_cast<double>(p.y - y);
    const double a = p.angle * ENGINE_PI / 180.0;
    const int32_t rx = RoundHalfAway(dx * std::cos(a) + dy * std::sin(a));
    const int32_t ry = RoundHalfAway(dy * std::cos(a) - dx * std::sin(a));
    x = rx + p.x;
    y = p.y - ry;
  }
  const int32_t hw = (p.width + 1) / 2;
  const int32_t hh = (p.height + 1) / 2;
  return p.x - hw < x && x < p.x + hw && p.y - hh < y && y < p.y + hh ? 1 : 0;
}

void GameBase::ShowEntity(Entity* entity, int show) {
  if (entity == nullptr) {
    Log("物体隐藏错误，一个不存在的物体");
    return;
  }
  if (show) {
    entity->Show()->Refresh();
    if (entity->IsHitTestable() && IsMouseOverEntity(entity) && m_input) m_input->Refresh();
  } else {
    entity->Hide()->Refresh();
    if (entity->IsHitTestable() && m_input &&
        m_input->GetInputState()->hoverEntityId == static_cast<uint32_t>(entity->GetId())) {
      m_input->Refresh();
    }
  }
}

int GameBase::MoveEntity(Entity* entity, int32_t x, int32_t y) {
  if (entity == nullptr) {
    Log("物体移动错误，一个不存在的物体");
    return 0;
  }
  entity->MoveTo(x, y)->Refresh();
  if (entity->IsHitTestable() && !IsMouseOverEntity(entity) && m_input) m_input->Refresh();
  return m_input && m_input->GetInputState()->hoverEntityId ==
                        static_cast<uint32_t>(entity->GetId())
             ? 1
             : 0;
}

Entity* GameBase::CreatePicture(int layer, int32_t x, int32_t y, uint32_t resourceId,
                                int32_t sourceX, int32_t sourceY, int32_t width, int32_t height,
                                const char* name, uint32_t backColor) {
  return PictureEntity::CreateOnLayer(m_world, layer, x, y, resourceId, sourceX, sourceY, width,
                                      height, name, backColor);
}

Entity* GameBase::CreatePictureFromFrame(int layer, int32_t x, int32_t y, ResourceFrame frame,
                                         const char* name, uint32_t backColor) {
  return CreatePicture(layer, x, y, frame.resourceId, frame.sourceX, frame.sourceY, frame.width,
                       frame.height, name, backColor);
}

Entity* GameBase::CreatePlane(int layer, int32_t x, int32_t y, int32_t width, int32_t height,
                              uint32_t fillColor, const char* name) {
  return PlaneEntity::CreateOnLayer(m_world, layer, x, y, width, height, fillColor, name);
}

Entity* GameBase::CreateStripAnimation(int layer, int32_t x, int32_t y, StripTable* table,
                                       const char* name) {
  const int32_t w = table ? table->frameWidth : 0;
  const int32_t h = table ? table->frameHeight : 0;
  Entity* e = m_world.CreateEntity(ENTITY_KIND_STRIP, name, x, y, w, h, 0.0, 1, 0, 1.0);
  if (e == nullptr) return nullptr;
  StripEntity::Start(e, table, 1.0, FACADE_STRIP_FLAGS);
  e->AttachToLayer(GetScreen(), layer);
  return e;
}

Entity* GameBase::CreateParticleEmitter(int layer, int32_t x, int32_t y, uint32_t resourceId,
                                        int32_t sourceX, int32_t sourceY, int32_t width,
                                        int32_t height, int32_t,
                                        Particle* (*create)(const ParticleParams*),
                                        int (*update)(Particle*, const ParticleParams*),
                                        const char* name) {
  Entity* e = m_world.CreateEntity(ENTITY_KIND_PARTICLE, name, x, y, width, height, 0.0, 1, 0,
                                   1.0);
  if (e == nullptr) return nullptr;
  if (!ParticleEntity::Create(e, resourceId, sourceX, sourceY, width, height)) {
    // Without a picture to emit the entity would be an empty shell that no layer takes.
    m_world.DestroyEntity(e);
    return nullptr;
  }
  e->AttachToLayer(GetScreen(), layer);
  if (create && update) ParticleEntity::SetCallbacks(e, create, update);
  return e;
}

int GameBase::DrawPlane(uint32_t planeId, int32_t x, int32_t y, int32_t width, int32_t height,
                        ResourceFrame frame, double angle, double opacity, uint32_t colour) {
  Entity* plane = m_world.FindEntity(planeId);
  PlaneKindState* s = PlaneEntity::GetState(plane);
  if (s == nullptr) {
    WriteLog("画平面错误,目标不存在!");
    return 0;
  }
  const ImageRecord* image = LookupImage(plane, frame.resourceId);
  if (image == nullptr) return 0;
  if (width == 0) width = frame.width;
  if (height == 0) height = frame.height;
  EntityPlacement placement{};
  placement.x = placement.viewX = x;
  placement.y = placement.viewY = y;
  placement.width = width;
  placement.height = height;
  placement.angle = angle;
  placement.radius = BoundingRadius(width, height);
  RECT b;
  if (angle != 0.0) {
    const int32_t r = placement.radius;
    b = RECT{x - r, y - r, x + r, y + r};
  } else {
    b.left = x - (width + 1) / 2;
    b.top = y - (height + 1) / 2;
    b.right = b.left + width;
    b.bottom = b.top + height;
  }
  if (b.right < 0 || b.left >= s->data.width || b.top >= s->data.height || b.bottom < 0) return 0;
  PixelSurface surface;
  surface.pixels = s->pixels.data();
  surface.width = s->data.width;
  surface.height = s->data.height;
  DrawEntityToBuffer(surface, placement, *image, frame.sourceX, frame.sourceY, frame.width,
                     frame.height, opacity, colour);
  return ENGINE_OK;
}

void GameBase::BT_SetBackColor(ControlRecord* control, uint32_t color) {
  if (control == nullptr) {
    Log("BT_SetBackColor::error，控件不存在");
    return;
  }
  if (control->entity == nullptr || control->entity->GetKind() != BIT_SINGLE) {
    Log("BT_SetBackColor::error,Object is not a BIT_SINGLE");
    return;
  }
  PictureEntity::SetBackColor(control->entity, color);
  control->entity->Refresh();
}

void GameBase::BindMouseEvent(uint32_t slot, uint32_t code, uint32_t targetKey) {
  if (slot >= 30) {
    Log("鼠标控件设置错误，不合理的状态值");
    return;
  }
  if (ControlRecord* root = m_world.FindControl(m_world.GetRootControlKey())) {
    root->BindEvent(slot, code, targetKey, nullptr);
  }
}

void GameBase::ShowControl(ControlRecord* control, int show) {
  if (control == nullptr) {
    Log("控件操作（显示）错误，控件不存在");
    return;
  }
  if (control->entity == nullptr) {
    Log("控件操作（显示）错误，控件未与实体绑定");
    return;
  }
  ShowEntity(control->entity, show);
}

int GameBase::MoveControl(ControlRecord* control, int32_t x, int32_t y) {
  if (control == nullptr) {
    Log("控件移动错误，控件不存在");
    return 0;
  }
  return MoveEntity(control->entity, x, y);
}

void GameBase::SetHoverDelay(uint32_t ms) {
  if (m_input) m_input->SetHoverDelay(ms);
}

POINT* GameBase::GetMousePos(POINT* out) {
  const InputState* state = GetInputState();
  out->x = state ? state->x : 0;
  out->y = state ? state->y : 0;
  return out;
}

InputState* GameBase::GetInputState() {
  auto* dispatcher = dynamic_cast<InputDispatcher*>(GetRootHandler());
  return dispatcher ? dispatcher->GetInputState() : nullptr;
}

void GameBase::SetViewCentre(int32_t x, int32_t y) {
  if (Screen* s = GetScreen()) s->SetScroll(x, y, 1);
}

ViewInfo* GameBase::GetViewInfo(ViewInfo* out) {
  *out = ViewInfo{};
  if (Screen* s = GetScreen()) s->GetViewInfo(out);
  return out;
}

int32_t GameBase::GetViewWidth() {
  ViewInfo v;
  return GetViewInfo(&v)->width;
}
int32_t GameBase::GetViewHeight() {
  ViewInfo v;
  return GetViewInfo(&v)->height;
}
int32_t GameBase::GetSceneWidth() {
  ViewInfo v;
  return GetViewInfo(&v)->sceneWidth;
}
int32_t GameBase::GetSceneHeight() {
  ViewInfo v;
  return GetViewInfo(&v)->sceneHeight;
}

void GameBase::InvalidateAll() {
  if (Screen* s = GetScreen()) s->InvalidateAll();
}

void GameBase::SetFullInvalidate(int flag) {
  if (Screen* s = GetScreen()) s->SetFullInvalidate(flag != 0);
}

void GameBase::RedrawBackground() {
  if (Screen* s = GetScreen()) s->RestoreBackground();
}

int GameBase::SetBackgroundPicture(const BackgroundPicture& p) {
  Screen* s = GetScreen();
  return s ? s->SetBackground(p.resourceId, p.sourceX, p.sourceY, p.sourceWidth, p.sourceHeight, 1)
           : 0;
}

ResourceFrame* GameBase::GetResourceFrame(ResourceFrame* out, uint32_t resourceId,
                                          uint32_t frame) {
  *out = ResourceFrame{};
  const ImageRecord* image = ResourceManager::Instance()->GetImage(resourceId);
  if (image == nullptr) return out;
  const uint32_t count = image->frameCount ? image->frameCount : 1;
  *out = ResourceFrame{image->resourceId, 0, static_cast<int32_t>((frame % count) * image->height),
                       image->width, image->height, image->pixels};
  return out;
}

ResourceFrame* GameBase::GetResourceFrameByName(ResourceFrame* out, const char* name,
                                                uint32_t frame) {
  *out = ResourceFrame{};
  if (name == nullptr) return out;
  // The image resource of that name (the kind suffix is added by the lookup), loaded on demand.
  const uint32_t id = ResourceManager::Instance()->FindImageId(name);
  return id ? GetResourceFrame(out, id, frame) : out;
}

ImageRecord* GameBase::GetImageRecord(ImageRecord* out, uint32_t resourceId) {
  const ImageRecord* image = ResourceManager::Instance()->GetImage(resourceId);
  *out = image ? *image : ImageRecord{};
  return out;
}

ImageRecord* GameBase::GetImageRecordPtr(uint32_t resourceId) {
  return ResourceManager::Instance()->GetImage(resourceId);
}

uint32_t GameBase::LoadImageResource(const char* path, int loadNow, const char* name,
                                     uint32_t keyColor, int relative) {
  ResourceManager* manager = ResourceManager::Instance();
  const uint32_t id = manager->RegisterFile(path, name, ".imge", loadNow, relative);
  if (id == 0 || keyColor == DEFAULT_KEY_COLOR) return id;
  ImageRecord* image = manager->GetImage(id);
  if (image == nullptr || image->pixels == nullptr) return id;
  const uint32_t frames = image->frameCount ? image->frameCount : 1;
  const size_t count = static_cast<size_t>(image->width) * image->height * frames;
  if (IsPalettised(*image)) {
    image->flags |= IMGFLAG_TRANSPARENT;
    ColorPalette palette;
    palette.Set(image->palette, image->paletteEntries, "");
    image->transparent = palette.FindNearest(keyColor);
    if ((image->flags & IMGFLAG_ALPHA) && image->bufferSize >= count * 2) {
      for (size_t i = 0; i < count; ++i) {
        uint8_t* px = image->pixels + i * 2;
        if (px[0] == image->transparent) {
          px[1] = 0;
        } else if (px[1] == 0) {
          px[1] = 255;
        }
      }
    }
  } else if (image->bufferSize >= count * 4) {
    image->flags |= IMGFLAG_TRANSPARENT | IMGFLAG_ALPHA;
    image->transparent = keyColor;
    const uint8_t r = keyColor & 0xff;
    const uint8_t g = (keyColor >> 8) & 0xff;
    const uint8_t b = (keyColor >> 16) & 0xff;
    for (size_t i = 0; i < count; ++i) {
      uint8_t* px = image->pixels + i * 4;
      if (px[0] == b && px[1] == g && px[2] == r) {
        px[3] = 0;
      } else if (px[3] == 0) {
        px[3] = 255;
      }
    }
  }
  return id;
}

uint32_t GameBase::FindOrLoadImage(const char* path, const char* name, int32_t, int relative) {
  char title[MAX_PATH];
  if (name == nullptr) {
    GetFileTitle(path ? path : "", title, sizeof title);
    name = title;
  }
  ResourceManager* manager = ResourceManager::Instance();
  const uint32_t id = manager->FindImageId(name);
  if (id != 0) return id;
  return manager->RegisterFile(path, name, ".imge", 1, relative);
}

int GameBase::SetResourceFolder(const char* folder) {
  char path[MAX_PATH];
  const int n = std::snprintf(path, sizeof path, "%s%s\\", GetModuleFolder(), folder ? folder : "");
  // A folder whose path does not fit is refused rather than cut to another folder's name.
  if (n < 0 || static_cast<size_t>(n) >= sizeof path) return 0;
  return ResourceManager::Instance()->SetNamePrefix(path);
}

int GameBase::LoadPackage(const char* path, int loadNow, const char* extension) {
  const uint32_t filter = extension ? RSHash(extension) : 0;
  return ResourceManager::Instance()->LoadPack(path, filter, loadNow);
}

void GameBase::ReleaseResources(const uint32_t* ids, uint32_t first, uint32_t end) {
  if (ids == nullptr) return;
  for (uint32_t i = first; i < end; ++i) {
    if (ids[i] != 0) ResourceManager::Instance()->Forget(ids[i]);
  }
}

void* GameBase::NewMemRes(uint32_t size, void (*freeFn)(void*), uint32_t value) {
  (void)value;
  return ResourceManager::Instance()->NewMemRes(size, freeFn);
}

void* GameBase::NewMemBlock(uint32_t value) {
  void* block = ResourceManager::Instance()->NewMemRes(16, nullptr);
  if (block) std::memcpy(static_cast<uint8_t*>(block) + 12, &value, 4);
  return block;
}

BUTTONFRAME* GameBase::CreateButtonFrame(int32_t count, const ButtonFrameLayout* layout) {
  auto* frame = new BUTTONFRAME();
  m_world.RegisterControlObject(frame);
  frame->Init(count, layout, 0);
  return frame;
}
