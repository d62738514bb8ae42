// Strip entities (kind 16): a table of steps, each a rectangle of a picture shown for a time,
// played at a speed factor and optionally chained to further tables.
#pragma once

#include <cstdint>

#include "engine/Entity.h"
#include "engine/StripPlayState.h"

class StripKindState : public EntityKindState {
 public:
  ~StripKindState() override;
  StripPlayState state{};
};

class StripEntity {
 public:
  static int Start(Entity* e, StripTable* table, double speed, uint32_t flags);
  static int SetStrip(Entity* e, StripTable* table, double speed, uint32_t flags);
  static void Play(Entity* e);
  static int IsPlaying(Entity* e);
  static int Advance(Entity* e, uint32_t now);
  static StripPlayState* GetState(Entity* e);
};

// Mirror entities (kind 1024): draw whatever another entity's screen item draws.
class BoundPictureKindState : public EntityKindState {
 public:
  BoundPictureState state{};
};

class BoundPictureEntity {
 public:
  static void Bind(Entity* e, Entity* target, int copy);
};
