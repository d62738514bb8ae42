// Strip animation tables and the play state the screen draws and advances.
#pragma once

#include <cstdint>

struct StripStep {
  int32_t resourceId;
  int32_t sourceX;
  int32_t sourceY;
  uint32_t duration;
};

struct StripTable {
  int32_t frameWidth;
  int32_t frameHeight;
  StripStep* steps;
  uint32_t stepCount;
  // Sum of the step durations in ms.
  uint32_t totalDuration;
  // Played after this one ends; null = none.
  StripTable* next;

  // Sums the step durations into totalDuration and returns it.
  uint32_t SumDurations();
  // n steps of one picture laid side by side: step i = {resourceId, i x frameWidth, 0, duration}.
  // The steps are resource manager memory blocks; old steps are freed. Total and next become 0.
  void InitUniform(uint32_t n, int32_t resourceId, int32_t frameWidth, int32_t frameHeight,
                   uint32_t duration);
};

// Strip flags.
constexpr uint32_t STRIP_FLAG_RUNNING = 0x1;
constexpr uint32_t STRIP_FLAG_SCREEN_ADVANCES = 0x2;
constexpr uint32_t STRIP_FLAG_LOOP = 0x8;
constexpr uint32_t STRIP_FLAG_OWNS_TABLE = 0x10;
constexpr uint32_t STRIP_FLAG_REWOUND_RESULT = 0x20;
constexpr uint32_t STRIP_FLAG_REWIND = 0x40;

struct StripPlayState {
  int32_t active;
  StripTable* table;
  // Engine time (ms) at which the current pass began; 0 = not yet begun.
  uint32_t start;
  uint32_t stepIndex;
  // Sum of the durations of the steps before the current one in this pass.
  uint32_t elapsed;
  uint32_t repeatsLeft;
  // Picture of the current step; 0 = nothing to draw.
  int32_t resourceId;
  int32_t sourceX;
  int32_t sourceY;
  int32_t frameWidth;
  int32_t frameHeight;
  double speed;
  uint32_t flags;

  // Moves the playback to now (ms): 0 ended or nothing to show, 1 a step is current (or the
  // strip ended and was rewound), 2 paused, 4096 ended and rewound with STRIP_FLAG_REWOUND_RESULT.
  int Advance(uint32_t now);
};
