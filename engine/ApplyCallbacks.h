// The step callbacks of the engine's timed tasks.
#pragma once

#include "engine/Apply.h"

int ApplyMoveTo(Entity* e, ApplyParams* p, World* w, uint32_t now);
int ApplyShowHide(Entity* e, ApplyParams* p, World* w, uint32_t now);
int ApplyFade(Entity* e, ApplyParams* p, World* w, uint32_t now);
int ApplyWait(Entity* e, ApplyParams* p, World* w, uint32_t now);
int ApplyOnce(Entity* e, ApplyParams* p, World* w, uint32_t now);
int ApplyDestroyOnce(Entity* e, ApplyParams* p, World* w, uint32_t now);
int ApplyPlayFrames(Entity* e, ApplyParams* p, World* w, uint32_t now);
int ApplyRepeatEvent(Entity* e, ApplyParams* p, World* w, uint32_t now);
int ApplyResize(Entity* e, ApplyParams* p, World* w, uint32_t now);
int ApplyEmitParticles(Entity* e, ApplyParams* p, World* w, uint32_t now);
