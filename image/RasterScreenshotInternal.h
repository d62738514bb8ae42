// The steps of CaptureScreenToJpeg around the desktop device context, apart so that tests can
// capture from a device context they drew themselves and feed conversion depths the display
// does not have.
#pragma once

#include <vector>

#include "platform/base/WinGdiTypes.h"
#include "platform/base/WinTypes.h"

namespace rasterscreenshot {

// The pixels of a capture as GetDIBits gives them: bottom-up rows of `rowLength` bytes.
struct ScreenCapture {
  int screenBpp = 0;  // the device's bits per pixel
  LONG width = 0;
  LONG height = 0;
  WORD bitmapBpp = 0;  // the captured bitmap's bits per pixel (the rows' layout)
  DWORD rowLength = 0;
  std::vector<BYTE> bits;
};

// Copies what `screen` shows (its HORZRES x VERTRES) into a capture. False when a bitmap cannot
// be made or read.
bool CaptureDc(HDC screen, ScreenCapture& capture);

// Turns the capture's rows into packed red, green, blue triples, bottom row first. False (and
// nothing converted) for depths other than 16 and 32 bits per pixel.
bool CaptureToRgb(const ScreenCapture& capture, std::vector<BYTE>& rgb);

// The byte a 5-bit component of a 16-bit pixel becomes.
BYTE Expand5(unsigned v);

// Converts the capture and writes it as a JPEG; nothing for an unsupported depth.
void WriteCapture(const ScreenCapture& capture, const char* path, int quality);

}  // namespace rasterscreenshot
