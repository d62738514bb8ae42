#include "engine/Geometry.h"

#include <cmath>

namespace {

constexpr double GEOMETRY_PI = 3.14159;
constexpr double TOLERANCE = 1e-7;

int TolerantSign(double v) {
  if (std::fabs(v) < TOLERANCE) return 0;
  return v > 0 ? 1 : -1;
}

double Cross(PointD a, PointD b) { return a.x * b.y - a.y * b.x; }
double Dot(PointD a, PointD b) { return a.x * b.x + a.y * b.y; }
PointD Sub(PointD a, PointD b) { return PointD{a.x - b.x, a.y - b.y}; }

int32_t NearestAwayFromZero(double v) {
  return static_cast<int32_t>(v > 0 ? v + 0.5 : v - 0.5);
}

}  // namespace

int SegmentsIntersect(PointD p1, PointD p2, PointD p3, PointD p4, PointD* out) {
  const double q1 = Cross(Sub(p2, p1), Sub(p3, p1));
  const double q2 = Cross(Sub(p2, p1), Sub(p4, p1));
  const double q3 = Cross(Sub(p4, p3), Sub(p1, p3));
  const double q4 = Cross(Sub(p4, p3), Sub(p2, p3));
  const int d1 = TolerantSign(q1), d2 = TolerantSign(q2);
  const int d3 = TolerantSign(q3), d4 = TolerantSign(q4);
  if (d1 * d2 == -1 && d3 * d4 == -1) {
    if (out != nullptr) {
      out->x = (p3.x * q2 - p4.x * q1) / (q2 - q1);
      out->y = (p3.y * q2 - p4.y * q1) / (q2 - q1);
    }
    return 1;
  }
  if (d1 == 0 && TolerantSign(Dot(Sub(p1, p3), Sub(p2, p3))) < 1) return 2;
  if (d2 == 0 && TolerantSign(Dot(Sub(p2, p4), Sub(p1, p4))) < 1) return 2;
  if (d3 == 0 && TolerantSign(Dot(Sub(p3, p1), Sub(p4, p1))) < 1) return 2;
  if (d4 == 0 && TolerantSign(Dot(Sub(p4, p2), Sub(p3, p2))) < 1) return 2;
  return 0;
}

POINT RotatePoint(int32_t x, int32_t y, int32_t centreX, int32_t centreY, double angle,
                  int direction) {
  if (angle == 0.0) {
    return POINT{x, y};
  }
  const double a = angle * GEOMETRY_PI / 180;
  const double cosA = std::cos(a);
  const double sinA = std::sin(a);
  const double dx = static_cast<double>(x) - centreX;
  // Screen y grows downwards; dy counts upwards.
  const double dy = static_cast<double>(centreY) - y;
  double rx;
  double ry;
  if (direction == 0) {
    rx = dy * sinA + dx * cosA;
    ry = dy * cosA - dx * sinA;
  } else {
    rx = dx * cosA - dy * sinA;
    ry = dx * sinA + dy * cosA;
  }
  return POINT{NearestAwayFromZero(rx) + centreX, centreY - NearestAwayFromZero(ry)};
}

PointD* RotatePointD(PointD* out, int32_t x, int32_t y, int32_t centreX, int32_t centreY,
                     double angle, int direction) {
  const POINT p = RotatePoint(x, y, centreX, centreY, angle, direction);
  out->x = p.x;
  out->y = p.y;
  return out;
}
