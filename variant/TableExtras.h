// This game's own pictures on the table: a ready icon beside each hand that shows once its
// player has started, the panel behind the treasure tile, the game's logo, the activity button
// that opens the ticket exchange, and the ten ticket animations played when tickets are won.
#pragma once

#include <cstdint>
#include <functional>

#include "mahjong/scene/TableMetrics.h"
#include "platform/base/WinTypes.h"

class Entity;
class GameBase;
class PictureButton;

class CTableExtras {
 public:
  static constexpr uint32_t CMD_ACTIVITY = 210068;
  static constexpr int TICKETS = 10;
  static constexpr int READY_WIDTH = 76;
  static constexpr int READY_HEIGHT = 32;

  explicit CTableExtras(GameBase& scene) : m_scene(scene) {}
  CTableExtras(const CTableExtras&) = delete;
  CTableExtras& operator=(const CTableExtras&) = delete;

  // Creates everything once; the ready icons of the chairs that are seats here.
  void Build(const CTableMetrics& metrics, int playerCount, const std::function<int(int chair)>& chairToSide);
  bool Built() const { return m_built; }
  void Layout(const CTableMetrics& metrics);
  void Forget();

  // The ready icon of a side, unless ready icons are held back (a player left during the
  // settlement); false when nothing was shown.
  bool ShowReadyIcon(int side);
  void HideReadyIcon(int side);
  void HideReadyIcons();
  void SetHoldReadyIcons(bool hold) { m_holdReadyIcons = hold; }
  bool HoldsReadyIcons() const { return m_holdReadyIcons; }
  void ShowActivityButton();
  // The waiting text of a room where the system seats the players, until the table is dealt
  // (the engine destroys it with its pending entities).
  void ShowWaitingText();
  Entity* WaitingText() const;
  // Ticket animation n (1 to 10) shown and played once from its first frame; false for any
  // other n.
  bool PlayTicketAnimation(int n);

  // An engine picture button on a named picture with the table's button sounds (press 29010,
  // enter 29011, none on leave); a tag that is not empty becomes its tip, shown by the engine
  // while the mouse rests on it. Null when the engine refuses the button.
  static PictureButton* CreateTaggedPictureButton(GameBase& scene, const char* picture, uint32_t code,
                                                  const char* tag);

  // The ready icon's point beside a side's hand: 35 pixels from the hand area on the table's
  // side, centred along it.
  static POINT ReadyIconPoint(int side, const RECT& area);

  Entity* ReadyIcon(int side) const;
  Entity* TreasurePanel() const;
  // The treasure panel drawn anew with the treasure tile's large face (a frame of the large-face
  // strip, faceWidth x faceHeight) and shown; a tile that is no tile shows the panel without a
  // face. False when there is no panel.
  bool ShowTreasurePanel(uint32_t largeStrip, int tile, int faceWidth, int faceHeight);
  // The logo's picture (0 when missing) and where its centre stands on the table top.
  uint32_t LogoPicture() const { return m_logoPicture; }
  static POINT LogoCentre(const CTableMetrics& metrics);
  static constexpr int LOGO_WIDTH = 149;
  static constexpr int LOGO_HEIGHT = 132;
  Entity* ActivityButton() const;
  Entity* Ticket(int n) const;

 private:
  Entity* Find(uint32_t id) const;

  GameBase& m_scene;
  bool m_built = false;
  bool m_holdReadyIcons = false;
  uint32_t m_ready[4] = {};
  uint32_t m_treasure = 0;
  uint32_t m_treasurePicture = 0;
  uint32_t m_logoPicture = 0;
  PictureButton* m_activity = nullptr;
  uint32_t m_activityPicture = 0;
  uint32_t m_tickets[TICKETS] = {};
  uint32_t m_ticketKey = 0;
  uint32_t m_waiting = 0;
};
