#pragma once

#include <cstdint>

// The screen's view block: the view onto the scene of layers 0 to 2.
struct ViewInfo {
  int32_t halfWidth;
  int32_t halfHeight;
  int32_t width;
  int32_t height;
  // The view centre in layer coordinates of layers 0 to 2.
  int32_t centreX;
  int32_t centreY;
  int32_t sceneWidth;
  int32_t sceneHeight;
};
