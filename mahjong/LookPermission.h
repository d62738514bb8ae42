// The look-on permission that a seated player gives to, or takes from, an onlooker who watches
// his chair: the player menu's item that offers it, and the change itself (the request to the
// server, the pane's map of allowed onlookers, and the chat line). The player panes of the
// mahjong layer and of the game share it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class CGamePlayerView;
class CMenu;
class COwnerDrawMenu;

#define ID_LOOK_PERMISSION 1906
#define REQ_LOOK_PERMISSION_RECORD_SIZE 40

// What the menu item shows for a row.
struct LookMenuItem {
  bool enabled = false;
  bool retitled = false;  // false: the item keeps the menu's own text
  std::string text;
};

// rowIsOnlooker: the row's user looks on; selfLooksOn: the own user looks on; watchedChair: the
// chair the row's user watches; allowed: he is in the map; name: the row's name.
LookMenuItem DecideLookMenuItem(bool rowIsOnlooker, bool selfLooksOn, int watchedChair, int ownChair, bool allowed,
                                const std::string& name);

// The permission record of the chat line (and of the request): own user id, room, table, own
// chair, the onlooker, 1 allowed / 0 forbidden, then zeros.
std::array<int32_t, REQ_LOOK_PERMISSION_RECORD_SIZE / 4> MakeLookPermissionRecord(int ownUserId, int roomId,
                                                                                   int table, int ownChair,
                                                                                   int onlooker, int allow);

// Sets up item 1906 of the player menu for the row and its user.
void ApplyLookMenuItem(CGamePlayerView& pane, COwnerDrawMenu* menu, CMenu* popup, int row, int userId);

// Sends the permission; when the server took it, the map follows and the frame's chat pane
// (if any) gets the line. 1 when sent, 0 when the request failed (nothing changes then).
int ChangeLookPermission(CGamePlayerView& pane, int userId, int allow);
