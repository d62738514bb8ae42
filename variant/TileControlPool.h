// The table's tile controls: a pool of 31 engine controls, made once with the scene, that make
// the own standing tiles answer to the mouse. A tile that is drawn takes a free control, which
// is bound to the tile's picture and keeps the tile's entity row; its event slots then carry the
// tile commands that the scene's tile router turns into hover, drag, pick and discard. The
// control goes back to the pool with its row, so no control ever points at a row that is gone.
//
// The same look and bindings switch the claim buttons between idle and active.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "mahjong/scene/TileEntityTable.h"

class ControlRecord;
class Entity;
class GameBase;

// What decides a tile control's bindings: the onlooker, the clock's position (6: the own side),
// the claim that waits for a pick and whether the own hand holds its drawn tile.
struct TileBindingState {
  bool lookOn = false;
  int pointTo = 0;
  int pendingClaim = 0;
  bool hasDrawnTile = false;
};

class CTileControlPool {
 public:
  static constexpr int CONTROLS = 31;

  // The tile commands the controls raise.
  static constexpr uint32_t CMD_LOOK_ENTER = 210011;
  static constexpr uint32_t CMD_LOOK_LEAVE = 210012;
  static constexpr uint32_t CMD_ENTER = 210013;
  static constexpr uint32_t CMD_LEAVE = 210014;
  static constexpr uint32_t CMD_PICK_PENG = 210015;
  static constexpr uint32_t CMD_PICK_GANG = 210016;
  static constexpr uint32_t CMD_PICK_CHI = 210017;
  static constexpr uint32_t CMD_DISCARD = 210018;
  static constexpr uint32_t CMD_DRAG_BEGIN = 210019;
  static constexpr uint32_t CMD_DRAG = 210020;
  static constexpr uint32_t CMD_DRAG_END = 210021;
  // The hover command of a picture button (its sound and full opacity).
  static constexpr uint32_t CMD_BUTTON_ENTER = 210036;

  // The event slots a tile control binds, and the codes one binding puts there (0: cleared).
  static constexpr std::array<uint32_t, 6> SLOTS = {2, 3, 6, 7, 8, 11};
  using SlotCodes = std::array<uint32_t, 6>;
  // The tile commands for a state; the click slot keeps `currentClick` while a win is pending.
  static SlotCodes TileSlotCodes(const TileBindingState& state, uint32_t currentClick);

  CTileControlPool() = default;
  CTileControlPool(const CTileControlPool&) = delete;
  CTileControlPool& operator=(const CTileControlPool&) = delete;

  // Makes the 31 controls in the scene's world; a second call does nothing.
  void Create(GameBase& scene, std::function<void(const std::string&)> log);
  // The engine has destroyed its controls (the scene shut down).
  void Forget();
  bool Created() const { return m_scene != nullptr; }

  // The first control 1-31 without a bound row; 0 (logged) when every one is bound.
  int AllocControl();
  // Binds a free control to the row's picture and the row to the control (row.control); false
  // when the control or the picture is missing.
  bool Attach(int control, TileEntityRow& row);
  // Gives the row's control back: unbound from the picture in the engine, its row forgotten
  // and row.control := 0. A control under the mouse is let go by the input too, so that the
  // next look at the pointer finds whatever control lies there now.
  void Release(TileEntityRow& row);
  // Puts the tile commands on the row's control (null row or a row without a control: logged).
  void BindTileControl(TileEntityRow* row, const TileBindingState& state);
  // Binds every bound control again (the clock turned, or a claim opened or closed).
  void RefreshTileControls(const TileBindingState& state);

  // The control record of index 1-31, or null.
  ControlRecord* Record(int control) const;
  // The row the control with this engine key is bound to (null: none, or no tile control).
  TileEntityRow* RowOfKey(uint32_t key) const;
  int BoundCount() const;
  // Whether a release let go of the control under the mouse since the last call; the scene
  // then has the input look at the pointer again.
  bool TakeHoverLost() {
    const bool lost = m_hoverLost;
    m_hoverLost = false;
    return lost;
  }
  // Whether a control was put on a tile since the last call: the tile may lie under a mouse
  // that rests, which the input then finds only when it looks at the pointer again.
  bool TakeAttached() {
    const bool attached = m_attached;
    m_attached = false;
    return attached;
  }

  // Idle or active look and bindings of a picture control (the claim buttons): active 0.8
  // opaque on back colour 255, entering raises the hover command and leave, press, release and
  // click the engine's highlight commands; idle 0.3 opaque, plain, those slots cleared.
  static void SetTileControlActive(ControlRecord* control, bool on);

 private:
  struct Slot {
    ControlRecord* record = nullptr;
    TileEntityRow* row = nullptr;
  };
  void Log(const std::string& line) const {
    if (m_log) m_log(line);
  }

  GameBase* m_scene = nullptr;
  std::function<void(const std::string&)> m_log;
  Slot m_slots[CONTROLS + 1];
  bool m_hoverLost = false;
  bool m_attached = false;
};
