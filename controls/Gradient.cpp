#include "controls/Gradient.h"

#include <cstdarg>
#include <cstdlib>

CGradient::CGradient() : m_orientation(LEFT_TO_RIGHT), m_scale(1.0f) {}

CGradient::~CGradient() = default;

void CGradient::SetColors(int count, ...) {
  m_colors.RemoveAll();
  m_weights.RemoveAll();
  if (count <= 0) return;
  va_list args;
  va_start(args, count);
  for (int i = 0; i < count; ++i) m_colors.Add(va_arg(args, COLORREF));
  va_end(args);
  for (int i = 0; i + 1 < count; ++i) m_weights.Add(100.0 / (count - 1));
}

RECT CGradient::BandRect(const RECT& rect, int orientation, int p, int q) {
  int extent = (orientation == TOP_TO_BOTTOM || orientation == BOTTOM_TO_TOP) ? rect.bottom - rect.top
                                                                              : rect.right - rect.left;
  if (q == -1) q = extent;
  switch (orientation) {
    case RIGHT_TO_LEFT: return RECT{rect.right - q, rect.top, rect.right - p, rect.bottom};
    case TOP_TO_BOTTOM: return RECT{rect.left, rect.top + p, rect.right, rect.top + q};
    case BOTTOM_TO_TOP: return RECT{rect.left, rect.bottom - q, rect.right, rect.bottom - p};
    default: return RECT{rect.left + p, rect.top, rect.left + q, rect.bottom};
  }
}

void CGradient::InterpolateBands(CArray<GradientBand>& bands, COLORREF from, COLORREF to, int length, int start,
                                 int end, unsigned stepLimit) {
  if (end == -1) end = length;
  int dr = static_cast<int>(GetRValue(to)) - static_cast<int>(GetRValue(from));
  int dg = static_cast<int>(GetGValue(to)) - static_cast<int>(GetGValue(from));
  int db = static_cast<int>(GetBValue(to)) - static_cast<int>(GetBValue(from));
  unsigned steps = static_cast<unsigned>(std::max({std::abs(dr), std::abs(dg), std::abs(db)}));
  if (steps >= stepLimit) steps = stepLimit;
  if (length >= 0 && static_cast<unsigned>(length) < steps) steps = static_cast<unsigned>(length);
  if (steps == 0) steps = 1;

  float stepLength = static_cast<float>(length) / static_cast<float>(steps);
  float incR = static_cast<float>(dr) / static_cast<float>(steps);
  float incG = static_cast<float>(dg) / static_cast<float>(steps);
  float incB = static_cast<float>(db) / static_cast<float>(steps);
  for (unsigned u = 0; u < steps; ++u) {
    int bandFrom = static_cast<int>(stepLength * static_cast<float>(u));
    int bandTo = u + 1 == steps ? length : static_cast<int>(stepLength * static_cast<float>(u + 1));
    if (bandTo < start) continue;
    if (bandFrom < start) bandFrom = start;
    bool last = bandTo >= end;
    if (bandTo > end) bandTo = end;
    BYTE r = static_cast<BYTE>((GetRValue(from) + static_cast<int>(static_cast<float>(u) * incR)) & 0xFF);
    BYTE g = static_cast<BYTE>((GetGValue(from) + static_cast<int>(static_cast<float>(u) * incG)) & 0xFF);
    BYTE b = static_cast<BYTE>((GetBValue(from) + static_cast<int>(static_cast<float>(u) * incB)) & 0xFF);
    bands.Add(GradientBand{RGB(r, g, b), std::max(0, bandTo - bandFrom)});
    if (last) break;
  }
}

void CGradient::SplitSegments(CArray<GradientBand>& bands, int totalLength, int start, int end,
                              unsigned stepLimit) {
  if (end == -1) end = totalLength;
  int n = m_colors.GetSize();
  if (n == 0) return;
  if (n == 1) {
    bands.Add(GradientBand{m_colors[0], std::max(0, end - start)});
    return;
  }
  unsigned segmentLimit = stepLimit == NO_STEP_LIMIT ? NO_STEP_LIMIT : stepLimit / static_cast<unsigned>(n - 1);
  double weightSum = 0.0;
  int previous = 0;
  for (int i = 0; i + 1 < n; ++i) {
    weightSum += i < m_weights.GetSize() ? m_weights[i] : 0.0;
    int boundary = static_cast<int>(weightSum * totalLength * 0.01);
    int segmentEnd = i + 2 == n ? totalLength : boundary;
    if (segmentEnd >= start) {
      int stop = std::min(end, segmentEnd);
      InterpolateBands(bands, m_colors[i], m_colors[i + 1], segmentEnd - previous, std::max(previous, start) - previous,
                       stop - previous, segmentLimit);
      if (stop == end) break;
    }
    previous = boundary;
  }
}

void CGradient::BuildBands(CArray<GradientBand>& bands, int offset, int totalLength, int start, int end,
                           unsigned stepLimit) {
  if (end == -1) end = totalLength;
  int turn = totalLength > 0 ? offset % totalLength : 0;
  if (turn < 0) turn += totalLength;
  if (turn == 0 || m_colors.GetSize() < 2) {
    SplitSegments(bands, totalLength, start, end, stepLimit);
    return;
  }
  // A nonzero offset turns the pattern: drawn position p shows gradient position
  // (p + offset) mod length, so the range wraps round the end at most once.
  int from = start + turn;
  int to = end + turn;
  if (from >= totalLength) {
    SplitSegments(bands, totalLength, from - totalLength, to - totalLength, stepLimit);
  } else if (to <= totalLength) {
    SplitSegments(bands, totalLength, from, to, stepLimit);
  } else {
    SplitSegments(bands, totalLength, from, totalLength, stepLimit);
    SplitSegments(bands, totalLength, 0, to - totalLength, stepLimit);
  }
}

std::vector<GradientBand> CGradient::Bands(int extent, int start, int end, int offset, bool paletteDevice) {
  if (end == -1) end = extent;
  int totalLength = static_cast<int>(static_cast<float>(extent) * m_scale);
  CArray<GradientBand> bands;
  if (extent > 0 && end > start) {
    BuildBands(bands, offset, totalLength, start, end, paletteDevice ? PALETTE_STEP_LIMIT : NO_STEP_LIMIT);
  }
  std::vector<GradientBand> out;
  for (int i = 0; i < bands.GetSize(); ++i) out.push_back(bands[i]);
  return out;
}

void CGradient::Draw(HDC dc, const RECT& rect, int start, int end, int offset) {
  if (!dc || m_colors.GetSize() == 0) return;
  bool palette = (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0;
  if (!palette && GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES) < 8) {
    RECT flat = BandRect(rect, m_orientation, start, end);
    HBRUSH brush = CreateSolidBrush(m_colors[0]);
    FillRect(dc, &flat, brush);
    DeleteObject(brush);
    return;
  }
  int extent = (m_orientation == TOP_TO_BOTTOM || m_orientation == BOTTOM_TO_TOP) ? rect.bottom - rect.top
                                                                                  : rect.right - rect.left;
  std::vector<GradientBand> bands = Bands(extent, start, end, offset, palette);
  int p = start;
  for (const GradientBand& band : bands) {
    if (band.width > 0) {
      RECT part = BandRect(rect, m_orientation, p, p + band.width);
      HBRUSH brush = CreateSolidBrush(band.color);
      FillRect(dc, &part, brush);
      DeleteObject(brush);
    }
    p += band.width;
  }
}
