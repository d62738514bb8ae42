// Saving what the desktop shows as a JPEG file: the desktop is captured into a device-independent
// bitmap, turned into packed 8-bit red, green, blue triples and compressed with libjpeg.
#pragma once

#include <string>

#include "image/RasterFile.h"
#include "platform/base/WinTypes.h"

// Captures the whole desktop and writes it to `path` as a baseline JPEG of the given quality.
// A screen of other than 16 or 32 bits per pixel writes nothing.
RASTER_EXPORT void CaptureScreenToJpeg(const char* path, int quality);

// Compresses `height` rows of 3 x `width` bytes (red, green, blue; no row padding; the bottom
// row of the picture first) into `path`, a Windows-style path as the file layer maps them.
// False for null pixels, for a file that cannot be created (after telling the user) and for an
// error of the compressor (the partial file is removed).
RASTER_EXPORT bool RGBToJpegFile(const std::string& path, BYTE* pixels, unsigned width,
                                 unsigned height, int quality);

// The notice shown when the JPEG file cannot be created. It stands in for a modal message box
// (OK button only) until the window layer has one; the default writes the text to stderr.
// Returns the previous hook; null restores the default.
using JpegFileMessageHook = void (*)(const char* text);
RASTER_EXPORT JpegFileMessageHook SetJpegFileMessageHook(JpegFileMessageHook hook);
