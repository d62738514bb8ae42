#include "engine/ApplyCallbacks.h"

#include <cmath>
#include <cstdlib>

#include "engine/Entity.h"
#include "engine/ParticleEntity.h"
#include "engine/PictureEntity.h"
#include "engine/World.h"

int ApplyMoveTo(Entity* e, ApplyParams* p, World*, uint32_t) {
  if (e == nullptr) return 1;
  int32_t x = e->GetX();
  int32_t y = e->GetY();
  const int32_t tx = p->targetX;
  const int32_t ty = p->targetY;
  if (x == tx && y == ty) return 1;
  const int32_t s = p->p1 / 100;
  if (x == tx) {
    if (std::abs(ty - y) > s) {
      y += ty > y ? s : -s;
    } else {
      y = ty;
    }
  } else if (y == ty && std::abs(tx - x) > s) {
    x += tx > x ? s : -s;
  } else {
    const double ddx = static_cast<double>(x) - tx;
    const double ddy = static_cast<double>(y) - ty;
    const int32_t d = static_cast<int32_t>(std::sqrt(ddx * ddx + ddy * ddy));
    if (s < d) {
      const double nx = static_cast<double>(s) * (tx - x) / d;
      const double ny = static_cast<double>(s) * (ty - y) / d;
      x += RoundHalfAway(nx);
      y += RoundHalfAway(ny);
    } else {
      x = tx;
      y = ty;
    }
  }
  e->MoveTo(x, y);
  e->Refresh();
  if (p->p3 != 0) p->p1 += p->p3;
  if (p->p4 != 0) {
    p->p1 = static_cast<int32_t>((static_cast<int64_t>(p->p4) + 1000) * p->p1 / 1000);
  }
  if (p->p2 != 0 && std::abs(p->p1) > std::abs(p->p2)) {
    p->p1 = (p->p1 / std::abs(p->p1)) * std::abs(p->p2);
  }
  return 0;
}

int ApplyShowHide(Entity* e, ApplyParams* p, World*, uint32_t) {
  if (e == nullptr) return 1;
  if (p->p1) {
    e->Show();
  } else {
    e->Hide();
  }
  e->Refresh();
  return 1;
}

int ApplyFade(Entity* e, ApplyParams* p, World*, uint32_t) {
  if (e == nullptr) return 1;
  double a = e->GetAlpha();
  const double g = p->p2 / 100.0;
  if ((a <= g && p->p1 < 0) || (a >= g && p->p1 > 0)) {
    e->SetAlpha(g);
    e->Refresh();
    return 1;
  }
  if (p->p1 == 0) return 1;
  a += p->p1 / 100.0;
  if ((p->p1 < 0 && a <= g) || (p->p1 > 0 && a >= g)) a = g;
  e->SetAlpha(a);
  e->Refresh();
  return 0;
}

int ApplyWait(Entity*, ApplyParams* p, World*, uint32_t now) {
  if (p->runCount == 0) {
    p->p1 = static_cast<int32_t>(now);
    p->runCount = 1;
  }
  return now - static_cast<uint32_t>(p->p1) >= p->valueA ? 1 : 0;
}

int ApplyOnce(Entity*, ApplyParams*, World*, uint32_t) { return 1; }

int ApplyDestroyOnce(Entity*, ApplyParams*, World*, uint32_t) { return 1; }

int ApplyPlayFrames(Entity* e, ApplyParams* p, World* w, uint32_t now) {
  if (p->runCount == 0) p->latch = now;
  p->runCount++;
  switch (p->p1) {
    case 0: {
      const ImageRecord* image = PictureEntity::GetImage(e);
      if (image == nullptr) return 1;
      const uint32_t count = PictureEntity::GetFrameCount(e);
      if (p->valueA > 0 && now - p->latch > p->valueA) {
        PictureEntity::SetFrame(e, count - 1);
        return 1;
      }
      if (PictureEntity::GetCurrentFrame(e) == count - 1 && p->p2 >= 0) {
        p->p2--;
        if (p->p2 == 0) return 1;
      }
      break;
    }
    case 1:
      if (p->p2 > 0) {
        p->p2--;
        p->interval = PictureEntity::NextFrame(e);
        return p->p2 == 0 ? 1 : 0;
      }
      return 1;
    case 2:
      p->valueA = now - p->latch;
      if (p->p2 >= 0 && p->valueA > static_cast<uint32_t>(p->p2)) return 1;
      break;
    case 3:
      PictureEntity::SetFrame(e, static_cast<uint16_t>(p->p2));
      return 1;
    default:
      return 1;
  }
  if (now == p->latch) return 0;
  p->interval = PictureEntity::SetRandomFrame(e, now - p->latch);
  if (p->interval == 0) p->interval = w->GetInterval();
  return 0;
}

int ApplyRepeatEvent(Entity*, ApplyParams* p, World* w, uint32_t) {
  if (p->valueA == 0) return 1;
  p->valueA--;
  // The task keeps its event object for the repeats; each delivery takes a copy of it.
  Event event = p->completion;
  event.object = event.object ? event.object->Clone() : nullptr;
  if (w->DispatchEvent(event, 0) == 0) delete event.object;
  if (p->valueA == 0) p->completion.code = 0;
  return 0;
}

int ApplyResize(Entity* e, ApplyParams* p, World*, uint32_t) {
  if (e == nullptr) return 1;
  int32_t w = e->GetWidth();
  int32_t h = e->GetHeight();
  if (w == p->p1 && h == p->p2) return 1;
  w += p->p3;
  if ((p->p3 <= 0 && w < p->p1) || (p->p3 > 0 && w > p->p1)) w = p->p1;
  h += p->p4;
  if ((p->p4 <= 0 && h < p->p2) || (p->p4 > 0 && h > p->p2)) h = p->p2;
  e->SetSize(w, h);
  e->Refresh();
  return 0;
}

int ApplyEmitParticles(Entity* e, ApplyParams*, World*, uint32_t now) {
  ParticleEmitter* emitter = ParticleEntity::GetEmitter(e);
  if (emitter == nullptr) return 1;
  if (!emitter->running) return 0;
  if (emitter->finishMark) {
    ParticleEntity::Start(e, 0);
    emitter->finishMark = 0;
    return 1;
  }
  ParticleEntity::Step(e, now);
  if (emitter->leftToEmit == 0 && emitter->state.liveCount == 0) emitter->finishMark = 1;
  return 0;
}
