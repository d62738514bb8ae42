// Where the table's controls stand in the view: the start and see-hand buttons, the system
// bar (which on small screens hides beside the own hand and slides out on hover), the
// operation bar with the claim buttons, the activity button and the ticket animations, and
// the two dice positions inside the dice rectangle.
#pragma once

struct ControlPoint {
  int x = 0;
  int y = 0;
};

struct TableControlsInput {
  int viewWidth = 0;
  int viewHeight = 0;
  int sceneHeight = 0;
  int ownHandTop = 0;         // top of the own hand area in scene coordinates
  bool smallScreen = false;
  bool lookOn = false;
  int systemBarWidth = 0;
  int systemBarHeight = 0;
  int systemBarFrameSize = 0;  // height of one system-bar frame
  int systemBarSecondFrameWidth = 0;
  int operationBarWidth = 0;
  int leftHandWidth = 0;       // width of side 2's hand area
  int actionFrame = 0;         // size of one action-button frame
  bool fifthBarButton = false;
};

struct TableControlsLayout {
  ControlPoint start;
  ControlPoint seeHand;
  bool placeSystemBar = false;  // an onlooker's system bar stays where it is
  ControlPoint systemBar;
  bool systemBarSlides = false;  // small screens: hover events slide it in and out
  int operationButtons = 4;
  ControlPoint operationBar;
  ControlPoint activity;
  ControlPoint tickets;
};

TableControlsLayout LayOutTableControls(const TableControlsInput& in);

// The top left corner of the first of the five claim buttons (frame pixels square, gap apart)
// the board draws: near the right edge, clear above the own hand whose area starts at ownHandTop
// (a raised tile stands 10 pixels above it).
ControlPoint ClaimButtonsOrigin(int viewWidth, int ownHandTop, int frame, int gap);

// The two dice positions of a throw inside the dice rectangle at (x, y): dice 1 and 3 at the
// first, dice 2 and 4 at the second.
ControlPoint DicePosition(int die, int rectX, int rectY);
