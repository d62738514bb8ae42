// The operations of a table scene that the GDI-drawn table view (CMJGameTableView) calls: the
// scene paints the table into the view's buffer, takes the view's mouse and timer input, answers
// the view's plain buttons and lays out its own controls. Every operation does nothing here; a
// scene that draws itself with GDI fills the ones it needs. The engine-drawn scene of this game
// runs in view mode 2 and is never handed to the GDI view.
#pragma once

#include <cstdint>

#include "platform/base/WinTypes.h"

class CDC;

// The table views the view mode selects.
#define VIEW_MODE_GDI 1
#define VIEW_MODE_ENGINE 2

class CMJTableSceneBase {
 public:
  virtual ~CMJTableSceneBase() = default;

  // 1: the scene draws itself with GDI in CMJGameTableView; 2: the engine host view draws it.
  virtual int GetViewMode() const { return VIEW_MODE_GDI; }

  // A window timer of the view went off.
  virtual void OnTimer(uintptr_t timerId) {}
  // The skin changed; the view has rebuilt its background.
  virtual void OnSkinChanged() {}
  // Called when the view goes; its answer is handed back to the view's caller.
  virtual int SceneHook48() { return 0; }
  // The view's first update: the scene's own entities, then a clean table.
  virtual void BuildVariantEntities() {}
  virtual void ResetTable() {}
  // Whether the view's extra button of that index (0-4) is in use and takes the skin's look.
  virtual int IsArrayButtonEnabled(int index) { return 0; }

  // The view's buttons.
  virtual void OnStartButton() {}
  virtual void OnPengButton() {}
  virtual void OnGangButton() {}
  virtual void OnChiButton() {}
  virtual void OnHuButton() {}
  virtual void OnPassButton() {}
  // Commands 1815 to 1817 (index 0 to 2).
  virtual void OnExtraButton(int index) {}

  // Paints the table into the view's buffer, over the background and the name plates.
  virtual void PaintTableGdi(CDC* dc) {}

  // 1 when the side's hand shows tiles (side 3 is the own or the watched hand).
  virtual int HasHandTiles(int side) { return 0; }
  // The mouse over the table, in the view's client coordinates. The move's answer is the
  // view's cursor (0 arrow, 1 hand, 2 sizing); a right press that answers 2 shows the hand
  // cursor; the right release's answer becomes the cursor.
  virtual int OnTableMouseMove(UINT flags, int x, int y) { return 0; }
  virtual int OnTableRButtonDown(UINT flags, int x, int y) { return 0; }
  virtual int OnHandMouseUp(UINT flags, int x, int y) { return 0; }
  virtual int OnTableLButtonDown(UINT flags, int x, int y) { return 0; }
  // The claim the player has open (a gang or chi choice, a claim the server holds), 0 none.
  virtual int GetPendingClaim() { return 0; }

  // A hand under way is shown again (entering a running table, or watching one).
  virtual void ResumeHand() {}
  // The operation and system bars shown or hidden.
  virtual void ShowBars(int shown) {}
  // Places the scene's clock, buttons and bars for the view's size.
  virtual void LayoutTableControls() {}
};
