// The rotation and segment routines that the screen layers use to test rotated items. Angles
// are degrees; pi is taken as 3.14159 throughout the engine.
#pragma once

#include <cstdint>

#include "platform/base/WinTypes.h"

struct PointD {
  double x;
  double y;
};

// 1 when the segments p1-p2 and p3-p4 cross properly (the crossing is written to out when it is
// given), 2 when an end point lies on the other segment, 0 when they are apart. Values closer
// to 0 than 1e-7 count as 0.
int SegmentsIntersect(PointD p1, PointD p2, PointD p3, PointD p4, PointD* out);

// Rotates (x, y) about (centreX, centreY): direction 1 turns counter-clockwise on the screen,
// direction 0 clockwise. The result is taken to the nearest integer, halves away from zero.
POINT RotatePoint(int32_t x, int32_t y, int32_t centreX, int32_t centreY, double angle,
                  int direction);
// The same rotation with its integer result stored as doubles.
PointD* RotatePointD(PointD* out, int32_t x, int32_t y, int32_t centreX, int32_t centreY,
                     double angle, int direction);
