// The facade's timed tasks: each start operation fills the parameters, picks a callback and adds
// the task to the World.
#include "engine/ApplyCallbacks.h"
#include "engine/EngineUtil.h"
#include "engine/GameBase.h"
#include "engine/ParticleEntity.h"

uint32_t GameBase::FrameInterval(int32_t interval) const {
  return interval > 0 ? static_cast<uint32_t>(interval) : m_world.GetInterval();
}

uint32_t GameBase::AddTask(Entity* target, const ApplyParams& params, ApplyCallback callback,
                           uint32_t key, uint32_t flags) {
  const uint32_t targetId = target ? static_cast<uint32_t>(target->GetId()) : 0;
  uint32_t id;
  if (key != 0) {
    id = m_world.AddApplyWithParams(targetId, &params, callback, key, flags, 0, APPLY_MODE_DEFAULT);
  } else {
    id = m_world.AddApply(targetId, params, callback, 0, flags, 0, APPLY_MODE_DEFAULT);
  }
  // A refused task never owns its completion object; nobody else will free it.
  if (id == 0) delete params.completion.object;
  return id;
}

void QueueCancelEntity(World& world, uint32_t entityId, uint32_t level, uint8_t drop) {
  Apply record;
  record.flags = APPLY_CMD_CANCEL_ENTITY;
  record.follower = entityId;
  record.mode = level;
  record.held = drop;
  world.QueueRawApply(record);
}

uint32_t AddFade(World& world, Entity* entity, double step, double target, uint32_t key,
                 int32_t interval, uint32_t code, EventObject* object, int destroy,
                 uint32_t eventKey) {
  if (entity == nullptr) {
    delete object;
    return 0;
  }
  ApplyParams p;
  ApplyParams::Init(&p, interval > 0 ? static_cast<uint32_t>(interval) : world.GetInterval(), code,
                    object, eventKey);
  // Both are kept as hundredths, truncated toward zero.
  p.p1 = static_cast<int32_t>(step * 100);
  p.p2 = static_cast<int32_t>(target * 100);
  const uint32_t targetId = static_cast<uint32_t>(entity->GetId());
  const uint32_t flags = destroy ? APPLY_FLAG_DESTROY_TARGET : 0;
  const uint32_t id =
      key != 0 ? world.AddApplyWithParams(targetId, &p, ApplyFade, key, flags, 0, APPLY_MODE_DEFAULT)
               : world.AddApply(targetId, p, ApplyFade, 0, flags, 0, APPLY_MODE_DEFAULT);
  if (id == 0) delete object;
  return id;
}

void GameBase::QueueRawApply(uint32_t entityId, uint32_t level, uint8_t drop) {
  QueueCancelEntity(m_world, entityId, level, drop);
}

int GameBase::QueueRawApply8192(uint32_t applyId, uint32_t value) {
  Apply record;
  record.flags = APPLY_CMD_HOLD;
  record.follower = applyId;
  record.holdValue = value;
  m_world.QueueRawApply(record);
  return ENGINE_OK;
}

uint32_t GameBase::StartMove(Entity* entity, uint32_t key, int32_t x, int32_t y, int32_t speed,
                             int32_t interval, uint32_t code, EventObject* object,
                             uint32_t eventKey) {
  if (entity == nullptr) {
    delete object;
    return 0;
  }
  ApplyParams p;
  ApplyParams::Init(&p, FrameInterval(interval), code, object, eventKey);
  p.targetX = x;
  p.targetY = y;
  p.p1 = speed * 100;
  return AddTask(entity, p, ApplyMoveTo, key, 0);
}

uint32_t GameBase::StartMoveEx(Entity* entity, uint32_t key, int32_t x, int32_t y, int32_t speed,
                               int32_t speedLimit, int32_t speedChange, double speedFactor,
                               int32_t interval, uint32_t code, EventObject* object,
                               uint32_t eventKey, int destroy) {
  if (entity == nullptr) {
    delete object;
    return 0;
  }
  if (key == 0) QueueRawApply(static_cast<uint32_t>(entity->GetId()), 3, 1);
  ApplyParams p;
  ApplyParams::Init(&p, FrameInterval(interval), code, object, eventKey);
  p.targetX = x;
  p.targetY = y;
  p.p1 = speed * 100;
  p.p2 = speedLimit;
  p.p3 = speedChange;
  p.p4 = static_cast<int32_t>(speedFactor * 1000);
  return AddTask(entity, p, ApplyMoveTo, key, destroy ? APPLY_FLAG_DESTROY_TARGET : 0);
}

uint32_t GameBase::StartWait(uint32_t duration, uint32_t code, EventObject* object,
                             uint32_t eventKey, uint32_t key) {
  ApplyParams p;
  ApplyParams::Init(&p, m_world.GetInterval(), code, object, eventKey);
  p.valueA = duration;
  return AddTask(nullptr, p, ApplyWait, key, 0);
}

uint32_t GameBase::StartTimer(uint32_t interval, uint32_t code, EventObject* object,
                              uint32_t eventKey, uint32_t key) {
  ApplyParams p;
  ApplyParams::Init(&p, interval, code, object, eventKey);
  return AddTask(nullptr, p, ApplyOnce, key, 0);
}

uint32_t GameBase::DestroyEntityLater(Entity* entity, uint32_t key, uint32_t eventKey,
                                      uint32_t code, EventObject* object) {
  if (entity == nullptr) {
    delete object;
    return 0;
  }
  ApplyParams p;
  ApplyParams::Init(&p, m_world.GetInterval(), code, object, eventKey);
  return AddTask(entity, p, ApplyDestroyOnce, key, APPLY_FLAG_DESTROY_TARGET);
}

uint32_t GameBase::StartDelayedShow(Entity* entity, int show, uint32_t key, int32_t interval,
                                    uint32_t code, EventObject* object, int destroy) {
  if (entity == nullptr) {
    delete object;
    return 0;
  }
  ApplyParams p;
  ApplyParams::Init(&p, FrameInterval(interval), code, object, 0);
  p.p1 = show;
  return AddTask(entity, p, ApplyShowHide, key, destroy ? APPLY_FLAG_DESTROY_TARGET : 0);
}

uint32_t GameBase::StartFade(Entity* entity, double step, double target, uint32_t key,
                             int32_t interval, uint32_t code, EventObject* object, int destroy,
                             uint32_t eventKey) {
  return AddFade(m_world, entity, step, target, key, interval, code, object, destroy, eventKey);
}

uint32_t GameBase::StartResize(Entity* entity, int32_t startWidth, int32_t startHeight,
                               int32_t targetWidth, int32_t targetHeight, int32_t widthStep,
                               int32_t heightStep, uint32_t key, int32_t interval, uint32_t code,
                               EventObject* object, uint32_t eventKey) {
  if (entity == nullptr) {
    delete object;
    return 0;
  }
  entity->SetSize(startWidth, startHeight)->Refresh();
  ApplyParams p;
  ApplyParams::Init(&p, FrameInterval(interval), code, object, eventKey);
  p.p1 = targetWidth;
  p.p2 = targetHeight;
  p.p3 = widthStep;
  p.p4 = heightStep;
  return AddTask(entity, p, ApplyResize, key, 0);
}

uint32_t GameBase::PlayAnimation(Entity* picture, int32_t mode, int32_t count, uint32_t start,
                                 uint32_t key, uint32_t code, EventObject* object,
                                 uint32_t eventKey) {
  if (mode < 0 || mode > 3 || picture == nullptr) {
    delete object;
    return 0;
  }
  PictureEntity::SetFrame(picture, start);
  ApplyParams p;
  ApplyParams::Init(&p, PictureEntity::GetFrameDuration(picture, start), code, object, eventKey);
  p.p1 = mode;
  p.p2 = count;
  if (mode == 0 && count != -1) {
    const int64_t total = PictureEntity::GetTotalDuration(picture);
    const int64_t before = PictureEntity::GetDurationRange(picture, 0, start);
    p.valueA = static_cast<uint32_t>(static_cast<int64_t>(count) * count * total - before);
  }
  return AddTask(picture, p, ApplyPlayFrames, key, 0);
}

uint32_t GameBase::StartParticles(Entity* emitter, uint32_t key, uint32_t code,
                                  EventObject* object, uint32_t flags) {
  if (emitter == nullptr || ParticleEntity::GetEmitter(emitter) == nullptr) {
    delete object;
    return 0;
  }
  ParticleEntity::Start(emitter, 1);
  ApplyParams p;
  ApplyParams::Init(&p, m_world.GetInterval(), code, object, 0);
  return AddTask(emitter, p, ApplyEmitParticles, key, flags);
}
