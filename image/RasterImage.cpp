#include "image/RasterImage.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "image/RasterIOFile.h"
#include "image/RasterMemFile.h"

CRasterImage::CRasterImage(DWORD type) {
  Startup(type);
}

CRasterImage::CRasterImage(DWORD width, DWORD height, DWORD bpp, DWORD type) {
  Startup(type);
  Create(width, height, bpp, type);
}

CRasterImage::CRasterImage(const CRasterImage& source, bool pixels, bool selection, bool alpha) {
  Startup(source.m_info.type);
  Copy(source, pixels, selection, alpha);
}

CRasterImage::CRasterImage(BYTE* buffer, DWORD size, DWORD type) {
  Startup(type);
  Decode(buffer, size, type);
}

CRasterImage::~CRasterImage() {
  DestroyFrames();
  Destroy();
}

void CRasterImage::Startup(DWORD type) {
  m_dib = nullptr;
  m_selection = nullptr;
  m_alpha = nullptr;
  m_frames = nullptr;
  m_keptFrames = 0;
  memset(&m_header, 0, sizeof(m_header));
  memset(&m_info, 0, sizeof(m_info));
  m_info.type = type;
  m_info.jpegQuality = 90.0f;
  m_info.transIndex = -1;
  SetXDPI(96);
  SetYDPI(96);
  m_info.littleEndianHost = true;
}

bool CRasterImage::Fail(const char* text) {
  if (text && text[0]) {
    strncpy(m_info.lastError, text, sizeof(m_info.lastError) - 1);
    m_info.lastError[sizeof(m_info.lastError) - 1] = 0;
  }
  return false;
}

BYTE* CRasterImage::Create(DWORD width, DWORD height, DWORD bpp, DWORD type) {
  Destroy();
  if (width == 0 || height == 0) {
    Fail("CRasterImage::Create : width and height must be greater than zero");
    return nullptr;
  }
  if (bpp <= 1) {
    bpp = 1;
  } else if (bpp <= 4) {
    bpp = 4;
  } else if (bpp <= 8) {
    bpp = 8;
  } else {
    bpp = 24;
  }
  // The limit holds for the pixel bits and, so that row padding cannot multiply a narrow image's
  // size far past it, for the padded rows too.
  unsigned __int128 bits = static_cast<unsigned __int128>(width) * height * bpp;
  uint64_t effWidth = ((static_cast<uint64_t>(width) * bpp + 31) / 32) * 4;
  unsigned __int128 padded = static_cast<unsigned __int128>(effWidth) * height;
  if ((bits & ~static_cast<unsigned __int128>(7)) > static_cast<unsigned __int128>(RASTER_MAX_MEMORY) * 8 ||
      padded > RASTER_MAX_MEMORY) {
    Fail("IMAGE_MAX_MEMORY exceeded");
    return nullptr;
  }
  switch (bpp) {
    case 1: m_header.biClrUsed = 2; break;
    case 4: m_header.biClrUsed = 16; break;
    case 8: m_header.biClrUsed = 256; break;
    default: m_header.biClrUsed = 0; break;
  }
  m_info.effWidth = static_cast<DWORD>(effWidth);
  m_header.biSize = sizeof(BITMAPINFOHEADER);
  m_header.biWidth = static_cast<LONG>(width);
  m_header.biHeight = static_cast<LONG>(height);
  m_header.biPlanes = 1;
  m_header.biBitCount = static_cast<WORD>(bpp);
  m_header.biCompression = BI_RGB;
  m_header.biSizeImage = static_cast<DWORD>(padded);
  m_info.type = type;
  // The whole block starts zeroed: a decoder that stops early leaves black, never old heap.
  m_dib = static_cast<BYTE*>(calloc(1, static_cast<size_t>(GetSize())));
  if (!m_dib) {
    Fail("CRasterImage::Create can't allocate memory");
    return nullptr;
  }
  memcpy(m_dib, &m_header, sizeof(m_header));
  m_info.pixels = GetBits(0);
  return m_dib;
}

bool CRasterImage::Destroy() {
  free(m_selection);
  m_selection = nullptr;
  free(m_alpha);
  m_alpha = nullptr;
  free(m_dib);
  m_dib = nullptr;
  // The header and the rest of the info block keep their values; the pixel pointer pointed into
  // the freed block.
  m_info.pixels = nullptr;
  return true;
}

bool CRasterImage::DestroyFrames() {
  if (m_frames) {
    for (long i = 0; i < m_keptFrames; i++) delete m_frames[i];
    free(m_frames);
    m_frames = nullptr;
    m_keptFrames = 0;
    m_info.numFrames = 0;
  }
  return true;
}

void CRasterImage::SetKeptFrames(CRasterImage** frames, long count) {
  DestroyFrames();
  m_frames = frames;
  m_keptFrames = frames ? count : 0;
}

void CRasterImage::Copy(const CRasterImage& source, bool pixels, bool selection, bool alpha) {
  if (&source == this) return;
  m_info = source.m_info;
  m_info.pixels = nullptr;
  m_header = source.m_header;
  Create(source.GetWidth(), source.GetHeight(), source.GetBpp(), source.GetType());
  if (pixels && m_dib && source.m_dib) {
    memcpy(m_dib, source.m_dib, static_cast<size_t>(GetSize()));
  } else {
    SetPalette(source.GetPalette(), 256);
  }
  size_t layer = static_cast<size_t>(GetWidth()) * GetHeight();
  if (m_dib && selection && source.m_selection) {
    m_selection = static_cast<BYTE*>(malloc(layer));
    if (m_selection) memcpy(m_selection, source.m_selection, layer);
  }
  if (m_dib && alpha && source.m_alpha) {
    m_alpha = static_cast<BYTE*>(malloc(layer));
    if (m_alpha) memcpy(m_alpha, source.m_alpha, layer);
  }
}

bool CRasterImage::Transfer(CRasterImage& source, bool frames) {
  if (&source == this) return true;
  Destroy();
  m_header = source.m_header;
  m_info = source.m_info;
  m_dib = source.m_dib;
  m_selection = source.m_selection;
  m_alpha = source.m_alpha;
  memset(&source.m_header, 0, sizeof(source.m_header));
  memset(&source.m_info, 0, sizeof(source.m_info));
  source.m_dib = nullptr;
  source.m_selection = nullptr;
  source.m_alpha = nullptr;
  if (frames) {
    // The frame count of the info block is the source's now; the array carries its own.
    LONG numFrames = m_info.numFrames;
    DestroyFrames();
    m_info.numFrames = numFrames;
    m_frames = source.m_frames;
    m_keptFrames = source.m_keptFrames;
    source.m_frames = nullptr;
    source.m_keptFrames = 0;
  }
  return true;
}

void CRasterImage::CopyInfo(const CRasterImage& source) {
  if (m_dib || &source == this) return;
  m_info = source.m_info;
  // Without a DIB of its own this image has no pixel rows to point at.
  m_info.pixels = nullptr;
}

bool CRasterImage::SetType(DWORD type) {
  switch (type) {
    case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 9: case 11: case 12:
      m_info.type = type;
      return true;
    default:
      m_info.type = 0;
      return false;
  }
}

long CRasterImage::GetTypeIndexFromId(DWORD type) {
  if (type >= 1 && type <= 7) return static_cast<long>(type);
  switch (type) {
    case 9: return 8;
    case 11: return 9;
    case 12: return 10;
    default: return 0;
  }
}

BYTE* CRasterImage::GetBits(DWORD row) {
  if (!m_dib) return nullptr;
  DWORD height = GetHeight();
  if (row >= height) return nullptr;
  DWORD headerSize;
  memcpy(&headerSize, m_dib, sizeof(headerSize));
  return m_dib + headerSize + GetPaletteSize() + static_cast<size_t>(row) * m_info.effWidth;
}

long CRasterImage::GetSize() {
  return static_cast<long>(m_header.biSize) + static_cast<long>(m_header.biSizeImage) +
         static_cast<long>(GetPaletteSize());
}

CRasterImage* CRasterImage::GetFrame(long n) const {
  if (!m_frames || m_info.numFrames == 0) return nullptr;
  if (n < 0) n = m_info.numFrames - 1;
  if (n >= m_info.numFrames || n >= m_keptFrames || n < 0) return nullptr;
  return m_frames[n];
}

// Resolutions come from file headers: both the DPI and the pixels per metre are kept to what a
// LONG holds.
static long ClampDpi(long dpi) {
  if (dpi <= 0) return 96;
  return dpi > INT32_MAX ? INT32_MAX : dpi;
}

static LONG DpiToPelsPerMeter(long dpi) {
  double ppm = floor(dpi * 39.37007874015748 + 0.5);
  return ppm > INT32_MAX ? INT32_MAX : static_cast<LONG>(ppm);
}

void CRasterImage::SetXDPI(long dpi) {
  dpi = ClampDpi(dpi);
  m_info.xDpi = static_cast<LONG>(dpi);
  m_header.biXPelsPerMeter = DpiToPelsPerMeter(dpi);
  if (m_dib) reinterpret_cast<BITMAPINFOHEADER*>(m_dib)->biXPelsPerMeter = m_header.biXPelsPerMeter;
}

void CRasterImage::SetYDPI(long dpi) {
  dpi = ClampDpi(dpi);
  m_info.yDpi = static_cast<LONG>(dpi);
  m_header.biYPelsPerMeter = DpiToPelsPerMeter(dpi);
  if (m_dib) reinterpret_cast<BITMAPINFOHEADER*>(m_dib)->biYPelsPerMeter = m_header.biYPelsPerMeter;
}

BYTE CRasterImage::GetJpegQuality() const {
  return static_cast<BYTE>(m_info.jpegQuality + 0.5f);
}

DWORD CRasterImage::GetCodecOption(DWORD type) const {
  long index = GetTypeIndexFromId(type);
  if (index == 0) index = GetTypeIndexFromId(m_info.type);
  return m_info.codecOptions[index];
}

bool CRasterImage::SetCodecOption(DWORD option, DWORD type) {
  long index = GetTypeIndexFromId(type);
  if (index == 0) index = GetTypeIndexFromId(m_info.type);
  m_info.codecOptions[index] = option;
  return true;
}

WORD CRasterImage::SwapIfBigEndian16(WORD v) const {
  if (m_info.littleEndianHost) return v;
  return static_cast<WORD>((v >> 8) | (v << 8));
}

DWORD CRasterImage::SwapIfBigEndian32(DWORD v) const {
  if (m_info.littleEndianHost) return v;
  return __builtin_bswap32(v);
}

void CRasterImage::SwapInfoHeader(BITMAPINFOHEADER* header) const {
  header->biSize = SwapIfBigEndian32(header->biSize);
  header->biWidth = static_cast<LONG>(SwapIfBigEndian32(static_cast<DWORD>(header->biWidth)));
  header->biHeight = static_cast<LONG>(SwapIfBigEndian32(static_cast<DWORD>(header->biHeight)));
  header->biPlanes = SwapIfBigEndian16(header->biPlanes);
  header->biBitCount = SwapIfBigEndian16(header->biBitCount);
  header->biCompression = SwapIfBigEndian32(header->biCompression);
  header->biSizeImage = SwapIfBigEndian32(header->biSizeImage);
  header->biXPelsPerMeter =
      static_cast<LONG>(SwapIfBigEndian32(static_cast<DWORD>(header->biXPelsPerMeter)));
  header->biYPelsPerMeter =
      static_cast<LONG>(SwapIfBigEndian32(static_cast<DWORD>(header->biYPelsPerMeter)));
  header->biClrUsed = SwapIfBigEndian32(header->biClrUsed);
  header->biClrImportant = SwapIfBigEndian32(header->biClrImportant);
}

bool CRasterImage::Decode(FILE* stream, DWORD type) {
  CRasterIOFile file(stream);
  return Decode(&file, type);
}

bool CRasterImage::Decode(BYTE* buffer, DWORD size, DWORD type) {
  CRasterMemFile file(buffer, size);
  return Decode(&file, type);
}

bool CRasterImage::Load(const char* path, DWORD type) {
  if (GetTypeIndexFromId(type) != 0) {
    FILE* stream = fopen(path, "rb");
    if (!stream) return false;
    bool ok = Decode(stream, type);
    fclose(stream);
    if (ok) return true;
  }
  char saved[sizeof(m_info.lastError)];
  memcpy(saved, m_info.lastError, sizeof(saved));
  FILE* stream = fopen(path, "rb");
  if (!stream) return false;
  bool ok = Decode(stream, 0);
  fclose(stream);
  // The typed attempt's message says more than "Decode: Unknown or wrong format".
  if (!ok && type != 0) memcpy(m_info.lastError, saved, sizeof(saved));
  return ok;
}
