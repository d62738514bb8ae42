#include "image/RasterImageTIF.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t size) {
  if (size <= 0) return 0;
  return static_cast<tmsize_t>(static_cast<CRasterFile*>(handle)->Read(buffer, 1, static_cast<size_t>(size)));
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t size) {
  if (size <= 0) return 0;
  return static_cast<tmsize_t>(static_cast<CRasterFile*>(handle)->Write(buffer, 1, static_cast<size_t>(size)));
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  CRasterFile* file = static_cast<CRasterFile*>(handle);
  if (offset == static_cast<toff_t>(-1)) return static_cast<toff_t>(-1);
  // The file's positions are longs; an offset beyond them cannot be reached.
  if (offset > static_cast<toff_t>(0x7FFFFFFF) && whence == SEEK_SET) return static_cast<toff_t>(-1);
  if (!file->Seek(static_cast<long>(offset), whence)) return static_cast<toff_t>(-1);
  if (whence == SEEK_SET) return offset;
  return static_cast<toff_t>(file->Tell());
}

int CloseProc(thandle_t) { return 0; }

toff_t SizeProc(thandle_t handle) {
  long size = static_cast<CRasterFile*>(handle)->Size();
  return size < 0 ? 0 : static_cast<toff_t>(size);
}

int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

// libtiff's texts are not the image's: they are dropped here so that nothing goes to stderr.
int QuietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

LONG ClampToLong(double v) {
  if (!(v == v)) return 0;
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return static_cast<LONG>(-2147483647 - 1);
  return static_cast<LONG>(v);
}

// Reads `bits` bits (at most 32) of a big-endian bit field starting at bit `bitPos`.
uint32_t ReadBits(const BYTE* src, size_t srcBytes, uint64_t bitPos, int bits) {
  uint64_t v = 0;
  for (int i = 0; i < bits; ++i) {
    uint64_t p = bitPos + static_cast<uint64_t>(i);
    size_t byte = static_cast<size_t>(p >> 3);
    int bit = byte < srcBytes ? (src[byte] >> (7 - (p & 7))) & 1 : 0;
    v = (v << 1) | static_cast<uint64_t>(bit);
  }
  return static_cast<uint32_t>(v);
}

BYTE ToByte(double v) {
  v *= 255;
  if (v < 0) return 0;
  if (v > 255) return 255;
  return static_cast<BYTE>(v);
}

double Gamma(double v) { return v > 0.00304 ? 1.055 * std::pow(v, 0.41667) - 0.055 : 12.92 * v; }

// Releases the handle and the buffers of one decode on every path.
struct TiffDecodeState {
  TIFF* tif = nullptr;
  void* raster = nullptr;
  RGBQUAD* palette = nullptr;
  BYTE* tile = nullptr;
  ~TiffDecodeState() {
    if (raster) _TIFFfree(raster);
    if (tile) _TIFFfree(tile);
    free(palette);
    if (tif) TIFFClose(tif);
  }
};

}  // namespace

TIFF* TIFFOpenEx(CRasterFile* file, const char* mode) {
  if (!file) return nullptr;
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(options, QuietHandler, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options, QuietHandler, nullptr);
  // No single allocation of libtiff's may exceed what one picture may hold.
  TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(RASTER_MAX_MEMORY) + 4096);
  TIFF* tif = TIFFClientOpenExt("TIFF IMAGE", mode, static_cast<thandle_t>(file), ReadProc, WriteProc,
                                SeekProc, CloseProc, SizeProc, MapProc, UnmapProc, options);
  TIFFOpenOptionsFree(options);
  return tif;
}

CRasterImageTIF::~CRasterImageTIF() {
  if (m_tif) TIFFClose(m_tif);
}

void CRasterImageTIF::CopyTile(BYTE* band, const BYTE* tile, size_t rows, size_t bandRowSize,
                               size_t tileRowSize, size_t bytePos) {
  if (bytePos >= bandRowSize) return;
  // The clip counts bytes on both sides: the right-most tile sticks out of the picture.
  size_t n = bandRowSize - bytePos < tileRowSize ? bandRowSize - bytePos : tileRowSize;
  for (size_t r = 0; r < rows; ++r) memcpy(band + r * bandRowSize + bytePos, tile + r * tileRowSize, n);
}

void CRasterImageTIF::UnpackSamples(BYTE* dest, const BYTE* src, size_t srcBytes, int bits,
                                    size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (bits <= 8) {
      dest[i] = static_cast<BYTE>(ReadBits(src, srcBytes, i * bits, bits));
    } else if (bits < 32) {
      dest[i] = static_cast<BYTE>(ReadBits(src, srcBytes, i * bits, 8));
    } else {
      // 32-bit samples arrive in the host's order: the top byte of each little-endian word.
      size_t pos = i * static_cast<size_t>(bits / 8) + 3;
      dest[i] = pos < srcBytes ? src[pos] : 0;
    }
  }
}

void CRasterImageTIF::MapBigPalette(BYTE* dest, const BYTE* src, size_t srcBytes, int bits,
                                    size_t width, const RGBQUAD* palette, size_t entries) {
  for (size_t x = 0; x < width; ++x) {
    uint32_t index;
    if (bits == 16) {
      // libtiff hands 16-bit samples over in the host's (little-endian) order.
      size_t pos = 2 * x;
      index = pos + 1 < srcBytes ? static_cast<uint32_t>(src[pos] | (src[pos + 1] << 8)) : 0;
    } else {
      index = ReadBits(src, srcBytes, static_cast<uint64_t>(x) * bits, bits);
    }
    const RGBQUAD c = index < entries ? palette[index] : RGBQUAD{0, 0, 0, 0};
    dest[3 * x] = c.rgbBlue;
    dest[3 * x + 1] = c.rgbGreen;
    dest[3 * x + 2] = c.rgbRed;
  }
}

bool CRasterImageTIF::Decode(CRasterFile* file) {
  if (!file) return Fail("null file handler");
  TiffDecodeState st;
  st.tif = TIFFOpenEx(file, "rb");
  if (!st.tif) return Fail("Error encountered while opening TIFF file");
  TIFF* tif = st.tif;

  m_info.numFrames = TIFFNumberOfDirectories(tif);
  if (!TIFFSetDirectory(tif, static_cast<uint16_t>(m_info.frame)))
    return Fail("Error: page not present in TIFF file");

  uint32_t width = 0, height = 0, rowsPerStrip = 0xFFFFFFFFu;
  uint16_t spp = 1, bps = 1, photometric = 0, compression = 1, orientation = 1, resUnit = 2;
  TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
  TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetField(tif, TIFFTAG_ORIENTATION, &orientation);
  TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
  TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &resUnit);

  float value;
  if (TIFFGetField(tif, TIFFTAG_XRESOLUTION, &value)) {
    double v = value;
    if (resUnit == RESUNIT_CENTIMETER) v = v * 2.54 + 0.5;
    SetXDPI(ClampToLong(v));
  }
  if (TIFFGetField(tif, TIFFTAG_YRESOLUTION, &value)) {
    double v = value;
    if (resUnit == RESUNIT_CENTIMETER) v = v * 2.54 + 0.5;
    SetYDPI(ClampToLong(v));
  }
  if (TIFFGetField(tif, TIFFTAG_XPOSITION, &value)) m_info.xOffset = ClampToLong(value);
  if (TIFFGetField(tif, TIFFTAG_YPOSITION, &value)) m_info.yOffset = ClampToLong(value);

  m_header.biClrUsed = 0;
  m_info.transIndex = -1;
  if (rowsPerStrip > height) {
    rowsPerStrip = height;
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
  }
  if (spp == 0 || bps == 0) return Fail("Error encountered while opening TIFF file");

  const bool isRGB = photometric == PHOTOMETRIC_RGB || photometric == PHOTOMETRIC_SEPARATED ||
                     photometric == PHOTOMETRIC_YCBCR || photometric == PHOTOMETRIC_LOGL ||
                     photometric == PHOTOMETRIC_LOGLUV;
  const bool bigPalette = !isRGB && photometric == PHOTOMETRIC_PALETTE && bps > 8;
  DWORD bpp;
  if (isRGB) {
    bpp = 24;
  } else if (spp >= 3) {
    // Three or more samples of another kind (CIELab) become colour pixels: the depth is fixed
    // here, before any row is stored.
    bpp = 24;
  } else if ((photometric <= PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_PALETTE) && bps == 1) {
    bpp = 1;
  } else if (bps == 4) {
    bpp = 4;
  } else if (bigPalette) {
    bpp = 24;
  } else {
    bpp = 8;
  }

  if (!Create(width, height, bpp, RASTER_FORMAT_TIF)) return Fail("CRasterImageTIF can't create image");
  if (spp == 4 || (spp == 2 && bps == 8)) AlphaCreate();
  SetCodecOption(compression, RASTER_FORMAT_TIF);

  if (isRGB) {
    size_t pixels = static_cast<size_t>(width) * height;
    st.raster = _TIFFmalloc(static_cast<tmsize_t>(pixels * sizeof(uint32_t)));
    if (!st.raster) return Fail("No space for raster buffer");
    uint32_t* raster = static_cast<uint32_t*>(st.raster);
    if (!TIFFReadRGBAImage(tif, width, height, raster, 1)) return Fail("Corrupted TIFF file!");
    for (uint32_t y = 0; y < height; ++y) {
      BYTE* dst = GetBits(y);
      const uint32_t* src = raster + static_cast<size_t>(y) * width;
      for (uint32_t x = 0; x < width; ++x) {
        uint32_t v = src[x];
        dst[3 * x] = static_cast<BYTE>((v >> 16) & 0xFF);
        dst[3 * x + 1] = static_cast<BYTE>((v >> 8) & 0xFF);
        dst[3 * x + 2] = static_cast<BYTE>(v & 0xFF);
        if (spp == 4) AlphaSet(static_cast<long>(x), static_cast<long>(y), static_cast<BYTE>(v >> 24));
      }
    }
    return true;
  }

  // The palette.
  size_t entries = 256;
  if (bigPalette) {
    if (bps > 24) return Fail("Too big palette to handle");
    entries = size_t(1) << bps;
  }
  st.palette = static_cast<RGBQUAD*>(calloc(entries, sizeof(RGBQUAD)));
  if (!st.palette) return Fail("Unable to allocate TIFF palette");
  RGBQUAD* pal = st.palette;
  const int b = bps < 8 ? bps : 8;
  const size_t levels = size_t(1) << b;
  if ((photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK) && bps == 1) {
    RGBQUAD& white = pal[photometric == PHOTOMETRIC_MINISBLACK ? 1 : 0];
    white.rgbRed = white.rgbGreen = white.rgbBlue = 255;
  } else if (photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE) {
    for (size_t i = 0; i < levels; ++i) {
      BYTE v = static_cast<BYTE>(i * (255 / (levels - 1)));
      if (photometric == PHOTOMETRIC_MINISWHITE) v = static_cast<BYTE>(255 - v);
      pal[i].rgbRed = pal[i].rgbGreen = pal[i].rgbBlue = v;
    }
  } else if (photometric == PHOTOMETRIC_PALETTE) {
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) && red && green && blue) {
      // libtiff's colour map holds 2^bits-per-sample entries.
      size_t mapEntries = size_t(1) << (bps < 24 ? bps : 24);
      size_t n = bigPalette ? (entries < mapEntries ? entries : mapEntries) : levels;
      bool wide = bigPalette;
      for (size_t i = 0; i < n && !wide; ++i) wide = red[i] > 255 || green[i] > 255 || blue[i] > 255;
      for (size_t i = n; i-- > 0;) {
        if (wide) {
          pal[i].rgbRed = static_cast<BYTE>(red[i] * 255u / 65535u);
          pal[i].rgbGreen = static_cast<BYTE>(green[i] * 255u / 65535u);
          pal[i].rgbBlue = static_cast<BYTE>(blue[i] * 255u / 65535u);
        } else {
          pal[i].rgbRed = static_cast<BYTE>(red[i]);
          pal[i].rgbGreen = static_cast<BYTE>(green[i]);
          pal[i].rgbBlue = static_cast<BYTE>(blue[i]);
        }
      }
    }
  }
  if (!bigPalette && bpp <= 8) {
    SetPalette(pal, static_cast<DWORD>(levels));
  }

  // Buffers: a band of rows as the file stores them, and one row of 8-bit samples.
  const bool tiled = TIFFIsTiled(tif) != 0;
  const tmsize_t scanline = TIFFScanlineSize(tif);
  if (scanline <= 0) return Fail("CRasterImageTIF can't allocate memory");
  const size_t rowSize = static_cast<size_t>(scanline);
  uint32_t tileWidth = 0, tileLength = 0;
  size_t tileSize = 0, tileRowSize = 0;
  if (tiled) {
    TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth);
    TIFFGetField(tif, TIFFTAG_TILELENGTH, &tileLength);
    tmsize_t ts = TIFFTileSize(tif);
    tmsize_t trs = TIFFTileRowSize(tif);
    if (tileWidth == 0 || tileLength == 0 || ts <= 0 || trs <= 0) return Fail("Corrupted tiled TIFF file!");
    tileSize = static_cast<size_t>(ts);
    tileRowSize = static_cast<size_t>(trs);
    if (tileRowSize * tileLength > tileSize) return Fail("Corrupted tiled TIFF file!");
    rowsPerStrip = tileLength < height ? tileLength : height;
    st.tile = static_cast<BYTE*>(_TIFFmalloc(ts));
    if (!st.tile) return Fail("CRasterImageTIF can't allocate memory");
  }
  if (rowsPerStrip == 0) rowsPerStrip = 1;
  const size_t bandRows = rowsPerStrip;
  if (rowSize > RASTER_MAX_MEMORY / bandRows) return Fail("CRasterImageTIF can't allocate memory");
  std::vector<BYTE> band;
  std::vector<BYTE> samples;
  std::vector<BYTE> shifts;
  try {
    band.assign(rowSize * bandRows, 0);
    samples.assign(static_cast<size_t>(width) * spp + 1, 0);
    if (bps == 16) shifts.assign(height, 8);
  } catch (...) {
    return Fail("CRasterImageTIF can't allocate memory");
  }
  const bool sixteen = bps == 16 && !bigPalette;
  const size_t sampleCount = static_cast<size_t>(width) * spp;

  for (uint32_t ys = 0; ys < height; ys += rowsPerStrip) {
    const uint32_t n = rowsPerStrip < height - ys ? rowsPerStrip : height - ys;
    if (tiled) {
      for (uint32_t x = 0; x < width; x += tileWidth) {
        if (TIFFReadTile(tif, st.tile, x, ys, 0, 0) < 0) return Fail("Corrupted tiled TIFF file!");
        size_t bytePos = static_cast<size_t>((static_cast<uint64_t>(x) * spp * bps) / 8);
        CopyTile(band.data(), st.tile, n, rowSize, tileRowSize, bytePos);
      }
    } else {
      tmsize_t got = TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, ys, 0), band.data(),
                                          static_cast<tmsize_t>(rowSize * n));
      // A strip that cannot be read ends the picture; the rows before it stay.
      if (got < 0) break;
    }
    for (uint32_t r = 0; r < n; ++r) {
      const uint32_t fileRow = ys + r;
      BYTE* dst = GetBits(height - 1 - fileRow);
      const BYTE* src = band.data() + static_cast<size_t>(r) * rowSize;
      size_t srcBytes = rowSize;
      if (sixteen) {
        const uint16_t* s16 = reinterpret_cast<const uint16_t*>(src);
        const size_t count = rowSize / 2 < sampleCount ? rowSize / 2 : sampleCount;
        int z = 8;
        if (!tiled) {
          BYTE m = 0;
          for (size_t i = 0; i < count; ++i) {
            uint16_t v;
            memcpy(&v, s16 + i, 2);
            if ((v >> 8) > m) m = static_cast<BYTE>(v >> 8);
          }
          z = 0;
          if (m == 0) {
            z = 8;
          } else {
            while (!(m & 0x80)) {
              m = static_cast<BYTE>(m << 1);
              ++z;
            }
          }
          shifts[height - 1 - fileRow] = static_cast<BYTE>(z);
        }
        for (size_t i = 0; i < count; ++i) {
          uint16_t v;
          memcpy(&v, s16 + i, 2);
          samples[i] = static_cast<BYTE>(tiled ? v >> 8 : (v >> (8 - z)) & 0xFF);
        }
        src = samples.data();
        srcBytes = sampleCount;
      }
      if (spp == 1) {
        if (bigPalette) {
          MapBigPalette(dst, src, srcBytes, bps, width, pal, entries);
        } else if (bps == bpp || sixteen) {
          size_t bytes = srcBytes < m_info.effWidth ? srcBytes : m_info.effWidth;
          memcpy(dst, src, bytes);
        } else {
          UnpackSamples(dst, src, srcBytes, bps, width);
        }
        continue;
      }
      if (!sixteen && bps != 8) {
        UnpackSamples(samples.data(), src, srcBytes, bps, sampleCount);
        src = samples.data();
      }
      if (spp == 2) {
        if (!AlphaIsValid()) AlphaCreate();
        for (uint32_t x = 0; x < width; ++x) {
          SetPixelIndex(static_cast<long>(x), static_cast<long>(height - 1 - fileRow), src[2 * x]);
          AlphaSet(static_cast<long>(x), static_cast<long>(height - 1 - fileRow), src[2 * x + 1]);
        }
        continue;
      }
      if (spp == 4 && !AlphaIsValid()) AlphaCreate();
      for (uint32_t x = 0; x < width; ++x) {
        const BYTE* s = src + static_cast<size_t>(x) * spp;
        double l = s[0];
        double a = static_cast<signed char>(s[1]);
        double bb = static_cast<signed char>(s[2]);
        double fy = (l * 100 / 255 + 16) / 116;
        double Y = fy * fy * fy;
        double fx = a * 0.002 + fy;
        double X = fx * fx * fx * 0.95047;
        double fz = fy - bb * 0.005;
        double Z = fz * fz * fz * 1.0883;
        double red = 3.240479 * X - 1.53715 * Y - 0.498535 * Z;
        double green = 1.875992 * Y - 0.969256 * X + 0.041556 * Z;
        double blue = 0.055648 * X - 0.204043 * Y + 1.057311 * Z;
        dst[3 * x] = ToByte(Gamma(blue));
        dst[3 * x + 1] = ToByte(Gamma(green));
        dst[3 * x + 2] = ToByte(Gamma(red));
        if (spp == 4) AlphaSet(static_cast<long>(x), static_cast<long>(height - 1 - fileRow), s[3]);
      }
    }
  }

  // 16-bit grey rows were each scaled by their own brightest sample; bring them all to the
  // scale of the brightest row.
  if (sixteen && !tiled && spp == 1) {
    BYTE smallest = 8;
    for (BYTE z : shifts) smallest = z < smallest ? z : smallest;
    for (uint32_t y = 0; y < height; ++y) {
      int d = shifts[y] - smallest;
      if (d <= 0) continue;
      BYTE* row = GetBits(y);
      for (uint32_t x = 0; x < width; ++x) row[x] = static_cast<BYTE>(row[x] >> d);
    }
  }

  // A picture that cannot be brought upright (a turn of a very large picture needs a second
  // copy of it) is a failure, not a sideways success.
  bool upright = true;
  switch (orientation) {
    case ORIENTATION_TOPRIGHT: upright = Mirror(false, true); break;
    case ORIENTATION_BOTRIGHT: upright = Flip(false, true) && Mirror(false, true); break;
    case ORIENTATION_BOTLEFT: upright = Flip(false, true); break;
    case ORIENTATION_LEFTTOP: upright = RotateRight() && Mirror(false, true); break;
    case ORIENTATION_RIGHTTOP: upright = RotateRight(); break;
    case ORIENTATION_RIGHTBOT: upright = RotateLeft() && Mirror(false, true); break;
    case ORIENTATION_LEFTBOT: upright = RotateLeft(); break;
    default: break;
  }
  if (!upright) {
    if (GetLastError()[0] == 0) Fail("CRasterImageTIF can't allocate memory");
    return false;
  }
  return true;
}
