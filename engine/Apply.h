// Timed tasks: an Apply runs a callback on its target entity at a fixed interval until the
// callback reports that it is done, then sends its completion event. The World keeps them by
// value in a pending and an active list; control requests travel as raw command records with id 0.
#pragma once

#include <cstdint>

#include "engine/EngineEvent.h"

class Entity;
class World;

// Task flags.
constexpr uint32_t APPLY_FLAG_DESTROY_TARGET = 0x1;
constexpr uint32_t APPLY_FLAG_CHAIN_HEAD = 0x10;

// Raw commands (the flags word of a record with id 0).
constexpr uint32_t APPLY_CMD_OPEN_GROUP = 1;
constexpr uint32_t APPLY_CMD_NEXT_GROUP = 2;
constexpr uint32_t APPLY_CMD_CLOSE_GROUP = 4;
constexpr uint32_t APPLY_CMD_START_GROUP = 8;
constexpr uint32_t APPLY_CMD_RESUME_KEY = 16;
constexpr uint32_t APPLY_CMD_RESUME_ENTITY = 64;
constexpr uint32_t APPLY_CMD_CANCEL = 256;
constexpr uint32_t APPLY_CMD_CANCEL_ENTITY = 512;
constexpr uint32_t APPLY_CMD_HOLD_ENTITY = 4096;
constexpr uint32_t APPLY_CMD_HOLD = 8192;

// The mode of every task that the GameBase start operations add.
constexpr uint32_t APPLY_MODE_DEFAULT = 2;

struct ApplyParams {
  // Timer base (ms).
  uint32_t start = 0;
  // Per callback: duration, time limit or count.
  uint32_t valueA = 0;
  // First-step time (frame playback).
  uint32_t latch = 0;
  uint32_t interval = 0;
  int32_t targetX = -100;
  int32_t targetY = -100;
  uint32_t runCount = 0;
  int32_t p1 = 0;
  int32_t p2 = 0;
  int32_t p3 = 0;
  int32_t p4 = 0;
  // A block owned by the Apply while ownsData is non-zero.
  EventObject* data = nullptr;
  uint32_t ownsData = 0;
  Event completion;

  // Start and latch := the engine time; the interval and the completion event as given.
  static ApplyParams* Init(ApplyParams* out, uint32_t interval, uint32_t code, EventObject* object,
                           uint32_t key);
};

// One step: 0 keeps the task running, non-zero finishes it.
typedef int (*ApplyCallback)(Entity* target, ApplyParams* params, World* world, uint32_t now);

struct Apply {
  // 0 in a raw command record, and set to 0 to cancel an active task.
  uint32_t id = 0;
  // Task flags, or the command code of a raw record.
  uint32_t flags = 0;
  ApplyParams params;
  // The target is kept by id and found again at every step, so a task never touches an entity
  // that is gone.
  int32_t targetId = 0;
  ApplyCallback callback = nullptr;
  uint32_t key = 0;
  uint32_t group = 0;
  uint32_t holdValue = 0;
  int32_t held = 0;
  uint32_t mode = 0;
  uint32_t follower = 0;
};

struct ApplyGroup {
  uint32_t parent = 0;
  uint32_t members = 0;
  uint32_t previous = 0;
  uint32_t next = 0;
  uint32_t resumeKey = 0;
  uint32_t resumeApply = 0;
  Event endEvent;
};

// 1 when the task's next step is due at now (and its timer restarts), else 0.
int TimerElapsed(ApplyParams* params, uint32_t now);
