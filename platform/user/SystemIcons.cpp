// The system icons of LoadIcon(NULL, IDI_*), drawn once in code in the classic look: a red disc
// with a white cross (error), a yellow triangle with an exclamation mark (warning), a white
// balloon with a blue "i" (information) or "?" (question), and a small window (application).
// Shapes are sampled 4 x 4 times per pixel, so their edges are smooth and the icons carry alpha.
#include <cmath>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/user/Resources.h"

namespace {

constexpr int ICON_PX = 32;
constexpr int SUB = 4;

struct Colour {
  float r, g, b;
};

class Canvas {
 public:
  Canvas() : m_r(ICON_PX * ICON_PX, 0.f), m_g(ICON_PX * ICON_PX, 0.f), m_b(ICON_PX * ICON_PX, 0.f), m_a(ICON_PX * ICON_PX, 0.f) {}

  // Paints the shape (a test of a point in pixel units, 0..32) in a colour, over what is there.
  void Fill(const std::function<bool(float, float)>& inside, Colour c) {
    for (int y = 0; y < ICON_PX; ++y) {
      for (int x = 0; x < ICON_PX; ++x) {
        int hits = 0;
        for (int sy = 0; sy < SUB; ++sy) {
          for (int sx = 0; sx < SUB; ++sx) {
            if (inside(x + (sx + 0.5f) / SUB, y + (sy + 0.5f) / SUB)) ++hits;
          }
        }
        if (!hits) continue;
        float a = static_cast<float>(hits) / (SUB * SUB);
        size_t i = static_cast<size_t>(y) * ICON_PX + x;
        // Source-over with straight alpha.
        float outA = a + m_a[i] * (1 - a);
        auto mix = [&](float src, float dst) { return outA > 0 ? (src * a + dst * m_a[i] * (1 - a)) / outA : 0.f; };
        m_r[i] = mix(c.r, m_r[i]);
        m_g[i] = mix(c.g, m_g[i]);
        m_b[i] = mix(c.b, m_b[i]);
        m_a[i] = outA;
      }
    }
  }

  std::vector<uint32_t> Pixels() const {
    std::vector<uint32_t> out(ICON_PX * ICON_PX);
    auto byte = [](float v) { return static_cast<uint32_t>(std::lround(std::fmin(std::fmax(v, 0.f), 1.f) * 255)); };
    for (size_t i = 0; i < out.size(); ++i) {
      out[i] = byte(m_b[i]) | byte(m_g[i]) << 8 | byte(m_r[i]) << 16 | byte(m_a[i]) << 24;
    }
    return out;
  }

 private:
  std::vector<float> m_r, m_g, m_b, m_a;
};

Colour Rgb(int r, int g, int b) { return Colour{r / 255.f, g / 255.f, b / 255.f}; }

std::function<bool(float, float)> Disc(float cx, float cy, float r) {
  return [=](float x, float y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

std::function<bool(float, float)> Box(float l, float t, float r, float b) {
  return [=](float x, float y) { return x >= l && x < r && y >= t && y < b; };
}

// A thick segment from (x0, y0) to (x1, y1) with round ends.
std::function<bool(float, float)> Stroke(float x0, float y0, float x1, float y1, float width) {
  return [=](float x, float y) {
    float dx = x1 - x0, dy = y1 - y0;
    float len2 = dx * dx + dy * dy;
    float t = len2 > 0 ? ((x - x0) * dx + (y - y0) * dy) / len2 : 0;
    t = std::fmax(0.f, std::fmin(1.f, t));
    float px = x0 + t * dx - x, py = y0 + t * dy - y;
    return px * px + py * py <= width * width / 4;
  };
}

// A ring between two radii, limited to the angles (degrees, 0 = right, clockwise on screen).
std::function<bool(float, float)> Arc(float cx, float cy, float r0, float r1, float from, float to) {
  return [=](float x, float y) {
    float d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
    if (d2 < r0 * r0 || d2 > r1 * r1) return false;
    float deg = std::atan2(y - cy, x - cx) * 180.f / 3.14159265f;
    if (deg < 0) deg += 360;
    return from <= to ? (deg >= from && deg <= to) : (deg >= from || deg <= to);
  };
}

std::function<bool(float, float)> Triangle(float ax, float ay, float bx, float by, float cx, float cy) {
  return [=](float x, float y) {
    auto side = [](float px, float py, float qx, float qy, float x_, float y_) {
      return (qx - px) * (y_ - py) - (qy - py) * (x_ - px);
    };
    float d1 = side(ax, ay, bx, by, x, y), d2 = side(bx, by, cx, cy, x, y), d3 = side(cx, cy, ax, ay, x, y);
    bool neg = d1 < 0 || d2 < 0 || d3 < 0, pos = d1 > 0 || d2 > 0 || d3 > 0;
    return !(neg && pos);
  };
}

// The white balloon of the information and question icons, with its tail at the lower left.
void Balloon(Canvas& c) {
  c.Fill(Disc(16.5f, 14.5f, 13.5f), Rgb(0, 0, 0));
  c.Fill(Triangle(6, 22, 13, 26, 4, 31), Rgb(0, 0, 0));
  c.Fill(Disc(16.5f, 14.5f, 12.5f), Rgb(255, 255, 255));
  c.Fill(Triangle(7.2f, 22, 12, 25, 5.6f, 29), Rgb(255, 255, 255));
}

std::vector<uint32_t> Draw(WORD id) {
  Canvas c;
  const Colour blue = Rgb(0, 0, 255);
  switch (id) {
    case 32513:  // IDI_HAND: the red disc with a white cross.
      c.Fill(Disc(16.5f, 16.5f, 14.5f), Rgb(128, 0, 0));
      c.Fill(Disc(16, 16, 13.5f), Rgb(255, 0, 0));
      c.Fill(Stroke(10.5f, 10.5f, 21.5f, 21.5f, 3.6f), Rgb(255, 255, 255));
      c.Fill(Stroke(21.5f, 10.5f, 10.5f, 21.5f, 3.6f), Rgb(255, 255, 255));
      break;
    case 32515:  // IDI_EXCLAMATION: the yellow triangle with a black mark.
      c.Fill(Triangle(16, 1, 31.5f, 30, 0.5f, 30), Rgb(0, 0, 0));
      c.Fill(Triangle(16, 3.5f, 29.5f, 28.8f, 2.5f, 28.8f), Rgb(255, 255, 0));
      c.Fill(Stroke(16, 11, 16, 19.5f, 3.4f), Rgb(0, 0, 0));
      c.Fill(Disc(16, 24.5f, 1.9f), Rgb(0, 0, 0));
      break;
    case 32516:  // IDI_ASTERISK: the balloon with a blue "i".
      Balloon(c);
      c.Fill(Disc(16.5f, 7.5f, 2.2f), blue);
      c.Fill(Box(14.5f, 11, 18.5f, 22), blue);
      c.Fill(Box(12.5f, 11, 14.5f, 13), blue);
      c.Fill(Box(12.5f, 20, 20.5f, 22), blue);
      break;
    case 32514:  // IDI_QUESTION: the balloon with a blue "?".
      Balloon(c);
      c.Fill(Arc(16.5f, 10.5f, 2.6f, 6, 150, 90), blue);
      c.Fill(Box(14.5f, 16, 18.5f, 19.5f), blue);
      c.Fill(Disc(16.5f, 23.5f, 2.1f), blue);
      break;
    default:  // IDI_APPLICATION and IDI_WINLOGO: a small window with a blue caption.
      c.Fill(Box(2, 4, 30, 28), Rgb(0, 0, 0));
      c.Fill(Box(3, 5, 29, 27), Rgb(255, 255, 255));
      c.Fill(Box(3, 5, 29, 10), Rgb(0, 0, 128));
      c.Fill(Box(24, 6, 28, 9), Rgb(192, 192, 192));
      break;
  }
  return c.Pixels();
}

}  // namespace

namespace platform {

HICON SystemIcon(WORD id) {
  if (id < 32512 || id > 32517) return nullptr;
  static std::mutex mutex;
  static HICON icons[6] = {};
  std::lock_guard<std::mutex> lock(mutex);
  HICON& slot = icons[id - 32512];
  if (!slot) {
    std::vector<uint32_t> px = Draw(id);
    slot = CreateIconFromPixels(px.data(), ICON_PX, ICON_PX, true, POINT{ICON_PX / 2, ICON_PX / 2});
  }
  return slot;
}

}  // namespace platform
