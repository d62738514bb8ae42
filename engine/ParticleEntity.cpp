#include "engine/ParticleEntity.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "engine/EngineClock.h"
#include "engine/PictureEntity.h"
#include "engine/Screen.h"

Particle* DefaultParticleCreate(const ParticleParams*) {
  Particle* p = new Particle{};
  p->alpha = 1.0;
  p->life = 100;
  p->velocityX = std::rand() % 10 - 5;
  p->velocityY = std::rand() % 10 - 5;
  return p;
}

int DefaultParticleUpdate(Particle* p, const ParticleParams*) {
  p->offsetX += p->velocityX;
  p->offsetY += p->velocityY;
  p->alpha = p->life / 100.0;
  p->life -= 1;
  return p->life > 0 ? 1 : 0;
}

Particle* ParticleCreateRandom(const ParticleParams* params) {
  const ParticleParams defaults;
  const ParticleParams& k = params ? *params : defaults;
  Particle* p = new Particle{};
  p->alpha = 1.0;
  // A block whose life is not positive would divide by zero; such particles live one step.
  p->life = k.life > 0 ? static_cast<uint32_t>(std::rand() % k.life + 1) : 1;
  if (k.spreadX > 0) p->originX = std::rand() % k.spreadX - k.spreadX / 2;
  if (k.spreadY > 0) p->originY = std::rand() % k.spreadY - k.spreadY / 2;
  if (k.speed > 0) p->velocityX = std::rand() % k.speed + 1;
  if (k.acceleration > 0) p->velocityY = std::rand() % k.acceleration + 1;
  return p;
}

int ParticleUpdateRise(Particle* p, const ParticleParams* params) {
  p->velocityX += p->velocityY;
  p->offsetY -= p->velocityX;
  const double base = params && params->life > 0 ? params->life : 100;
  p->alpha = p->life / base;
  p->life -= 1;
  return p->life > 0 ? 1 : 0;
}

ParticleEmitter::~ParticleEmitter() { DropParticles(); }

void ParticleEmitter::DropParticles() {
  for (Particle* p = state.first; p != nullptr;) {
    Particle* next = p->next;
    delete p;
    p = next;
  }
  state.first = nullptr;
  state.last = nullptr;
  state.liveCount = 0;
}

ParticleEmitter* ParticleEntity::GetEmitter(Entity* e) {
  if (e == nullptr || e->GetKind() != ENTITY_KIND_PARTICLE) return nullptr;
  return dynamic_cast<ParticleEmitter*>(e->GetKindState());
}

namespace {

// One pixel of a picture as 32-bit B, G, R, A.
uint32_t PixelAt(const ImageRecord& image, uint32_t index) {
  const int bpp = BytesPerPixel(image);
  if (bpp == 4) {
    uint32_t v;
    std::memcpy(&v, image.pixels + static_cast<size_t>(index) * 4, 4);
    return v;
  }
  const uint8_t colour = image.pixels[static_cast<size_t>(index) * bpp];
  uint32_t alpha = bpp == 2 ? image.pixels[static_cast<size_t>(index) * 2 + 1] : 255;
  if ((image.flags & IMGFLAG_TRANSPARENT) && colour == image.transparent) alpha = 0;
  const uint8_t* rgb = image.palette ? image.palette + colour * 3 : nullptr;
  if (rgb == nullptr) return alpha << 24;
  return (alpha << 24) | (static_cast<uint32_t>(rgb[0]) << 16) |
         (static_cast<uint32_t>(rgb[1]) << 8) | rgb[2];
}

}  // namespace

int ParticleEntity::Create(Entity* e, uint32_t resourceId, int32_t x, int32_t y, int32_t width,
                           int32_t height) {
  if (e == nullptr || e->GetKind() != ENTITY_KIND_PARTICLE) return 0;
  const ImageRecord* image = LookupImage(e, resourceId);
  if (image == nullptr || image->pixels == nullptr) return 0;
  const int32_t iw = image->width;
  const int32_t ih = static_cast<int32_t>(image->height) * std::max<int32_t>(image->frameCount, 1);
  if (x < 0 || y < 0 || x >= iw || y >= ih || width <= 0 || height <= 0) return 0;
  if (x + width > iw) width = iw - x;
  if (y + height > ih) height = ih - y;
  auto emitter = std::make_unique<ParticleEmitter>();
  emitter->pixels.resize(static_cast<size_t>(width) * height);
  for (int32_t row = 0; row < height; ++row) {
    for (int32_t col = 0; col < width; ++col) {
      const uint32_t index = static_cast<uint32_t>((y + row) * iw + x + col);
      emitter->pixels[static_cast<size_t>(row) * width + col] = PixelAt(*image, index);
    }
  }
  emitter->state.width = width;
  emitter->state.height = height;
  emitter->state.pixels = emitter->pixels.data();
  emitter->state.layer = e->GetLayer();
  // The copy is 32-bit whatever the source was, so the alpha byte always says what to draw.
  emitter->state.imageFlags = image->flags | IMGFLAG_ALPHA;
  emitter->lastEmission = GetEngineTime();
  EntityData data{ENTITY_KIND_PARTICLE, static_cast<int32_t>(resourceId),
                  sizeof(ParticleEmitterState), width, height, &emitter->state, 2};
  e->SetKindState(std::move(emitter), data);
  return 1;
}

void ParticleEntity::SetEmission(Entity* e, uint32_t count, int32_t interval,
                                 ParticleParams* params) {
  ParticleEmitter* m = GetEmitter(e);
  if (m == nullptr) {
    delete params;
    return;
  }
  m->leftToEmit = count;
  m->interval = interval > 0 ? static_cast<uint32_t>(interval) : 1000000;
  m->DropParticles();
  if (params != nullptr) m->params.reset(params);
}

void ParticleEntity::SetCallbacks(Entity* e, ParticleCreateFn create, ParticleUpdateFn update) {
  ParticleEmitter* m = GetEmitter(e);
  if (m == nullptr) return;
  m->create = create ? create : DefaultParticleCreate;
  m->update = update ? update : DefaultParticleUpdate;
  m->DropParticles();
  m->leftToEmit = 0;
  m->running = 0;
  m->finishMark = 0;
  m->lastEmission = GetEngineTime();
}

void ParticleEntity::Start(Entity* e, int32_t running) {
  ParticleEmitter* m = GetEmitter(e);
  if (m == nullptr) return;
  m->running = running;
  m->lastEmission = e->IsOnLayer() && e->GetScreen() ? e->GetScreen()->GetFrameTime()
                                                      : GetEngineTime();
}

void ParticleEntity::Step(Entity* e, uint32_t now) {
  ParticleEmitter* m = GetEmitter(e);
  if (m == nullptr) return;
  ParticleEmitterState& s = m->state;
  s.layer = e->GetLayer();
  Screen* screen = e->GetScreen();
  if (now == 0 && screen) now = screen->GetFrameTime();
  if (now - m->lastEmission > m->interval) {
    const uint32_t old = m->lastEmission;
    m->lastEmission = now;
    uint32_t k = (now - old) / m->interval;
    while (k-- > 0 && m->leftToEmit > 0) {
      Particle* p = m->create(m->params.get());
      if (p == nullptr) break;
      p->next = nullptr;
      p->originX += e->GetX();
      p->originY += e->GetY();
      if (s.last) {
        s.last->next = p;
      } else {
        s.first = p;
      }
      s.last = p;
      s.liveCount++;
      m->leftToEmit--;
    }
  }
  RECT box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  Particle* previous = nullptr;
  for (Particle* p = s.first; p != nullptr;) {
    const int32_t px = p->originX + p->offsetX;
    const int32_t py = p->originY + p->offsetY;
    box.left = std::min(box.left, px);
    box.top = std::min(box.top, py);
    box.right = std::max(box.right, px);
    box.bottom = std::max(box.bottom, py);
    Particle* next = p->next;
    if (m->update(p, m->params.get())) {
      previous = p;
    } else {
      if (previous) {
        previous->next = next;
      } else {
        s.first = next;
      }
      if (s.last == p) s.last = previous;
      delete p;
      s.liveCount--;
    }
    p = next;
  }
  if (s.first == nullptr || screen == nullptr || !e->IsOnLayer()) return;
  box.left -= s.width / 2;
  box.right += s.width / 2;
  box.top -= s.height / 2;
  box.bottom += s.height / 2;
  if (screen->ClipLayerRect(e->GetLayer(), &box, 0, 0)) {
    screen->InvalidateRect(box.left, box.top, box.right, box.bottom);
    screen->MarkItemForRedraw(e->GetLayer(), e->GetScreenItem());
  }
}

void GroupEntity::Create(Entity* e) {
  if (e == nullptr || e->GetKind() != ENTITY_KIND_GROUP) return;
  auto set = std::make_unique<DotSet>();
  set->pool.Init(sizeof(DotPoint), 32);
  EntityData data{ENTITY_KIND_GROUP, 0, sizeof(DotSetState), 0, 0, &set->state, 2};
  e->SetKindState(std::move(set), data);
}

ItemList::~ItemList() {
  for (ListItem& item : items) {
    if (item.release) item.release(item.data);
  }
}

void ItemListEntity::SetItems(Entity* e, ListItem* items, uint32_t count, int take) {
  if (e == nullptr || e->GetKind() != ENTITY_KIND_ITEMLIST) return;
  auto list = std::make_unique<ItemList>();
  if (items != nullptr) list->items.assign(items, items + count);
  EntityData data{ENTITY_KIND_ITEMLIST, 0, sizeof(ListItem), 0, 0, &list->items, 2};
  e->SetKindState(std::move(list), data);
  if (take == 1) delete[] items;
}
