// The managed-play banner: the "Autoplay.bmp" picture on a plane in the middle of the table,
// above everything else, shown while the client plays the seat by itself. A timed task of the
// engine recolours its caption every 100 ms: each step takes three random bytes as a colour and
// repaints every pixel of the caption's last colour with it, so the caption blinks in random
// colours. The task runs only while the banner shows; it is held while it is hidden.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "mahjong/scene/TableMetrics.h"

class Entity;
class GameBase;
class World;
struct ApplyParams;

class CManagedBanner {
 public:
  static constexpr int LEVEL = 5010;
  static constexpr uint32_t STEP_MS = 100;
  // The caption's colour in the picture (pure red as the table writes colours, 0x00BBGGRR).
  static constexpr uint32_t FIRST_COLOUR = 0x0000FF;
  // A random byte (only the low eight bits are used).
  using RandomByte = std::function<int()>;

  explicit CManagedBanner(GameBase& scene);
  ~CManagedBanner();
  CManagedBanner(const CManagedBanner&) = delete;
  CManagedBanner& operator=(const CManagedBanner&) = delete;

  // Creates the banner (hidden) with its task once, centred in the centre rectangle; later calls
  // move it there. False when the picture is missing: the table then has no banner.
  bool Build(const CTableMetrics& metrics);
  bool Built() const { return Banner() != nullptr; }
  void Forget();
  // Where the random bytes come from (by default a generator seeded once per banner).
  void SetRandom(RandomByte random);

  // Shows the banner and lets its task run, or hides it and holds the task.
  void Show(bool show);
  bool Visible() const;
  // The caption's colour now.
  uint32_t Colour() const;
  Entity* Banner() const;
  uint32_t TaskId() const { return m_task; }

  // One step of the task: the next colour from three random bytes (red, green, blue); a colour
  // equal to the key colour or to white, or one that the banner already shows elsewhere (the
  // caption would merge with it for good), is skipped and the caption keeps its colour this
  // time. Always answers 0: the task runs as long as the banner.
  static int Step(Entity* banner, ApplyParams* params, World* world, uint32_t now);

 private:
  struct Shared;

  GameBase& m_scene;
  std::shared_ptr<Shared> m_shared;
  uint32_t m_plane = 0;
  uint32_t m_task = 0;
  bool m_shown = false;
};
