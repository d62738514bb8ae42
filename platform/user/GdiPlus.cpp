#include "platform/user/GdiPlus.h"

#include <algorithm>

#include "platform/gdi/DcInternal.h"
#include "platform/user/Resources.h"

namespace Gdiplus {

Status GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, void*) {
  if (!token || !input) return InvalidParameter;
  *token = 1;
  return Ok;
}

void GdiplusShutdown(ULONG_PTR) {}

Image::Image(IStream* stream) {
  if (!stream) {
    m_status = InvalidParameter;
    return;
  }
  std::vector<BYTE> bytes;
  BYTE chunk[4096];
  ULONG n = 0;
  while (SUCCEEDED(stream->Read(chunk, sizeof chunk, &n)) && n > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  platform::DecodedPicture picture;
  if (bytes.empty() || !platform::DecodePictureBytes(bytes.data(), bytes.size(), &picture)) {
    m_status = UnknownImageFormat;
    return;
  }
  m_width = static_cast<UINT>(picture.width);
  m_height = static_cast<UINT>(picture.height);
  m_pixels = std::move(picture.argb);
  if (!picture.hasAlpha) {
    for (uint32_t& p : m_pixels) p |= 0xFF000000u;
  }
  m_status = Ok;
}

Status Graphics::DrawImage(const Image* image, INT x, INT y) {
  return image ? DrawImage(image, x, y, static_cast<INT>(image->GetWidth()), static_cast<INT>(image->GetHeight()))
               : InvalidParameter;
}

Status Graphics::DrawImage(const Image* image, INT x, INT y, INT width, INT height) {
  if (!image || image->GetLastStatus() != Ok || width <= 0 || height <= 0) return InvalidParameter;
  auto dc = gdi::LookupDc(m_dc);
  gdi::Surface* surface = dc ? dc->GetSurface() : nullptr;
  if (!surface || !surface->Valid()) return InvalidParameter;
  const POINT at = dc->ToSurface(x, y);
  const gdi::Region& clip = dc->EffectiveClip();
  const int sw = static_cast<int>(image->GetWidth()), sh = static_cast<int>(image->GetHeight());
  for (int dy = 0; dy < height; ++dy) {
    const int ty = at.y + dy;
    if (ty < 0 || ty >= surface->Height()) continue;
    const int sy = static_cast<int>(static_cast<int64_t>(dy) * sh / height);
    for (int dx = 0; dx < width; ++dx) {
      const int tx = at.x + dx;
      if (tx < 0 || tx >= surface->Width() || !clip.Contains(tx, ty)) continue;
      const int sx = static_cast<int>(static_cast<int64_t>(dx) * sw / width);
      const uint32_t s = image->Pixels()[static_cast<size_t>(sy) * sw + sx];
      const uint32_t a = s >> 24;
      const uint32_t d = surface->GetPixel(tx, ty);
      // Source over, premultiplied result: colour * a + beneath * (1 - a), alpha likewise.
      uint32_t out = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t c = (((s >> shift) & 0xFF) * a + ((d >> shift) & 0xFF) * (255 - a) + 127) / 255;
        out |= c << shift;
      }
      out |= ((a * 255 + (d >> 24) * (255 - a) + 127) / 255) << 24;
      surface->SetPixel(tx, ty, out);
    }
  }
  return Ok;
}

}  // namespace Gdiplus
