#include "engine/StripPlayState.h"

#include "engine/ResourceManager.h"

uint32_t StripTable::SumDurations() {
  uint32_t total = 0;
  for (uint32_t i = 0; steps != nullptr && i < stepCount; ++i) total += steps[i].duration;
  totalDuration = total;
  return total;
}

void StripTable::InitUniform(uint32_t n, int32_t resourceId, int32_t width, int32_t height,
                             uint32_t duration) {
  ResourceManager* manager = ResourceManager::Instance();
  if (steps != nullptr) manager->FreeMemRes(steps);
  steps = nullptr;
  stepCount = 0;
  frameWidth = width;
  frameHeight = height;
  totalDuration = 0;
  next = nullptr;
  if (n == 0) return;
  steps = static_cast<StripStep*>(manager->NewMemRes(static_cast<DWORD>(n * sizeof(StripStep)), nullptr));
  if (steps == nullptr) return;
  stepCount = n;
  for (uint32_t i = 0; i < n; ++i) {
    steps[i] = StripStep{resourceId, static_cast<int32_t>(i) * width, 0, duration};
  }
}

int StripPlayState::Advance(uint32_t now) {
  if (start == 0) {
    start = now;
  }
  if ((flags & STRIP_FLAG_RUNNING) == 0) {
    start = now - elapsed;
    return 2;
  }
  if (speed == 0.0) {
    return 0;
  }
  if (table == nullptr) {
    active = 0;
    return 0;
  }
  // A table without time, or a negative speed, cannot make progress: the strip would wait
  // forever or wind back, so it ends at once instead.
  if (table->totalDuration == 0 || speed < 0.0) {
    active = 0;
    flags &= ~STRIP_FLAG_RUNNING;
    return 0;
  }
  uint64_t t = static_cast<uint64_t>(static_cast<double>(now - start) * speed);
  const uint32_t period = static_cast<uint32_t>(table->totalDuration / speed);
  // Chains of further tables are followed a bounded number of times per call so that a cycle
  // of tables cannot keep this loop busy.
  int guard = 1000000;
  while (t >= table->totalDuration) {
    if (--guard == 0 || table->totalDuration == 0) {
      active = 0;
      flags &= ~STRIP_FLAG_RUNNING;
      return 0;
    }
    if (repeatsLeft == 0 && table->next == nullptr && (flags & STRIP_FLAG_LOOP) != 0) {
      // A table that loops onto itself skips all its whole passes at once, as many single
      // passes would.
      const uint64_t passes = t / table->totalDuration;
      start += static_cast<uint32_t>(passes * period);
      t -= passes * table->totalDuration;
      stepIndex = 0;
      elapsed = 0;
      continue;
    }
    start += period;
    t -= table->totalDuration;
    stepIndex = 0;
    elapsed = 0;
    if (repeatsLeft != 0) {
      --repeatsLeft;
    } else if (table->next != nullptr) {
      table = table->next;
    } else if ((flags & STRIP_FLAG_LOOP) != 0) {
      // The same table plays again.
    } else {
      active = 0;
      flags &= ~STRIP_FLAG_RUNNING;
      if ((flags & STRIP_FLAG_REWIND) != 0) {
        stepIndex = 0;
        elapsed = 0;
        start = 0;
        return (flags & STRIP_FLAG_REWOUND_RESULT) != 0 ? 4096 : 1;
      }
      return 0;
    }
  }
  while (stepIndex < table->stepCount) {
    const StripStep& step = table->steps[stepIndex];
    if (elapsed + step.duration > t) {
      resourceId = step.resourceId;
      sourceX = step.sourceX;
      sourceY = step.sourceY;
      frameWidth = table->frameWidth;
      frameHeight = table->frameHeight;
      active = 1;
      return 1;
    }
    elapsed += step.duration;
    ++stepIndex;
  }
  active = 0;
  return 0;
}
