#include "variant/TableControlsLayout.h"

namespace {
// How far a raised own tile stands above the hand area.
constexpr int RAISED_TILE_LIFT = 10;
}  // namespace

TableControlsLayout LayOutTableControls(const TableControlsInput& in) {
  TableControlsLayout out;
  const int w = in.viewWidth, h = in.viewHeight;
  // How far the own hand reaches up from the bottom of the scene.
  const int handBand = in.sceneHeight - in.ownHandTop;
  out.start = {w / 2, 6 * h / 7};
  out.seeHand = {50, h - 16};
  out.operationButtons = in.fifthBarButton ? 5 : 4;
  if (!in.lookOn) {
    out.placeSystemBar = true;
    if (in.smallScreen) {
      // It waits above the own hand, clear of a raised tile's lift.
      out.systemBar = {in.systemBarSecondFrameWidth - in.systemBarWidth / 2,
                       h - in.systemBarHeight / 2 - handBand - RAISED_TILE_LIFT};
      out.systemBarSlides = true;
    } else {
      out.systemBar = {w - in.systemBarWidth / 2, h - (in.systemBarFrameSize / 2 + 4)};
    }
  }
  out.operationBar = {w - in.operationBarWidth / 2 - in.leftHandWidth - in.actionFrame / 2,
                      h - handBand - in.actionFrame / 2 - 10};
  out.activity = {w - 40, 40};
  out.tickets = {w - 155, 40};
  return out;
}

ControlPoint ClaimButtonsOrigin(int viewWidth, int ownHandTop, int frame, int gap) {
  return {viewWidth - 5 * (frame + gap) - 40, ownHandTop - RAISED_TILE_LIFT - 2 - frame - gap};
}

ControlPoint DicePosition(int die, int rectX, int rectY) {
  return die % 2 == 0 ? ControlPoint{rectX + 53, rectY + 49} : ControlPoint{rectX + 159, rectY + 49};
}
