// The bodies of the table's requests (read by the server, written by scripted clients and the
// computer players) and of its notifications (written by the server, read by the tests). Each
// struct has an explicit writer and a reader that refuses a body shorter than its layout.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "testbed/table/BodyBytes.h"

namespace testbed {

// The four words every request begins with.
struct Identity {
  int userId = 0;
  int roomId = 0;
  int table = 0;
  int chair = 0;
};

// Requests that carry nothing but the identity words (ready, resync, see-hand, stall).
struct IdentityBody {
  static constexpr size_t SIZE = 16;
  Identity id;
  size_t size = 32;  // the clients send 32 bytes; 229610 sends 16
  BodyData Write() const;
  static std::optional<IdentityBody> Read(std::span<const BYTE> body);
};

// Pass (229005, 40 bytes): the offer's chair and tile.
struct PassBody {
  static constexpr size_t SIZE = 40;
  Identity id;
  int offerChair = 0;
  int tile = -1;
  BodyData Write() const;
  static std::optional<PassBody> Read(std::span<const BYTE> body);
};

// The 64-byte meld record: claim and meld requests and the meld notifications.
struct MeldRecord {
  static constexpr size_t SIZE = 64;
  Identity id;            // the notifications carry user, room and table; +12 is the actor
  int otherChair = 0;     // +16: the giver (or the offer's chair in a request)
  std::array<int, 4> tiles{-1, -1, -1, -1};  // +20..+32
  int kind = 0;           // +36: gang-claim kind (requests only)
  int replacement = 0;    // +40: gang notifications
  int replacementWall = 0;  // +44
  BodyData Write() const;
  static std::optional<MeldRecord> Read(std::span<const BYTE> body);
};

// Hu (229080, 48 bytes).
struct HuBody {
  static constexpr size_t SIZE = 48;
  Identity id;
  int offerChair = 0;
  int tile = -1;
  int kind = 0;
  int robbedKind = 0;
  BodyData Write() const;
  static std::optional<HuBody> Read(std::span<const BYTE> body);
};

// Discard (221080, 104 + 4n bytes). The identity words name the discarding seat; for a discard
// sent for the seat in turn, forOther is 1 and the sender is named at +24 and +28.
struct DiscardBody {
  static constexpr size_t SIZE = 104;
  static constexpr int MAX_TILES = 64;
  Identity seat;
  int forOther = 0;
  int senderTable = 0;
  int senderChair = 0;
  int senderUserId = 0;
  std::string machineId;
  int own = 1;
  std::vector<int> tiles;
  BodyData Write() const;
  static std::optional<DiscardBody> Read(std::span<const BYTE> body);
};

// Draw (229000, 96 bytes), laid out like the discard's first words.
struct DrawBody {
  static constexpr size_t SIZE = 96;
  Identity seat;
  int forOther = 0;
  int senderTable = 0;
  int senderChair = 0;
  int senderUserId = 0;
  BodyData Write() const;
  static std::optional<DrawBody> Read(std::span<const BYTE> body);
};

// Flower replacement (229060, 44 bytes).
struct FlowerBody {
  static constexpr size_t SIZE = 44;
  Identity id;
  int flower = -1;
  BodyData Write() const;
  static std::optional<FlowerBody> Read(std::span<const BYTE> body);
};

// See-hand permission (221052, 40 bytes) and return to game (229500, 32 bytes): one or two
// words after the identity.
struct PermissionBody {
  static constexpr size_t SIZE = 40;
  Identity id;
  int watcherUserId = 0;
  int allow = 0;
  BodyData Write() const;
  static std::optional<PermissionBody> Read(std::span<const BYTE> body);
};

struct ReturnBody {
  static constexpr size_t SIZE = 32;
  Identity id;
  int value = 1;
  BodyData Write() const;
  static std::optional<ReturnBody> Read(std::span<const BYTE> body);
};

// The draw record: the 32-byte reply of a draw, a flower replacement and a gang action, and
// the body of 229160.
struct DrawRecord {
  static constexpr size_t SIZE = 32;
  static constexpr int MAY_WIN = 0x8;
  int chair = 0;
  int tile = -1;
  int wallIndex = -1;
  int flags = 0;
  BodyData Write() const;
  static std::optional<DrawRecord> Read(std::span<const BYTE> body);
};

// 221170: a discard with every chair's claim word.
struct TileDiscardedNote {
  static constexpr size_t SIZE = 88;
  int userId = 0;
  int chair = 0;
  std::array<int, 4> words{};
  int tile = -1;
  BodyData Write() const;
  static std::optional<TileDiscardedNote> Read(std::span<const BYTE> body);
};

// 229170, 229175 (announcements) and 229500 (back or left): a chair at +12 and a kind at +16.
struct ChairNote {
  static constexpr size_t SIZE = 20;
  Identity id;
  int kind = 0;
  size_t size = 32;
  BodyData Write() const;
  static std::optional<ChairNote> Read(std::span<const BYTE> body);
};

// 229180: a gang announced, with the claim words for robbing it.
struct GangAnnouncedNote {
  static constexpr size_t SIZE = 32;
  int actor = 0;
  int giver = 0;
  int tile = -1;
  int kind = 0;
  std::array<int, 4> words{};
  BodyData Write() const;
  static std::optional<GangAnnouncedNote> Read(std::span<const BYTE> body);
};

// 229210: a flower laid out and its replacement.
struct FlowerNote {
  static constexpr size_t SIZE = 32;
  Identity id;
  int flower = -1;
  int replacement = -1;
  int wallIndex = -1;
  BodyData Write() const;
  static std::optional<FlowerNote> Read(std::span<const BYTE> body);
};

// 201160: a player is ready.
struct PlayerStartedNote {
  static constexpr size_t SIZE = 32;
  Identity id;
  BodyData Write() const;
  static std::optional<PlayerStartedNote> Read(std::span<const BYTE> body);
};

// 221050 to the watched player: an onlooker asks to see the hand.
struct SeeHandAskNote {
  static constexpr size_t SIZE = 16;
  int watcherUserId = 0;
  BodyData Write() const;
  static std::optional<SeeHandAskNote> Read(std::span<const BYTE> body);
};

// 221160: the watched player's answer.
struct HandShownNote {
  static constexpr size_t SIZE = 24;
  Identity player;  // user, room, table, watched chair
  int watcherUserId = 0;
  int allow = 0;
  BodyData Write() const;
  static std::optional<HandShownNote> Read(std::span<const BYTE> body);
};

// 221200: a chair's standing tiles for its player or a permitted onlooker.
struct HandRefreshNote {
  static constexpr size_t SIZE = 12;
  static constexpr int MAX_TILES = 14;
  int userId = 0;
  int chair = 0;
  std::vector<int> tiles;
  BodyData Write() const;
  static std::optional<HandRefreshNote> Read(std::span<const BYTE> body);
};

}  // namespace testbed
