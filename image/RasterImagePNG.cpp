#include "image/RasterImagePNG.h"

#include <png.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// libpng's read callback: a file that ends early is an error, never a row of stale bytes.
void ReadData(png_structp png, png_bytep data, size_t length) {
  auto* file = static_cast<CRasterFile*>(png_get_io_ptr(png));
  if (file->Read(data, 1, length) != length) png_error(png, "Read Error");
}

// Copies libpng's message into the image's last-error text and jumps back to the decoder.
void OnError(png_structp png, png_const_charp message) {
  char* text = static_cast<char*>(png_get_error_ptr(png));
  if (text && message) {
    strncpy(text, message, 255);
    text[255] = 0;
  }
  png_longjmp(png, 1);
}

// Warnings (a doubtful ancillary chunk, say) do not stop the decode and are not shown.
void OnWarning(png_structp, png_const_charp) {}

}  // namespace

// Only plain data lives in this function's frame: libpng leaves it with longjmp.
bool CRasterImagePNG::Decode(CRasterFile* file) {
  if (!file) return false;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (!png) return Fail("Failed to create PNG structure");
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return Fail("Failed to initialize PNG info structure");
  }
  BYTE* volatile row = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    // The message is already in the last-error text.
    free(row);
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_set_read_fn(png, file, ReadData);
  png_set_error_fn(png, m_info.lastError, OnError, OnWarning);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
  int channels;
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY: channels = 1; break;
    case PNG_COLOR_TYPE_PALETTE: channels = 1; break;
    case PNG_COLOR_TYPE_RGB: channels = 3; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: channels = 2; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: channels = 4; break;
    default: png_error(png, "unknown PNG color type");
  }
  const int pixelDepth = bitDepth * channels;
  const size_t rowBytes = png_get_rowbytes(png, info);
  int depth;
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY: depth = bitDepth == 16 ? 8 : pixelDepth; break;
    case PNG_COLOR_TYPE_PALETTE: depth = pixelDepth; break;
    case PNG_COLOR_TYPE_GRAY_ALPHA: depth = 8; break;
    default: depth = 24; break;
  }
  if (!Create(width, height, static_cast<DWORD>(depth), RASTER_FORMAT_PNG)) {
    png_longjmp(png, 1);  // the creation's text stays
  }

  png_uint_32 resX = 0, resY = 0;
  int unit = 0;
  if (png_get_pHYs(png, info, &resX, &resY, &unit)) {
    if (unit == PNG_RESOLUTION_UNKNOWN) {
      SetXDPI(static_cast<long>(resX));
      SetYDPI(static_cast<long>(resY));
    } else if (unit == PNG_RESOLUTION_METER) {
      SetXDPI(static_cast<long>(floor(resX * 0.0254 + 0.5)));
      SetYDPI(static_cast<long>(floor(resY * 0.0254 + 0.5)));
    }
  }

  png_colorp palette = nullptr;
  int paletteEntries = 0;
  if (png_get_PLTE(png, info, &palette, &paletteEntries) && palette && paletteEntries > 0) {
    BYTE triples[256 * 3];
    int n = paletteEntries < 256 ? paletteEntries : 256;
    for (int i = 0; i < n; i++) {
      triples[i * 3] = palette[i].red;
      triples[i * 3 + 1] = palette[i].green;
      triples[i * 3 + 2] = palette[i].blue;
    }
    SetPaletteFromRGB(triples, static_cast<DWORD>(n));
    SetClrImportant(static_cast<DWORD>(paletteEntries));
  } else if (bitDepth == 2) {
    SetPaletteColor(0, 0, 0, 0);
    SetPaletteColor(1, 85, 85, 85);
    SetPaletteColor(2, 170, 170, 170);
    SetPaletteColor(3, 255, 255, 255);
  } else {
    SetGrayPalette();
  }

  png_bytep transAlpha = nullptr;
  int transCount = 0;
  png_color_16p transColor = nullptr;
  if (png_get_tRNS(png, info, &transAlpha, &transCount, &transColor)) {
    const int shift = bitDepth == 16 ? 8 : 0;
    const long colours = static_cast<long>(GetPaletteSize() / sizeof(RGBQUAD));
    if (colorType == PNG_COLOR_TYPE_RGB) {
      if (transColor) {
        RGBQUAD c = {static_cast<BYTE>(transColor->blue >> shift),
                     static_cast<BYTE>(transColor->green >> shift),
                     static_cast<BYTE>(transColor->red >> shift), 0};
        SetTransColor(c);
        m_info.transIndex = 0;
      }
    } else if (transCount == 1 && transColor) {
      long index = colorType == PNG_COLOR_TYPE_PALETTE ? transColor->index
                                                       : (transColor->gray >> shift);
      // A grey level outside the sample range names no pixel.
      m_info.transIndex = index < colours ? static_cast<LONG>(index) : -1;
    } else if (transCount > 1 && transAlpha && colours > 0) {
      RGBQUAD* entries = GetPalette();
      long given = paletteEntries < transCount ? paletteEntries : transCount;
      for (long i = 0; i < colours; i++) entries[i].rgbReserved = i < given ? transAlpha[i] : 255;
      m_info.paletteAlpha = true;
    }
  }

  const bool alpha = channels == 2 || channels == 4;
  if (alpha && !AlphaCreate()) png_error(png, "can't allocate memory");
  if (colorType & PNG_COLOR_MASK_COLOR) png_set_bgr(png);

  row = static_cast<BYTE*>(malloc(rowBytes + 8));
  if (!row) png_error(png, "can't allocate memory");
  memset(row, 0, rowBytes + 8);
  const int passes = png_set_interlace_handling(png);
  SetCodecOption(passes > 1 ? 1 : 0, RASTER_FORMAT_PNG);

  const size_t pixelBytes = static_cast<size_t>(pixelDepth / 8);
  const size_t sampleBytes = static_cast<size_t>(bitDepth / 8);
  const size_t samples = static_cast<size_t>(width) * channels;
  const size_t effWidth = m_info.effWidth;
  BYTE* buffer = row;
  for (int pass = 0; pass < passes; pass++) {
    for (png_uint_32 y = 0; y < height; y++) {
      // The first file row is the top row, which is the last row of the bottom-up DIB.
      const long imageRow = static_cast<long>(height - 1 - y);
      BYTE* line = GetBits(static_cast<DWORD>(imageRow));
      if (alpha) {
        // The alpha layer's row, written and read in place: the layer is width bytes a row,
        // bottom-up as the pixels.
        BYTE* alphaLine = m_alpha + static_cast<size_t>(imageRow) * width;
        if (pass > 0) {
          // libpng writes only this pass's pixels; the others must hold the earlier passes'.
          for (png_uint_32 x = 0; x < width; x++) {
            BYTE* p = buffer + x * pixelBytes;
            if (channels == 2) {
              p[0] = line[x];
              p[sampleBytes] = alphaLine[x];
            } else {
              p[0] = line[x * 3];
              p[sampleBytes] = line[x * 3 + 1];
              p[2 * sampleBytes] = line[x * 3 + 2];
              p[3 * sampleBytes] = alphaLine[x];
            }
          }
        }
        png_read_row(png, buffer, nullptr);
        if (channels == 4 && sampleBytes == 1) {
          // The common case, 8-bit B, G, R, A, in one pass without a branch per pixel.
          const BYTE* p = buffer;
          BYTE* d = line;
          for (png_uint_32 x = 0; x < width; x++, p += 4, d += 3) {
            d[0] = p[0];
            d[1] = p[1];
            d[2] = p[2];
            alphaLine[x] = p[3];
          }
        } else {
          for (png_uint_32 x = 0; x < width; x++) {
            const BYTE* p = buffer + x * pixelBytes;
            if (channels == 2) {
              line[x] = p[0];
              alphaLine[x] = p[sampleBytes];
            } else {
              line[x * 3] = p[0];
              line[x * 3 + 1] = p[sampleBytes];
              line[x * 3 + 2] = p[2 * sampleBytes];
              alphaLine[x] = p[3 * sampleBytes];
            }
          }
        }
      } else {
        const size_t stored = bitDepth == 16 ? samples : rowBytes;
        const size_t copy = stored < effWidth ? stored : effWidth;
        if (pass > 0) {
          memcpy(buffer, line, copy);
          if (bitDepth == 16) {
            for (size_t i = samples; i-- > 0;) buffer[i * 2] = buffer[i];
          }
        }
        png_read_row(png, buffer, nullptr);
        // 16-bit samples keep their high byte.
        if (bitDepth == 16) {
          for (size_t i = 0; i < samples; i++) buffer[i] = buffer[i * 2];
        }
        memcpy(line, buffer, copy);
      }
    }
  }

  if (bitDepth == 2 && !alpha) {
    // Two bits per pixel widen to four, from the last pixel down so that nothing is overwritten
    // before it is read.
    for (png_uint_32 y = 0; y < height; y++) {
      BYTE* line = GetBits(y);
      for (png_uint_32 n = width; n-- > 0;) {
        BYTE v = static_cast<BYTE>((line[n >> 2] >> (6 - 2 * (n & 3))) & 3);
        BYTE& b = line[n >> 1];
        b = (n & 1) ? static_cast<BYTE>((b & 0xF0) | v) : static_cast<BYTE>((v << 4) | (b & 0x0F));
      }
      if (width & 1) line[width >> 1] &= 0xF0;
      for (size_t i = (width + 1) / 2; i < effWidth; i++) line[i] = 0;
    }
  }

  free(row);
  row = nullptr;
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}
