#include <gtest/gtest.h>

#include "mahjong/SeatLayout.h"

namespace {

CSeatLayout Layout(int players, int own) {
  CSeatLayout l;
  l.SetPlayerCount(players);
  l.SetOwnChair(own);
  return l;
}

TEST(SeatLayout, ChairsAndSides) {
  struct Case {
    int players, own, chair, side;
  } cases[] = {
      {4, 2, 2, 3}, {4, 2, 3, 0}, {4, 2, 0, 1}, {4, 2, 1, 2}, {4, 0, 3, 2}, {4, 0, 1, 0},
      {3, 0, 0, 3}, {3, 0, 1, 0}, {3, 0, 2, 2}, {3, 2, 0, 0}, {3, 2, 1, 2},
      {4, 2, 7, -1}, {4, 2, -1, -1}, {3, 0, 3, -1},
  };
  for (const Case& c : cases) {
    CSeatLayout l = Layout(c.players, c.own);
    EXPECT_EQ(c.side, l.ChairToSide(c.chair)) << c.players << " own " << c.own << " chair " << c.chair;
    if (c.side >= 0) {
      EXPECT_EQ(c.chair, l.SideToChair(c.side));
      EXPECT_TRUE(l.IsSeatedChair(c.chair));
    } else {
      EXPECT_FALSE(l.IsSeatedChair(c.chair));
    }
  }
  CSeatLayout three = Layout(3, 0);
  EXPECT_EQ(2, three.SideToChair(1));  // the same chair as side 2
  EXPECT_EQ(-1, three.SideToChair(4));
  // With three players, chair 3 reaches side 1 through the opposite test, but it is no seat.
  EXPECT_EQ(1, Layout(3, 1).ChairToSide(3));
  EXPECT_FALSE(Layout(3, 1).IsSeatedChair(3));
}

TEST(SeatLayout, SteppingRoundTheTable) {
  CSeatLayout three = Layout(3, 0);
  int side = 3;
  int next[4], prev[4];
  for (int i = 0; i < 4; ++i) next[i] = side, side = three.NextSide(side);
  side = 3;
  for (int i = 0; i < 4; ++i) prev[i] = side, side = three.PrevSide(side);
  EXPECT_EQ((std::vector<int>{3, 0, 2, 3}), std::vector<int>(next, next + 4));
  EXPECT_EQ((std::vector<int>{3, 2, 0, 3}), std::vector<int>(prev, prev + 4));
  CSeatLayout four = Layout(4, 1);
  EXPECT_EQ(0, four.NextSide(3));
  EXPECT_EQ(2, four.PrevSide(3));
  EXPECT_EQ(1, four.OppositeSide(3));
  EXPECT_EQ(0, four.PrevChair(1));
  EXPECT_EQ(3, Layout(4, 0).PrevChair(0));
  EXPECT_EQ(0, Layout(3, 2).NextChair(2));
  EXPECT_EQ(1, Layout(3, 3).OppositeChair(3));
}

TEST(SeatLayout, NeighbourAndOpponentSides) {
  struct Case {
    int players, side, a, b;
  } cases[] = {
      {4, 0, 1, 3}, {4, 2, 1, 3}, {4, 1, 0, 2}, {4, 3, 0, 2},
      {3, 0, 2, 3}, {3, 1, 0, 2}, {3, 2, 0, 3}, {3, 3, 0, 2},
      {2, 0, -1, -1},
  };
  for (const Case& c : cases) {
    int a = 9, b = 9;
    Layout(c.players, 0).GetNeighbourSides(c.side, &a, &b);
    EXPECT_EQ(c.a, a) << c.players << " " << c.side;
    EXPECT_EQ(c.b, b) << c.players << " " << c.side;
  }
  int a = 9, b = 9;
  Layout(4, 0).GetNeighbourSides(5, &a, &b);
  EXPECT_EQ(9, a);
  Layout(4, 0).GetOtherOpponentSides(0, &a, &b);
  EXPECT_EQ(2, a);
  EXPECT_EQ(1, b);
  a = b = 9;
  Layout(4, 0).GetOtherOpponentSides(3, &a, &b);
  EXPECT_EQ(9, a);
}

}  // namespace
