#include "tests/platform/GdiTestCanvas.h"

#include <png.h>

#include <cstdio>
#include <filesystem>
#include <vector>

namespace gditest {

Canvas::Canvas(int width, int height, COLORREF fill) : m_width(width), m_height(height) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  m_dc = CreateCompatibleDC(nullptr);
  m_bitmap = CreateDIBSection(m_dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  m_bits = static_cast<uint32_t*>(bits);
  m_old = SelectObject(m_dc, m_bitmap);
  Fill(fill);
}

Canvas::~Canvas() {
  SelectObject(m_dc, m_old);
  DeleteObject(m_bitmap);
  DeleteDC(m_dc);
}

COLORREF Canvas::At(int x, int y) const {
  uint32_t p = Raw(x, y);
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

void Canvas::Fill(COLORREF c) {
  uint32_t p = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  for (int i = 0; i < m_width * m_height; ++i) m_bits[i] = p;
}

std::string Canvas::Hash() const {
  uint64_t h = 1469598103934665603ull;
  for (int i = 0; i < m_width * m_height; ++i) {
    for (int k = 0; k < 24; k += 8) {
      h ^= (m_bits[i] >> k) & 0xFF;
      h *= 1099511628211ull;
    }
  }
  char buf[17];
  std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
  return buf;
}

std::string Canvas::PixelsOf(COLORREF c) const {
  std::string out;
  for (int y = 0; y < m_height; ++y) {
    for (int x = 0; x < m_width; ++x) {
      if (At(x, y) == c) {
        if (!out.empty()) out += ' ';
        out += std::to_string(x) + "," + std::to_string(y);
      }
    }
  }
  return out;
}

bool Canvas::Dump(const std::string& name) const {
  std::filesystem::path dir(PXQD_GDI_DUMP_DIR);
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  return WritePng((dir / (name + ".png")).string(), m_bits, m_width, m_height, m_width * 4);
}

bool WritePng(const std::string& path, const uint32_t* pixels, int width, int height, int stride) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(size_t(width) * 3);
  for (int y = 0; y < height; ++y) {
    const uint32_t* src = reinterpret_cast<const uint32_t*>(
        reinterpret_cast<const uint8_t*>(pixels) + size_t(y) * size_t(stride));
    for (int x = 0; x < width; ++x) {
      row[size_t(x) * 3 + 0] = png_byte(src[x] >> 16);
      row[size_t(x) * 3 + 1] = png_byte(src[x] >> 8);
      row[size_t(x) * 3 + 2] = png_byte(src[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace gditest
