// Pixel buffers in the DIB and device-bitmap formats, and their conversion to and from 32-bit
// rows, which every drawing routine works on.
#include <cstring>
#include <limits>

#include "platform/gdi/DcInternal.h"

namespace gdi {

namespace {
// Surfaces larger than this are refused: a bitmap of 16384 x 16384 x 32 bits is already 1 GiB.
constexpr int64_t MAX_SURFACE_BYTES = int64_t(1) << 30;
}  // namespace

bool Surface::Allocate(int width, int height, int bitsPerPixel, int alignBytes, bool bottomUp) {
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535) return false;
  int64_t rowBits = int64_t(width) * bitsPerPixel;
  int64_t alignBits = int64_t(alignBytes) * 8;
  int64_t stride = (rowBits + alignBits - 1) / alignBits * alignBytes;
  if (stride * height > MAX_SURFACE_BYTES) return false;
  try {
    m_owned.assign(size_t(stride * height), 0);
  } catch (...) {
    return false;
  }
  m_bits = m_owned.data();
  m_width = width;
  m_height = height;
  m_bpp = bitsPerPixel;
  m_stride = int(stride);
  m_bottomUp = bottomUp;
  if (bitsPerPixel == 1 && m_palette.empty()) m_palette = {0x000000u, 0xFFFFFFu};
  return true;
}

void Surface::Attach(uint8_t* bits, int width, int height, int bitsPerPixel, int stride,
                     bool bottomUp) {
  m_owned.clear();
  m_bits = bits;
  m_width = width;
  m_height = height;
  m_bpp = bitsPerPixel;
  m_stride = stride;
  m_bottomUp = bottomUp;
}

int Surface::NearestIndex(uint32_t p) const {
  if (m_palette.empty()) return 0;
  int best = 0;
  int bestDist = std::numeric_limits<int>::max();
  int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  for (size_t i = 0; i < m_palette.size(); ++i) {
    uint32_t q = m_palette[i];
    int dr = r - int((q >> 16) & 0xFF), dg = g - int((q >> 8) & 0xFF), db = b - int(q & 0xFF);
    int dist = dr * dr + dg * dg + db * db;
    if (dist < bestDist) {
      bestDist = dist;
      best = int(i);
      if (dist == 0) break;
    }
  }
  return best;
}

void Surface::LoadRow(int y, int x, int count, uint32_t* out) const {
  const uint8_t* row = RowPtr(y);
  auto pal = [&](unsigned idx) -> uint32_t {
    return idx < m_palette.size() ? m_palette[idx] & 0x00FFFFFFu : 0u;
  };
  switch (m_bpp) {
    case 32:
      std::memcpy(out, row + size_t(x) * 4, size_t(count) * 4);
      break;
    case 24:
      for (int i = 0; i < count; ++i) {
        const uint8_t* s = row + size_t(x + i) * 3;
        out[i] = uint32_t(s[0]) | (uint32_t(s[1]) << 8) | (uint32_t(s[2]) << 16);
      }
      break;
    case 16:
      // 5-5-5 as BI_RGB defines it; each 5-bit channel widens to 8 bits by repeating its top bits.
      for (int i = 0; i < count; ++i) {
        const uint8_t* s = row + size_t(x + i) * 2;
        unsigned v = unsigned(s[0]) | (unsigned(s[1]) << 8);
        unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        out[i] = ((b << 3) | (b >> 2)) | (((g << 3) | (g >> 2)) << 8) | (((r << 3) | (r >> 2)) << 16);
      }
      break;
    case 8:
      for (int i = 0; i < count; ++i) out[i] = pal(row[x + i]);
      break;
    case 4:
      for (int i = 0; i < count; ++i) {
        int xi = x + i;
        out[i] = pal((row[xi >> 1] >> ((xi & 1) ? 0 : 4)) & 15);
      }
      break;
    case 1:
      for (int i = 0; i < count; ++i) {
        int xi = x + i;
        out[i] = pal((row[xi >> 3] >> (7 - (xi & 7))) & 1);
      }
      break;
    default:
      std::memset(out, 0, size_t(count) * 4);
  }
}

void Surface::StoreRow(int y, int x, int count, const uint32_t* in) {
  uint8_t* row = RowPtr(y);
  switch (m_bpp) {
    case 32:
      std::memcpy(row + size_t(x) * 4, in, size_t(count) * 4);
      break;
    case 24:
      for (int i = 0; i < count; ++i) {
        uint8_t* d = row + size_t(x + i) * 3;
        d[0] = uint8_t(in[i]);
        d[1] = uint8_t(in[i] >> 8);
        d[2] = uint8_t(in[i] >> 16);
      }
      break;
    case 16:
      for (int i = 0; i < count; ++i) {
        uint8_t* d = row + size_t(x + i) * 2;
        unsigned v = ((in[i] >> 19) & 31) << 10 | ((in[i] >> 11) & 31) << 5 | ((in[i] >> 3) & 31);
        d[0] = uint8_t(v);
        d[1] = uint8_t(v >> 8);
      }
      break;
    case 8:
      for (int i = 0; i < count; ++i) row[x + i] = uint8_t(NearestIndex(in[i]));
      break;
    case 4:
      for (int i = 0; i < count; ++i) {
        int xi = x + i;
        int shift = (xi & 1) ? 0 : 4;
        uint8_t& b = row[xi >> 1];
        b = uint8_t((b & ~(15 << shift)) | (NearestIndex(in[i]) << shift));
      }
      break;
    case 1: {
      // Monochrome: a pixel is the palette entry it is nearest to; with the standard
      // black/white table that is white for light colours and black for dark ones. Exact
      // black and white (what the raster operations produce) map without a search.
      bool standard = m_palette.size() == 2 && (m_palette[0] & 0xFFFFFF) == 0 &&
                      (m_palette[1] & 0xFFFFFF) == 0xFFFFFF;
      for (int i = 0; i < count; ++i) {
        int xi = x + i;
        uint32_t p = in[i] & 0xFFFFFF;
        int bit;
        if (standard) {
          if (p == 0) {
            bit = 0;
          } else if (p == 0xFFFFFF) {
            bit = 1;
          } else {
            int sum = int((p >> 16) & 0xFF) + int((p >> 8) & 0xFF) + int(p & 0xFF);
            bit = sum >= 384 ? 1 : 0;
          }
        } else {
          bit = NearestIndex(p) & 1;
        }
        uint8_t mask = uint8_t(0x80 >> (xi & 7));
        if (bit) {
          row[xi >> 3] |= mask;
        } else {
          row[xi >> 3] &= uint8_t(~mask);
        }
      }
      break;
    }
    default:
      break;
  }
}

uint32_t Surface::GetPixel(int x, int y) const {
  uint32_t p;
  LoadRow(y, x, 1, &p);
  return p;
}

void Surface::SetPixel(int x, int y, uint32_t p) { StoreRow(y, x, 1, &p); }

}  // namespace gdi
