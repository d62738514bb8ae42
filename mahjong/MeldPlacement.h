// Where the tiles of a meld and of an open hand lie in a side's hand zone: which record takes
// which tile of the meld record, which tile is turned to show where the claim came from, and
// the pixel position of each tile relative to the side's hand area, for the four screen sides.
// Melds fill the hand zone from the top in groups of four records (17, 13, 9, 5); a group
// number outside 0-3 is refused, so no placement ever reaches below record 2.
#pragma once

#define MELD_FAMILY_CHI 0
#define MELD_FAMILY_PENG 1
#define MELD_FAMILY_EXPOSED_GANG 2
#define MELD_FAMILY_CONCEALED_GANG 3

struct MeldGeometry {
  int handLength[4] = {};
  int insetX[4] = {};
  int insetY[4] = {};
  // Where side 0's meld column begins; a rule set may start it lower.
  int column0Start = 0;
};

// The tiles of a meld record: +20 the claimed (or first) tile, +24, +28 and +32.
struct MeldTiles {
  int claimed = -1;
  int second = -1;
  int third = -1;
  int fourth = -1;
};

struct MeldTilePlace {
  int record = -1;
  int tileId = -1;
  int x = 0;
  int y = 0;
  int lie = 0;
  int nFace = 1;
  int turned = 0;
  int top = 0;  // the fourth tile of a gang, lying on the other three
  int meldKind = 0;
};

class CMeldPlacement {
 public:
  static constexpr int GROUPS = 4;
  static constexpr int TOP_RECORD = 17;
  static constexpr int LIFT = 11;

  explicit CMeldPlacement(const MeldGeometry& geometry) : m_geometry(geometry) {}

  // The top record of group g (17, 13, 9, 5), -1 for any other g.
  static int GroupTop(int group) { return group >= 0 && group < GROUPS ? TOP_RECORD - 4 * group : -1; }
  static int NormalLie(int side) { return (side + 2) % 4; }
  static int StandingStep(int side) { return side % 2 == 0 ? 21 : 26; }
  static int TurnedStep(int side) { return side % 2 == 0 ? 25 : 33; }
  static int GroupAdvance(int side) { return TurnedStep(side) + 2 * StandingStep(side); }

  // Lays a chi, peng, exposed or concealed gang of side into group: writes 3 or 4 places and
  // returns how many, or 0 when the side, the family or the group does not exist, or when the
  // source side is the claimer's own (no player claims his own discard). concealedTopFace is
  // the face of a concealed gang's top tile; the own side always sees it unless looking on.
  int Place(int family, int side, int sourceSide, const MeldTiles& tiles, int group, int concealedTopFace,
            bool lookOn, MeldTilePlace out[4]) const;

  // The fourth tile of an added gang on the group whose records are top..top-3: the position
  // of record top-1 raised by the lift. Returns false for a record that is no group top.
  bool PlaceAddedTile(int groupTop, int tile, int side, int x1, int y1, MeldTilePlace* out) const;

  // Positions of an open hand's tiles (record r from 1) and of its drawn tile.
  bool HandTilePosition(int side, int record, int* x, int* y) const;
  bool DrawnTilePosition(int side, int* x, int* y) const;

 private:
  MeldGeometry m_geometry;
};
