#include <gtest/gtest.h>

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
  EXPECT_EQ(700 - 20 - 80, small.systemBar.y);

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
