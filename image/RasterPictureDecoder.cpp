// Gives the window system its picture decoder when the program starts: bitmaps, icons and cursors
// from files and resources are decoded by this library, which the window system does not depend
// on. The build links this file as an object into every program that uses the image library, so
// the registration runs without anyone referring to it.
#include "image/RasterImage.h"
#include "platform/user/Resources.h"

namespace {

bool DecodePicture(const BYTE* bytes, size_t size, platform::PictureFormat format, long frame,
                   platform::DecodedPicture* out) {
  if (!bytes || !out || size == 0 || size > 0xFFFFFFFFu) return false;
  // The decoders read from a writable block; the caller's bytes stay untouched.
  std::vector<BYTE> copy(bytes, bytes + size);
  CRasterImage img;
  img.SetFrame(frame);
  DWORD type = RASTER_FORMAT_UNKNOWN;
  if (format == platform::PictureFormat::ICO) type = RASTER_FORMAT_ICO;
  if (format == platform::PictureFormat::BMP) type = RASTER_FORMAT_BMP;
  if (!img.Decode(copy.data(), static_cast<DWORD>(copy.size()), type) || !img.IsValid()) return false;
  out->width = static_cast<int>(img.GetWidth());
  out->height = static_cast<int>(img.GetHeight());
  if (out->width <= 0 || out->height <= 0) return false;
  out->argb.assign(static_cast<size_t>(out->width) * out->height, 0);
  const bool alpha = img.AlphaIsValid();
  const bool trans = img.IsTransparent();
  out->hasAlpha = alpha || trans;
  const RGBQUAD transColour = img.GetTransColor();
  for (int y = 0; y < out->height; ++y) {
    const long sy = out->height - 1 - y;
    for (int x = 0; x < out->width; ++x) {
      const RGBQUAD c = img.GetPixelColor(x, sy, true);
      uint32_t a = 255;
      if (alpha) {
        a = c.rgbReserved;
      } else if (trans) {
        const bool clear = img.IsIndexed() ? img.GetPixelIndex(x, sy) == img.GetTransIndex()
                                           : (c.rgbRed == transColour.rgbRed && c.rgbGreen == transColour.rgbGreen &&
                                              c.rgbBlue == transColour.rgbBlue);
        if (clear) a = 0;
      }
      out->argb[static_cast<size_t>(y) * out->width + x] =
          uint32_t(c.rgbBlue) | uint32_t(c.rgbGreen) << 8 | uint32_t(c.rgbRed) << 16 | a << 24;
    }
  }
  return true;
}

const bool registered = [] {
  platform::SetPictureDecoder(DecodePicture);
  return true;
}();

}  // namespace
