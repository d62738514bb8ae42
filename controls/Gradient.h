// A multi-stop colour gradient drawn as solid bands, one band per colour step: smooth enough
// without per-pixel work, and a flat fill on displays of fewer than 8 bits per pixel. A plain
// painter object; the slide-up notifier keeps one for its background.
#pragma once

#include <climits>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/gdi/Gdi.h"
#include "platform/mfc/Array.h"

// One solid band of a drawn gradient.
struct GradientBand {
  COLORREF color;
  int width;  // pixels
  bool operator==(const GradientBand&) const = default;
};

class CGradient {
 public:
  // Orientations: the first stop lies at the named start side.
  enum { LEFT_TO_RIGHT = 0, RIGHT_TO_LEFT = 1, TOP_TO_BOTTOM = 2, BOTTOM_TO_TOP = 3 };
  // A palette device has room for this many band colours beside the system's own.
  static constexpr unsigned PALETTE_STEP_LIMIT = 236;
  static constexpr unsigned NO_STEP_LIMIT = UINT_MAX;

  CGradient();
  virtual ~CGradient();

  // Sets the stops (count colours follow as further arguments) and spaces them evenly.
  void SetColors(int count, ...);

  // Fills the part [start, end) of the rectangle along the orientation; end -1 means the whole
  // extent. The offset turns the gradient cyclically along its length.
  virtual void Draw(HDC dc, const RECT& rect, int start, int end, int offset);

  // The three steps of a draw; each appends to the band array it is given.
  virtual void BuildBands(CArray<GradientBand>& bands, int offset, int totalLength, int start, int end,
                          unsigned stepLimit);
  virtual void SplitSegments(CArray<GradientBand>& bands, int totalLength, int start, int end, unsigned stepLimit);
  virtual void InterpolateBands(CArray<GradientBand>& bands, COLORREF from, COLORREF to, int length, int start,
                                int end, unsigned stepLimit);

  // The bands a draw of the given extent would fill, for a palette device or not.
  std::vector<GradientBand> Bands(int extent, int start, int end, int offset, bool paletteDevice);

  // The part [p, q) of the rectangle along the orientation; q -1 means the full extent.
  static RECT BandRect(const RECT& rect, int orientation, int p, int q);

  CArray<COLORREF> m_colors;
  CArray<double> m_weights;  // n - 1 segment shares in percent
  int m_orientation;
  float m_scale;  // total length = extent along the orientation times the scale, truncated
};
