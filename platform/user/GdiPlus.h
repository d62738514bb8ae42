// The part of GDI+ the program uses: start-up, a picture decoded from a stream (any format the
// picture decoder knows, PNG with its alpha included), its size, and drawing it onto a DC.
// Drawing blends the picture's straight alpha over the DC's pixels and keeps the result's alpha
// premultiplied in the DC's 32-bit bitmap, so that a memory bitmap drawn this way is ready for
// UpdateLayeredWindow with per-pixel alpha. It lives beside the window system because it decodes
// with the decoder the image library gives the window system at start-up.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/kernel/GlobalMemory.h"

namespace Gdiplus {

enum Status { Ok = 0, GenericError = 1, InvalidParameter = 2, OutOfMemory = 3, UnknownImageFormat = 13 };

struct GdiplusStartupInput {
  UINT GdiplusVersion = 1;
  void* DebugEventCallback = nullptr;
  BOOL SuppressBackgroundThread = FALSE;
  BOOL SuppressExternalCodecs = FALSE;
};
Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, void* output);
void GdiplusShutdown(ULONG_PTR token);

class Image {
 public:
  // Reads the stream from its current position to its end and decodes it.
  explicit Image(IStream* stream);
  static Image* FromStream(IStream* stream) { return new Image(stream); }
  UINT GetWidth() const { return m_width; }
  UINT GetHeight() const { return m_height; }
  Status GetLastStatus() const { return m_status; }
  // Pixels: B, G, R, A, top-down, straight alpha.
  const std::vector<uint32_t>& Pixels() const { return m_pixels; }

 private:
  UINT m_width = 0;
  UINT m_height = 0;
  Status m_status = GenericError;
  std::vector<uint32_t> m_pixels;
};

class Graphics {
 public:
  explicit Graphics(HDC dc) : m_dc(dc) {}
  // Draws the picture stretched over (x, y, width, height) in logical units.
  Status DrawImage(const Image* image, INT x, INT y, INT width, INT height);
  Status DrawImage(const Image* image, INT x, INT y);

 private:
  HDC m_dc;
};

}  // namespace Gdiplus
