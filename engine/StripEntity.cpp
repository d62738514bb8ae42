#include "engine/StripEntity.h"

#include <memory>

#include "engine/EngineUtil.h"
#include "engine/ResourceManager.h"

StripKindState::~StripKindState() {
  // A strip that owns its table frees it, steps first, as the resource manager's blocks they are.
  if ((state.flags & STRIP_FLAG_OWNS_TABLE) && state.table != nullptr) {
    ResourceManager* manager = ResourceManager::Instance();
    if (state.table->steps != nullptr) manager->FreeMemRes(state.table->steps);
    manager->FreeMemRes(state.table);
  }
}

StripPlayState* StripEntity::GetState(Entity* e) {
  if (e == nullptr || e->GetKind() != ENTITY_KIND_STRIP) return nullptr;
  auto* holder = dynamic_cast<StripKindState*>(e->GetKindState());
  return holder ? &holder->state : nullptr;
}

int StripEntity::Start(Entity* e, StripTable* table, double speed, uint32_t flags) {
  if (e == nullptr || e->GetKind() != ENTITY_KIND_STRIP) return 0;
  if (e->IsDataReady()) e->ReleaseKindState();
  auto holder = std::make_unique<StripKindState>();
  EntityData data{};
  data.kind = ENTITY_KIND_STRIP;
  data.stateSize = sizeof(StripPlayState);
  data.state = &holder->state;
  if (table != nullptr && table->steps != nullptr && table->stepCount > 0) {
    data.source = table->steps[0].resourceId;
  }
  e->SetKindState(std::move(holder), data);
  SetStrip(e, table, speed, flags);
  return ENGINE_OK;
}

int StripEntity::SetStrip(Entity* e, StripTable* table, double speed, uint32_t flags) {
  StripPlayState* s = GetState(e);
  if (s == nullptr || table == nullptr) return ENGINE_OK;
  table->SumDurations();
  EntityData* data = e->GetData();
  data->source = table->steps && table->stepCount ? table->steps[0].resourceId : 0;
  data->width = table->frameWidth;
  data->height = table->frameHeight;
  s->table = table;
  s->speed = speed;
  s->start = 0;
  s->stepIndex = 0;
  s->elapsed = 0;
  s->flags = flags;
  s->active = 1;
  s->resourceId = 0;
  return ENGINE_OK;
}

void StripEntity::Play(Entity* e) {
  if (StripPlayState* s = GetState(e)) s->flags |= STRIP_FLAG_RUNNING;
}

int StripEntity::IsPlaying(Entity* e) {
  StripPlayState* s = GetState(e);
  return s && (s->flags & STRIP_FLAG_RUNNING) ? 1 : 0;
}

int StripEntity::Advance(Entity* e, uint32_t now) {
  StripPlayState* s = GetState(e);
  return s ? s->Advance(now) : 0;
}

void BoundPictureEntity::Bind(Entity* e, Entity* target, int copy) {
  if (e == nullptr || e->GetKind() != ENTITY_KIND_BOUNDPICTURE) return;
  if (target == nullptr || target->GetKind() == ENTITY_KIND_BOUNDPICTURE) return;
  auto* holder = dynamic_cast<BoundPictureKindState*>(e->GetKindState());
  if (holder == nullptr) {
    auto fresh = std::make_unique<BoundPictureKindState>();
    holder = fresh.get();
    EntityData data{};
    data.kind = ENTITY_KIND_BOUNDPICTURE;
    data.stateSize = sizeof(BoundPictureState);
    data.state = &holder->state;
    e->SetKindState(std::move(fresh), data);
  }
  holder->state.targetHandle = target->GetScreenItem();
  holder->state.targetLayer = target->GetLayer();
  if (copy) {
    e->SetSize(target->GetWidth(), target->GetHeight());
    e->SetAngle(target->GetAngle());
    e->SetAlpha(target->GetAlpha());
    e->Refresh();
  }
}
