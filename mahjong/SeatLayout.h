// The server numbers the players by chair (0 to the player count - 1); the screen numbers the
// four places around the table by side: 3 is the own chair at the bottom, 0 the next chair on
// the right, 1 the chair opposite at the top, 2 the previous chair on the left. With three
// players side 1 stays empty. CSeatLayout converts between the two and steps round the table;
// the game description and the seat painter derive from it.
#pragma once

#define SIDE_RIGHT 0
#define SIDE_TOP 1
#define SIDE_LEFT 2
#define SIDE_OWN 3
#define SIDE_COUNT 4

class CSeatLayout {
 public:
  CSeatLayout() = default;
  virtual ~CSeatLayout() = default;

  virtual void GetNeighbourSides(int side, int* a, int* b) const;
  virtual void GetOtherOpponentSides(int side, int* a, int* b) const;
  virtual int SideToChair(int side) const;
  virtual int PrevSide(int side) const;
  virtual int NextSide(int side) const;
  virtual int OppositeSide(int side) const;
  virtual int ChairToSide(int chair) const;
  virtual int PrevChair(int chair) const;
  virtual int NextChair(int chair) const;
  virtual int OppositeChair(int chair) const;

  // The own chair: the application's chair number, kept here so the arithmetic needs nothing
  // else. The application sets it whenever it learns its chair.
  virtual int GetOwnChair() const { return m_ownChair; }
  void SetOwnChair(int chair) { m_ownChair = chair; }

  // A chair that the server may name at this table: 0 to the player count - 1 and with a side.
  bool IsSeatedChair(int chair) const;

  int GetPlayerCount() const { return m_playerCount; }
  void SetPlayerCount(int count) { m_playerCount = count; }
  int GetTableSeats() const { return m_tableSeats; }
  void SetTableSeats(int seats) { m_tableSeats = seats; }
  int GetThirdTableWord() const { return m_thirdTableWord; }
  void SetThirdTableWord(int word) { m_thirdTableWord = word; }

 protected:
  int m_playerCount = 4;
  int m_tableSeats = 4;
  int m_thirdTableWord = 1;
  int m_ownChair = 0;
};
