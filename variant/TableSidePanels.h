// The name panels beside the four hands: a 200 x 50 plane per side with the player's name,
// yellow once the player has started and white before, and a row of up to ten small icons
// (the banker's coin and the like) from the icon strip. The panels of the side hands are
// turned to read along their hands.
#pragma once

#include <cstdint>
#include <string>

#include "mahjong/HandActions.h"
#include "mahjong/scene/TableMetrics.h"

class Entity;
class GameBase;

class CTableSidePanels {
 public:
  static constexpr int PANEL_WIDTH = 200;
  static constexpr int PANEL_HEIGHT = 50;
  static constexpr int ICON_SIZE = 30;
  static constexpr int ICONS = CSideIcons::ICONS;
  // The banker's coin: icon code 1, the strip's second frame.
  static constexpr int BANKER_ICON = 1;
  static constexpr int LEVEL = 2000;
  static constexpr uint32_t STARTED_COLOUR = 0xFFFF;
  static constexpr uint32_t WAITING_COLOUR = 0xFFFFFF;

  explicit CTableSidePanels(GameBase& scene) : m_scene(scene) {}
  CTableSidePanels(const CTableSidePanels&) = delete;
  CTableSidePanels& operator=(const CTableSidePanels&) = delete;

  // Creates the four panels and their icons once, from the icon strip's 30 x 30 frames.
  void Build(uint32_t iconStrip);
  bool Built() const { return m_panels[0] != 0; }
  // Forgets the engine objects (the engine destroyed them).
  void Forget();

  // Writes the name into the side's panel and places it beside the side's hand, then shows its
  // icons and the panel. An empty name hides the panel.
  void Draw(int side, const std::string& name, bool started, const CTableMetrics& metrics);
  // The side's last icon code (the tenth) := code, and the icons are shown again.
  void SetSideIcon(int side, int code);
  // Compacts the side's codes and shows an icon per positive code; returns how many.
  int ShowSideIcons(int side);
  // Every side's codes cleared (a new hand).
  void ResetSideEffects();

  // Where the panel's centre goes for a hand area: beside it, 25 pixels off on normal screens
  // and 5 on small ones; a panel that would leave the scene stands on the table's side of the
  // hand instead, beyond the ready icon and from the hand's start, clear of its played tile.
  static POINT PanelCentre(int side, const RECT& area, const CTableMetrics& metrics);

  Entity* Panel(int side) const;
  Entity* Icon(int side, int i) const;
  int Code(int side, int i) const { return m_codes.Code(side, i); }

 private:
  void PlaceIcons(int side);

  GameBase& m_scene;
  uint32_t m_strip = 0;
  uint32_t m_panels[4] = {};
  uint32_t m_icons[4][ICONS] = {};
  CSideIcons m_codes;
};
