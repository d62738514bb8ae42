#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "mahjong/scene/TableMetrics.h"
#include "mahjong/scene/WallLayout.h"
#include "variant/TableControlsLayout.h"

namespace {

TableControlsInput Input(bool small, bool lookOn) {
  TableControlsInput in;
  in.viewWidth = 1000;
  in.viewHeight = 700;
  in.sceneHeight = 700;
  in.ownHandTop = 620;
  in.smallScreen = small;
  in.lookOn = lookOn;
  in.systemBarWidth = 200;
  in.systemBarHeight = 40;
  in.systemBarFrameSize = 36;
  in.systemBarSecondFrameWidth = 30;
  in.operationBarWidth = 220;
  in.leftHandWidth = 60;
  in.actionFrame = 40;
  in.fifthBarButton = true;
  return in;
}

TEST(TableControlsLayout, ControlsFollowTheScreenMode) {
  TableControlsLayout normal = LayOutTableControls(Input(false, false));
  EXPECT_EQ(500, normal.start.x);
  EXPECT_EQ(600, normal.start.y);
  EXPECT_EQ(684, normal.seeHand.y);
  EXPECT_TRUE(normal.placeSystemBar);
  EXPECT_FALSE(normal.systemBarSlides);
  EXPECT_EQ(900, normal.systemBar.x);
  EXPECT_EQ(700 - 22, normal.systemBar.y);
  EXPECT_EQ(5, normal.operationButtons);
  EXPECT_EQ(1000 - 110 - 60 - 20, normal.operationBar.x);
  EXPECT_EQ(700 - 80 - 20 - 10, normal.operationBar.y);
  EXPECT_EQ(960, normal.activity.x);
  EXPECT_EQ(845, normal.tickets.x);

  // Small screens: the bar waits just above the own hand, mostly off the left edge.
  TableControlsLayout small = LayOutTableControls(Input(true, false));
  EXPECT_TRUE(small.systemBarSlides);
  EXPECT_EQ(30 - 100, small.systemBar.x);
  EXPECT_EQ(700 - 20 - 80 - 10, small.systemBar.y);

  TableControlsInput four = Input(false, true);
  four.fifthBarButton = false;
  TableControlsLayout watcher = LayOutTableControls(four);
  EXPECT_FALSE(watcher.placeSystemBar);
  EXPECT_EQ(4, watcher.operationButtons);
}

TEST(TableControlsLayout, SecondThrowLandsOnTheFirst) {
  EXPECT_EQ(153, DicePosition(0, 100, 10).x);
  EXPECT_EQ(153, DicePosition(2, 100, 10).x);
  EXPECT_EQ(259, DicePosition(1, 100, 10).x);
  EXPECT_EQ(259, DicePosition(3, 100, 10).x);
  EXPECT_EQ(59, DicePosition(3, 100, 10).y);
}

}  // namespace

namespace {

RECT Around(ControlPoint c, int w, int h) { return RECT{c.x - w / 2, c.y - h / 2, c.x - w / 2 + w, c.y - h / 2 + h}; }

bool Overlap(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

struct PaneCase {
  int width;
  int height;
  bool small;
  int systemBarHeight;
};

}  // namespace

// The table's pieces at the pane sizes the frame makes: the own hand (with a raised tile), the
// system bar, the operation bar, the claim buttons, the clock and the four wall segments never
// cover each other.
TEST(TableControlsLayout, TablePiecesDoNotCoverEachOther) {
  const PaneCase cases[] = {
      {995, 945, false, 30}, {995, 945, false, 36}, {796, 689, false, 30},
      {796, 684, false, 30}, {796, 684, false, 36}, {612, 570, true, 30},
  };
  for (const PaneCase& pane : cases) {
    SCOPED_TRACE(::testing::Message() << pane.width << "x" << pane.height << (pane.small ? " small" : "")
                                      << " bar " << pane.systemBarHeight);
    CTableMetrics metrics;
    metrics.SetSmallScreen(pane.small);
    metrics.sceneWidth = pane.width;
    metrics.sceneHeight = pane.height;
    metrics.systemBarHeight = pane.systemBarHeight;
    RECT hand{};
    ASSERT_TRUE(metrics.GetHandArea(3, &hand));
    hand.top -= 10;  // a raised tile

    TableControlsInput in;
    in.viewWidth = pane.width;
    in.viewHeight = pane.height;
    in.sceneHeight = pane.height;
    in.ownHandTop = hand.top + 10;
    in.smallScreen = pane.small;
    in.systemBarWidth = 6 * 30 + 40;
    in.systemBarHeight = pane.systemBarHeight;
    in.systemBarFrameSize = 30;
    in.systemBarSecondFrameWidth = 30;
    in.operationBarWidth = 5 * 40 + 30;
    RECT left{};
    ASSERT_TRUE(metrics.GetHandArea(0, &left));
    in.leftHandWidth = left.right - left.left;
    in.actionFrame = 40;
    in.fifthBarButton = true;
    const TableControlsLayout out = LayOutTableControls(in);

    std::vector<std::pair<std::string, RECT>> pieces;
    pieces.emplace_back("hand", hand);
    pieces.emplace_back("system bar", Around(out.systemBar, in.systemBarWidth, in.systemBarHeight));
    const RECT operation = Around(out.operationBar, in.operationBarWidth, in.actionFrame);
    pieces.emplace_back("operation bar", operation);
    const ControlPoint claim = ClaimButtonsOrigin(pane.width, hand.top + 10, 40, 6);
    pieces.emplace_back("claim buttons", RECT{claim.x, claim.y, claim.x + 5 * 46, claim.y + 40});
    const RECT centre = metrics.GetCentreRect();
    const int clockTop = centre.top + (centre.bottom - centre.top - 65) / 2;
    pieces.emplace_back("clock", RECT{centre.left + 10, clockTop, centre.left + 75, clockTop + 65});
    CWallLayout wall;
    wall.centre = centre;
    for (int side = 0; side < 4; ++side) {
      RECT r{};
      ASSERT_TRUE(wall.GetWallSideRect(side, &r));
      pieces.emplace_back("wall " + std::to_string(side), r);
    }
    for (size_t i = 0; i < pieces.size(); ++i) {
      for (size_t j = i + 1; j < pieces.size(); ++j) {
        // The board's own row of claim buttons stands in for the operation bar when the bar has
        // no pictures: never both.
        if (pieces[i].first == "operation bar" && pieces[j].first == "claim buttons") continue;
        EXPECT_FALSE(Overlap(pieces[i].second, pieces[j].second)) << pieces[i].first << " covers " << pieces[j].first;
      }
    }
    // The claim buttons and the own hand stay inside the pane.
    EXPECT_GE(claim.x, 0);
    EXPECT_GE(claim.y, 0);
    EXPECT_GE(hand.left, 0);
    EXPECT_LE(hand.right, pane.width);
  }
}
