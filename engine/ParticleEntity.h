// Particle emitters (kind 0x10000), dot sets (kind 256) and item lists (kind 512).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/BlockPool.h"
#include "engine/Entity.h"

// The parameter block of the random particle maker.
struct ParticleParams {
  int32_t spreadX = 10;
  int32_t spreadY = 10;
  int32_t life = 100;
  int32_t speed = 10;
  int32_t acceleration = 1;
};

typedef Particle* (*ParticleCreateFn)(const ParticleParams* params);
// Moves and fades one particle; non-zero while it lives.
typedef int (*ParticleUpdateFn)(Particle* particle, const ParticleParams* params);

Particle* DefaultParticleCreate(const ParticleParams* params);
int DefaultParticleUpdate(Particle* particle, const ParticleParams* params);
Particle* ParticleCreateRandom(const ParticleParams* params);
int ParticleUpdateRise(Particle* particle, const ParticleParams* params);

class ParticleEmitter : public EntityKindState {
 public:
  ~ParticleEmitter() override;
  void DropParticles();

  // What the screen draws from; its address is the entity data's state.
  ParticleEmitterState state{};
  std::vector<uint32_t> pixels;
  std::unique_ptr<ParticleParams> params;
  ParticleCreateFn create = DefaultParticleCreate;
  ParticleUpdateFn update = DefaultParticleUpdate;
  int32_t running = 0;
  int32_t finishMark = 0;
  uint32_t leftToEmit = 0;
  uint32_t interval = 10000;
  uint32_t lastEmission = 0;
};

class ParticleEntity {
 public:
  // 0 and nothing set up when the resource names no image or the rectangle does not start inside
  // it with a positive size.
  static int Create(Entity* e, uint32_t resourceId, int32_t x, int32_t y, int32_t width,
                    int32_t height);
  static void SetEmission(Entity* e, uint32_t count, int32_t interval, ParticleParams* params);
  static void SetCallbacks(Entity* e, ParticleCreateFn create, ParticleUpdateFn update);
  static void Start(Entity* e, int32_t running);
  static void Step(Entity* e, uint32_t now);
  static ParticleEmitter* GetEmitter(Entity* e);
};

class DotSet : public EntityKindState {
 public:
  DotSetState state{};
  BlockPool pool;
};

class GroupEntity {
 public:
  static void Create(Entity* e);
};

struct ListItem {
  uint32_t word;
  void* data;
  uint32_t word2;
  void (*release)(void* data);
};

class ItemList : public EntityKindState {
 public:
  ~ItemList() override;
  std::vector<ListItem> items;
};

class ItemListEntity {
 public:
  // Copies count items in order; with take 1 the caller's array (made with new[]) is deleted.
  static void SetItems(Entity* e, ListItem* items, uint32_t count, int take);
};
