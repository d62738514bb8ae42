// Regions as bands of spans: rectangles, polygons (alternate and winding fill), ellipses and
// rounded rectangles, the boolean combinations, and the queries.
#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/gdi/DcInternal.h"

namespace gdi {

namespace {

// Shapes are scanned row by row; rows beyond this distance from the origin are left out, so a
// wild coordinate cannot make a scan of billions of rows. Surfaces are at most 65535 high.
constexpr int SCAN_LIMIT = 1 << 17;

int ClampScan(int v) { return std::clamp(v, -SCAN_LIMIT, SCAN_LIMIT); }

bool SpansEqual(const std::vector<Span>& a, const std::vector<Span>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].x0 != b[i].x0 || a[i].x1 != b[i].x1) return false;
  }
  return true;
}

bool Apply(int mode, bool inA, bool inB) {
  switch (mode) {
    case RGN_AND: return inA && inB;
    case RGN_OR: return inA || inB;
    case RGN_XOR: return inA != inB;
    case RGN_DIFF: return inA && !inB;
    default: return inA;
  }
}

// Combines two sorted span lists of one row.
std::vector<Span> CombineSpans(const std::vector<Span>* a, const std::vector<Span>* b, int mode) {
  static const std::vector<Span> none;
  const std::vector<Span>& sa = a ? *a : none;
  const std::vector<Span>& sb = b ? *b : none;
  std::vector<int> xs;
  xs.reserve((sa.size() + sb.size()) * 2);
  for (const Span& s : sa) {
    xs.push_back(s.x0);
    xs.push_back(s.x1);
  }
  for (const Span& s : sb) {
    xs.push_back(s.x0);
    xs.push_back(s.x1);
  }
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  std::vector<Span> out;
  size_t ia = 0, ib = 0;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    int x = xs[i];
    while (ia < sa.size() && sa[ia].x1 <= x) ++ia;
    while (ib < sb.size() && sb[ib].x1 <= x) ++ib;
    bool inA = ia < sa.size() && sa[ia].x0 <= x;
    bool inB = ib < sb.size() && sb[ib].x0 <= x;
    if (Apply(mode, inA, inB)) {
      if (!out.empty() && out.back().x1 == x) {
        out.back().x1 = xs[i + 1];
      } else {
        out.push_back(Span{x, xs[i + 1]});
      }
    }
  }
  return out;
}

}  // namespace

void Region::SetRect(const RECT& rc) {
  m_bands.clear();
  if (rc.left < rc.right && rc.top < rc.bottom) {
    m_bands.push_back(Band{rc.top, rc.bottom, {Span{rc.left, rc.right}}});
  }
}

int Region::Kind() const {
  if (m_bands.empty()) return NULLREGION;
  if (m_bands.size() == 1 && m_bands[0].spans.size() == 1) return SIMPLEREGION;
  return COMPLEXREGION;
}

RECT Region::Box() const {
  if (m_bands.empty()) return RECT{0, 0, 0, 0};
  RECT r{INT_MAX, m_bands.front().y0, INT_MIN, m_bands.back().y1};
  for (const Band& b : m_bands) {
    r.left = std::min<LONG>(r.left, b.spans.front().x0);
    r.right = std::max<LONG>(r.right, b.spans.back().x1);
  }
  return r;
}

bool Region::Contains(int x, int y) const {
  for (const Band& b : m_bands) {
    if (y < b.y0) return false;
    if (y >= b.y1) continue;
    for (const Span& s : b.spans) {
      if (x < s.x0) return false;
      if (x < s.x1) return true;
    }
    return false;
  }
  return false;
}

bool Region::Intersects(const RECT& rc) const {
  if (rc.left >= rc.right || rc.top >= rc.bottom) return false;
  for (const Band& b : m_bands) {
    if (b.y1 <= rc.top) continue;
    if (b.y0 >= rc.bottom) break;
    for (const Span& s : b.spans) {
      if (s.x1 > rc.left && s.x0 < rc.right) return true;
    }
  }
  return false;
}

void Region::Offset(int dx, int dy) {
  for (Band& b : m_bands) {
    b.y0 += dy;
    b.y1 += dy;
    for (Span& s : b.spans) {
      s.x0 += dx;
      s.x1 += dx;
    }
  }
}

bool Region::operator==(const Region& o) const {
  if (m_bands.size() != o.m_bands.size()) return false;
  for (size_t i = 0; i < m_bands.size(); ++i) {
    if (m_bands[i].y0 != o.m_bands[i].y0 || m_bands[i].y1 != o.m_bands[i].y1) return false;
    if (!SpansEqual(m_bands[i].spans, o.m_bands[i].spans)) return false;
  }
  return true;
}

void Region::Normalize() {
  std::vector<Band> out;
  out.reserve(m_bands.size());
  for (Band& b : m_bands) {
    if (b.spans.empty() || b.y0 >= b.y1) continue;
    if (!out.empty() && out.back().y1 == b.y0 && SpansEqual(out.back().spans, b.spans)) {
      out.back().y1 = b.y1;
    } else {
      out.push_back(std::move(b));
    }
  }
  m_bands = std::move(out);
}

Region Region::Combine(const Region& a, const Region& b, int mode) {
  std::vector<int> ys;
  ys.reserve((a.m_bands.size() + b.m_bands.size()) * 2);
  for (const Band& band : a.m_bands) {
    ys.push_back(band.y0);
    ys.push_back(band.y1);
  }
  for (const Band& band : b.m_bands) {
    ys.push_back(band.y0);
    ys.push_back(band.y1);
  }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  Region out;
  size_t ia = 0, ib = 0;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    int y = ys[i];
    while (ia < a.m_bands.size() && a.m_bands[ia].y1 <= y) ++ia;
    while (ib < b.m_bands.size() && b.m_bands[ib].y1 <= y) ++ib;
    const std::vector<Span>* sa =
        ia < a.m_bands.size() && a.m_bands[ia].y0 <= y ? &a.m_bands[ia].spans : nullptr;
    const std::vector<Span>* sb =
        ib < b.m_bands.size() && b.m_bands[ib].y0 <= y ? &b.m_bands[ib].spans : nullptr;
    if (!sa && !sb) continue;
    std::vector<Span> spans = CombineSpans(sa, sb, mode);
    if (spans.empty()) continue;
    out.m_bands.push_back(Band{y, ys[i + 1], std::move(spans)});
  }
  out.Normalize();
  return out;
}

Region Region::FromRows(int y0, const std::vector<std::vector<Span>>& rows) {
  Region out;
  for (size_t i = 0; i < rows.size(); ++i) {
    std::vector<Span> spans = rows[i];
    spans.erase(std::remove_if(spans.begin(), spans.end(),
                               [](const Span& s) { return s.x0 >= s.x1; }),
                spans.end());
    if (spans.empty()) continue;
    std::sort(spans.begin(), spans.end(), [](const Span& p, const Span& q) { return p.x0 < q.x0; });
    std::vector<Span> merged;
    for (const Span& s : spans) {
      if (!merged.empty() && s.x0 <= merged.back().x1) {
        merged.back().x1 = std::max(merged.back().x1, s.x1);
      } else {
        merged.push_back(s);
      }
    }
    int y = y0 + int(i);
    out.m_bands.push_back(Band{y, y + 1, std::move(merged)});
  }
  out.Normalize();
  return out;
}

// A pixel belongs to a polygon when its centre does, by the chosen fill rule; so a polygon
// holds its top and left edges and not its bottom and right ones, as a rectangle does.
Region Region::Polygon(const POINT* pts, const int* counts, int polygons, int fillMode) {
  struct Edge {
    double x0, y0, x1, y1;
    int dir;
  };
  std::vector<Edge> edges;
  int minY = INT_MAX, maxY = INT_MIN;
  const POINT* p = pts;
  for (int k = 0; k < polygons; ++k) {
    int n = counts[k];
    for (int i = 0; i < n; ++i) {
      const POINT& a = p[i];
      const POINT& b = p[(i + 1) % n];
      minY = std::min<int>(minY, a.y);
      maxY = std::max<int>(maxY, a.y);
      if (a.y == b.y) continue;
      if (a.y < b.y) {
        edges.push_back(Edge{double(a.x), double(a.y), double(b.x), double(b.y), 1});
      } else {
        edges.push_back(Edge{double(b.x), double(b.y), double(a.x), double(a.y), -1});
      }
    }
    p += n;
  }
  minY = ClampScan(minY);
  maxY = ClampScan(maxY);
  if (edges.empty() || minY >= maxY) return Region();
  std::vector<std::vector<Span>> rows(static_cast<size_t>(maxY - minY));
  std::vector<std::pair<double, int>> hits;
  for (int y = minY; y < maxY; ++y) {
    double yc = y + 0.5;
    hits.clear();
    for (const Edge& e : edges) {
      if (yc < e.y0 || yc >= e.y1) continue;
      double x = e.x0 + (yc - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0);
      hits.emplace_back(x, e.dir);
    }
    std::sort(hits.begin(), hits.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    auto& row = rows[size_t(y - minY)];
    auto addSpan = [&](double xa, double xb) {
      int x0 = int(std::ceil(xa - 0.5));
      int x1 = int(std::ceil(xb - 0.5));
      if (x0 < x1) row.push_back(Span{x0, x1});
    };
    if (fillMode == WINDING) {
      int wind = 0;
      double start = 0;
      for (const auto& h : hits) {
        int before = wind;
        wind += h.second;
        if (before == 0 && wind != 0) start = h.first;
        if (before != 0 && wind == 0) addSpan(start, h.first);
      }
    } else {
      for (size_t i = 0; i + 1 < hits.size(); i += 2) addSpan(hits[i].first, hits[i + 1].first);
    }
  }
  return FromRows(minY, rows);
}

Region Region::Ellipse(const RECT& rcIn) {
  RECT rc = rcIn;
  if (rc.left > rc.right) std::swap(rc.left, rc.right);
  if (rc.top > rc.bottom) std::swap(rc.top, rc.bottom);
  if (rc.bottom - int64_t(rc.top) > 2 * SCAN_LIMIT) return Region();
  if (rc.left == rc.right || rc.top == rc.bottom) return Region();
  double cx = (rc.left + rc.right) / 2.0, cy = (rc.top + rc.bottom) / 2.0;
  double rx = (rc.right - rc.left) / 2.0, ry = (rc.bottom - rc.top) / 2.0;
  std::vector<std::vector<Span>> rows(static_cast<size_t>(rc.bottom - rc.top));
  for (int y = rc.top; y < rc.bottom; ++y) {
    double dy = (y + 0.5 - cy) / ry;
    double t = 1.0 - dy * dy;
    if (t <= 0) continue;
    double hw = rx * std::sqrt(t);
    int x0 = int(std::ceil(cx - hw - 0.5));
    int x1 = int(std::ceil(cx + hw - 0.5));
    rows[size_t(y - rc.top)].push_back(Span{x0, x1});
  }
  return FromRows(rc.top, rows);
}

Region Region::RoundRect(const RECT& rcIn, int ew, int eh) {
  RECT rc = rcIn;
  if (rc.left > rc.right) std::swap(rc.left, rc.right);
  if (rc.top > rc.bottom) std::swap(rc.top, rc.bottom);
  if (rc.bottom - int64_t(rc.top) > 2 * SCAN_LIMIT || rc.right - int64_t(rc.left) > 2 * SCAN_LIMIT) {
    return Region();
  }
  int w = rc.right - rc.left, h = rc.bottom - rc.top;
  if (w == 0 || h == 0) return Region();
  double rx = std::min(std::abs(ew), w) / 2.0, ry = std::min(std::abs(eh), h) / 2.0;
  if (rx <= 0 || ry <= 0) return Region(rc);
  std::vector<std::vector<Span>> rows(static_cast<size_t>(h));
  for (int y = rc.top; y < rc.bottom; ++y) {
    double yc = y + 0.5;
    double dy = 0;
    if (yc < rc.top + ry) dy = (rc.top + ry - yc) / ry;
    if (yc > rc.bottom - ry) dy = (yc - (rc.bottom - ry)) / ry;
    double t = 1.0 - dy * dy;
    if (t <= 0) continue;
    double inset = rx - rx * std::sqrt(t);
    int x0 = int(std::ceil(rc.left + inset - 0.5));
    int x1 = int(std::ceil(rc.right - inset - 0.5));
    rows[size_t(y - rc.top)].push_back(Span{x0, x1});
  }
  return FromRows(rc.top, rows);
}

}  // namespace gdi
