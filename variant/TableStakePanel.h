// The stake panel in the middle of the table, right of the turn clock: the stake coin and the
// hand's stake, in silver ("两") on a table that plays for silver and in points ("分") on the
// others. It is shown once play starts and hidden when a new hand is dealt or the round ends.
#pragma once

#include <cstdint>
#include <string>

#include "mahjong/scene/TableMetrics.h"

class CGameInfo;
class Entity;
class GameBase;

class CTableStakePanel {
 public:
  static constexpr int LEVEL = 100;
  // The coin's frame in the icon strip and where the coin and the text stand in the panel.
  static constexpr int COIN_SX = 30;
  static constexpr int COIN_SIZE = 30;
  static constexpr int COIN_X = 30;
  static constexpr int TEXT_X = 45;
  static constexpr int TEXT_Y = 50;
  static constexpr uint32_t TEXT_COLOUR = 0xFFFF;

  explicit CTableStakePanel(GameBase& scene) : m_scene(scene) {}
  CTableStakePanel(const CTableStakePanel&) = delete;
  CTableStakePanel& operator=(const CTableStakePanel&) = delete;

  // Creates the panel's plane (hidden) over the stake rectangle once; later calls size and move
  // it for a new table size. The icon strip holds the coin (0: the panel shows the text only).
  void Build(const CTableMetrics& metrics, uint32_t iconStrip);
  void Forget();

  // Draws the stake of the game description into the panel, centres it in the stake rectangle
  // and shows it; false when the panel was never built.
  bool Show(const CGameInfo& info);
  void Hide();

  // The text the panel writes for a game description.
  static std::string StakeText(const CGameInfo& info);
  // The rectangle the panel fills: the centre right of the turn clock.
  static RECT PanelRect(const CTableMetrics& metrics);

  Entity* Panel() const;
  bool Visible() const;
  const std::string& Text() const { return m_text; }

 private:
  void Place();

  GameBase& m_scene;
  CTableMetrics m_metrics;
  uint32_t m_plane = 0;
  uint32_t m_strip = 0;
  std::string m_text;
};
