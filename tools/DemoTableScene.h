// A table-like scene for the demo and the benchmarks: a background, 136 tiles in rows, 20
// sprites that keep moving between two points, and a caption plane.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/GameBase.h"

class DemoTableScene : public GameBase {
 public:
  static constexpr int TILE_COUNT = 136;
  static constexpr int SPRITE_COUNT = 20;
  // The command a sprite's move sends when it arrives; the sprite's index is added.
  static constexpr uint32_t ARRIVED = 210001;
  // The root binding of the key-down slot.
  static constexpr uint32_t KEY = 210100;
  static constexpr uint32_t ESCAPE = 0x1b;

  void OnGameStart() override;
  void OnFrame() override;
  int OnCommand(Event event) override;

  // Builds the scene on a screen of width x height.
  void Build(int32_t width, int32_t height);
  Entity* Caption() const { return m_caption; }
  // Redraws the caption's text with the frame count.
  void WriteCaption();
  uint32_t Arrivals() const { return m_arrivals; }

 private:
  void SendSprite(int index);

  std::vector<Entity*> m_tiles;
  std::vector<Entity*> m_sprites;
  std::vector<int> m_side;
  Entity* m_caption = nullptr;
  uint32_t m_arrivals = 0;
  uint32_t m_frame = 0;
  int32_t m_width = 0;
  int32_t m_height = 0;
};
