// A drawing target for the drawing-layer tests: a memory DC over a top-down 32-bit DIB section,
// with pixel access, a hash of the rendering, and a PNG dump into the build tree for a person
// to look at (build/tests/gdi-renderings/<name>.png).
#pragma once

#include <cstdint>
#include <string>

#include "platform/gdi/Gdi.h"

namespace gditest {

class Canvas {
 public:
  Canvas(int width, int height, COLORREF fill = RGB(255, 255, 255));
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC Dc() const { return m_dc; }
  HBITMAP Bitmap() const { return m_bitmap; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  // The colour at (x, y) as a COLORREF, read straight from the pixels (no clipping).
  COLORREF At(int x, int y) const;
  uint32_t Raw(int x, int y) const { return m_bits[y * m_width + x]; }
  void Fill(COLORREF c);
  // FNV-1a over the B, G, R bytes of every pixel, as 16 hex digits.
  std::string Hash() const;
  // Writes the rendering to the build tree's dump folder; returns false when it could not.
  bool Dump(const std::string& name) const;
  // "x,y" of every pixel of colour c, in row order, for compact pixel-set assertions.
  std::string PixelsOf(COLORREF c) const;

 private:
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_old = nullptr;
  uint32_t* m_bits = nullptr;
  int m_width = 0;
  int m_height = 0;
};

// Writes 32-bit B, G, R, A top-down pixels as an RGB PNG.
bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height, int stride);

}  // namespace gditest
